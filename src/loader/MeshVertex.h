#pragma once

#include "platform/WinTypes.h"

// The 32-byte vertex of model buffers and skinned arrays: position, normal, texture
// coordinates (flexible vertex format 0x112).
struct MeshVertex {
    float x, y, z;
    float nx, ny, nz;
    float u, v;
};

static_assert(sizeof(MeshVertex) == 32, "model vertices are 32 bytes");

constexpr DWORD MeshVertexFVF = 0x112;
