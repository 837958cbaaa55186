#include "platform/opengl/COpenGLSprite.h"

#include "platform/opengl/COpenGLScreenPass.h"

COpenGLSprite::COpenGLSprite(COpenGLScreenPass& screenPass) : m_screenPass(screenPass) {}

COpenGLSprite::~COpenGLSprite() {
    End();
}

ULONG COpenGLSprite::Release() {
    delete this;
    return 0;
}

HRESULT COpenGLSprite::Begin(DWORD) {
    if (m_screenPass.IsOpen()) {
        return E_FAIL;
    }
    m_screenPass.Begin();
    m_begun = true;
    return S_OK;
}

HRESULT COpenGLSprite::End() {
    if (!m_begun) {
        return E_FAIL;
    }
    m_screenPass.End();
    m_begun = false;
    return S_OK;
}
