#pragma once

// The subtitle font. A text is rasterised with Qt into white glyphs whose coverage is the
// alpha, kept in the device's text cache, and drawn as a screen-aligned image tinted with
// the colour. As with DrawText, the text is clipped to its rectangle: the image holds only
// that part, so a text far wider than the frame costs no more than the frame. The Windows
// Japanese faces are replaced by the IPA fonts of the same design.

#include "platform/D3DTypes.h"
#include "platform/ID3DXFont.h"

#include <string>

class COpenGLDevice;
class COpenGLTexture;

class COpenGLFont final : public ID3DXFont {
public:
    // Null when there is no QGuiApplication, without which Qt has no fonts.
    static COpenGLFont* Create(COpenGLDevice& device, const D3DXFONT_DESCA& description);
    COpenGLFont(const COpenGLFont&) = delete;
    COpenGLFont& operator=(const COpenGLFont&) = delete;

    ULONG Release() override;
    HRESULT GetDescA(D3DXFONT_DESCA* description) override;
    // Draws through the device's screen pass, which the sprite's Begin has opened (or else
    // the image opens one of its own).
    int DrawTextA(ID3DXSprite* sprite, const char* text, int count, RECT* rectangle, DWORD format,
                  D3DCOLOR colour) override;
    // The images live in memory and in the device's cache: nothing is lost with the device.
    HRESULT OnLostDevice() override { return S_OK; }
    HRESULT OnResetDevice() override { return S_OK; }

private:
    COpenGLFont(COpenGLDevice& device, const D3DXFONT_DESCA& description);
    ~COpenGLFont() override = default;

    // The image of the part of the text inside a clip rectangle of the given size, from the
    // cache or rasterised now; null for a text that has no extent.
    COpenGLTexture* TextImage(const std::string& cp932, int clipWidth, int clipHeight,
                              bool centred);
    COpenGLTexture* Rasterise(const std::string& utf8, int clipWidth, int clipHeight,
                              bool centred) const;

    COpenGLDevice& m_device;
    D3DXFONT_DESCA m_description;
};
