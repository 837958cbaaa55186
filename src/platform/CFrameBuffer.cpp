#include "platform/CFrameBuffer.h"

#include <algorithm>

CFrameBuffer::CFrameBuffer(UINT width, UINT height)
    : m_width(width), m_height(height), m_bits(static_cast<std::size_t>(Stride(width)) * height) {}

void CFrameBuffer::Copy(const std::vector<std::uint8_t>& rows) {
    std::copy_n(rows.begin(), std::min(rows.size(), m_bits.size()), m_bits.begin());
}

void CFrameBuffer::ShrinkHalftone(const std::vector<std::uint8_t>& rows) {
    const std::size_t sourceStride = Stride(m_width * 2);
    if (rows.size() < sourceStride * m_height * 2) {
        return;
    }
    for (UINT y = 0; y < m_height; ++y) {
        const std::uint8_t* lower = rows.data() + sourceStride * (2 * y);
        const std::uint8_t* upper = lower + sourceStride;
        std::uint8_t* out = m_bits.data() + static_cast<std::size_t>(Stride()) * y;
        for (UINT x = 0; x < m_width; ++x) {
            for (UINT channel = 0; channel < 3; ++channel) {
                const std::size_t left = 6 * x + channel;
                const unsigned sum = lower[left] + lower[left + 3] + upper[left] + upper[left + 3];
                out[3 * x + channel] = static_cast<std::uint8_t>((sum + 2) / 4);
            }
        }
    }
}
