#pragma once

// A vertex of a mesh part as the model file gives it, with the bone it follows (-1: none).
struct MQAVertex {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    int bone = -1;
};
