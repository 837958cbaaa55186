#pragma once

#include "loader/MQACorner.h"
#include "platform/D3DXMath.h"

#include <utility>
#include <vector>

// A face of a mesh part: a triangle or a quad (other corner counts are kept but never drawn
// or hit), with its material, unit normal, texture coordinates and corners.
struct MQAFace {
    int material = 0;
    D3DXVECTOR3 normal;
    std::vector<int> indices;
    std::vector<std::pair<float, float>> uv;
    std::vector<MQACorner> corners;
};
