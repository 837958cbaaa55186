#include "platform/opengl/COpenGLTexture.h"

#include "platform/FilePath.h"
#include "platform/opengl/OpenGLApi.h"
#include "platform/opengl/PictureFile.h"

#include <stb_image.h>

#include <climits>
#include <cstdlib>
#include <new>
#include <optional>
#include <utility>

static_assert(COpenGLTexture::MaxFileBytes <= INT_MAX, "stb_image takes an int length");

namespace {

// The bytes of a pixel in the largest buffer that stb_image fills while it decodes a picture
// to RGBA8: an HDR picture is decoded to four floats a pixel first, one of 16-bit channels
// (PNG, PSD, PNM) to four 16-bit channels, and either is then converted.
std::uint64_t DecodedBytesPerPixel(const stbi_uc* bytes, int length) {
    if (stbi_is_hdr_from_memory(bytes, length) != 0) {
        return 16;
    }
    return stbi_is_16_bit_from_memory(bytes, length) != 0 ? 8 : 4;
}

} // namespace

COpenGLTexture* COpenGLTexture::FromFile(const std::string& path, std::uint64_t maxPixelBytes,
                                         IRenderWindow& window) {
    const std::optional<std::string> file = FilePath::ReadAll(path, MaxFileBytes);
    if (!file) {
        return nullptr;
    }
    const auto* bytes = reinterpret_cast<const stbi_uc*>(file->data());
    const int length = static_cast<int>(file->size());
    int width = 0;
    int height = 0;
    int channels = 0;
    // The header gives the size, so a small file claiming a huge picture is never decoded.
    if (stbi_info_from_memory(bytes, length, &width, &height, &channels) == 0 || width > MaxSide ||
        height > MaxSide) {
        return nullptr;
    }
    const auto columns = static_cast<std::uint32_t>(width);
    const auto rows = static_cast<std::uint32_t>(height);
    const std::uint64_t pixels = std::uint64_t{columns} * rows;
    if (pixels * DecodedBytesPerPixel(bytes, length) > maxPixelBytes ||
        file->size() < PictureFile::UncompressedPixelBytes(*file, columns, rows)) {
        return nullptr;
    }
    Pixels decoded(stbi_load_from_memory(bytes, length, &width, &height, &channels, 4),
                   stbi_image_free);
    if (!decoded) {
        return nullptr;
    }
    return new COpenGLTexture(width, height, std::move(decoded), window);
}

COpenGLTexture::Pixels COpenGLTexture::AllocatePixels(std::size_t bytes) {
    Pixels pixels(static_cast<std::uint8_t*>(std::malloc(bytes)),
                  [](void* block) { std::free(block); });
    if (!pixels) {
        throw std::bad_alloc();
    }
    return pixels;
}

COpenGLTexture::COpenGLTexture(int width, int height, Pixels pixels, IRenderWindow& window)
    : m_width(width), m_height(height), m_pixels(std::move(pixels)), m_window(window) {}

COpenGLTexture::~COpenGLTexture() {
    // Released from commands as well as from frames: the context may not be current.
    if (m_name != 0 && m_window.MakeCurrent()) {
        glDeleteTextures(1, &m_name);
    }
}

ULONG COpenGLTexture::AddRef() {
    return ++m_references;
}

HRESULT COpenGLTexture::GetLevelDesc(UINT level, D3DSURFACE_DESC* description) {
    if (level != 0 || description == nullptr) {
        return E_INVALIDARG;
    }
    *description =
        D3DSURFACE_DESC{D3DFMT_A8R8G8B8, static_cast<UINT>(m_width), static_cast<UINT>(m_height)};
    return S_OK;
}

ULONG COpenGLTexture::Release() {
    const ULONG references = --m_references;
    if (references == 0) {
        delete this;
    }
    return references;
}

void COpenGLTexture::Bind() {
    if (m_name != 0) {
        glBindTexture(GL_TEXTURE_2D, m_name);
        return;
    }
    glGenTextures(1, &m_name);
    glBindTexture(GL_TEXTURE_2D, m_name);
    // Rows of RGBA8 pixels are always 4-byte aligned, whatever the unpack alignment.
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, m_width, m_height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 m_pixels.get());
    // The texture object holds them now, for as long as the window's context lives.
    m_pixels.reset();
}
