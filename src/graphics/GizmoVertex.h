#pragma once

#include "platform/D3DTypes.h"

// The 28-byte vertex of the grid and the handles: position, normal, colour (flexible vertex
// format 0x52).
struct GizmoVertex {
    float x, y, z;
    float nx, ny, nz;
    D3DCOLOR colour;
};

static_assert(sizeof(GizmoVertex) == 28, "grid and handle vertices are 28 bytes");

constexpr DWORD GizmoVertexFVF = 0x52;
