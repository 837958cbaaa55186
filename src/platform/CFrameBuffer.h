#pragma once

// The picture that a recorded frame is copied into: 24-bit pixels (blue, green, red), rows
// bottom first, each padded to a multiple of 4 bytes, as a device-independent bitmap holds
// them.

#include "platform/WinTypes.h"

#include <cstdint>
#include <vector>

class CFrameBuffer {
public:
    CFrameBuffer(UINT width, UINT height);

    UINT Width() const { return m_width; }
    UINT Height() const { return m_height; }
    UINT Stride() const { return Stride(m_width); }
    static UINT Stride(UINT width) { return (width * 3 + 3) & ~3u; }
    const std::vector<std::uint8_t>& Bits() const { return m_bits; }

    // Copies a picture of the same size, in the same layout.
    void Copy(const std::vector<std::uint8_t>& rows) { Copy(rows, m_width, m_height); }
    // Copies a picture of `width` x `height` pixels in the same layout onto the top-left
    // corner, as far as the frame reaches; the pixels it does not cover keep their values.
    void Copy(const std::vector<std::uint8_t>& rows, UINT width, UINT height);
    // Shrinks a picture of `width` x `height` pixels onto the top-left corner, each pixel the
    // rounded average of the 2 x 2 pixels it covers (the halftone shrink), as far as the
    // frame reaches; the pixels it does not cover keep their values.
    void ShrinkHalftone(const std::vector<std::uint8_t>& rows, UINT width, UINT height);

private:
    // Row `row` counted from the top of the picture (rows are stored bottom first).
    std::uint8_t* RowFromTop(UINT row) {
        return m_bits.data() + static_cast<std::size_t>(Stride()) * (m_height - 1 - row);
    }

    UINT m_width;
    UINT m_height;
    std::vector<std::uint8_t> m_bits;
};
