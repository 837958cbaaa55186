#pragma once

// The sprite that the subtitle font draws through. Begin opens the device's screen pass and
// End closes it; the images drawn in between appear in the order of the calls, so outline
// copies drawn first lie under the text drawn last.

#include "platform/ID3DXSprite.h"

class COpenGLScreenPass;

class COpenGLSprite final : public ID3DXSprite {
public:
    explicit COpenGLSprite(COpenGLScreenPass& screenPass);
    COpenGLSprite(const COpenGLSprite&) = delete;
    COpenGLSprite& operator=(const COpenGLSprite&) = delete;

    ULONG Release() override;
    // The flags (texture sorting) change nothing: images are drawn as they come.
    HRESULT Begin(DWORD flags) override;
    HRESULT End() override;
    // The sprite holds nothing of the device's between frames.
    HRESULT OnLostDevice() override { return S_OK; }
    HRESULT OnResetDevice() override { return S_OK; }

private:
    ~COpenGLSprite() override;

    COpenGLScreenPass& m_screenPass;
    bool m_begun = false;
};
