#include "loader/SmoothingLimit.h"

#include "scene/SceneTypes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

// What the limit stands in for: the angle between the normals against the facet angle.
bool SmoothsByAngle(float dot, float facetRadians) {
    return std::acos(dot) < facetRadians;
}

float Step(float value, int ulps) {
    const float toward = ulps < 0 ? -2.0f : 2.0f;
    for (int i = 0; i < std::abs(ulps); ++i) {
        value = std::nextafter(value, toward);
    }
    return value;
}

// Dot products where an answer could change: both ends of [-1, 1] and just beyond them,
// zero, values that are no angle, and every float near the cosine of the facet angle.
std::vector<float> DotsToCompare(float facetRadians) {
    constexpr float nan = std::numeric_limits<float>::quiet_NaN();
    constexpr float infinity = std::numeric_limits<float>::infinity();
    std::vector<float> dots = {-1.0f, 1.0f,     Step(-1.0f, -1), Step(1.0f, 1), 0.0f,      -0.0f,
                               nan,   infinity, -infinity,       2.0f,          0.999999f, -0.5f,
                               0.5f};
    float dot = Step(std::cos(facetRadians), -3000);
    for (int i = 0; i <= 6000; ++i) {
        dots.push_back(dot);
        dot = std::nextafter(dot, 2.0f);
    }
    return dots;
}

TEST(SmoothingLimitTest, AnswersAsTheAngleAgainstTheFacetAngle) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<float> facets = {0.0f, -10.0f * DegreesToRadians, nan, 3.1415927f, 4.0f, 100.0f};
    for (float degrees = 0.5f; degrees <= 180.0f; degrees += 7.25f) {
        facets.push_back(degrees * DegreesToRadians);
    }
    for (float degrees : {1.0f, 30.0f, 45.0f, 59.5f, 60.0f, 89.0f, 90.0f, 120.0f, 179.9f, 180.0f}) {
        facets.push_back(degrees * DegreesToRadians);
    }
    for (float facet : facets) {
        SCOPED_TRACE(facet);
        const SmoothingLimit limit(facet);
        for (float dot : DotsToCompare(facet)) {
            ASSERT_EQ(limit.Smooths(dot), SmoothsByAngle(dot, facet)) << "dot " << dot;
        }
    }
}

TEST(SmoothingLimitTest, FacesExactlyAtTheFacetAngleAreNotSmoothed) {
    for (float dot : {0.0f, 0.5f, -0.5f, 0.70710677f, 0.99f, -0.99f, 1.0f, -1.0f}) {
        SCOPED_TRACE(dot);
        const float facet = std::acos(dot); // the angle of these faces, exactly
        const SmoothingLimit limit(facet);

        EXPECT_FALSE(limit.Smooths(dot));
        EXPECT_FALSE(limit.Smooths(Step(dot, -1)));
        const float closer = Step(dot, 1);
        EXPECT_EQ(limit.Smooths(closer), closer <= 1.0f && std::acos(closer) < facet);
    }
}

} // namespace
