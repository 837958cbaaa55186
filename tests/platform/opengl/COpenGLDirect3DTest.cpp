#include "platform/opengl/COpenGLDirect3D.h"

#include "platform/IDirect3DDevice9.h"
#include "platform/IRenderWindow.h"
#include "platform/opengl/CEglWindow.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// A window whose context cannot be made current, as when EGL is missing.
class WindowWithoutContext : public IRenderWindow {
public:
    bool MakeCurrent() override { return false; }
    unsigned int PresentFramebuffer() const override { return 0; }
    bool CanPresent() const override { return false; }
    int Width() const override { return 64; }
    int Height() const override { return 48; }
};

D3DPRESENT_PARAMETERS Parameters(UINT width, UINT height) {
    D3DPRESENT_PARAMETERS parameters;
    parameters.BackBufferWidth = width;
    parameters.BackBufferHeight = height;
    parameters.Windowed = TRUE;
    parameters.EnableAutoDepthStencil = TRUE;
    parameters.AutoDepthStencilFormat = D3DFMT_D16;
    return parameters;
}

class COpenGLDirect3DTest : public ::testing::Test {
protected:
    void TearDown() override { m_direct3D->Release(); }

    IDirect3D9* m_direct3D = new COpenGLDirect3D;
};

TEST_F(COpenGLDirect3DTest, DisplayModeIsAnOpaqueThirtyTwoBitMode) {
    D3DDISPLAYMODE mode;
    ASSERT_EQ(m_direct3D->GetAdapterDisplayMode(0, &mode), S_OK);
    EXPECT_EQ(mode.Format, D3DFMT_X8R8G8B8);
    EXPECT_GT(mode.Width, 0u);
    EXPECT_GT(mode.Height, 0u);
    EXPECT_EQ(m_direct3D->GetAdapterDisplayMode(1, &mode), E_INVALIDARG);
}

TEST_F(COpenGLDirect3DTest, DeviceBackBufferHasThePresentSize) {
    CEglWindow window(64, 48);
    D3DPRESENT_PARAMETERS parameters = Parameters(1024, 768);
    IDirect3DDevice9* device = nullptr;
    ASSERT_EQ(m_direct3D->CreateDevice(0, D3DDEVTYPE_HAL, &window,
                                       D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters, &device),
              S_OK);
    ASSERT_NE(device, nullptr);
    D3DVIEWPORT9 viewport;
    ASSERT_EQ(device->GetViewport(&viewport), S_OK);
    EXPECT_EQ(viewport.Width, 1024u);
    EXPECT_EQ(viewport.Height, 768u);
    delete device;
}

TEST_F(COpenGLDirect3DTest, WindowWithoutContextGivesNoDevice) {
    WindowWithoutContext window;
    D3DPRESENT_PARAMETERS parameters = Parameters(64, 48);
    IDirect3DDevice9* device = nullptr;
    EXPECT_TRUE(FAILED(m_direct3D->CreateDevice(
        0, D3DDEVTYPE_HAL, &window, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &parameters, &device)));
    EXPECT_EQ(device, nullptr);
}

TEST_F(COpenGLDirect3DTest, EmptyBackBufferGivesNoDevice) {
    CEglWindow window(64, 48);
    D3DPRESENT_PARAMETERS parameters = Parameters(0, 48);
    IDirect3DDevice9* device = nullptr;
    EXPECT_TRUE(FAILED(m_direct3D->CreateDevice(
        0, D3DDEVTYPE_HAL, &window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters, &device)));
    EXPECT_EQ(device, nullptr);
}

TEST_F(COpenGLDirect3DTest, DeviceWindowOfTheParametersComesBeforeTheFocusWindow) {
    CEglWindow window(64, 48);
    WindowWithoutContext focus;
    D3DPRESENT_PARAMETERS parameters = Parameters(64, 48);
    parameters.hDeviceWindow = &window;
    IDirect3DDevice9* device = nullptr;
    ASSERT_EQ(m_direct3D->CreateDevice(0, D3DDEVTYPE_HAL, &focus,
                                       D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters, &device),
              S_OK);
    delete device;
}

TEST(RegisterOpenGLDirect3DTest, Direct3DCreate9GivesTheOpenGLObject) {
    const std::function<IDirect3D9*()> previous = SetDirect3DFactory(nullptr);
    EXPECT_EQ(Direct3DCreate9(D3D_SDK_VERSION), nullptr);
    RegisterOpenGLDirect3D();
    IDirect3D9* direct3D = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(direct3D, nullptr);
    EXPECT_NE(dynamic_cast<COpenGLDirect3D*>(direct3D), nullptr);
    direct3D->Release();
    SetDirect3DFactory(previous);
}

} // namespace
