#pragma once

// A device for headless tests: vertex buffers and textures live in memory and count their
// releases; transforms, materials and draw calls are recorded. Every call is also written to
// an ordered call log, so that tests can check sequences across the device, the fonts and
// the sprites it made. A fake Direct3D object hands out such devices through the factory
// behind Direct3DCreate9.

#include "platform/D3DTypes.h"
#include "platform/ID3DXFont.h"
#include "platform/ID3DXSprite.h"
#include "platform/IDirect3D9.h"
#include "platform/IDirect3DDevice9.h"
#include "platform/IDirect3DTexture9.h"
#include "platform/IDirect3DVertexBuffer9.h"
#include "platform/IRenderWindow.h"
#include "platform/MessageBoxService.h"
#include "scene/SceneGlobals.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace FakeCalls {

template <typename T> std::string Argument(T value) {
    if constexpr (std::is_floating_point_v<T>) {
        char text[32];
        std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
        return text;
    } else {
        return std::to_string(static_cast<long long>(value));
    }
}

// One entry of a call log: the name and the arguments, "Name(1,2.5,3)".
template <typename... Args> std::string Call(const std::string& name, Args... args) {
    std::string text = name + "(";
    std::string separator;
    ((text += separator + Argument(args), separator = ","), ...);
    return text + ")";
}

// The name of an entry: its text before the opening parenthesis.
inline std::string NameOf(const std::string& entry) {
    return entry.substr(0, entry.find('('));
}

} // namespace FakeCalls

using CallLog = std::vector<std::string>;

class FakeVertexBuffer : public IDirect3DVertexBuffer9 {
public:
    explicit FakeVertexBuffer(UINT length = 0) : bytes(length) {}
    ULONG AddRef() override {
        ++addRefs;
        return ++references;
    }
    ULONG Release() override {
        ++releases;
        return --references; // kept alive for inspection; the test owns the object
    }
    HRESULT Lock(UINT, UINT, void** data, DWORD) override {
        ++locks;
        *data = bytes.data();
        return S_OK;
    }
    HRESULT Unlock() override {
        ++unlocks;
        return S_OK;
    }

    std::vector<std::uint8_t> bytes;
    ULONG references = 1;
    int addRefs = 0;
    int releases = 0;
    int locks = 0;
    int unlocks = 0;
};

// A square texture of `side` pixels.
class FakeTexture : public IDirect3DTexture9 {
public:
    explicit FakeTexture(std::string source = std::string(), UINT pixels = 1)
        : path(std::move(source)), side(pixels) {}
    ULONG AddRef() override {
        ++addRefs;
        return ++references;
    }
    ULONG Release() override {
        ++releases;
        return --references;
    }
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* description) override {
        if (level != 0) {
            return E_INVALIDARG;
        }
        *description = D3DSURFACE_DESC{D3DFMT_A8R8G8B8, side, side};
        return S_OK;
    }

    std::string path;
    UINT side;
    ULONG references = 1;
    int addRefs = 0;
    int releases = 0;
};

// A font that records every text it draws; its calls go to its device's log.
class FakeFont : public ID3DXFont {
public:
    struct TextDraw {
        std::string text;
        int count;
        RECT rectangle;
        DWORD format;
        D3DCOLOR colour;
        ID3DXSprite* sprite;
    };

    FakeFont(const D3DXFONT_DESCA& desc, CallLog& log) : description(desc), calls(&log) {}
    ~FakeFont() override = default;

    ULONG Release() override {
        calls->push_back("Font.Release()");
        ++releases;
        return 0; // kept alive for inspection; the device owns the object
    }
    HRESULT GetDescA(D3DXFONT_DESCA* out) override {
        *out = description;
        return S_OK;
    }
    int DrawTextA(ID3DXSprite* sprite, const char* text, int count, RECT* rectangle, DWORD format,
                  D3DCOLOR colour) override {
        calls->push_back(FakeCalls::Call("Font.DrawTextA", rectangle->left, rectangle->top));
        draws.push_back(TextDraw{text, count, *rectangle, format, colour, sprite});
        return description.Height;
    }
    HRESULT OnLostDevice() override {
        calls->push_back("Font.OnLostDevice()");
        return S_OK;
    }
    HRESULT OnResetDevice() override {
        calls->push_back("Font.OnResetDevice()");
        return S_OK;
    }

