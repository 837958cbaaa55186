#pragma once

#include "platform/D3DXMath.h"

#include <vector>

// A face corner: its smoothed normal and the faces whose normals are summed into it.
struct MQACorner {
    D3DXVECTOR3 normal;
    std::vector<int> faces;
};
