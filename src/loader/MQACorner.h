#pragma once

#include "platform/D3DXMath.h"

// A face corner: its smoothed normal.
struct MQACorner {
    D3DXVECTOR3 normal;
};