    D3DXFONT_DESCA description;
    std::vector<TextDraw> draws;
    int releases = 0;
    CallLog* calls;
};

// A sprite whose calls go to its device's log.
class FakeSprite : public ID3DXSprite {
public:
    explicit FakeSprite(CallLog& log) : calls(&log) {}
    ~FakeSprite() override = default;

    ULONG Release() override {
        calls->push_back("Sprite.Release()");
        ++releases;
        return 0;
    }
    HRESULT Begin(DWORD flags) override {
        calls->push_back(FakeCalls::Call("Sprite.Begin", flags));
        return S_OK;
    }
    HRESULT End() override {
        calls->push_back("Sprite.End()");
        return S_OK;
    }
    HRESULT OnLostDevice() override {
        calls->push_back("Sprite.OnLostDevice()");
        return S_OK;
    }
    HRESULT OnResetDevice() override {
        calls->push_back("Sprite.OnResetDevice()");
        return S_OK;
    }

    int releases = 0;
    CallLog* calls;
};

class FakeDevice : public IDirect3DDevice9 {
public:
    struct DrawCall {
        D3DPRIMITIVETYPE type;
        UINT start;
        UINT primitives;
        D3DMATERIAL9 material;
        IDirect3DTexture9* texture;
        D3DXMATRIX world;
        std::vector<std::uint8_t> userVertices; // DrawPrimitiveUP only
        IDirect3DVertexBuffer9* stream;         // DrawPrimitive only
        UINT stride;
        DWORD fvf;
        BOOL lighting;     // D3DRS_LIGHTING at the draw
        BOOL lightEnabled; // light 0 at the draw
    };

    struct BufferRequest {
        UINT length;
        DWORD usage;
        DWORD fvf;
        D3DPOOL pool;
    };

