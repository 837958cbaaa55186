#include "DeviceFixture.h"

#include "platform/IDirect3DTexture9.h"
#include "platform/opengl/COpenGLTexture.h"
#include "support/ResidentMemory.h"
#include "support/ScratchFolder.h"
#include "support/SpecialFiles.h"

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QTransform>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int ImageSize = 16;

// The test picture: red top-left, green top-right, blue bottom-left, white bottom-right
// quarters.
QColor QuarterColour(int x, int y) {
    const bool right = x >= ImageSize / 2;
    const bool bottom = y >= ImageSize / 2;
    if (!bottom) {
        return right ? QColor(0, 255, 0) : QColor(255, 0, 0);
    }
    return right ? QColor(255, 255, 255) : QColor(0, 0, 255);
}

QImage Quarters() {
    QImage image(ImageSize, ImageSize, QImage::Format_RGB32);
    for (int y = 0; y < ImageSize; ++y) {
        for (int x = 0; x < ImageSize; ++x) {
            image.setPixelColor(x, y, QuarterColour(x, y));
        }
    }
    return image;
}

void WriteLittleEndian(std::ofstream& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.put(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

void WriteBigEndian(std::ofstream& out, std::uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) {
        out.put(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

// Blue, green, red bytes of a row of the image, padded to `alignment`.
void WriteBgrRow(std::ofstream& out, const QImage& image, int y, int alignment) {
    for (int x = 0; x < image.width(); ++x) {
        const QColor colour = image.pixelColor(x, y);
        out.put(static_cast<char>(colour.blue()));
        out.put(static_cast<char>(colour.green()));
        out.put(static_cast<char>(colour.red()));
    }
    for (int pad = image.width() * 3; pad % alignment != 0; ++pad) {
        out.put(0);
    }
}

// A 24-bit bitmap, rows stored bottom first as the format has them.
void WriteBmp(const std::string& path, const QImage& image) {
    std::ofstream out(path, std::ios::binary);
    const std::uint32_t stride = (image.width() * 3 + 3) & ~3;
    const std::uint32_t pixelBytes = stride * image.height();
    out.write("BM", 2);
    WriteLittleEndian(out, 54 + pixelBytes, 4);
    WriteLittleEndian(out, 0, 4);
    WriteLittleEndian(out, 54, 4);
    WriteLittleEndian(out, 40, 4);
    WriteLittleEndian(out, image.width(), 4);
    WriteLittleEndian(out, image.height(), 4);
    WriteLittleEndian(out, 1, 2);
    WriteLittleEndian(out, 24, 2);
    WriteLittleEndian(out, 0, 4);
    WriteLittleEndian(out, pixelBytes, 4);
    for (int i = 0; i < 4; ++i) {
        WriteLittleEndian(out, 0, 4);
    }
    for (int y = image.height() - 1; y >= 0; --y) {
        WriteBgrRow(out, image, y, 4);
    }
}

// An uncompressed 24-bit Targa with the bottom-left origin, rows bottom first.
void WriteTga(const std::string& path, const QImage& image) {
    std::ofstream out(path, std::ios::binary);
    const std::uint8_t header[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    out.write(reinterpret_cast<const char*>(header), sizeof header);
    WriteLittleEndian(out, image.width(), 2);
    WriteLittleEndian(out, image.height(), 2);
    out.put(24);
    out.put(0);
    for (int y = image.height() - 1; y >= 0; --y) {
        WriteBgrRow(out, image, y, 1);
    }
}

// A binary PPM, rows top first.
void WritePpm(const std::string& path, const QImage& image) {
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << image.width() << " " << image.height() << "\n255\n";
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor colour = image.pixelColor(x, y);
            out.put(static_cast<char>(colour.red()));
            out.put(static_cast<char>(colour.green()));
            out.put(static_cast<char>(colour.blue()));
        }
    }
}

// An uncompressed 8-bit RGB Photoshop file: the red plane, then green, then blue.
void WritePsdHeader(std::ofstream& out, int width, int height, int compression) {
    out.write("8BPS\0\1\0\0\0\0\0\0", 12);
    WriteBigEndian(out, 3, 2);
    WriteBigEndian(out, height, 4);
    WriteBigEndian(out, width, 4);
    WriteBigEndian(out, 8, 2); // bits per channel
    WriteBigEndian(out, 3, 2); // RGB
    for (int section = 0; section < 3; ++section) {
        WriteBigEndian(out, 0, 4); // empty mode data, resources and layers
    }
    WriteBigEndian(out, compression, 2);
}

void WritePsd(const std::string& path, const QImage& image) {
    std::ofstream out(path, std::ios::binary);
    WritePsdHeader(out, image.width(), image.height(), 0); // no compression
    for (int (QColor::*channel)() const : {&QColor::red, &QColor::green, &QColor::blue}) {
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                out.put(static_cast<char>((image.pixelColor(x, y).*channel)()));
            }
        }
    }
}

// A Radiance picture of flat RGBE pixels, rows top first. A channel of 255 is 1.0 (mantissa
// 128 at exponent 129), which decodes to 255 again; 0 stays 0.
void WriteHdr(const std::string& path, const QImage& image) {
    std::ofstream out(path, std::ios::binary);
    out << "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y " << image.height() << " +X " << image.width()
        << "\n";
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor colour = image.pixelColor(x, y);
            out.put(static_cast<char>(colour.red() / 255 * 128));
            out.put(static_cast<char>(colour.green() / 255 * 128));
            out.put(static_cast<char>(colour.blue() / 255 * 128));
            out.put(static_cast<char>(129));
        }
    }
}

