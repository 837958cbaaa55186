#include "TextFixture.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class COpenGLSpriteTest : public TextFixture {
protected:
    void SetUp() override {
        TextFixture::SetUp();
        ASSERT_EQ(m_device->CreateSprite(&m_sprite), S_OK);
        m_font = CreateFont();
    }
    void TearDown() override {
        m_font->Release();
        m_sprite->Release();
        TextFixture::TearDown();
    }

    void Draw(D3DCOLOR colour) {
        RECT rectangle{0, 40, m_width, m_height};
        m_font->DrawTextA(m_sprite, "Sorvendal", -1, &rectangle, DT_CENTER, colour);
    }

    // Pixels drawn in full white when the text is drawn alone.
    std::vector<std::pair<int, int>> FullyCoveredPixels() {
        BeginFrame(Black);
        Draw(White);
        const std::vector<std::uint8_t> rows = ReadFrame();
        std::vector<std::pair<int, int>> covered;
        for (int y = 0; y < m_height; ++y) {
            for (int x = 0; x < m_width; ++x) {
                if (PixelOf(rows, x, y) == RgbOf(White)) {
                    covered.emplace_back(x, y);
                }
            }
        }
        return covered;
    }

    ID3DXSprite* m_sprite = nullptr;
    ID3DXFont* m_font = nullptr;
};

TEST_F(COpenGLSpriteTest, TextsAreDrawnInTheOrderOfTheCalls) {
    const std::vector<std::pair<int, int>> covered = FullyCoveredPixels();
    ASSERT_FALSE(covered.empty());
    for (const bool whiteLast : {true, false}) {
        SCOPED_TRACE(whiteLast);
        BeginFrame(D3DCOLOR_ARGB(255, 0, 0, 255));
        ASSERT_EQ(m_sprite->Begin(D3DXSPRITE_SORT_TEXTURE), S_OK);
        Draw(whiteLast ? Black : White);
        Draw(whiteLast ? White : Black);
        ASSERT_EQ(m_sprite->End(), S_OK);
        const std::vector<std::uint8_t> rows = ReadFrame();
        const Rgb last = whiteLast ? RgbOf(White) : RgbOf(Black);
        for (const auto& [x, y] : covered) {
            ASSERT_EQ(PixelOf(rows, x, y), last) << x << ", " << y;
        }
    }
}

TEST_F(COpenGLSpriteTest, BeginTwiceOrEndWithoutBeginFails) {
    EXPECT_EQ(m_sprite->End(), E_FAIL);
    ASSERT_EQ(m_sprite->Begin(0), S_OK);
    EXPECT_EQ(m_sprite->Begin(0), E_FAIL);
    EXPECT_EQ(m_sprite->End(), S_OK);
    EXPECT_EQ(m_sprite->End(), E_FAIL);
}

TEST_F(COpenGLSpriteTest, EndRestoresTheDeviceState) {
    BeginFrame(Black);
    FillRectangle(0, 0, m_width / 2, m_height, D3DCOLOR_ARGB(255, 0, 255, 0), 0.2f);
    ASSERT_EQ(m_sprite->Begin(0), S_OK);
    Draw(White);
    ASSERT_EQ(m_sprite->End(), S_OK);
    // Depth test on, blending off, the transforms of the scene: the far rectangle stays
    // behind the green one and shows its colour unblended on the right.
    FillRectangle(0, 0, m_width, m_height / 4, D3DCOLOR_ARGB(64, 255, 0, 0), 0.8f);
    const std::vector<std::uint8_t> rows = ReadFrame();
    EXPECT_EQ(PixelOf(rows, 10, 10), (Rgb{0, 255, 0}));
    EXPECT_EQ(PixelOf(rows, m_width - 10, 10), (Rgb{255, 0, 0}));
    EXPECT_EQ(PixelOf(rows, m_width - 10, m_height / 4 + 2), (Rgb{0, 0, 0}));
}

} // namespace
