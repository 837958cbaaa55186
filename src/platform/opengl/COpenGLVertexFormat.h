#pragma once

// The layout of a flexible vertex format: a position, then optionally a normal, a D3DCOLOR
// diffuse colour and one pair of texture coordinates, in that order. It points OpenGL's
// client arrays at vertices of that layout.

#include "platform/WinTypes.h"

#include <cstdint>
#include <optional>

class COpenGLVertexFormat {
public:
    // Nothing for a format with other parts (transformed positions, blend weights, specular
    // colours, more texture coordinate sets).
    static std::optional<COpenGLVertexFormat> FromFvf(DWORD fvf);

    UINT Size() const { return m_size; }
    bool HasColour() const { return m_colourOffset >= 0; }
    bool HasTexCoords() const { return m_texCoordOffset >= 0; }

    // Points the arrays at vertices that start at `base`: an address in client memory, or an
    // offset into the bound GL_ARRAY_BUFFER. Arrays that the format lacks are disabled.
    void SetPointers(std::uintptr_t base, UINT stride) const;

private:
    COpenGLVertexFormat() = default;

    int m_normalOffset = -1;
    int m_colourOffset = -1;
    int m_texCoordOffset = -1;
    UINT m_size = 0;
};
