#pragma once

#include "loader/FixedVector.h"
#include "loader/MQACorner.h"
#include "platform/D3DXMath.h"

#include <cstddef>
#include <utility>

// A face keeps at most four corners, whatever its line in the model file names.
constexpr std::size_t MaximumFaceCorners = 4;

// A face of a mesh part: a triangle or a quad (other corner counts are kept but never drawn
// or hit), with its material, unit normal, texture coordinates and corners.
struct MQAFace {
    int material = 0;
    D3DXVECTOR3 normal;
    FixedVector<int, MaximumFaceCorners> indices;
    FixedVector<std::pair<float, float>, MaximumFaceCorners> uv;
    FixedVector<MQACorner, MaximumFaceCorners> corners;
};
