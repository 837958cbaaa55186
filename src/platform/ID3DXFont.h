#pragma once

// The subtitle font: text drawn through a sprite into a rectangle of the back buffer.

#include "platform/D3DTypes.h"
#include "platform/WinTypes.h"

class ID3DXSprite;

class ID3DXFont {
public:
    virtual ULONG Release() = 0;
    virtual HRESULT GetDescA(D3DXFONT_DESCA* description) = 0;
    // Draws code-page-932 text (count -1: up to its terminator) in the rectangle, starting
    // at its top line; DT_CENTER centres it across the rectangle. Returns the text height.
    virtual int DrawTextA(ID3DXSprite* sprite, const char* text, int count, RECT* rectangle,
                          DWORD format, D3DCOLOR colour) = 0;
    virtual HRESULT OnLostDevice() = 0;
    virtual HRESULT OnResetDevice() = 0;

protected:
    virtual ~ID3DXFont() = default;
};