struct ImageFormat {
    const char* name;
    void (*write)(const std::string& path, const QImage& image);
    int tolerance;
};

void PrintTo(const ImageFormat& format, std::ostream* out) {
    *out << format.name;
}

void SavePng(const std::string& path, const QImage& image) {
    ASSERT_TRUE(image.save(QString::fromStdString(path), "PNG"));
}

void SaveJpeg(const std::string& path, const QImage& image) {
    ASSERT_TRUE(image.save(QString::fromStdString(path), "JPEG", 100));
}

class COpenGLTextureTest : public DeviceFixture {
protected:
    IDirect3DTexture9* Load(const std::string& path) {
        IDirect3DTexture9* texture = nullptr;
        EXPECT_EQ(m_device->CreateTextureFromFile(path, COpenGLTexture::MaxPixelBytes, &texture),
                  S_OK);
        return texture;
    }

    COpenGLTexture* FromFile(const std::string& path,
                             std::uint64_t maxPixelBytes = COpenGLTexture::MaxPixelBytes) {
        return COpenGLTexture::FromFile(path, maxPixelBytes, *m_window);
    }

    // Draws the texture over the pixels (40, 20) to (120, 100) with uv (0, 0) at the top-left.
    void DrawTexturedSquare(IDirect3DTexture9* texture) {
        const float l = NdcX(40), t = NdcY(20), r = NdcX(120), b = NdcY(100);
        const std::vector<TexturedVertex> square = {
            {l, t, 0.5f, 0, 0, -1, 0, 0}, {r, t, 0.5f, 0, 0, -1, 1, 0},
            {r, b, 0.5f, 0, 0, -1, 1, 1}, {l, t, 0.5f, 0, 0, -1, 0, 0},
            {r, b, 0.5f, 0, 0, -1, 1, 1}, {l, b, 0.5f, 0, 0, -1, 0, 1}};
        m_device->SetTexture(0, texture);
        ASSERT_EQ(m_device->SetFVF(FvfTextured), S_OK);
        ASSERT_EQ(
            m_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, square.data(), sizeof(TexturedVertex)),
            S_OK);
        m_device->SetTexture(0, nullptr);
    }

    void SetFilter(DWORD filter) {
        m_device->SetSamplerState(0, D3DSAMP_MINFILTER, filter);
        m_device->SetSamplerState(0, D3DSAMP_MAGFILTER, filter);
    }

    // A white light shining straight onto the square (normal (0, 0, -1)), no ambient.
    void LightTheSquare(const D3DMATERIAL9& material) {
        m_device->SetRenderState(D3DRS_LIGHTING, TRUE);
        m_device->SetRenderState(D3DRS_AMBIENT, 0);
        D3DLIGHT9 light;
        light.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
        light.Specular = {1.0f, 1.0f, 1.0f, 1.0f};
        light.Direction = {0.0f, 0.0f, 1.0f};
        m_device->SetLight(0, &light);
        m_device->LightEnable(0, TRUE);
        m_device->SetMaterial(&material);
    }

    // The centres of the square's quarters: top-left, top-right, bottom-left, bottom-right.
    std::vector<Rgb> Quarters() {
        const std::vector<std::uint8_t> rows = ReadFrame();
        return {PixelOf(rows, 60, 40), PixelOf(rows, 100, 40), PixelOf(rows, 60, 80),
                PixelOf(rows, 100, 80)};
    }

    ScratchFolder m_folder;
};

