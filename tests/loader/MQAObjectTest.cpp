#include "loader/MQAObject.h"

#include "platform/IDirect3DVertexBuffer9.h"

#include "support/FakeDevice.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace {

D3DXMATRIX Translation(float x) {
    D3DXMATRIX matrix;
    D3DXMatrixTranslation(&matrix, x, 0, 0);
    return matrix;
}

// Two bone animations of which only the first is named.
MQAObject WithBoneAnimations() {
    MQAObject part;
    part.m_boneAnimations.resize(2);
    part.m_boneAnimationNames = {"Walk"};
    return part;
}

TEST(MQAObjectTest, NewPartIsEmptyWithoutBufferAndDrawnAtTheIdentity) {
    const MQAObject part;
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);

    EXPECT_EQ(part.m_name, "");
    EXPECT_EQ(part.m_pVertexBuffer, nullptr);
    EXPECT_EQ(part.m_nMirrorAxis, 0);
    EXPECT_EQ(part.m_fFacet, 0.0f);
    EXPECT_TRUE(part.m_faces.empty());
    EXPECT_TRUE(part.m_trianglesPerMaterial.empty());
    EXPECT_TRUE(part.m_animations.empty());
    EXPECT_EQ(part.m_matLastWorld, identity);
    EXPECT_TRUE(part.m_vertices.empty());
    EXPECT_TRUE(part.m_skinnedVertices.empty());
    EXPECT_TRUE(part.m_skinnedPositions.empty());
    EXPECT_TRUE(part.m_boneAnimations.empty());
    EXPECT_FALSE(part.HasBoneAnimations());
}

TEST(MQAObjectTest, AddVertexAppendsInOrderWithItsBone) {
    MQAObject part;

    part.AddVertex(1.5f, -2.0f, 3.0f, -1);
    part.AddVertex(4.0f, 5.0f, -6.25f, 7);

    ASSERT_EQ(part.m_vertices.size(), 2u);
    const MQAVertex& first = part.m_vertices[0];
    const MQAVertex& second = part.m_vertices[1];
    EXPECT_EQ(first.x, 1.5f);
    EXPECT_EQ(first.y, -2.0f);
    EXPECT_EQ(first.z, 3.0f);
    EXPECT_EQ(first.bone, -1);
    EXPECT_EQ(second.x, 4.0f);
    EXPECT_EQ(second.z, -6.25f);
    EXPECT_EQ(second.bone, 7);
}

TEST(MQAObjectTest, BoneAnimationNamesAreNoneWhereMissing) {
    const MQAObject withNone;
    const MQAObject withTwo = WithBoneAnimations();

    EXPECT_STREQ(withNone.GetBoneAnimationName(0), "None");
    EXPECT_STREQ(withTwo.GetBoneAnimationName(0), "Walk");
    EXPECT_STREQ(withTwo.GetBoneAnimationName(1), "None"); // unnamed
    EXPECT_STREQ(withTwo.GetBoneAnimationName(2), "None");
    EXPECT_STREQ(withTwo.GetBoneAnimationName(-1), "None");
}

TEST(MQAObjectTest, CopiesTakeEveryMemberAndShareTheVertexBuffer) {
    FakeVertexBuffer buffer;
    MQAObject original = WithBoneAnimations();
    original.m_name = "body";
    original.m_pVertexBuffer = &buffer;
    original.m_nMirrorAxis = 2;
    original.m_fFacet = 59.5f;
    original.AddVertex(1, 2, 3, 0);
    original.m_faces.resize(1);
    original.m_faces[0].material = 3;
    original.m_faces[0].indices = {0, 0, 0};
    original.m_faces[0].uv = {{0.25f, 0.75f}};
    original.m_faces[0].corners.resize(3);
    original.m_faces[0].corners[2].normal = D3DXVECTOR3(0, 0, 1);
    original.m_trianglesPerMaterial = {0, 0, 0, 1};
    original.m_animations = {{Translation(1), Translation(2)}};
    original.m_matLastWorld = Translation(5);
    original.m_skinnedVertices.resize(3);
    original.m_skinnedPositions.resize(1);
    original.m_boneAnimations[1] = {{Translation(3)}};
    {
        const MQAObject copy(original);
        MQAObject assigned;
        assigned = original;
        for (const MQAObject* part : std::initializer_list<const MQAObject*>{&copy, &assigned}) {
            EXPECT_EQ(part->m_name, "body");
            EXPECT_EQ(part->m_pVertexBuffer, &buffer);
            EXPECT_EQ(part->m_nMirrorAxis, 2);
            EXPECT_EQ(part->m_fFacet, 59.5f);
            ASSERT_EQ(part->m_vertices.size(), 1u);
            ASSERT_EQ(part->m_faces.size(), 1u);
            EXPECT_EQ(part->m_faces[0].material, 3);
            EXPECT_EQ(part->m_faces[0].uv.size(), 1u);
            EXPECT_EQ(part->m_faces[0].corners[2].normal, D3DXVECTOR3(0, 0, 1));
            EXPECT_EQ(part->m_trianglesPerMaterial, (std::vector<int>{0, 0, 0, 1}));
            ASSERT_EQ(part->m_animations.size(), 1u);
            EXPECT_EQ(part->m_animations[0][1], Translation(2));
            EXPECT_EQ(part->m_matLastWorld, Translation(5));
            EXPECT_EQ(part->m_skinnedVertices.size(), 3u);
            EXPECT_EQ(part->m_skinnedPositions.size(), 1u);
            EXPECT_EQ(part->m_boneAnimations[1][0][0], Translation(3));
            EXPECT_STREQ(part->GetBoneAnimationName(0), "Walk");
        }
    }

    EXPECT_EQ(buffer.addRefs, 0);
    EXPECT_EQ(buffer.releases, 0);
    EXPECT_EQ(original.m_pVertexBuffer, &buffer);
}

} // namespace
