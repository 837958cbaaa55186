#include "DeviceFixture.h"

#include "platform/IRenderWindow.h"
#include "platform/opengl/CEglWindow.h"
#include "platform/opengl/OpenGLApi.h"

#include <gtest/gtest.h>

#include <array>
#include <utility>

namespace {

// A window that can present: a headless context with a framebuffer object of the window's
// size standing in for what a toolkit shows on the screen.
class FramebufferWindow : public IRenderWindow {
public:
    FramebufferWindow(int width, int height) : m_context(width, height) {
        if (!m_context.MakeCurrent()) {
            return;
        }
        glGenRenderbuffers(1, &m_colour);
        glBindRenderbuffer(GL_RENDERBUFFER, m_colour);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
        glGenFramebuffers(1, &m_framebuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, m_framebuffer);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, m_colour);
    }
    ~FramebufferWindow() override {
        m_context.MakeCurrent();
        glDeleteFramebuffers(1, &m_framebuffer);
        glDeleteRenderbuffers(1, &m_colour);
    }

    bool MakeCurrent() override { return m_context.MakeCurrent(); }
    unsigned int PresentFramebuffer() const override { return m_framebuffer; }
    bool CanPresent() const override { return true; }
    int Width() const override { return m_context.Width(); }
    int Height() const override { return m_context.Height(); }

    // Red, green, blue, alpha of the shown picture at (x, y) from the bottom-left.
    std::array<int, 4> PixelAt(int x, int y) const {
        std::array<GLubyte, 4> pixel{};
        glBindFramebuffer(GL_READ_FRAMEBUFFER, m_framebuffer);
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel.data());
        return {pixel[0], pixel[1], pixel[2], pixel[3]};
    }

private:
    CEglWindow m_context;
    GLuint m_colour = 0;
    GLuint m_framebuffer = 0;
};

class COpenGLDevicePresentTest : public DeviceFixture {};

TEST_F(COpenGLDevicePresentTest, PresentScalesTheBackBufferOntoTheWindow) {
    FramebufferWindow window(2 * Width, 2 * Height);
    D3DPRESENT_PARAMETERS parameters = PresentParameters(Width, Height);
    IDirect3DDevice9* device = nullptr;
    ASSERT_EQ(m_direct3D->CreateDevice(0, D3DDEVTYPE_HAL, &window,
                                       D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters, &device),
              S_OK);
    std::swap(device, m_device);
    BeginFrame(D3DCOLOR_ARGB(255, 0, 255, 0));
    FillRectangle(0, 0, Width, Height / 2, D3DCOLOR_ARGB(255, 255, 0, 0));
    m_device->EndScene();
    ASSERT_EQ(m_device->Present(), S_OK);
    std::swap(device, m_device);
    // The window's rows run from the bottom: the red top half is at the top.
    EXPECT_EQ(window.PixelAt(Width, 2 * Height - 10), (std::array<int, 4>{255, 0, 0, 255}));
    EXPECT_EQ(window.PixelAt(Width, 10), (std::array<int, 4>{0, 255, 0, 255}));
    EXPECT_EQ(window.PixelAt(2 * Width - 1, 2 * Height - 1), (std::array<int, 4>{255, 0, 0, 255}));
    delete device;
}

} // namespace