    FakeDevice() {
        D3DXMatrixIdentity(&world);
        D3DXMatrixIdentity(&view);
        D3DXMatrixIdentity(&projection);
        viewport.Width = 640;
        viewport.Height = 480;
    }
    ~FakeDevice() override {
        if (onDestroy) {
            onDestroy(*this);
        }
    }

    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD vertexFormat, D3DPOOL pool,
                               IDirect3DVertexBuffer9** buffer) override {
        calls.push_back(FakeCalls::Call("CreateVertexBuffer", length));
        bufferRequests.push_back(BufferRequest{length, usage, vertexFormat, pool});
        if (failCreation) {
            return E_FAIL;
        }
        buffers.push_back(std::make_unique<FakeVertexBuffer>(length));
        *buffer = buffers.back().get();
        return S_OK;
    }
    // Any file that opens is a picture of textureSide x textureSide pixels.
    HRESULT CreateTextureFromFile(const std::string& path, std::uint64_t maxPixelBytes,
                                  IDirect3DTexture9** texture) override {
        textureRequests.push_back(path);
        textureLimits.push_back(maxPixelBytes);
        FILE* file = std::fopen(path.c_str(), "rb");
        if (file == nullptr) {
            return E_FAIL;
        }
        std::fclose(file);
        if (std::uint64_t{4} * textureSide * textureSide > maxPixelBytes) {
            return E_FAIL;
        }
        textures.push_back(std::make_unique<FakeTexture>(path, textureSide));
        *texture = textures.back().get();
        return S_OK;
    }
    // Fonts and sprites are made only when the test allows them; otherwise creation fails.
    HRESULT CreateFont(const D3DXFONT_DESCA* description, ID3DXFont** font) override {
        calls.push_back(FakeCalls::Call("CreateFont", description->Height));
        if (!provideFonts) {
            return E_FAIL;
        }
        fonts.push_back(std::make_unique<FakeFont>(*description, calls));
        *font = fonts.back().get();
        return S_OK;
    }
    HRESULT CreateSprite(ID3DXSprite** sprite) override {
        calls.push_back("CreateSprite()");
        if (!provideSprites) {
            return E_FAIL;
        }
        sprites.push_back(std::make_unique<FakeSprite>(calls));
        *sprite = sprites.back().get();
        return S_OK;
    }
    HRESULT Clear(DWORD, const RECT*, DWORD flags, D3DCOLOR colour, float z,
                  DWORD stencil) override {
        calls.push_back(FakeCalls::Call("Clear", flags, z, stencil));
        clears.push_back(Cleared{flags, colour});
        return S_OK;
    }
    HRESULT BeginScene() override {
        calls.push_back("BeginScene()");
        return S_OK;
    }
    HRESULT EndScene() override {
        calls.push_back("EndScene()");
        return S_OK;
    }
    HRESULT Present() override {
        calls.push_back("Present()");
        return failPresent ? E_FAIL : S_OK;
    }
    HRESULT Reset(D3DPRESENT_PARAMETERS* parameters) override {
        calls.push_back(
            FakeCalls::Call("Reset", parameters->BackBufferWidth, parameters->BackBufferHeight));
        resets.push_back(*parameters);
        viewport.Width = parameters->BackBufferWidth;
        viewport.Height = parameters->BackBufferHeight;
        return failReset ? E_FAIL : S_OK;
    }
    // Succeeds only when the test gives the back buffer's pixels.
    HRESULT ReadBackBuffer(UINT width, UINT height, std::vector<std::uint8_t>& rows) override {
        calls.push_back(FakeCalls::Call("ReadBackBuffer", width, height));
        if (!backBufferPixel) {
            return E_FAIL;
        }
        const std::size_t stride = (width * 3 + 3) & ~3u;
        rows.assign(stride * height, 0);
        for (UINT row = 0; row < height; ++row) {
            for (UINT column = 0; column < width; ++column) {
                const std::array<std::uint8_t, 3> pixel = backBufferPixel(column, row);
                std::memcpy(&rows[stride * row + 3 * column], pixel.data(), 3);
            }
        }
        return S_OK;
    }
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override {
        calls.push_back(FakeCalls::Call("SetRenderState", state, value));
        renderStates[state] = value;
        return S_OK;
    }
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override {
        calls.push_back(FakeCalls::Call("SetTextureStageState", stage, type, value));
        return S_OK;
    }
    HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override {
        calls.push_back(FakeCalls::Call("SetSamplerState", sampler, type, value));
        return S_OK;
    }
    HRESULT SetLight(DWORD index, const D3DLIGHT9* value) override {
        calls.push_back(FakeCalls::Call("SetLight", index));
        light = *value;
        return S_OK;
    }
    HRESULT LightEnable(DWORD index, BOOL enable) override {
        calls.push_back(FakeCalls::Call("LightEnable", index, enable));
        lightEnabled = enable;
        return S_OK;
    }
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DXMATRIX* matrix) override {
        calls.push_back(FakeCalls::Call("SetTransform", state));
        Transform(state) = *matrix;
        return S_OK;
    }
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DXMATRIX* matrix) override {
        calls.push_back(FakeCalls::Call("GetTransform", state));
        *matrix = Transform(state);
        return S_OK;
    }
    HRESULT GetViewport(D3DVIEWPORT9* out) override {
        *out = viewport;
        return S_OK;
    }
    HRESULT SetMaterial(const D3DMATERIAL9* value) override {
        material = *value;
        return S_OK;
    }
    HRESULT SetTexture(DWORD stage, IDirect3DTexture9* value) override {
        calls.push_back(FakeCalls::Call("SetTexture", stage, value != nullptr));
        texture = value;
        return S_OK;
    }
    HRESULT SetFVF(DWORD value) override {
        calls.push_back(FakeCalls::Call("SetFVF", value));
        fvf = value;
        return S_OK;
    }
    HRESULT SetStreamSource(UINT index, IDirect3DVertexBuffer9* buffer, UINT offset,
                            UINT bytesPerVertex) override {
        calls.push_back(FakeCalls::Call("SetStreamSource", index, offset, bytesPerVertex));
        stream = buffer;
        stride = bytesPerVertex;
        return S_OK;
    }
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT start, UINT primitives) override {
        calls.push_back(FakeCalls::Call("DrawPrimitive", type, start, primitives));
        draws.push_back(DrawCall{type,
                                 start,
                                 primitives,
                                 material,
                                 texture,
                                 world,
                                 {},
                                 stream,
                                 stride,
                                 fvf,
                                 RenderState(D3DRS_LIGHTING),
                                 lightEnabled});
        return S_OK;
    }
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitives, const void* vertices,
                            UINT bytesPerVertex) override {
        calls.push_back(FakeCalls::Call("DrawPrimitiveUP", type, primitives));
        const auto* bytes = static_cast<const std::uint8_t*>(vertices);
        draws.push_back(
            DrawCall{type, 0, primitives, material, texture, world,
                     std::vector<std::uint8_t>(bytes, bytes + primitives * 3 * bytesPerVertex),
                     nullptr, bytesPerVertex, fvf, RenderState(D3DRS_LIGHTING), lightEnabled});
        return S_OK;
    }

    D3DXMATRIX& Transform(D3DTRANSFORMSTATETYPE state) {
        return state == D3DTS_WORLD ? world : state == D3DTS_VIEW ? view : projection;
    }
    // The last value set for a render state, FALSE when it was never set.
    BOOL RenderState(D3DRENDERSTATETYPE state) const {
        const auto found = renderStates.find(state);
        return found == renderStates.end() ? FALSE : static_cast<BOOL>(found->second);
    }
    // The entries of the call log with one of the names, in order.
    CallLog CallsNamed(std::initializer_list<const char*> names) const {
        CallLog selected;
        for (const std::string& entry : calls) {
            for (const char* name : names) {
                if (FakeCalls::NameOf(entry) == name) {
                    selected.push_back(entry);
                }
            }
        }
        return selected;
    }

    struct Cleared {
        DWORD flags;
        D3DCOLOR colour;
    };

    D3DXMATRIX world, view, projection;
    std::map<D3DRENDERSTATETYPE, DWORD> renderStates;
    D3DLIGHT9 light;
    BOOL lightEnabled = FALSE;
    bool failReset = false;
    bool failPresent = false;
    std::vector<Cleared> clears;
    D3DVIEWPORT9 viewport;
    D3DMATERIAL9 material;
    IDirect3DTexture9* texture = nullptr;
    IDirect3DVertexBuffer9* stream = nullptr;
    UINT stride = 0;
    DWORD fvf = 0;
    bool failCreation = false;
    UINT textureSide = 1;
    bool provideFonts = false;
    bool provideSprites = false;
    // Blue, green and red of the back buffer's pixel at a column and a row of the rows that
    // ReadBackBuffer gives (bottom row first); unset, ReadBackBuffer fails.
    std::function<std::array<std::uint8_t, 3>(UINT column, UINT row)> backBufferPixel;
    // Called by the destructor, while the device's objects can still be inspected.
    std::function<void(const FakeDevice&)> onDestroy;
    CallLog calls;
    std::vector<BufferRequest> bufferRequests;
    std::vector<D3DPRESENT_PARAMETERS> resets;
    std::vector<DrawCall> draws;
    std::vector<std::string> textureRequests;
    std::vector<std::uint64_t> textureLimits; // the pixel bytes allowed to each request
    std::vector<std::unique_ptr<FakeVertexBuffer>> buffers;
    std::vector<std::unique_ptr<FakeTexture>> textures;
    std::vector<std::unique_ptr<FakeFont>> fonts;
    std::vector<std::unique_ptr<FakeSprite>> sprites;
};

