#include "loader/SmoothingLimit.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

// The floats of [-1, 1] as integers in the same order (both zeros map to 0).
std::int64_t OrderedKey(float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    const auto magnitude = static_cast<std::int64_t>(bits & 0x7FFFFFFFu);
    return (bits & 0x80000000u) != 0 ? -magnitude : magnitude;
}

float FromOrderedKey(std::int64_t key) {
    const std::uint32_t bits =
        key < 0 ? static_cast<std::uint32_t>(-key) | 0x80000000u : static_cast<std::uint32_t>(key);
    float value = 0.0f;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

} // namespace

SmoothingLimit::SmoothingLimit(float facetRadians)
    : m_smallestCosine(std::numeric_limits<float>::infinity()) {
    const auto passes = [facetRadians](float dot) { return std::acos(dot) < facetRadians; };
    if (!passes(1.0f)) {
        return; // a facet of 0 or less, or not a number: only a face itself
    }
    // Bisect between a cosine that fails and one that passes.
    std::int64_t failing = OrderedKey(-1.0f);
    std::int64_t passing = OrderedKey(1.0f);
    if (passes(-1.0f)) {
        passing = failing;
    }
    while (passing - failing > 1) {
        const std::int64_t middle = failing + (passing - failing) / 2;
        (passes(FromOrderedKey(middle)) ? passing : failing) = middle;
    }
    m_smallestCosine = FromOrderedKey(passing);
}