TEST_F(COpenGLTextureTest, MissingFileFailsWithoutATexture) {
    IDirect3DTexture9* texture = reinterpret_cast<IDirect3DTexture9*>(this);
    EXPECT_TRUE(FAILED(m_device->CreateTextureFromFile(m_folder.PathOf("none.bmp"),
                                                       COpenGLTexture::MaxPixelBytes, &texture)));
    EXPECT_EQ(texture, nullptr);
}

TEST_F(COpenGLTextureTest, UnreadableFileFailsWithoutATexture) {
    IDirect3DTexture9* texture = nullptr;
    const std::string path = m_folder.Write("broken.png", "not an image at all");
    EXPECT_TRUE(
        FAILED(m_device->CreateTextureFromFile(path, COpenGLTexture::MaxPixelBytes, &texture)));
    EXPECT_EQ(texture, nullptr);
}

// A PNG signature and header chunk claiming a picture of that size, and no pixels.
std::string PngHeader(std::uint32_t width, std::uint32_t height) {
    std::string header("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16);
    for (const std::uint32_t side : {width, height}) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            header += static_cast<char>((side >> shift) & 0xFF);
        }
    }
    return header + std::string("\x08\x06\0\0\0", 5) + std::string(4, '\0'); // RGBA8; CRC
}

std::string PngOf(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, "PNG"));
    return bytes.toStdString();
}

TEST_F(COpenGLTextureTest, PicturesUpToTheLargestSideLoad) {
    QImage wide(COpenGLTexture::MaxSide, 1, QImage::Format_RGB32);
    wide.fill(Qt::red);
    COpenGLTexture* texture = FromFile(m_folder.Write("wide.png", PngOf(wide)));
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->Width(), COpenGLTexture::MaxSide);
    texture->Release();
}

