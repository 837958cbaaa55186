#include "loader/MQAMaterial.h"
#include "loader/MQAObject.h"
#include "platform/Mbcs.h"
#include "platform/ProgramFolder.h"
#include "scene/CCharacter.h"
#include "scene/SceneTypes.h"

#include "support/ChildProcess.h"
#include "support/FakeDevice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

namespace {

using Indices = decltype(MQAFace::indices);
using Coordinates = decltype(MQAFace::uv);
using FaceLists = std::vector<std::vector<int>>;
// A MeshVertex as its eight floats: position, normal, texture coordinates.
using VertexValues = std::array<float, 8>;

const float kHalfRoot2 = 1.0f / std::sqrt(2.0f);

MQAFace Face(Indices indices, int material = 0, Coordinates uv = {}) {
    MQAFace face;
    face.indices = std::move(indices);
    face.material = material;
    face.uv = std::move(uv);
    return face;
}

MQAObject Part(const std::vector<D3DXVECTOR3>& vertices, std::vector<MQAFace> faces,
               int bone = -1) {
    MQAObject part;
    for (const D3DXVECTOR3& v : vertices) {
        part.AddVertex(v.x, v.y, v.z, bone);
    }
    part.m_faces = std::move(faces);
    return part;
}

D3DXMATRIX Identity() {
    D3DXMATRIX matrix;
    D3DXMatrixIdentity(&matrix);
    return matrix;
}

D3DXMATRIX Translation(float x, float y = 0.0f, float z = 0.0f) {
    D3DXMATRIX matrix;
    D3DXMatrixTranslation(&matrix, x, y, z);
    return matrix;
}

std::vector<VertexValues> ValuesOf(const std::uint8_t* bytes, std::size_t size) {
    std::vector<VertexValues> values(size / sizeof(MeshVertex));
    std::memcpy(values.data(), bytes, values.size() * sizeof(VertexValues));
    return values;
}

std::vector<VertexValues> ValuesOf(const std::vector<MeshVertex>& vertices) {
    return ValuesOf(reinterpret_cast<const std::uint8_t*>(vertices.data()),
                    vertices.size() * sizeof(MeshVertex));
}

std::vector<VertexValues> ValuesOf(const std::vector<std::uint8_t>& bytes) {
    return ValuesOf(bytes.data(), bytes.size());
}

std::vector<float> Components(const D3DXVECTOR3& v) {
    return {v.x, v.y, v.z};
}

void ExpectUnitVector(const D3DXVECTOR3& actual, float x, float y, float z) {
    EXPECT_FLOAT_EQ(actual.x, x);
    EXPECT_FLOAT_EQ(actual.y, y);
    EXPECT_FLOAT_EQ(actual.z, z);
}

// A vector's floats bit for bit.
using Bits = std::array<std::uint32_t, 3>;

Bits BitsOf(const D3DXVECTOR3& v) {
    Bits bits{};
    std::memcpy(bits.data(), &v, sizeof bits);
    return bits;
}

// The normals of a face's corners.
std::vector<Bits> CornerNormals(const MQAObject& part, std::size_t face) {
    std::vector<Bits> normals;
    for (const MQACorner& corner : part.m_faces[face].corners) {
        normals.push_back(BitsOf(corner.normal));
    }
    return normals;
}

// The corner normals that sum the normals of the listed faces, one list per corner, in list
// order: the unit sum, or up when it has no length.
std::vector<Bits> SumsOf(const MQAObject& part, const FaceLists& lists) {
    std::vector<Bits> normals;
    for (const std::vector<int>& list : lists) {
        D3DXVECTOR3 sum;
        for (int g : list) {
            sum = sum + part.m_faces[static_cast<std::size_t>(g)].normal;
        }
        const float length = D3DXVec3Length(&sum);
        normals.push_back(BitsOf(length == 0.0f ? D3DXVECTOR3(0, 1, 0) : sum * (1.0f / length)));
    }
    return normals;
}

// Two triangles sharing the edge from vertex 0 to vertex 1: the first in the plane z = 0 with
// the normal (0, 0, 1), the second reaching out to (0, y, z), so that its normal is (0, -z, y)
// for a unit (y, z).
MQAObject Hinge(float y, float z, float facet) {
    MQAObject part =
        Part({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, y, z}}, {Face({0, 1, 2}), Face({0, 1, 3})});
    part.m_fFacet = facet;
    return part;
}

const float kSin30 = 0.5f;
const float kCos30 = std::sqrt(3.0f) / 2.0f;

TEST(MQAObjectNormalsTest, FaceNormalIsTheUnitCrossProductOfTheFirstThreeCorners) {
    const struct {
        const char* what;
        std::vector<D3DXVECTOR3> vertices;
        Indices indices;
        D3DXVECTOR3 normal;
    } cases[] = {
        {"counter-clockwise in xy", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2}, {0, 0, 1}},
        {"clockwise in xy", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 2, 1}, {0, 0, -1}},
        {"scaled down to unit length", {{0, 0, 0}, {2, 0, 0}, {0, 0, 3}}, {0, 1, 2}, {0, -1, 0}},
        {"slanted", {{0, 0, 0}, {3, 0, 0}, {0, 4, 4}}, {0, 1, 2}, {0, -kHalfRoot2, kHalfRoot2}},
        {"quad ignores its fourth corner",
         {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 5}},
         {0, 1, 2, 3},
         {0, 0, 1}},
        {"quad from other corners",
         {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 5}},
         {3, 0, 1, 2},
         {0, -0.98058068f, 0.19611613f}},
        {"zero area", {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}}, {0, 1, 2}, {0, 1, 0}},
        {"one vertex named twice", {{0, 0, 0}, {1, 0, 0}}, {0, 1, 1}, {0, 1, 0}},
        {"two corners", {{0, 0, 0}, {1, 0, 0}}, {0, 1}, {0, 1, 0}},
        {"one corner", {{0, 0, 0}}, {0}, {0, 1, 0}},
        {"no corner", {{0, 0, 0}}, {}, {0, 1, 0}},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        MQAObject part = Part(test.vertices, {Face(test.indices)});
        part.CalcFaceNormals();
        ExpectUnitVector(part.m_faces[0].normal, test.normal.x, test.normal.y, test.normal.z);
    }
}

