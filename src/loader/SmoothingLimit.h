#pragma once

// Two faces of a part are smoothed together when the angle between their unit normals,
// acos of their dot product, is strictly below the part's facet angle; a dot product outside
// [-1, 1] gives no angle. acos falls monotonically over [-1, 1], so the dot products that
// pass are exactly those from one smallest cosine up to 1: found once per part, that cosine
// gives the same answers as the angle without an acos for every pair of neighbouring faces.

class SmoothingLimit {
public:
    // The facet angle in radians.
    explicit SmoothingLimit(float facetRadians);

    // acos(dot) < the facet angle.
    bool Smooths(float dot) const { return dot >= m_smallestCosine && dot <= 1.0f; }

private:
    float m_smallestCosine; // +infinity when no angle passes
};
