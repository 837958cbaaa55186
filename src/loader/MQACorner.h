#pragma once

#include "platform/D3DXMath.h"

#include <cstddef>
#include <cstdint>

// A face corner: its smoothed normal and the faces whose normals are summed into it, which
// are the run of `faceCount` entries from `firstFace` in its part's corner-face list.
struct MQACorner {
    D3DXVECTOR3 normal;
    std::uint32_t faceCount = 0;
    std::size_t firstFace = 0;
};
