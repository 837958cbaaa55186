#include "platform/D3DXMath.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr float kTolerance = 1e-5f;
constexpr float kAngle = 0.3f;
constexpr float kQuarterTurn = 1.57079633f;

void ExpectNear(const D3DXVECTOR3& actual, const D3DXVECTOR3& expected) {
    EXPECT_NEAR(actual.x, expected.x, kTolerance);
    EXPECT_NEAR(actual.y, expected.y, kTolerance);
    EXPECT_NEAR(actual.z, expected.z, kTolerance);
}

void ExpectNear(const D3DXMATRIX& actual, const D3DXMATRIX& expected) {
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            EXPECT_NEAR(actual.m[row][column], expected.m[row][column], kTolerance)
                << "row " << row << ", column " << column;
        }
    }
}

D3DXVECTOR3 TransformCoord(const D3DXVECTOR3& v, const D3DXMATRIX& m) {
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &v, &m);
    return out;
}

D3DXMATRIX Identity() {
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    return identity;
}

// Neither affine nor symmetric, so every cofactor of the inverse matters.
const D3DXMATRIX kGeneral(2, 1, 0, 0.5f, -1, 3, 2, 0, 0.5f, 0, 1, 1, 4, -2, 1, 3);

TEST(D3DXMatrixTest, RotationZTurnsXTowardsY) {
    D3DXMATRIX rotation;
    D3DXMatrixRotationZ(&rotation, kAngle);
    ExpectNear(TransformCoord({1, 0, 0}, rotation), {std::cos(kAngle), std::sin(kAngle), 0});
}

TEST(D3DXMatrixTest, RotationXTurnsYTowardsZ) {
    D3DXMATRIX rotation;
    D3DXMatrixRotationX(&rotation, kAngle);
    ExpectNear(TransformCoord({0, 1, 0}, rotation), {0, std::cos(kAngle), std::sin(kAngle)});
}

TEST(D3DXMatrixTest, RotationYTurnsZTowardsX) {
    D3DXMATRIX rotation;
    D3DXMatrixRotationY(&rotation, kAngle);
    ExpectNear(TransformCoord({0, 0, 1}, rotation), {std::sin(kAngle), 0, std::cos(kAngle)});
}

TEST(D3DXMatrixTest, ProductAppliesLeftFactorFirst) {
    D3DXMATRIX scaling;
    D3DXMATRIX translation;
    D3DXMatrixScaling(&scaling, 2, 3, 4);
    D3DXMatrixTranslation(&translation, 1, 1, 1);
    // Scaled first, then moved: (2, 3, 4) + (1, 1, 1).
    EXPECT_EQ(TransformCoord({1, 1, 1}, scaling * translation), D3DXVECTOR3(3, 4, 5));
    EXPECT_EQ(TransformCoord({1, 1, 1}, translation * scaling), D3DXVECTOR3(4, 6, 8));
}

TEST(D3DXMatrixTest, MultiplyAllowsOutputToAliasAnInput) {
    D3DXMATRIX product = kGeneral;
    D3DXMATRIX rotation;
    D3DXMatrixRotationZ(&rotation, kAngle);
    D3DXMatrixMultiply(&product, &product, &rotation);
    ExpectNear(product, kGeneral * rotation);
}

TEST(D3DXMatrixTest, InverseTimesMatrixIsIdentity) {
    D3DXMATRIX inverse;
    float determinant = 0.0f;
    ASSERT_EQ(D3DXMatrixInverse(&inverse, &determinant, &kGeneral), &inverse);
    EXPECT_NE(determinant, 0.0f);
    ExpectNear(inverse * kGeneral, Identity());
    ExpectNear(kGeneral * inverse, Identity());
}

