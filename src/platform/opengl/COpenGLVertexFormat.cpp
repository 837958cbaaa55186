#include "platform/opengl/COpenGLVertexFormat.h"

#include "platform/opengl/OpenGLApi.h"

namespace {

constexpr DWORD FvfPosition = 0x002;
constexpr DWORD FvfNormal = 0x010;
constexpr DWORD FvfDiffuse = 0x040;
constexpr DWORD FvfTex1 = 0x100;

const void* Address(std::uintptr_t base, int offset) {
    return reinterpret_cast<const void*>(base + static_cast<std::uintptr_t>(offset));
}

// Enables the array and points it, or disables it when the format has no such part.
template <typename PointTo> void SetArray(GLenum array, int offset, PointTo pointTo) {
    if (offset < 0) {
        glDisableClientState(array);
        return;
    }
    glEnableClientState(array);
    pointTo();
}

} // namespace

std::optional<COpenGLVertexFormat> COpenGLVertexFormat::FromFvf(DWORD fvf) {
    if ((fvf & FvfPosition) == 0 || (fvf & ~(FvfPosition | FvfNormal | FvfDiffuse | FvfTex1))) {
        return std::nullopt;
    }
    COpenGLVertexFormat format;
    int offset = 3 * sizeof(float);
    if (fvf & FvfNormal) {
        format.m_normalOffset = offset;
        offset += 3 * sizeof(float);
    }
    if (fvf & FvfDiffuse) {
        format.m_colourOffset = offset;
        offset += sizeof(DWORD);
    }
    if (fvf & FvfTex1) {
        format.m_texCoordOffset = offset;
        offset += 2 * sizeof(float);
    }
    format.m_size = static_cast<UINT>(offset);
    return format;
}

void COpenGLVertexFormat::SetPointers(std::uintptr_t base, UINT stride) const {
    const auto glStride = static_cast<GLsizei>(stride);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, glStride, Address(base, 0));
    SetArray(GL_NORMAL_ARRAY, m_normalOffset,
             [&] { glNormalPointer(GL_FLOAT, glStride, Address(base, m_normalOffset)); });
    // A D3DCOLOR holds A, R, G, B from its highest byte: B, G, R, A in memory.
    SetArray(GL_COLOR_ARRAY, m_colourOffset, [&] {
        glColorPointer(GL_BGRA, GL_UNSIGNED_BYTE, glStride, Address(base, m_colourOffset));
    });
    SetArray(GL_TEXTURE_COORD_ARRAY, m_texCoordOffset,
             [&] { glTexCoordPointer(2, GL_FLOAT, glStride, Address(base, m_texCoordOffset)); });
}
