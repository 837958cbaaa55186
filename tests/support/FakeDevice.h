#pragma once

// A device for headless tests: vertex buffers and textures live in memory and count their
// releases; transforms, materials and draw calls are recorded.

#include "platform/IDirect3DDevice9.h"
#include "platform/IDirect3DTexture9.h"
#include "platform/IDirect3DVertexBuffer9.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

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
        *data = bytes.data();
        return S_OK;
    }
    HRESULT Unlock() override { return S_OK; }

    std::vector<std::uint8_t> bytes;
    ULONG references = 1;
    int addRefs = 0;
    int releases = 0;
};

class FakeTexture : public IDirect3DTexture9 {
public:
    explicit FakeTexture(std::string source = std::string()) : path(std::move(source)) {}
    ULONG AddRef() override {
        ++addRefs;
        return ++references;
    }
    ULONG Release() override {
        ++releases;
        return --references;
    }

    std::string path;
    ULONG references = 1;
    int addRefs = 0;
    int releases = 0;
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
    };

    FakeDevice() {
        D3DXMatrixIdentity(&world);
        D3DXMatrixIdentity(&view);
        D3DXMatrixIdentity(&projection);
        viewport.Width = 640;
        viewport.Height = 480;
    }

    HRESULT CreateVertexBuffer(UINT length, DWORD, DWORD, D3DPOOL,
                               IDirect3DVertexBuffer9** buffer) override {
        if (failCreation) {
            return E_FAIL;
        }
        buffers.push_back(std::make_unique<FakeVertexBuffer>(length));
        *buffer = buffers.back().get();
        return S_OK;
    }
    HRESULT CreateTextureFromFile(const std::string& path, IDirect3DTexture9** texture) override {
        textureRequests.push_back(path);
        FILE* file = std::fopen(path.c_str(), "rb");
        if (file == nullptr) {
            return E_FAIL;
        }
        std::fclose(file);
        textures.push_back(std::make_unique<FakeTexture>(path));
        *texture = textures.back().get();
        return S_OK;
    }
    HRESULT CreateFont(const D3DXFONT_DESCA*, ID3DXFont**) override { return E_FAIL; }
    HRESULT CreateSprite(ID3DXSprite**) override { return E_FAIL; }
    HRESULT Clear(DWORD, const RECT*, DWORD flags, D3DCOLOR colour, float, DWORD) override {
        clears.push_back(Cleared{flags, colour});
        return S_OK;
    }
    HRESULT BeginScene() override { return S_OK; }
    HRESULT EndScene() override { return S_OK; }
    HRESULT Present() override { return S_OK; }
    HRESULT Reset(D3DPRESENT_PARAMETERS* parameters) override {
        viewport.Width = parameters->BackBufferWidth;
        viewport.Height = parameters->BackBufferHeight;
        return failReset ? E_FAIL : S_OK;
    }
    HRESULT ReadBackBuffer(UINT, UINT, std::vector<std::uint8_t>&) override { return E_FAIL; }
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override {
        renderStates[state] = value;
        return S_OK;
    }
    HRESULT SetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, DWORD) override { return S_OK; }
    HRESULT SetSamplerState(DWORD, D3DSAMPLERSTATETYPE, DWORD) override { return S_OK; }
    HRESULT SetLight(DWORD, const D3DLIGHT9* value) override {
        light = *value;
        return S_OK;
    }
    HRESULT LightEnable(DWORD, BOOL enable) override {
        lightEnabled = enable;
        return S_OK;
    }
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DXMATRIX* matrix) override {
        Transform(state) = *matrix;
        return S_OK;
    }
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DXMATRIX* matrix) override {
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
    HRESULT SetTexture(DWORD, IDirect3DTexture9* value) override {
        texture = value;
        return S_OK;
    }
    HRESULT SetFVF(DWORD value) override {
        fvf = value;
        return S_OK;
    }
    HRESULT SetStreamSource(UINT, IDirect3DVertexBuffer9* buffer, UINT, UINT) override {
        stream = buffer;
        return S_OK;
    }
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT start, UINT primitives) override {
        draws.push_back(DrawCall{type, start, primitives, material, texture, world, {}});
        return S_OK;
    }
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitives, const void* vertices,
                            UINT stride) override {
        const auto* bytes = static_cast<const std::uint8_t*>(vertices);
        draws.push_back(
            DrawCall{type, 0, primitives, material, texture, world,
                     std::vector<std::uint8_t>(bytes, bytes + primitives * 3 * stride)});
        return S_OK;
    }

    D3DXMATRIX& Transform(D3DTRANSFORMSTATETYPE state) {
        return state == D3DTS_WORLD ? world : state == D3DTS_VIEW ? view : projection;
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
    std::vector<Cleared> clears;
    D3DVIEWPORT9 viewport;
    D3DMATERIAL9 material;
    IDirect3DTexture9* texture = nullptr;
    IDirect3DVertexBuffer9* stream = nullptr;
    DWORD fvf = 0;
    bool failCreation = false;
    std::vector<DrawCall> draws;
    std::vector<std::string> textureRequests;
    std::vector<std::unique_ptr<FakeVertexBuffer>> buffers;
    std::vector<std::unique_ptr<FakeTexture>> textures;
};
