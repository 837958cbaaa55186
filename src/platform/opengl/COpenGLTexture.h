#pragma once

// A managed texture: RGBA8 pixels in memory, top row first, uploaded to an OpenGL texture
// object the first time it is bound and freed then, since the texture object keeps them (it
// survives Reset, and nothing uploads them again). Texture coordinate (0, 0) is the image's
// top-left, as Direct3D has it, because the top row is uploaded first.

#include "platform/IDirect3DTexture9.h"
#include "platform/IRenderWindow.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class COpenGLTexture final : public IDirect3DTexture9 {
public:
    // Larger pictures are refused before they are decoded.
    static constexpr int MaxSide = 8192;
    // The pixels of the largest picture accepted, RGBA8: 256 MiB.
    static constexpr std::uint64_t MaxPixelBytes = std::uint64_t{MaxSide} * MaxSide * 4;
    // Room for the largest picture accepted, uncompressed, and its headers.
    static constexpr std::uint64_t MaxFileBytes = MaxPixelBytes + (std::uint64_t{1} << 20);

    // Decodes a BMP, PNG, JPEG or TGA file (or another that stb_image reads); null when it is
    // missing, not a regular file of at most MaxFileBytes, wider or higher than MaxSide, would
    // take more than `maxPixelBytes` while it decodes (4 bytes a pixel, 8 for 16-bit channels,
    // 16 for HDR, decoded through floats), is shorter than the uncompressed pixels its header
    // promises (PictureFile), or cannot be decoded. The header is judged before anything is
    // decoded.
    static COpenGLTexture* FromFile(const std::string& path, std::uint64_t maxPixelBytes,
                                    IRenderWindow& window);

    // Pixels in a block of the C heap, with the function that frees it, so that a decoder's
    // own block is kept as it is rather than copied.
    using Pixels = std::unique_ptr<std::uint8_t[], void (*)(void*)>;
    // A block for `bytes`; throws std::bad_alloc when there is no room.
    static Pixels AllocatePixels(std::size_t bytes);

    // `pixels` holds width x height RGBA8 pixels, top row first.
    // The window's context owns the texture object; it is made current to delete it.
    COpenGLTexture(int width, int height, Pixels pixels, IRenderWindow& window);
    COpenGLTexture(const COpenGLTexture&) = delete;
    COpenGLTexture& operator=(const COpenGLTexture&) = delete;

    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* description) override;

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // Binds the texture object to GL_TEXTURE_2D; the first time, uploads the pixels and frees
    // them.
    void Bind();

private:
    ~COpenGLTexture() override;

    int m_width;
    int m_height;
    Pixels m_pixels;
    IRenderWindow& m_window;
    ULONG m_references = 1;
    unsigned int m_name = 0;
};