TEST(D3DXMatrixTest, InverseReportsDeterminant) {
    D3DXMATRIX scaling;
    D3DXMatrixScaling(&scaling, 2, 3, 4);
    D3DXMATRIX inverse;
    float determinant = 0.0f;
    D3DXMatrixInverse(&inverse, &determinant, &scaling);
    EXPECT_FLOAT_EQ(determinant, 24.0f);
    ExpectNear(inverse, D3DXMATRIX(0.5f, 0, 0, 0, 0, 1.0f / 3, 0, 0, 0, 0, 0.25f, 0, 0, 0, 0, 1));
}

TEST(D3DXMatrixTest, InverseInPlace) {
    D3DXMATRIX matrix = kGeneral;
    ASSERT_NE(D3DXMatrixInverse(&matrix, nullptr, &matrix), nullptr);
    ExpectNear(matrix * kGeneral, Identity());
}

TEST(D3DXMatrixTest, InverseOfSingularMatrixIsNullAndLeavesOutputAlone) {
    // The third row is the sum of the first two.
    const D3DXMATRIX singular(1, 2, 3, 0, 4, 5, 6, 0, 5, 7, 9, 0, 0, 0, 0, 1);
    D3DXMATRIX out = kGeneral;
    float determinant = 1.0f;
    EXPECT_EQ(D3DXMatrixInverse(&out, &determinant, &singular), nullptr);
    EXPECT_EQ(determinant, 0.0f);
    EXPECT_EQ(out, kGeneral);
}

TEST(D3DXMatrixTest, PerspectiveFovRHMapsNearAndFarPlanesToDepthZeroAndOne) {
    const float fovY = 0.8f;
    const float zNear = 0.5f;
    const float zFar = 200.0f;
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovRH(&projection, fovY, 1.5f, zNear, zFar);

    const float halfHeight = zNear * std::tan(fovY / 2);
    ExpectNear(TransformCoord({0, halfHeight, -zNear}, projection), {0, 1, 0});
    ExpectNear(TransformCoord({1.5f * halfHeight, 0, -zNear}, projection), {1, 0, 0});
    EXPECT_NEAR(TransformCoord({0, 0, -zFar}, projection).z, 1.0f, kTolerance);
}

TEST(D3DXMatrixTest, EqualityComparesEveryElement) {
    D3DXMATRIX changed = kGeneral;
    EXPECT_EQ(changed, kGeneral);
    changed._43 += 1.0f;
    EXPECT_NE(changed, kGeneral);
}

TEST(D3DXVec3Test, TransformCoordDividesByW) {
    D3DXMATRIX matrix;
    D3DXMatrixTranslation(&matrix, 2, 4, 6);
    matrix._44 = 2;
    EXPECT_EQ(TransformCoord({0, 0, 0}, matrix), D3DXVECTOR3(1, 2, 3));
    matrix._14 = 1; // w = x + 2
    EXPECT_EQ(TransformCoord({2, 0, 0}, matrix), D3DXVECTOR3(1, 1, 1.5f));
}

TEST(D3DXVec3Test, TransformNormalIgnoresTranslation) {
    D3DXMATRIX rotation;
    D3DXMATRIX translation;
    D3DXMatrixRotationZ(&rotation, kQuarterTurn);
    D3DXMatrixTranslation(&translation, 10, 20, 30);
    const D3DXMATRIX matrix = rotation * translation;
    const D3DXVECTOR3 direction(1, 0, 2);
    D3DXVECTOR3 out;
    D3DXVec3TransformNormal(&out, &direction, &matrix);
    ExpectNear(out, {0, 1, 2});
}

TEST(D3DXVec3Test, NormalizeScalesToUnitLength) {
    const D3DXVECTOR3 v(3, 0, -4);
    D3DXVECTOR3 out;
    EXPECT_EQ(D3DXVec3Normalize(&out, &v), &out);
    ExpectNear(out, {0.6f, 0, -0.8f});
}

TEST(D3DXVec3Test, NormalizeKeepsZeroVectorZero) {
    const D3DXVECTOR3 zero;
    D3DXVECTOR3 out(1, 1, 1);
    D3DXVec3Normalize(&out, &zero);
    EXPECT_EQ(out, D3DXVECTOR3(0, 0, 0));
}

