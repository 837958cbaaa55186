#include "platform/CFrameBuffer.h"

#include <algorithm>

CFrameBuffer::CFrameBuffer(UINT width, UINT height)
    : m_width(width), m_height(height), m_bits(static_cast<std::size_t>(Stride(width)) * height) {}

void CFrameBuffer::Copy(const std::vector<std::uint8_t>& rows, UINT width, UINT height) {
    const std::size_t sourceStride = Stride(width);
    if (rows.size() < sourceStride * height) {
        return;
    }
    const std::size_t rowBytes = 3 * static_cast<std::size_t>(std::min(width, m_width));
    for (UINT row = 0; row < std::min(height, m_height); ++row) {
        std::copy_n(rows.data() + sourceStride * (height - 1 - row), rowBytes, RowFromTop(row));
    }
}

void CFrameBuffer::ShrinkHalftone(const std::vector<std::uint8_t>& rows, UINT width, UINT height) {
    const std::size_t sourceStride = Stride(width);
    if (rows.size() < sourceStride * height) {
        return;
    }
    const UINT columns = std::min(width / 2, m_width);
    for (UINT row = 0; row < std::min(height / 2, m_height); ++row) {
        const std::uint8_t* upper = rows.data() + sourceStride * (height - 1 - 2 * row);
        const std::uint8_t* lower = upper - sourceStride;
        std::uint8_t* out = RowFromTop(row);
        for (UINT x = 0; x < columns; ++x) {
            for (UINT channel = 0; channel < 3; ++channel) {
                const std::size_t left = 6 * x + channel;
                const unsigned sum = lower[left] + lower[left + 3] + upper[left] + upper[left + 3];
                out[3 * x + channel] = static_cast<std::uint8_t>((sum + 2) / 4);
            }
        }
    }
}
