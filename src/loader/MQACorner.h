#pragma once

#include "platform/D3DXMath.h"

#include <cstdint>

// A face corner: its smoothed normal and the faces whose normals are summed into it. Those
// are the next `faceCount` entries of its part's corner-face list, which holds the lists of
// the corners one after the other in face and corner order.
struct MQACorner {
    D3DXVECTOR3 normal;
    std::uint32_t faceCount = 0;
};