TEST_F(COpenGLTextureTest, PicturesTooLargeAndFilesThatAreNotRegularGiveNoTexture) {
    const std::string small = PngOf(::Quarters());
    QImage image(COpenGLTexture::MaxSide + 1, 1, QImage::Format_RGB32);
    image.fill(Qt::red);
    m_folder.Write("wide.png", PngOf(image));
    m_folder.Write("high.png", PngOf(image.transformed(QTransform().rotate(90))));
    m_folder.Write("huge.png", PngHeader(16000, 16000));
    WriteSparse(m_folder.PathOf("long.png"), small, COpenGLTexture::MaxFileBytes + 1);
    const FilledFifo fifo(m_folder.PathOf("fifo.png"), small + std::string(4096, '\0'));
    for (const char* name : {"wide.png", "high.png", "huge.png", "long.png", "fifo.png"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(FromFile(m_folder.PathOf(name)), nullptr);
    }
}

void SavePng16(const std::string& path, const QImage& image) {
    SavePng(path, image.convertToFormat(QImage::Format_RGBA64));
}

// While it decodes, a picture takes 4 bytes a pixel, 8 with 16-bit channels, and 16 as HDR,
// which is decoded through floats.
TEST_F(COpenGLTextureTest, FromFileKeepsTheDecodingWithinTheBytesAllowed) {
    const struct {
        const char* name;
        void (*write)(const std::string& path, const QImage& image);
        std::uint64_t bytesPerPixel;
    } formats[] = {{"bmp", WriteBmp, 4}, {"png", SavePng16, 8}, {"hdr", WriteHdr, 16}};
    constexpr std::uint64_t pixels = ImageSize * ImageSize / 2;
    for (const auto& format : formats) {
        SCOPED_TRACE(format.name);
        const std::string path = m_folder.PathOf(std::string("quarters.") + format.name);
        format.write(path, ::Quarters().scaled(ImageSize, ImageSize / 2));
        const std::uint64_t bytes = pixels * format.bytesPerPixel;
        EXPECT_EQ(FromFile(path, bytes - 1), nullptr);
        COpenGLTexture* texture = FromFile(path, bytes);
        ASSERT_NE(texture, nullptr);
        D3DSURFACE_DESC level;
        ASSERT_EQ(texture->GetLevelDesc(0, &level), S_OK);
        EXPECT_EQ(level.Width, static_cast<UINT>(ImageSize));
        EXPECT_EQ(level.Height, static_cast<UINT>(ImageSize / 2));
        EXPECT_EQ(texture->GetLevelDesc(1, &level), E_INVALIDARG);
        texture->Release();
    }
}

// The decoder would fill what such a file lacks with zeros. Whole files of these formats load
// (COpenGLTextureFormatTest).
TEST_F(COpenGLTextureTest, UncompressedPicturesCutShortAreRefused) {
    const ImageFormat formats[] = {
        {"ppm", WritePpm, 0}, {"bmp", WriteBmp, 0}, {"tga", WriteTga, 0},
        {"psd", WritePsd, 0}, {"hdr", WriteHdr, 0},
    };
    for (const ImageFormat& format : formats) {
        SCOPED_TRACE(format.name);
        const std::string path = m_folder.PathOf(std::string("quarters.") + format.name);
        format.write(path, ::Quarters());
        // Its header and half of its pixels.
        std::filesystem::resize_file(path, std::filesystem::file_size(path) / 2);
        EXPECT_EQ(FromFile(path), nullptr);
    }
}

#ifndef __SANITIZE_ADDRESS__
// A run-length coded picture whose header alone decodes to a square of black pixels. (The
// sanitizer keeps freed memory a while.) Held twice, its 64 MiB would take 128 MiB; held once,
// the half more leaves room for the decoder's and the driver's bookkeeping. A small picture
// of the same kind is loaded and drawn first, so that the code that decodes and draws it
// (the driver's compiled shaders too) is in memory before the count starts.
TEST_F(COpenGLTextureTest, DecodedPixelsAreHeldOnceAndFreedOnceTheTextureObjectHoldsThem) {
    const auto writeBlack = [this](int side) {
        const std::string path = m_folder.PathOf("black" + std::to_string(side) + ".psd");
        std::ofstream out(path, std::ios::binary);
        WritePsdHeader(out, side, side, 1);
        return path;
    };
    IDirect3DTexture9* rehearsal = Load(writeBlack(16));
    ASSERT_NE(rehearsal, nullptr);
    BeginFrame();
    DrawTexturedSquare(rehearsal);
    rehearsal->Release();
    constexpr int Side = 4096;
    constexpr long PictureKibibytes = long{Side} * Side * 4 / 1024;
    const std::string path = writeBlack(Side);
    ResetPeakResidentMemory();
    const long before = ResidentKibibytes("VmRSS:");
    IDirect3DTexture9* texture = Load(path);
    ASSERT_NE(texture, nullptr);
    EXPECT_LT(ResidentKibibytes("VmHWM:") - before, PictureKibibytes * 3 / 2);
    BeginFrame();
    DrawTexturedSquare(texture);
    EXPECT_LT(ResidentKibibytes("VmRSS:") - before, PictureKibibytes * 3 / 2);
    texture->Release();
}
#endif

TEST_F(COpenGLTextureTest, ReferencesAreCounted) {
    const std::string path = m_folder.PathOf("quarters.png");
    SavePng(path, ::Quarters());
    IDirect3DTexture9* texture = Load(path);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->AddRef(), 2u);
    EXPECT_EQ(texture->Release(), 1u);
    EXPECT_EQ(texture->Release(), 0u);
}