TEST(D3DXVec3Test, CrossFollowsRightHandRule) {
    const D3DXVECTOR3 x(1, 0, 0);
    const D3DXVECTOR3 y(0, 1, 0);
    D3DXVECTOR3 out;
    D3DXVec3Cross(&out, &x, &y);
    EXPECT_EQ(out, D3DXVECTOR3(0, 0, 1));
}

TEST(D3DXVec3Test, DotAndLength) {
    const D3DXVECTOR3 a(1, 2, 3);
    const D3DXVECTOR3 b(4, -5, 6);
    EXPECT_EQ(D3DXVec3Dot(&a, &b), 12.0f);
    const D3DXVECTOR3 c(2, 3, 6);
    EXPECT_EQ(D3DXVec3Length(&c), 7.0f);
}

// Triangle in the plane z = 5 with its right angle at p0.
class D3DXIntersectTriTest : public ::testing::Test {
protected:
    bool Intersect(const D3DXVECTOR3& origin, const D3DXVECTOR3& direction) {
        return D3DXIntersectTri(&p0, &p1, &p2, &origin, &direction, &u, &v, &distance);
    }

    const D3DXVECTOR3 p0{0, 0, 5};
    const D3DXVECTOR3 p1{1, 0, 5};
    const D3DXVECTOR3 p2{0, 1, 5};
    float u = -1.0f;
    float v = -1.0f;
    float distance = -1.0f;
};

TEST_F(D3DXIntersectTriTest, HitReportsBarycentricsAndDistance) {
    ASSERT_TRUE(Intersect({0.25f, 0.125f, 0}, {0, 0, 1}));
    EXPECT_FLOAT_EQ(u, 0.25f);
    EXPECT_FLOAT_EQ(v, 0.125f);
    EXPECT_FLOAT_EQ(distance, 5.0f);
}

TEST_F(D3DXIntersectTriTest, DistanceCountsInDirectionLengths) {
    ASSERT_TRUE(Intersect({0.25f, 0.25f, 0}, {0, 0, 2}));
    EXPECT_FLOAT_EQ(distance, 2.5f);
}

TEST_F(D3DXIntersectTriTest, MissesOutsideTheTriangle) {
    EXPECT_FALSE(Intersect({-0.1f, 0.5f, 0}, {0, 0, 1})); // u < 0
    EXPECT_FALSE(Intersect({0.5f, -0.1f, 0}, {0, 0, 1})); // v < 0
    EXPECT_FALSE(Intersect({0.6f, 0.6f, 0}, {0, 0, 1}));  // u + v > 1
}

TEST_F(D3DXIntersectTriTest, MissesTriangleBehindTheOrigin) {
    EXPECT_FALSE(Intersect({0.25f, 0.25f, 10}, {0, 0, 1}));
}

TEST_F(D3DXIntersectTriTest, MissesWhenRayIsParallel) {
    EXPECT_FALSE(Intersect({0.25f, 0.25f, 0}, {1, 0, 0}));
}

TEST_F(D3DXIntersectTriTest, HitsOnTheHypotenuse) {
    ASSERT_TRUE(Intersect({0.5f, 0.5f, 0}, {0, 0, 1}));
    EXPECT_EQ(u + v, 1.0f);
    EXPECT_FLOAT_EQ(distance, 5.0f);
}

TEST_F(D3DXIntersectTriTest, HitsFromEitherSide) {
    ASSERT_TRUE(Intersect({0.25f, 0.25f, 8}, {0, 0, -1}));
    EXPECT_FLOAT_EQ(distance, 3.0f);
}

TEST_F(D3DXIntersectTriTest, OutputsMayBeNull) {
    const D3DXVECTOR3 origin(0.25f, 0.25f, 0);
    const D3DXVECTOR3 direction(0, 0, 1);
    EXPECT_TRUE(D3DXIntersectTri(&p0, &p1, &p2, &origin, &direction, nullptr, nullptr, nullptr));
}

} // namespace