// A window that nothing is drawn into.
class FakeWindow : public IRenderWindow {
public:
    bool MakeCurrent() override { return true; }
    unsigned int PresentFramebuffer() const override { return 0; }
    bool CanPresent() const override { return false; }
    int Width() const override { return 1024; }
    int Height() const override { return 768; }
};

// The Direct3D object of a test. Each device it creates is a new FakeDevice that belongs to
// the caller (the graphics object deletes its device); the first `failedCreations` requests
// fail.
class FakeDirect3D : public IDirect3D9 {
public:
    struct DeviceRequest {
        UINT adapter;
        D3DDEVTYPE type;
        HWND window;
        DWORD behaviour;
        D3DPRESENT_PARAMETERS parameters;
    };

    ~FakeDirect3D() override = default;

    ULONG Release() override {
        ++releases;
        return 0;
    }
    HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) override {
        modeRequests.push_back(adapter);
        mode->Width = 1920;
        mode->Height = 1080;
        mode->Format = D3DFMT_X8R8G8B8;
        return S_OK;
    }
    HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND window, DWORD behaviour,
                         D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice9** device) override {
        requests.push_back(DeviceRequest{adapter, type, window, behaviour, *parameters});
        if (requests.size() <= failedCreations) {
            return E_FAIL;
        }
        auto* made = new FakeDevice();
        made->provideFonts = provideFonts;
        made->provideSprites = provideSprites;
        created = made;
        *device = made;
        return S_OK;
    }

    std::size_t failedCreations = 0;
    bool provideFonts = true;
    bool provideSprites = true;
    std::vector<UINT> modeRequests;
    std::vector<DeviceRequest> requests;
    FakeDevice* created = nullptr;
    int releases = 0;
};