TEST(MQAObjectNormalsTest, FaceNamingAVertexOutsideThePartIsLeftOut) {
    MQAObject part = Part({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}},
                          {Face({0, 1, 3}), Face({-1, 0, 1}), Face({0, 1, 2}), Face({2, 1, 0, 3})});
    part.m_fFacet = 180.0f;

    part.CalcSmoothing();

    for (std::size_t j : {0u, 1u, 3u}) {
        SCOPED_TRACE(j);
        EXPECT_EQ(Components(part.m_faces[j].normal), (std::vector<float>{0, 0, 0}));
        EXPECT_TRUE(part.m_faces[j].corners.empty());
    }
    EXPECT_EQ(CornerNormals(part, 2), SumsOf(part, {{2}, {2}, {2}}));
}

TEST(MQAObjectNormalsTest, FacetZeroShadesFlat) {
    MQAObject part = Hinge(kCos30, -kSin30, 0.0f); // 30 degrees apart

    part.CalcSmoothing();

    EXPECT_EQ(CornerNormals(part, 0), SumsOf(part, {{0}, {0}, {0}}));
    EXPECT_EQ(CornerNormals(part, 1), SumsOf(part, {{1}, {1}, {1}}));
    for (const MQAFace& face : part.m_faces) {
        for (const MQACorner& corner : face.corners) {
            EXPECT_EQ(corner.normal, face.normal);
        }
    }
}

TEST(MQAObjectNormalsTest, CornersShareTheFacesWithinTheFacetAngle) {
    MQAObject part = Hinge(kCos30, -kSin30, 31.0f); // 30 degrees apart

    part.CalcSmoothing();

    // Vertices 0 and 1 are shared; each list is in ascending face order.
    EXPECT_EQ(CornerNormals(part, 0), SumsOf(part, {{0, 1}, {0, 1}, {0}}));
    EXPECT_EQ(CornerNormals(part, 1), SumsOf(part, {{0, 1}, {0, 1}, {1}}));
    const float half = 15.0f * 3.14159265358979f / 180.0f;
    ExpectUnitVector(part.m_faces[0].corners[0].normal, 0, std::sin(half), std::cos(half));
    ExpectUnitVector(part.m_faces[1].corners[1].normal, 0, std::sin(half), std::cos(half));
    ExpectUnitVector(part.m_faces[0].corners[2].normal, 0, 0, 1);
}

TEST(MQAObjectNormalsTest, FacesExactlyAtTheFacetAngleAreNotSmoothed) {
    MQAObject atAngle = Hinge(0, -1, 90.0f);
    MQAObject beyond = Hinge(0, -1, 90.5f);

    atAngle.CalcSmoothing();
    beyond.CalcSmoothing();

    EXPECT_EQ(CornerNormals(atAngle, 0), SumsOf(atAngle, {{0}, {0}, {0}}));
    EXPECT_EQ(CornerNormals(beyond, 0), SumsOf(beyond, {{0, 1}, {0, 1}, {0}}));
    ExpectUnitVector(beyond.m_faces[0].corners[0].normal, 0, kHalfRoot2, kHalfRoot2);
}

TEST(MQAObjectNormalsTest, NeighboursAreSmoothedWhenTheAngleBetweenTheirNormalsIsBelowTheFacet) {
    // Hinges opened by a range of angles, against facets just below, at and just above them.
    for (float degrees : {10.0f, 30.0f, 45.0f, 59.5f, 90.0f, 120.0f, 150.0f, 179.0f}) {
        const float radians = degrees * 3.14159265358979f / 180.0f;
        for (float facet : {degrees - 0.01f, degrees, degrees + 0.01f}) {
            SCOPED_TRACE(testing::Message() << degrees << " degrees, facet " << facet);
            MQAObject part = Hinge(std::cos(radians), -std::sin(radians), facet);

            part.CalcSmoothing();

            const D3DXVECTOR3& first = part.m_faces[0].normal;
            const D3DXVECTOR3& second = part.m_faces[1].normal;
            const bool smoothed =
                std::acos(D3DXVec3Dot(&first, &second)) < facet * DegreesToRadians;
            const std::vector<int> shared = smoothed ? std::vector<int>{0, 1} : std::vector<int>{0};
            EXPECT_EQ(CornerNormals(part, 0), SumsOf(part, {shared, shared, {0}}));
        }
    }
}

