#include "DeviceFixture.h"

#include "platform/opengl/COpenGLVertexBuffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

NoContextWindow noContext;

TEST(COpenGLVertexBufferTest, WithoutAContextThereIsNoBuffer) {
    EXPECT_EQ(COpenGLVertexBuffer::Create(16, noContext), nullptr);
}

class COpenGLVertexBufferDrawTest : public DeviceFixture {
protected:
    IDirect3DVertexBuffer9* MakeBuffer(UINT length) {
        IDirect3DVertexBuffer9* buffer = nullptr;
        EXPECT_EQ(m_device->CreateVertexBuffer(length, 0, FvfColoured, D3DPOOL_MANAGED, &buffer),
                  S_OK);
        return buffer;
    }
};

TEST_F(COpenGLVertexBufferDrawTest, LocksNestAndTheBytesStayInTheBufferObject) {
    IDirect3DVertexBuffer9* buffer = MakeBuffer(16);
    ASSERT_NE(buffer, nullptr);
    void* data = nullptr;
    EXPECT_EQ(buffer->Lock(8, 9, &data, 0), E_INVALIDARG);
    EXPECT_EQ(buffer->Lock(17, 0, &data, 0), E_INVALIDARG);
    ASSERT_EQ(buffer->Lock(0, 0, &data, 0), S_OK);
    std::memset(data, 0xAB, 16);
    void* inner = nullptr;
    ASSERT_EQ(buffer->Lock(4, 8, &inner, 0), S_OK);
    EXPECT_EQ(static_cast<std::uint8_t*>(inner), static_cast<std::uint8_t*>(data) + 4);
    EXPECT_EQ(buffer->Unlock(), S_OK);
    EXPECT_EQ(buffer->Unlock(), S_OK);
    EXPECT_EQ(buffer->Unlock(), E_FAIL); // not locked
    // Mapped again, the object gives back what was written before it was unmapped.
    ASSERT_EQ(buffer->Lock(16, 0, &data, 0), S_OK);
    buffer->Unlock();
    ASSERT_EQ(buffer->Lock(12, 4, &data, 0), S_OK);
    EXPECT_EQ(*static_cast<std::uint8_t*>(data), 0xAB);
    buffer->Unlock();
    EXPECT_EQ(static_cast<COpenGLVertexBuffer*>(buffer)->Length(), 16u);
    EXPECT_EQ(buffer->AddRef(), 2u);
    EXPECT_EQ(buffer->Release(), 1u);
    EXPECT_EQ(buffer->Release(), 0u);
}

TEST_F(COpenGLVertexBufferDrawTest, RewrittenBytesAreDrawnAtTheNextDraw) {
    std::vector<ColouredVertex> vertices =
        Rectangle(0, 0, m_width, m_height, D3DCOLOR_ARGB(255, 255, 0, 0));
    const UINT length = static_cast<UINT>(vertices.size() * sizeof(ColouredVertex));
    IDirect3DVertexBuffer9* buffer = MakeBuffer(length);
    ASSERT_NE(buffer, nullptr);
    const auto fill = [&] {
        void* data = nullptr;
        ASSERT_EQ(buffer->Lock(0, 0, &data, 0), S_OK);
        std::memcpy(data, vertices.data(), length);
        buffer->Unlock();
    };
    const auto draw = [&] {
        BeginFrame();
        m_device->SetFVF(FvfColoured);
        m_device->SetStreamSource(0, buffer, 0, sizeof(ColouredVertex));
        ASSERT_EQ(m_device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), S_OK);
    };
    fill();
    draw();
    EXPECT_EQ(PixelAt(10, 10), (Rgb{255, 0, 0}));
    for (ColouredVertex& vertex : vertices) {
        vertex.colour = D3DCOLOR_ARGB(255, 0, 0, 255);
    }
    fill();
    draw();
    EXPECT_EQ(PixelAt(10, 10), (Rgb{0, 0, 255}));
    // The device holds its own reference while the buffer is the stream source.
    EXPECT_EQ(buffer->Release(), 1u);
    draw();
    EXPECT_EQ(PixelAt(10, 10), (Rgb{0, 0, 255}));
    m_device->SetStreamSource(0, nullptr, 0, 0);
}

} // namespace
