#pragma once

// A device with a wide black back buffer for subtitle text, the renderer's font description
// and the extent of what was drawn.

#include "DeviceFixture.h"

#include "platform/ID3DXFont.h"
#include "platform/ID3DXSprite.h"
#include "platform/Mbcs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

// The box around the pixels that differ from the background, with their count.
struct DrawnArea {
    int left = 0;
    int top = 0;
    int right = 0; // inclusive
    int bottom = 0;
    int pixels = 0;
};

class TextFixture : public DeviceFixture {
protected:
    static constexpr int TextWidth = 320;
    static constexpr int TextHeight = 120;
    static constexpr D3DCOLOR Black = D3DCOLOR_ARGB(255, 0, 0, 0);
    static constexpr D3DCOLOR White = D3DCOLOR_ARGB(255, 255, 255, 255);

    void SetUp() override { CreateDevice(TextWidth, TextHeight); }

    // The subtitle font as the renderer describes it: "ＭＳ ゴシック" in code page 932.
    static D3DXFONT_DESCA Description(int height) {
        D3DXFONT_DESCA description;
        description.Height = height;
        description.Weight = 400;
        description.MipLevels = static_cast<UINT>(-1);
        description.CharSet = 128;
        const std::string face = Mbcs::FromUtf8("ＭＳ ゴシック").value_or(std::string());
        std::strncpy(description.FaceName, face.c_str(), sizeof description.FaceName - 1);
        return description;
    }

    ID3DXFont* CreateFont(int height = 32) {
        ID3DXFont* font = nullptr;
        const D3DXFONT_DESCA description = Description(height);
        EXPECT_EQ(m_device->CreateFont(&description, &font), S_OK);
        return font;
    }

    static std::string Cp932(const char* utf8) {
        return Mbcs::FromUtf8(utf8).value_or(std::string());
    }

    std::optional<DrawnArea> Drawn(D3DCOLOR background = Black) {
        const std::vector<std::uint8_t> rows = ReadFrame();
        const Rgb clear = RgbOf(background);
        std::optional<DrawnArea> area;
        for (int y = 0; y < m_height; ++y) {
            for (int x = 0; x < m_width; ++x) {
                if (PixelOf(rows, x, y) == clear) {
                    continue;
                }
                if (!area) {
                    area = DrawnArea{x, y, x, y, 0};
                }
                area->left = std::min(area->left, x);
                area->right = std::max(area->right, x);
                area->top = std::min(area->top, y);
                area->bottom = std::max(area->bottom, y);
                ++area->pixels;
            }
        }
        return area;
    }
};
