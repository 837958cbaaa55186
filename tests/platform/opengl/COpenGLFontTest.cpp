#include "TextFixture.h"

#include "platform/opengl/COpenGLDevice.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class COpenGLFontTest : public TextFixture {
protected:
    int Draw(ID3DXFont* font, const std::string& text, RECT rectangle, DWORD format,
             D3DCOLOR colour) {
        return font->DrawTextA(nullptr, text.c_str(), -1, &rectangle, format, colour);
    }

    RECT Below(int top) const { return RECT{0, top, m_width, m_height}; }

    COpenGLTextCache& Cache() { return static_cast<COpenGLDevice*>(m_device)->TextCache(); }
};

TEST_F(COpenGLFontTest, TextIsDrawnInItsColourInsideTheRectangleAndCentred) {
    ID3DXFont* font = CreateFont();
    BeginFrame(Black);
    const D3DCOLOR yellow = D3DCOLOR_ARGB(255, 255, 255, 0);
    EXPECT_GT(Draw(font, "Sorvendal", Below(40), DT_CENTER, yellow), 0);
    const std::optional<DrawnArea> area = Drawn();
    ASSERT_TRUE(area);
    EXPECT_GE(area->top, 40);
    EXPECT_LT(area->top, 40 + 16);
    EXPECT_NEAR((area->left + area->right) / 2.0, m_width / 2.0, 4.0);
    EXPECT_GT(area->right - area->left, 60);
    // Fully covered pixels have the colour itself; the edges blend it with the background.
    const std::vector<std::uint8_t> rows = ReadFrame();
    bool sawColour = false;
    for (int y = area->top; y <= area->bottom; ++y) {
        for (int x = area->left; x <= area->right; ++x) {
            const Rgb pixel = PixelOf(rows, x, y);
            ASSERT_LE(std::abs(pixel.r - pixel.g), 1) << x << ", " << y;
            ASSERT_EQ(pixel.b, 0);
            sawColour = sawColour || pixel == RgbOf(yellow);
        }
    }
    EXPECT_TRUE(sawColour);
    font->Release();
}

TEST_F(COpenGLFontTest, WithoutCentringTheTextStartsAtTheLeftOfTheRectangle) {
    ID3DXFont* font = CreateFont();
    BeginFrame(Black);
    Draw(font, "Sorvendal", RECT{100, 20, m_width, m_height}, 0, White);
    const std::optional<DrawnArea> area = Drawn();
    ASSERT_TRUE(area);
    EXPECT_GE(area->left, 100);
    EXPECT_LT(area->left, 100 + 8);
    font->Release();
}

TEST_F(COpenGLFontTest, EmptyTextDrawsNothing) {
    ID3DXFont* font = CreateFont();
    BeginFrame(Black);
    EXPECT_EQ(Draw(font, "", Below(40), DT_CENTER, White), 0);
    EXPECT_FALSE(Drawn());
    font->Release();
}

TEST_F(COpenGLFontTest, CodePage932TextIsDrawn) {
    ID3DXFont* font = CreateFont();
    BeginFrame(Black);
    EXPECT_GT(Draw(font, Cp932("字幕のテスト"), Below(40), DT_CENTER, White), 0);
    const std::optional<DrawnArea> area = Drawn();
    ASSERT_TRUE(area);
    EXPECT_NEAR((area->left + area->right) / 2.0, m_width / 2.0, 4.0);
    // Six full-width characters of 32 pixels.
    EXPECT_GT(area->right - area->left, 6 * 32 * 3 / 4);
    font->Release();
}

TEST_F(COpenGLFontTest, HeightIsAboutTheFontHeight) {
    ID3DXFont* font = CreateFont(32);
    BeginFrame(Black);
    const int height = Draw(font, "Sorvendal", Below(0), DT_CENTER, White);
    EXPECT_GE(height, 28);
    EXPECT_LE(height, 48);
    font->Release();
}

TEST_F(COpenGLFontTest, AlphaOfTheColourBlendsTheText) {
    ID3DXFont* font = CreateFont();
    BeginFrame(Black);
    Draw(font, "Sorvendal", Below(40), DT_CENTER, D3DCOLOR_ARGB(128, 255, 0, 0));
    const std::optional<DrawnArea> area = Drawn();
    ASSERT_TRUE(area);
    const std::vector<std::uint8_t> rows = ReadFrame();
    int brightest = 0;
    for (int y = area->top; y <= area->bottom; ++y) {
        for (int x = area->left; x <= area->right; ++x) {
            brightest = std::max(brightest, PixelOf(rows, x, y).r);
        }
    }
    EXPECT_NEAR(brightest, 128, 1);
    font->Release();
}

TEST_F(COpenGLFontTest, RepeatedTextIsRasterisedOnceAcrossFonts) {
    const D3DXFONT_DESCA description = Description(32);
    const COpenGLTextCache::Key key{"Sorvendal", 32,        description.FaceName, 400,
                                    FALSE,       TextWidth, TextHeight - 40,      true};
    const COpenGLTexture* image = nullptr;
    for (int frame = 0; frame < 3; ++frame) {
        ID3DXFont* font = CreateFont(32);
        BeginFrame(Black);
        Draw(font, "Sorvendal", Below(40), DT_CENTER, Black);
        // Shifted by a pixel, as the outline's copies are, in a rectangle of the same size.
        Draw(font, "Sorvendal", RECT{1, 41, m_width + 1, m_height + 1}, DT_CENTER, White);
        font->Release();
        if (frame == 0) {
            image = Cache().Find(key);
            ASSERT_NE(image, nullptr);
        }
        EXPECT_EQ(Cache().Find(key), image);
    }
    EXPECT_EQ(Cache().Size(), 1u);
    ID3DXFont* smaller = CreateFont(16);
    Draw(smaller, "Sorvendal", Below(40), DT_CENTER, White);
    smaller->Release();
    EXPECT_EQ(Cache().Size(), 2u);
}

TEST_F(COpenGLFontTest, DescriptionIsKept) {
    ID3DXFont* font = CreateFont(24);
    D3DXFONT_DESCA description;
    ASSERT_EQ(font->GetDescA(&description), S_OK);
    EXPECT_EQ(description.Height, 24);
    EXPECT_EQ(std::string(description.FaceName), Description(24).FaceName);
    font->Release();
}

TEST_F(COpenGLFontTest, TextIsDrawnAfterAReset) {
    ID3DXFont* font = CreateFont();
    BeginFrame(Black);
    Draw(font, "Sorvendal", Below(40), DT_CENTER, White);
    ASSERT_EQ(font->OnLostDevice(), S_OK);
    D3DPRESENT_PARAMETERS parameters = PresentParameters(2 * TextWidth, TextHeight);
    ASSERT_EQ(m_device->Reset(&parameters), S_OK);
    ASSERT_EQ(font->OnResetDevice(), S_OK);
    m_width = 2 * TextWidth;
    BeginFrame(Black);
    Draw(font, "Sorvendal", Below(40), DT_CENTER, White);
    const std::optional<DrawnArea> area = Drawn();
    ASSERT_TRUE(area);
    EXPECT_NEAR((area->left + area->right) / 2.0, m_width / 2.0, 4.0);
    font->Release();
}

} // namespace