// Installs a factory for Direct3DCreate9 for the lifetime of the object and restores the
// one it replaced; a null object stands for a machine without Direct3D.
class ScopedDirect3D {
public:
    explicit ScopedDirect3D(IDirect3D9* direct3D)
        : m_previous(SetDirect3DFactory([direct3D] { return direct3D; })) {}
    ~ScopedDirect3D() { SetDirect3DFactory(m_previous); }
    ScopedDirect3D(const ScopedDirect3D&) = delete;
    ScopedDirect3D& operator=(const ScopedDirect3D&) = delete;

private:
    std::function<IDirect3D9*()> m_previous;
};

// Records the texts of the message boxes shown while it lives (answering OK) and restores
// the handler it replaced.
class RecordedMessages {
public:
    RecordedMessages()
        : m_previous(MessageBoxService::SetHandler(
              [this](const std::string& text, const std::string&, unsigned int) {
                  texts.push_back(text);
                  return static_cast<int>(IDOK);
              })) {}
    ~RecordedMessages() { MessageBoxService::SetHandler(m_previous); }
    RecordedMessages(const RecordedMessages&) = delete;
    RecordedMessages& operator=(const RecordedMessages&) = delete;

    std::vector<std::string> texts;

private:
    MessageBoxService::Handler m_previous;
};

// What a test needs to build an object on a window with the fake Direct3D: the installed
// factory, the window, and the recorded messages. Declare it before the object it serves.
class FakeDirect3DSession {
public:
    HWND Window() { return &window; }
    // The device of the last successful creation.
    FakeDevice& Device() { return *direct3D.created; }

    FakeDirect3D direct3D;
    FakeWindow window;
    RecordedMessages messages;

private:
    ScopedDirect3D m_installed{&direct3D};
};

// A fixture for an object built on a window with the fake Direct3D, such as the graphics
// object; the session outlives the object, and the current frame comes back after the test.
template <typename Graphics> class FakeDirect3DTest : public testing::Test {
protected:
    ~FakeDirect3DTest() override { g_nCurrentFrame = m_savedFrame; }

    FakeDirect3DSession session;
    Graphics graphics{session.Window()};
    FakeDevice& device = session.Device();

private:
    std::int32_t m_savedFrame = g_nCurrentFrame;
};