TEST_F(COpenGLTextureTest, WithoutATextureTheSquareIsUntextured) {
    BeginFrame();
    DrawTexturedSquare(nullptr);
    for (const Rgb& quarter : Quarters()) {
        EXPECT_EQ(quarter, (Rgb{255, 255, 255}));
    }
}

TEST_F(COpenGLTextureTest, LinearFilteringBlendsNeighbouringTexels) {
    const std::string path = m_folder.PathOf("two.png");
    SavePng(path, ::Quarters().scaled(2, 2));
    IDirect3DTexture9* texture = Load(path);
    ASSERT_NE(texture, nullptr);
    BeginFrame();
    SetFilter(D3DTEXF_LINEAR);
    DrawTexturedSquare(texture);
    // The middle of the square lies between the four texels.
    EXPECT_TRUE(PixelAt(80, 60).Near(Rgb{128, 128, 128}, 3))
        << testing::PrintToString(PixelAt(80, 60));
    // Point sampling takes one of them.
    BeginFrame();
    SetFilter(D3DTEXF_POINT);
    DrawTexturedSquare(texture);
    EXPECT_EQ(PixelAt(80, 60), (Rgb{255, 255, 255}));
    texture->Release();
}

TEST_F(COpenGLTextureTest, TextureModulatesTheLitColour) {
    const std::string path = m_folder.PathOf("quarters.png");
    SavePng(path, ::Quarters());
    IDirect3DTexture9* texture = Load(path);
    ASSERT_NE(texture, nullptr);
    BeginFrame();
    SetFilter(D3DTEXF_POINT);
    D3DMATERIAL9 material;
    material.Diffuse = {0.5f, 1.0f, 1.0f, 1.0f};
    LightTheSquare(material);
    DrawTexturedSquare(texture);
    const std::vector<Rgb> quarters = Quarters();
    EXPECT_TRUE(quarters[0].Near(Rgb{128, 0, 0}, 1)) << testing::PrintToString(quarters[0]);
    EXPECT_TRUE(quarters[3].Near(Rgb{128, 255, 255}, 1)) << testing::PrintToString(quarters[3]);
    texture->Release();
}

TEST_F(COpenGLTextureTest, TextureAlphaModulatesTheVertexAlpha) {
    QImage translucent(2, 2, QImage::Format_ARGB32);
    translucent.fill(QColor(255, 255, 255, 128));
    const std::string path = m_folder.PathOf("translucent.png");
    SavePng(path, translucent);
    IDirect3DTexture9* texture = Load(path);
    ASSERT_NE(texture, nullptr);
    BeginFrame(D3DCOLOR_ARGB(255, 0, 0, 0));
    m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    m_device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    m_device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    D3DMATERIAL9 material;
    material.Diffuse = {1.0f, 1.0f, 1.0f, 0.5f};
    LightTheSquare(material);
    DrawTexturedSquare(texture);
    // Alpha 128/255 from the texture times 0.5 from the material.
    EXPECT_TRUE(PixelAt(80, 60).Near(Rgb{64, 64, 64}, 1))
        << testing::PrintToString(PixelAt(80, 60));
    texture->Release();
}