TEST(MQAObjectNormalsTest, OppositeNormalsAreNeverSmoothed) {
    MQAObject part = Part({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {Face({0, 1, 2}), Face({0, 2, 1})});
    part.m_fFacet = 180.0f;

    part.CalcSmoothing();

    EXPECT_EQ(CornerNormals(part, 0), SumsOf(part, {{0}, {0}, {0}}));
    EXPECT_EQ(CornerNormals(part, 1), SumsOf(part, {{1}, {1}, {1}}));
    ExpectUnitVector(part.m_faces[1].corners[0].normal, 0, 0, -1);
}

TEST(MQAObjectNormalsTest, SmoothingComparesWithTheCornersOwnFaceOnly) {
    // Three faces around vertex 0 whose normals turn by 20 degrees each: the middle one is
    // within 30 degrees of both others, which are 40 degrees apart.
    std::vector<D3DXVECTOR3> vertices = {{0, 0, 0}, {1, 0, 0}};
    for (float degrees : {0.0f, 20.0f, 40.0f}) {
        const float radians = degrees * 3.14159265358979f / 180.0f;
        vertices.emplace_back(0.0f, std::cos(radians), -std::sin(radians));
    }
    MQAObject part = Part(vertices, {Face({0, 1, 2}), Face({0, 1, 3}), Face({0, 1, 4})});
    part.m_fFacet = 30.0f;

    part.CalcSmoothing();

    EXPECT_EQ(CornerNormals(part, 0)[0], SumsOf(part, {{0, 1}})[0]);
    EXPECT_EQ(CornerNormals(part, 1)[0], SumsOf(part, {{0, 1, 2}})[0]);
    EXPECT_EQ(CornerNormals(part, 2)[0], SumsOf(part, {{1, 2}})[0]);
}

TEST(MQAObjectNormalsTest, FaceNamingAVertexTwiceIsListedTwice) {
    // Face 0 names vertex 0 twice and has no area, so that its normal is up; face 1 shares
    // vertex 0 and turns 30 degrees from it.
    MQAObject part =
        Part({{0, 0, 0}, {1, 0, 0}, {0, kSin30, -kCos30}}, {Face({0, 0, 1}), Face({0, 1, 2})});
    part.m_fFacet = 31.0f;

    part.CalcSmoothing();

    EXPECT_EQ(CornerNormals(part, 0), SumsOf(part, {{0, 0, 1}, {0, 0, 1}, {0, 1}}));
    EXPECT_EQ(CornerNormals(part, 1), SumsOf(part, {{0, 0, 1}, {0, 1}, {1}}));
    ExpectUnitVector(part.m_faces[1].normal, 0, kCos30, kSin30);
}

TEST(MQAObjectNormalsTest, CornerWhoseSumHasNoLengthPointsUp) {
    // The first face's cross product is finite but its length overflows, so that its normal
    // is (0, 0, 0); the second face is ordinary.
    const float far = 4.5e9f;
    MQAObject part = Part({{0, 0, 0}, {far, 0, 0}, {0, far, 0}, {1, 0, 0}, {0, 1, 0}},
                          {Face({0, 1, 2}), Face({0, 3, 4})});

    part.CalcSmoothing();

    EXPECT_EQ(Components(part.m_faces[0].normal), (std::vector<float>{0, 0, 0}));
    for (const MQACorner& corner : part.m_faces[0].corners) {
        ExpectUnitVector(corner.normal, 0, 1, 0);
    }
    for (const MQACorner& corner : part.m_faces[1].corners) {
        ExpectUnitVector(corner.normal, 0, 0, 1);
    }
}

// The faces whose normals each corner sums by the straightforward rule: every face around its
// vertex, in face order, whose normal lies within the facet angle of its own face's (acos of
// the dot product strictly below it), and its own face always. Past `bound` corners around a
// vertex, only faces whose normals equal the own face's bit for bit.
std::vector<FaceLists> ReferenceLists(MQAObject part, std::size_t bound = SIZE_MAX) {
    part.CalcFaceNormals();
    const auto usable = [&part](const MQAFace& face) {
        return std::all_of(face.indices.begin(), face.indices.end(), [&part](int index) {
            return index >= 0 && index < static_cast<int>(part.m_vertices.size());
        });
    };
    std::vector<std::vector<int>> around(part.m_vertices.size());
    for (std::size_t j = 0; j < part.m_faces.size(); ++j) {
        if (usable(part.m_faces[j])) {
            for (int index : part.m_faces[j].indices) {
                around[static_cast<std::size_t>(index)].push_back(static_cast<int>(j));
            }
        }
    }
    std::vector<FaceLists> lists(part.m_faces.size());
    for (std::size_t j = 0; j < part.m_faces.size(); ++j) {
        if (!usable(part.m_faces[j])) {
            continue;
        }
        const D3DXVECTOR3& own = part.m_faces[j].normal;
        for (int index : part.m_faces[j].indices) {
            const std::vector<int>& faces = around[static_cast<std::size_t>(index)];
            std::vector<int>& list = lists[j].emplace_back();
            for (int g : faces) {
                const D3DXVECTOR3& normal = part.m_faces[static_cast<std::size_t>(g)].normal;
                const bool within =
                    std::acos(D3DXVec3Dot(&normal, &own)) < part.m_fFacet * DegreesToRadians;
                const bool equal = BitsOf(normal) == BitsOf(own);
                if (g == static_cast<int>(j) || (within && (faces.size() <= bound || equal))) {
                    list.push_back(g);
                }
            }
        }
    }
    return lists;
}

// Smooths the part and compares every corner normal with the reference's, bit for bit.
void ExpectReferenceNormals(MQAObject part, std::size_t bound = SIZE_MAX) {
    const std::vector<FaceLists> lists = ReferenceLists(part, bound);
    part.CalcSmoothing();
    std::size_t differing = 0;
    std::size_t first = 0;
    for (std::size_t j = 0; j < part.m_faces.size(); ++j) {
        if (CornerNormals(part, j) != SumsOf(part, lists[j]) && differing++ == 0) {
            first = j;
        }
    }
    EXPECT_EQ(differing, 0u) << "the first at face " << first << " of " << part.m_faces.size();
}

// A grid of quads whose heights bump up and down, so that smoothing meets both smoothed and
// creased neighbours.
MQAObject BumpedGrid(int quadsPerSide, float facet) {
    const int side = quadsPerSide + 1;
    std::vector<D3DXVECTOR3> vertices;
    for (int row = 0; row < side; ++row) {
        for (int column = 0; column < side; ++column) {
            vertices.emplace_back(static_cast<float>(column) * 1.25f,
                                  static_cast<float>(row * column % 17) * 0.3125f,
                                  static_cast<float>(row) * -1.25f);
        }
    }
    std::vector<MQAFace> faces;
    for (int row = 0; row < quadsPerSide; ++row) {
        for (int column = 0; column < quadsPerSide; ++column) {
            const int v = row * side + column;
            faces.push_back(Face({v, v + side, v + side + 1, v + 1}));
        }
    }
    MQAObject part = Part(vertices, std::move(faces));
    part.m_fFacet = facet;
    return part;
}

// A cone whose apex, vertex 0, is shared by `faces` triangles each turned a little from the
// one before, so that no two normals are equal.
MQAObject Cone(std::size_t faces, float facet) {
    std::vector<D3DXVECTOR3> vertices = {{0, 1, 0}};
    for (std::size_t i = 0; i < faces; ++i) {
        const float angle = 6.2831853f * static_cast<float>(i) / static_cast<float>(faces);
        vertices.emplace_back(std::cos(angle), 0.0f, std::sin(angle));
    }
    std::vector<MQAFace> triangles;
    for (std::size_t i = 0; i < faces; ++i) {
        triangles.push_back(
            Face({0, static_cast<int>((i + 1) % faces) + 1, static_cast<int>(i) + 1}));
    }
    MQAObject part = Part(vertices, std::move(triangles));
    part.m_fFacet = facet;
    return part;
}

TEST(MQAObjectNormalsTest, OrdinaryModelsGetTheNormalsOfTheStraightforwardRule) {
    // Every corner around a vertex compared with every other, as many as the full rule takes.
    const std::size_t most = MQAObject::MostCornersSmoothedInFull;
    for (float facet : {0.0f, 30.0f, 59.5f, 90.0f, 180.0f}) {
        SCOPED_TRACE(testing::Message() << "facet " << facet);
        ExpectReferenceNormals(BumpedGrid(40, facet));
        ExpectReferenceNormals(Cone(most, facet));
    }
    const std::string folder = Mbcs::FromUtf8(GetProgramFolder()).value();
    for (const char* sample : {"MQO\\Shop.mqo", "MQA\\SharpHair.mqa", "MQA\\Worm.qkba"}) {
        SCOPED_TRACE(sample);
        CCharacter character;
        ASSERT_TRUE(character.LoadModel(folder + sample, nullptr));
        for (const MQAObject& part : character.m_parts) {
            ExpectReferenceNormals(part);
        }
    }
}

TEST(MQAObjectNormalsTest, PastTheBoundOnlyEqualNormalsAreSmoothedTogether) {
    // One corner more than the full rule takes around the apex: there, besides its own face, a
    // corner sums only the faces whose normals equal its own. Faces named again have equal
    // normals, and so have the faces without area (up), which name the apex twice.
    const std::size_t most = MQAObject::MostCornersSmoothedInFull;
    for (float facet : {0.0f, 59.5f, 180.0f}) {
        SCOPED_TRACE(testing::Message() << "facet " << facet);
        MQAObject part = Cone(most + 1, facet);
        for (int i = 0; i < 6; ++i) {
            part.m_faces.push_back(part.m_faces[static_cast<std::size_t>(i % 3)]);
            part.m_faces.push_back(Face({0, 0, i + 1}));
        }

        ExpectReferenceNormals(part, most);
    }
}

TEST(MQAObjectNormalsTest, ManyFacesOnTheSameVerticesSmoothInLittleMemory) {
    if (!ChildProcess::AddressSpaceCanBeLimited) {
        GTEST_SKIP() << "the sanitizer's address space cannot be limited";
    }
    // 20,000 triangles on three vertices: a list of the faces around its vertex for every
    // corner would take gigabytes.
    const int status = ChildProcess::ExitStatusWithAddressSpaceRoom(std::size_t{256} << 20, [] {
        MQAObject part =
            Part({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, std::vector<MQAFace>(20000, Face({0, 1, 2})));
        part.m_fFacet = 59.5f;
        part.CalcSmoothing();
        return part.m_faces.back().corners[2].normal == D3DXVECTOR3(0, 0, 1) ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
}

// The steps of a part's buffer as the character takes them.
void CreateVertexBuffer(MQAObject& part, IDirect3DDevice9* device,
                        const std::vector<MQAMaterial>& materials) {
    if (MeshVertex* vertices = part.LockNewVertexBuffer(device, materials)) {
        part.FillVertexBuffer(vertices, materials);
        part.m_pVertexBuffer->Unlock();
    }
}

// Five vertices and faces of every kind for the buffer, with three materials.
class MQAObjectVertexBufferTest : public ::testing::Test {
protected:
    MQAObjectVertexBufferTest()
        : part(
              Part({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}},
                   {Face({0, 1, 2, 3}, 1, {{0, 0}, {1, 0}, {1, 1}, {0, 1}}),
                    Face({0, 1, 4}, 0, {{0.5f, 0.5f}, {0.25f, 0.75f}}), Face({2, 3, 0}, 1),
                    Face({0, 1, 2}, 5), Face({0, 1}, 0), Face({0, 1, 7}, 0), Face({0, 1, 2}, -1)})),
          materials(3) {
        for (std::size_t i = 0; i < materials.size(); ++i) {
            materials[i].m_color.r = 0.25f * static_cast<float>(i + 1);
            materials[i].UpdateMaterial();
        }
    }

    MQAObject part;
    std::vector<MQAMaterial> materials;
    FakeDevice device;
};

TEST_F(MQAObjectVertexBufferTest, BufferHoldsTriangleListsGroupedByMaterial) {
    CreateVertexBuffer(part, &device, materials);

    ASSERT_EQ(device.buffers.size(), 1u);
    EXPECT_EQ(part.m_pVertexBuffer, device.buffers[0].get());
    // Triangles of materials 0 and 1 and room for those of materials 5 and -1.
    ASSERT_EQ(device.buffers[0]->bytes.size(), 18u * 32u);
    const std::vector<VertexValues> expected = {
        // material 0: the triangle with two coordinate pairs
        {0, 0, 0, 0, -1, 0, 0.5f, 0.5f},
        {1, 0, 0, 0, -1, 0, 0.25f, 0.75f},
        {0, 0, 1, 0, -1, 0, 0, 0},
        // material 1: the quad as corners 0 1 2 and 2 3 0, then the triangle without pairs
        {0, 0, 0, 0, 0, 1, 0, 0},
        {1, 0, 0, 0, 0, 1, 1, 0},
        {1, 1, 0, 0, 0, 1, 1, 1},
        {1, 1, 0, 0, 0, 1, 1, 1},
        {0, 1, 0, 0, 0, 1, 0, 1},
        {0, 0, 0, 0, 0, 1, 0, 0},
        {1, 1, 0, 0, 0, 1, 0, 0},
        {0, 1, 0, 0, 0, 1, 0, 0},
        {0, 0, 0, 0, 0, 1, 0, 0},
        // never written
        {},
        {},
        {},
        {},
        {},
        {},
    };
    EXPECT_EQ(ValuesOf(device.buffers[0]->bytes), expected);
    EXPECT_EQ(part.m_trianglesPerMaterial, (std::vector<int>{1, 3, 0}));
}

TEST_F(MQAObjectVertexBufferTest, SmoothedCornerNormalsGoIntoTheBuffer) {
    MQAObject hinge = Hinge(0, -1, 91.0f);

    CreateVertexBuffer(hinge, &device, materials);

    ASSERT_EQ(device.buffers.size(), 1u);
    const std::vector<VertexValues> values = ValuesOf(device.buffers[0]->bytes);
    ASSERT_EQ(values.size(), 6u);
    EXPECT_FLOAT_EQ(values[0][4], kHalfRoot2); // vertex 0, shared
    EXPECT_FLOAT_EQ(values[0][5], kHalfRoot2);
    EXPECT_EQ(values[2][5], 1.0f); // vertex 2, only in face 0
    EXPECT_EQ(values[5][4], 1.0f); // vertex 3, only in face 1
}

TEST_F(MQAObjectVertexBufferTest, PartWithoutTrianglesGetsNoBuffer) {
    MQAObject noTriangle = Part({{0, 0, 0}, {1, 0, 0}}, {Face({0, 1}), Face({0, 1, 2})});

    CreateVertexBuffer(noTriangle, &device, materials);
    const D3DXMATRIX world = Translation(1);
    noTriangle.Draw(&device, &world, materials);

    EXPECT_TRUE(device.buffers.empty());
    EXPECT_EQ(noTriangle.m_pVertexBuffer, nullptr);
    EXPECT_TRUE(device.draws.empty());
    EXPECT_EQ(noTriangle.m_matLastWorld, world);
    for (const MQAFace& face : noTriangle.m_faces) {
        EXPECT_TRUE(face.corners.empty()); // no buffer would take the normals
    }
}

TEST_F(MQAObjectVertexBufferTest, FailedCreationLeavesThePartWithoutBuffer) {
    device.failCreation = true;

    CreateVertexBuffer(part, &device, materials);
    const D3DXMATRIX world = Identity();
    part.Draw(&device, &world, materials);

    EXPECT_EQ(part.m_pVertexBuffer, nullptr);
    EXPECT_TRUE(device.draws.empty());
}

TEST_F(MQAObjectVertexBufferTest, WithoutADeviceNothingIsBuiltOrSmoothed) {
    part.m_trianglesPerMaterial = {1};

    CreateVertexBuffer(part, nullptr, materials);

    EXPECT_EQ(part.m_pVertexBuffer, nullptr);
    EXPECT_TRUE(part.m_trianglesPerMaterial.empty());
    for (const MQAFace& face : part.m_faces) {
        EXPECT_TRUE(face.corners.empty()); // no buffer would take the normals
    }
}

TEST_F(MQAObjectVertexBufferTest, DrawIssuesOneCallPerUsedMaterial) {
    FakeTexture named;
    FakeTexture unnamed;
    materials[0].SetTextureFile("skin.bmp");
    materials[0].m_pTexture = &named;
    materials[1].m_pTexture = &unnamed; // no file name: drawn untextured
    CreateVertexBuffer(part, &device, materials);
    const D3DXMATRIX world = Translation(1, 2, 3);

    part.Draw(&device, &world, materials);

    EXPECT_EQ(device.fvf, 0x112u);
    EXPECT_EQ(device.stream, part.m_pVertexBuffer);
    EXPECT_EQ(device.world, world);
    EXPECT_EQ(part.m_matLastWorld, world);
    ASSERT_EQ(device.draws.size(), 2u);
    const FakeDevice::DrawCall& first = device.draws[0];
    const FakeDevice::DrawCall& second = device.draws[1];
    EXPECT_EQ(first.type, D3DPT_TRIANGLELIST);
    EXPECT_EQ(first.start, 0u);
    EXPECT_EQ(first.primitives, 1u);
    EXPECT_EQ(first.material.Diffuse.r, 0.25f);
    EXPECT_EQ(first.texture, &named);
    EXPECT_EQ(first.world, world);
    EXPECT_EQ(second.type, D3DPT_TRIANGLELIST);
    EXPECT_EQ(second.start, 3u);
    EXPECT_EQ(second.primitives, 3u);
    EXPECT_EQ(second.material.Diffuse.r, 0.5f);
    EXPECT_EQ(second.texture, nullptr);
}

TEST(MQAObjectMotionMatrixTest, FallsBackToTheFirstMatrixOrTheIdentity) {
    using Motions = std::vector<std::vector<D3DXMATRIX>>;
    const D3DXMATRIX t1 = Translation(1);
    const D3DXMATRIX t2 = Translation(2);
    const D3DXMATRIX t3 = Translation(3);
    const struct {
        const char* what;
        Motions motions;
        int motion;
        int frame;
        D3DXMATRIX expected;
    } cases[] = {
        {"no animations", {}, 0, 0, Identity()},
        {"no animations, no motion", {}, -1, 3, Identity()},
        {"first frame", {{t1, t2}, {t3}}, 0, 0, t1},
        {"later frame", {{t1, t2}, {t3}}, 0, 1, t2},
        {"second motion", {{t1, t2}, {t3}}, 1, 0, t3},
        {"no motion", {{t1, t2}, {t3}}, -1, 0, t1},
        {"motion out of range", {{t1, t2}, {t3}}, 2, 0, t1},
        {"frame out of range", {{t1, t2}, {t3}}, 1, 1, t1},
        {"negative frame", {{t1, t2}, {t3}}, 0, -1, t1},
        {"empty motion", {{t1}, {}}, 1, 0, t1},
        {"empty first motion", {{}, {t3}}, 1, 0, t3},
        {"empty first motion as fallback", {{}, {t3}}, 0, 0, Identity()},
        {"empty first motion, frame out of range", {{}, {t3}}, 1, 5, Identity()},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        MQAObject part;
        part.m_animations = test.motions;
        EXPECT_EQ(part.GetMotionMatrix(test.motion, test.frame), test.expected);
    }
}

// Vertices with bones 0, none, 1 and 5 (a bone no animation has); a triangle and a quad
// naming materials 2 and 3; bone animation 0 moves bone 0 by 10 then 20 along x and bone 1
// by 5 along y for one frame; bone animation 1 halves the homogeneous point of bone 0.
class MQAObjectSkinningTest : public ::testing::Test {
protected:
    MQAObjectSkinningTest() {
        part.AddVertex(1, 0, 0, 0);
        part.AddVertex(0, 1, 0, -1);
        part.AddVertex(0, 0, 1, 1);
        part.AddVertex(2, 0, 0, 5);
        part.m_faces = {Face({0, 1, 2}, 2), Face({0, 2, 3, 1}, 3, {{0.5f, 1}}), Face({0, 9, 1}, 2)};
        D3DXMATRIX homogeneous = Translation(4);
        homogeneous._44 = 2.0f;
        part.m_boneAnimations = {{{Translation(10), Translation(20)}, {Translation(0, 5)}},
                                 {{homogeneous}}};
        part.CreateSkinArrays();
    }

    // Positions of the triangle-list entries, in order.
    std::vector<std::vector<float>> EntryPositions() const {
        std::vector<std::vector<float>> positions;
        for (const MeshVertex& v : part.m_skinnedVertices) {
            positions.push_back({v.x, v.y, v.z});
        }
        return positions;
    }

    std::vector<std::vector<float>> SkinnedPositions() const {
        std::vector<std::vector<float>> positions;
        for (const D3DXVECTOR3& p : part.m_skinnedPositions) {
            positions.push_back(Components(p));
        }
        return positions;
    }

    MQAObject part;
    FakeDevice device;
};

TEST_F(MQAObjectSkinningTest, SkinArraysHoldTheBindPoseInFileOrder) {
    const std::vector<VertexValues> values = ValuesOf(part.m_skinnedVertices);

    ASSERT_EQ(values.size(), 9u);
    const std::vector<std::vector<float>> expected = {
        {1, 0, 0}, {0, 1, 0}, {0, 0, 1},                                  // triangle
        {1, 0, 0}, {0, 0, 1}, {2, 0, 0}, {2, 0, 0}, {0, 1, 0}, {1, 0, 0}, // quad
    };
    EXPECT_EQ(EntryPositions(), expected);
    EXPECT_EQ(values[3][6], 0.5f); // the quad's only coordinate pair
    EXPECT_EQ(values[3][7], 1.0f);
    EXPECT_EQ(values[4][6], 0.0f);
    EXPECT_EQ(values[8][6], 0.5f);
    EXPECT_EQ(SkinnedPositions(),
              (std::vector<std::vector<float>>{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {2, 0, 0}}));
}

TEST_F(MQAObjectSkinningTest, SkinMovesEachVertexByItsBoneAtTheFrame) {
    using Positions = std::vector<std::vector<float>>;
    const Positions bind = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {2, 0, 0}};
    const struct {
        const char* what;
        int motion;
        int frame;
        Positions positions;
    } cases[] = {
        {"first frame", 0, 0, {{11, 0, 0}, {0, 1, 0}, {0, 5, 1}, {2, 0, 0}}},
        {"frame the second bone lacks", 0, 1, {{21, 0, 0}, {0, 1, 0}, {0, 0, 1}, {2, 0, 0}}},
        {"divided by w", 1, 0, {{2.5f, 0, 0}, {0, 1, 0}, {0, 0, 1}, {2, 0, 0}}},
        {"no motion", -1, 0, bind},
        {"motion out of range", 2, 0, bind},
        {"negative frame", 0, -1, bind},
        {"frame out of range", 0, 2, bind},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        part.Skin(test.motion, test.frame);
        EXPECT_EQ(SkinnedPositions(), test.positions);
        const auto& p = test.positions;
        EXPECT_EQ(EntryPositions(),
                  (Positions{p[0], p[1], p[2], p[0], p[2], p[3], p[3], p[1], p[0]}));
    }
}

TEST_F(MQAObjectSkinningTest, SkinKeepsTheBindPoseNormals) {
    D3DXMATRIX turn;
    D3DXMatrixRotationZ(&turn, 1.0f);
    part.m_boneAnimations[1][0][0] = turn;
    const std::vector<VertexValues> before = ValuesOf(part.m_skinnedVertices);

    part.Skin(1, 0);

    const std::vector<VertexValues> after = ValuesOf(part.m_skinnedVertices);
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < after.size(); ++i) {
        EXPECT_EQ(std::vector<float>(after[i].begin() + 3, after[i].end()),
                  std::vector<float>(before[i].begin() + 3, before[i].end()))
            << "entry " << i;
    }
    EXPECT_NE(after[0][1], 0.0f); // vertex 0 did turn
}

TEST_F(MQAObjectSkinningTest, DrawSkinnedDrawsEveryFaceWithMaterialZero) {
    FakeTexture texture;
    std::vector<MQAMaterial> materials(4);
    materials[0].m_color = {0.1f, 0.2f, 0.3f, 1.0f};
    materials[0].UpdateMaterial();
    materials[0].SetTextureFile("skin.bmp");
    materials[0].m_pTexture = &texture;
    const D3DXMATRIX world = Translation(0, 0, 7);

    part.DrawSkinned(&device, &world, materials, 0, 1);

    EXPECT_EQ(device.fvf, 0x112u);
    EXPECT_EQ(device.world, world);
    EXPECT_EQ(part.m_matLastWorld, world);
    ASSERT_EQ(device.draws.size(), 1u);
    const FakeDevice::DrawCall& draw = device.draws[0];
    EXPECT_EQ(draw.type, D3DPT_TRIANGLELIST);
    EXPECT_EQ(draw.primitives, 3u);
    EXPECT_EQ(draw.material.Diffuse.g, 0.2f);
    EXPECT_EQ(draw.texture, &texture);
    EXPECT_EQ(ValuesOf(draw.userVertices), ValuesOf(part.m_skinnedVertices));
    EXPECT_EQ(part.m_skinnedPositions[0].x, 21.0f);
}

TEST_F(MQAObjectSkinningTest, DrawSkinnedBindsNoTextureWithoutItsFileName) {
    FakeTexture texture;
    std::vector<MQAMaterial> materials(1);
    materials[0].m_pTexture = &texture;
    const D3DXMATRIX world = Identity();

    part.DrawSkinned(&device, &world, materials, -1, 0);

    ASSERT_EQ(device.draws.size(), 1u);
    EXPECT_EQ(device.draws[0].texture, nullptr);
}

TEST_F(MQAObjectSkinningTest, DrawSkinnedWithoutMaterialsSkinsButDrawsNothing) {
    const D3DXMATRIX world = Translation(3);

    part.DrawSkinned(&device, &world, {}, 0, 0);

    EXPECT_TRUE(device.draws.empty());
    EXPECT_EQ(part.m_matLastWorld, world);
    EXPECT_EQ(part.m_skinnedPositions[0].x, 11.0f);
}

// The eye at the origin looks down the negative z axis of a 640 x 480 view.
class MQAObjectPickTest : public ::testing::Test {
protected:
    MQAObjectPickTest() {
        D3DXMatrixPerspectiveFovRH(&device.projection, 1.0f, 640.0f / 480.0f, 1.0f, 1000.0f);
    }

    // The pixel at which a point of a part drawn with the world matrix appears.
    std::pair<int, int> PixelOf(const D3DXVECTOR3& point,
                                const D3DXMATRIX& world = Identity()) const {
        const D3DXMATRIX transform = world * device.view * device.projection;
        D3DXVECTOR3 projected;
        D3DXVec3TransformCoord(&projected, &point, &transform);
        const auto width = static_cast<float>(device.viewport.Width);
        const auto height = static_cast<float>(device.viewport.Height);
        return {static_cast<int>(std::lround((projected.x + 1.0f) * width / 2.0f)),
                static_cast<int>(std::lround((1.0f - projected.y) * height / 2.0f))};
    }

    int PickAt(const MQAObject& part, const D3DXVECTOR3& point,
               const D3DXMATRIX& world = Identity()) {
        const auto [x, y] = PixelOf(point, world);
        return part.Pick(x, y, &device, &distance);
    }

    FakeDevice device;
    float distance = -1.0f;
};

// A triangle around the point (0, 0, z) facing the eye.
std::vector<D3DXVECTOR3> TriangleAt(float z) {
    return {{-4, -4, z}, {4, -4, z}, {0, 4, z}};
}

TEST_F(MQAObjectPickTest, HitsTheFaceUnderTheProjectedCentre) {
    const MQAObject part = Part(TriangleAt(-10), {Face({0, 1, 2})});

    EXPECT_EQ(part.Pick(320, 240, &device, &distance), 0);
    EXPECT_FLOAT_EQ(distance, 10.0f);
    EXPECT_EQ(PickAt(part, {-1.0f, -2.0f, -10.0f}), 0);
    EXPECT_NEAR(distance, std::sqrt(105.0f), 0.05f);
}

TEST_F(MQAObjectPickTest, MissGivesMinusOneAndAMillion) {
    const MQAObject part = Part(TriangleAt(-10), {Face({0, 1, 2})});
    const MQAObject behind = Part(TriangleAt(10), {Face({0, 1, 2})});
    const MQAObject empty;

    EXPECT_EQ(PickAt(part, {3.0f, 3.0f, -10.0f}), -1);
    EXPECT_EQ(distance, 1000000.0f);
    distance = -1.0f;
    EXPECT_EQ(behind.Pick(320, 240, &device, &distance), -1);
    EXPECT_EQ(distance, 1000000.0f);
    distance = -1.0f;
    EXPECT_EQ(empty.Pick(320, 240, &device, &distance), -1);
    EXPECT_EQ(distance, 1000000.0f);
}

TEST_F(MQAObjectPickTest, QuadTestsItsTriangle023First) {
    // A quad folded along its diagonal 0-2: seen from the eye, triangle 0 2 3 (farther)
    // covers part of triangle 0 1 2 (nearer).
    const MQAObject part =
        Part({{-5, -5, -10}, {5, -5, -10}, {5, 5, -10}, {5, -5, -20}}, {Face({0, 1, 2, 3})});

    EXPECT_EQ(PickAt(part, {2.0f, -2.0f, -10.0f}), 0);
    EXPECT_NEAR(distance, 17.32f, 0.2f); // on triangle 0 2 3, not 10.4 on 0 1 2
    EXPECT_EQ(PickAt(part, {4.0f, -4.0f, -10.0f}), 0);
    EXPECT_NEAR(distance, 11.49f, 0.1f); // only triangle 0 1 2 is under this point
}

TEST_F(MQAObjectPickTest, NearestFaceWinsAndTiesGoToTheLowerIndex) {
    std::vector<D3DXVECTOR3> vertices = TriangleAt(-20);
    for (const D3DXVECTOR3& v : TriangleAt(-10)) {
        vertices.push_back(v);
    }
    const MQAObject nearestLast =
        Part(vertices, {Face({0, 1, 2}), Face({3, 4, 5}), Face({3, 4, 5}), Face({1, 2, 0})});

    EXPECT_EQ(nearestLast.Pick(320, 240, &device, &distance), 1);
    EXPECT_FLOAT_EQ(distance, 10.0f);
}

TEST_F(MQAObjectPickTest, OnlyTrianglesAndQuadsAreHit) {
    const MQAObject part = Part(TriangleAt(-10), {Face({0, 1}), Face({0}), Face({})});

    EXPECT_EQ(part.Pick(320, 240, &device, &distance), -1);
}

TEST_F(MQAObjectPickTest, TestsThePartWhereItWasLastDrawn) {
    MQAObject part = Part(TriangleAt(-10), {Face({0, 1, 2})});
    const D3DXMATRIX world = Translation(6, 0, -5);
    const std::vector<MQAMaterial> materials(1);

    part.Draw(&device, &world, materials);

    EXPECT_EQ(part.Pick(320, 240, &device, &distance), -1);
    EXPECT_EQ(PickAt(part, {0.0f, 0.0f, -10.0f}, world), 0);
    EXPECT_NEAR(distance, std::sqrt(36.0f + 225.0f), 0.05f);
}

TEST_F(MQAObjectPickTest, ViewMatrixMovesTheEye) {
    const MQAObject part = Part(TriangleAt(-10), {Face({0, 1, 2})});
    device.view = Translation(0, 0, -30); // the eye 30 units farther back

    EXPECT_EQ(part.Pick(320, 240, &device, &distance), 0);
    EXPECT_FLOAT_EQ(distance, 40.0f);
}

TEST_F(MQAObjectPickTest, SkinnedPartIsPickedInItsLastSkinnedPose) {
    MQAObject part = Part(TriangleAt(-10), {Face({0, 1, 2})}, 0);
    part.m_boneAnimations = {{{Identity(), Translation(6)}}};
    part.CreateSkinArrays();
    const std::vector<MQAMaterial> materials(1);
    const D3DXMATRIX world = Identity();

    part.DrawSkinned(&device, &world, materials, 0, 1);

    EXPECT_EQ(part.Pick(320, 240, &device, &distance), -1);
    EXPECT_EQ(PickAt(part, {6.0f, 0.0f, -10.0f}), 0);
    part.DrawSkinned(&device, &world, materials, 0, 0);
    EXPECT_EQ(part.Pick(320, 240, &device, &distance), 0);
    EXPECT_EQ(PickAt(part, {6.5f, -3.0f, -10.0f}), -1);
}

TEST_F(MQAObjectPickTest, FacesNamingMissingVerticesAreNeverHit) {
    std::vector<D3DXVECTOR3> vertices = TriangleAt(-20);
    MQAObject part =
        Part(vertices, {Face({0, 1, 7}), Face({-3, 1, 2}), Face({0, 1, 2, 100}), Face({2, 1, 0})});

    EXPECT_EQ(part.Pick(320, 240, &device, &distance), 3);
    EXPECT_FLOAT_EQ(distance, 20.0f);
    part.m_boneAnimations = {{{Translation(0, 0, 5)}}};
    part.m_vertices[0].bone = 0;
    part.CreateSkinArrays();
    const std::vector<MQAMaterial> materials(1);
    const D3DXMATRIX world = Identity();
    part.DrawSkinned(&device, &world, materials, 0, 0);
    EXPECT_EQ(part.Pick(320, 240, &device, &distance), 3);
    EXPECT_EQ(part.m_skinnedVertices.size(), 3u);
}

} // namespace