TEST_F(COpenGLTextureTest, SpecularIsAddedAfterTheTexture) {
    QImage black(2, 2, QImage::Format_RGB32);
    black.fill(Qt::black);
    const std::string path = m_folder.PathOf("black.png");
    SavePng(path, black);
    IDirect3DTexture9* texture = Load(path);
    ASSERT_NE(texture, nullptr);
    for (const BOOL specular : {TRUE, FALSE}) {
        SCOPED_TRACE(specular);
        BeginFrame();
        D3DMATERIAL9 material;
        material.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
        material.Specular = {0.5f, 0.5f, 0.5f, 1.0f};
        material.Power = 10.0f;
        LightTheSquare(material);
        m_device->SetRenderState(D3DRS_SPECULARENABLE, specular);
        m_device->SetRenderState(D3DRS_LOCALVIEWER, FALSE);
        // From behind the viewer onto a square that faces it: the highlight is full.
        D3DLIGHT9 light;
        light.Specular = {1.0f, 1.0f, 1.0f, 1.0f};
        light.Direction = {0.0f, 0.0f, -1.0f};
        m_device->SetLight(0, &light);
        const float l = NdcX(40), t = NdcY(20), r = NdcX(120), b = NdcY(100);
        const std::vector<TexturedVertex> square = {
            {l, t, 0.5f, 0, 0, 1, 0, 0}, {r, t, 0.5f, 0, 0, 1, 1, 0}, {r, b, 0.5f, 0, 0, 1, 1, 1}};
        m_device->SetTexture(0, texture);
        m_device->SetFVF(FvfTextured);
        m_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, square.data(), sizeof(TexturedVertex));
        m_device->SetTexture(0, nullptr);
        const int expected = specular ? 128 : 0;
        EXPECT_TRUE(PixelAt(110, 30).Near(Rgb{expected, expected, expected}, 1))
            << testing::PrintToString(PixelAt(110, 30));
    }
    texture->Release();
}

TEST_F(COpenGLTextureTest, TextureSurvivesReset) {
    const std::string path = m_folder.PathOf("quarters.png");
    SavePng(path, ::Quarters());
    IDirect3DTexture9* texture = Load(path);
    ASSERT_NE(texture, nullptr);
    BeginFrame();
    DrawTexturedSquare(texture);
    D3DPRESENT_PARAMETERS parameters = PresentParameters(Width, Height);
    ASSERT_EQ(m_device->Reset(&parameters), S_OK);
    BeginFrame();
    SetFilter(D3DTEXF_POINT);
    DrawTexturedSquare(texture);
    EXPECT_EQ(Quarters()[1], (Rgb{0, 255, 0}));
    texture->Release();
}

class COpenGLTextureFormatTest : public COpenGLTextureTest,
                                 public ::testing::WithParamInterface<ImageFormat> {};

TEST_P(COpenGLTextureFormatTest, TopLeftOfTheImageIsAtUvZero) {
    const std::string path = m_folder.PathOf(std::string("quarters.") + GetParam().name);
    GetParam().write(path, ::Quarters());
    IDirect3DTexture9* texture = Load(path);
    ASSERT_NE(texture, nullptr);
    BeginFrame();
    SetFilter(D3DTEXF_POINT);
    DrawTexturedSquare(texture);
    const std::vector<Rgb> quarters = Quarters();
    const std::vector<Rgb> expected = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_TRUE(quarters[i].Near(expected[i], GetParam().tolerance))
            << i << ": " << testing::PrintToString(quarters[i]);
    }
    texture->Release();
}

INSTANTIATE_TEST_SUITE_P(
    ImageFiles, COpenGLTextureFormatTest,
    ::testing::Values(ImageFormat{"bmp", WriteBmp, 0}, ImageFormat{"png", SavePng, 0},
                      ImageFormat{"tga", WriteTga, 0}, ImageFormat{"jpg", SaveJpeg, 12},
                      ImageFormat{"ppm", WritePpm, 0}, ImageFormat{"psd", WritePsd, 0},
                      ImageFormat{"hdr", WriteHdr, 0}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
