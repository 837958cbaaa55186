#include "graphics/GizmoGeometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using namespace GizmoGeometry;
using Vertices = std::vector<GizmoVertex>;
using Triangles = std::vector<Triangle>;

constexpr float kTolerance = 1e-4f;
constexpr D3DCOLOR kGrey = 0xFF646464;
constexpr D3DCOLOR kGridGrey = 0xFF5B695B; // red 91, green 105, blue 91
constexpr Axis kAxes[] = {AxisX, AxisY, AxisZ};

D3DXVECTOR3 PositionOf(const GizmoVertex& vertex) {
    return D3DXVECTOR3(vertex.x, vertex.y, vertex.z);
}

void ExpectPoint(const D3DXVECTOR3& actual, const D3DXVECTOR3& expected) {
    EXPECT_NEAR(actual.x, expected.x, kTolerance);
    EXPECT_NEAR(actual.y, expected.y, kTolerance);
    EXPECT_NEAR(actual.z, expected.z, kTolerance);
}

// The positions of `count` vertices from `first`, three to a triangle.
Triangles TrianglesOf(const Vertices& vertices, std::size_t first, std::size_t count) {
    Triangles triangles;
    for (std::size_t i = first; i + 2 < first + count; i += 3) {
        triangles.push_back(
            {PositionOf(vertices[i]), PositionOf(vertices[i + 1]), PositionOf(vertices[i + 2])});
    }
    return triangles;
}

void ExpectTriangles(const Triangles& actual, const Triangles& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t t = 0; t < expected.size(); ++t) {
        SCOPED_TRACE("triangle " + std::to_string(t));
        for (std::size_t corner = 0; corner < 3; ++corner) {
            ExpectPoint(actual[t][corner], expected[t][corner]);
        }
    }
}

template <std::size_t N>
Triangles FromIndexTable(const std::vector<D3DXVECTOR3>& points, const int (&table)[N][3]) {
    Triangles triangles;
    for (const auto& index : table) {
        triangles.push_back({points[static_cast<std::size_t>(index[0])],
                             points[static_cast<std::size_t>(index[1])],
                             points[static_cast<std::size_t>(index[2])]});
    }
    return triangles;
}

constexpr int kCubeTable[12][3] = {{1, 3, 2}, {1, 2, 0}, {3, 5, 4}, {3, 4, 2},
                                   {5, 7, 6}, {5, 6, 4}, {7, 1, 0}, {7, 0, 6},
                                   {7, 5, 3}, {7, 3, 1}, {0, 2, 4}, {0, 4, 6}};
constexpr int kArrowTable[4][3] = {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}};

const std::vector<D3DXVECTOR3> kCentreCube = {{-5, 5, -5}, {5, 5, -5}, {-5, 5, 5},   {5, 5, 5},
                                              {-5, -5, 5}, {5, -5, 5}, {-5, -5, -5}, {5, -5, -5}};
const std::vector<D3DXVECTOR3> kEndCubes[3] = {{{80, -5, 5},
                                                {80, 5, 5},
                                                {90, -5, 5},
                                                {90, 5, 5},
                                                {90, -5, -5},
                                                {90, 5, -5},
                                                {80, -5, -5},
                                                {80, 5, -5}},
                                               {{-5, 80, 5},
                                                {5, 80, 5},
                                                {-5, 90, 5},
                                                {5, 90, 5},
                                                {-5, 90, -5},
                                                {5, 90, -5},
                                                {-5, 80, -5},
                                                {5, 80, -5}},
                                               {{-5, 5, 80},
                                                {5, 5, 80},
                                                {-5, 5, 90},
                                                {5, 5, 90},
                                                {-5, -5, 90},
                                                {5, -5, 90},
                                                {-5, -5, 80},
                                                {5, -5, 80}}};
// Tip and the three base points of each arrow head.
const std::vector<D3DXVECTOR3> kArrows[3] = {{{100, 0, 0}, {80, 0, 10}, {80, -8, -5}, {80, 8, -5}},
                                             {{0, 100, 0}, {0, 80, 10}, {-8, 80, -5}, {8, 80, -5}},
                                             {{0, 0, 100}, {0, 10, 80}, {-8, -5, 80}, {8, -5, 80}}};

// Point k (0 inner, 1 outer +3, 2 outer -3 along the axis) of station s of a ring.
D3DXVECTOR3 RingPoint(Axis axis, int s, int k) {
    const double t = s * 45.0 * std::acos(-1.0) / 180.0;
    const double radius = k == 0 ? 80.0 : 87.5;
    const double offset = k == 0 ? 0.0 : k == 1 ? 3.0 : -3.0;
    const auto c = static_cast<float>(radius * std::cos(t));
    const auto n = static_cast<float>(radius * std::sin(t));
    const auto o = static_cast<float>(offset);
    switch (axis) {
    case AxisX:
        return {o, -c, n};
    case AxisY:
        return {c, o, n};
    default:
        return {-n, -c, o};
    }
}

Triangles ExpectedRingTriangles(Axis axis) {
    Triangles triangles;
    for (int s = 0; s < 8; ++s) {
        const int n = (s + 1) % 8;
        const D3DXVECTOR3 a = RingPoint(axis, s, 0), b = RingPoint(axis, s, 1),
                          c = RingPoint(axis, s, 2);
        const D3DXVECTOR3 A = RingPoint(axis, n, 0), B = RingPoint(axis, n, 1),
                          C = RingPoint(axis, n, 2);
        for (const Triangle& t : {Triangle{b, B, A}, Triangle{b, A, a}, Triangle{c, C, B},
                                  Triangle{c, B, b}, Triangle{a, A, C}, Triangle{a, C, c}}) {
            triangles.push_back(t);
        }
    }
    return triangles;
}

// --- Buffer contents ---

struct NamedList {
    const char* name;
    Vertices (*make)();
};

const NamedList kLists[] = {
    {"grid", &GridVertices},
    {"move", &MoveHandleVertices},
    {"ring x", [] { return RingVertices(AxisX); }},
    {"ring y", [] { return RingVertices(AxisY); }},
    {"ring z", [] { return RingVertices(AxisZ); }},
    {"box", &BoxVertices},
    {"scale", &ScaleHandleVertices},
};

TEST(GizmoGeometryTest, ListsHoldTheBufferSizes) {
    const std::map<std::string, std::size_t> expected = {
        {"grid", 90},    {"move", 78}, {"ring x", 146}, {"ring y", 146},
        {"ring z", 146}, {"box", 36},  {"scale", 150}};
    for (const NamedList& list : kLists) {
        SCOPED_TRACE(list.name);
        EXPECT_EQ(list.make().size(), expected.at(list.name));
        EXPECT_EQ(list.make().size() * sizeof(GizmoVertex), expected.at(list.name) * 28);
    }
}

TEST(GizmoGeometryTest, EveryVertexHasTheNormalAlongZ) {
    for (const NamedList& list : kLists) {
        SCOPED_TRACE(list.name);
        for (const GizmoVertex& vertex : list.make()) {
            ASSERT_EQ(std::make_tuple(vertex.nx, vertex.ny, vertex.nz),
                      std::make_tuple(0.0f, 0.0f, 1.0f));
        }
    }
}

TEST(GizmoGeometryTest, ColoursFollowTheParts) {
    constexpr D3DCOLOR red = 0xFFFF0000, green = 0xFF00FF00, blue = 0xFF0000FF, yellow = 0xFFFFFF00;
    // Runs of (vertex count, colour) from the first vertex.
    const std::map<std::string, std::vector<std::pair<std::size_t, D3DCOLOR>>> expected = {
        {"grid", {{2, red}, {2, green}, {2, blue}, {84, kGridGrey}}},
        {"move", {{12, red}, {12, green}, {12, blue}, {36, yellow}, {6, kGrey}}},
        {"ring x", {{144, red}, {2, kGrey}}},
        {"ring y", {{144, green}, {2, kGrey}}},
        {"ring z", {{144, blue}, {2, kGrey}}},
        {"box", {{36, yellow}}},
        {"scale", {{36, red}, {36, green}, {36, blue}, {36, yellow}, {6, kGrey}}},
    };
    for (const NamedList& list : kLists) {
        SCOPED_TRACE(list.name);
        const Vertices vertices = list.make();
        std::size_t next = 0;
        for (const auto& [count, colour] : expected.at(list.name)) {
            for (std::size_t i = next; i < next + count; ++i) {
                ASSERT_LT(i, vertices.size());
                EXPECT_EQ(vertices[i].colour, colour) << "vertex " << i;
            }
            next += count;
        }
        EXPECT_EQ(next, vertices.size());
    }
}

// --- Grid ---

TEST(GizmoGeometryTest, GridHoldsTheAxesThenTheGreyLines) {
    using Line = std::pair<D3DXVECTOR3, D3DXVECTOR3>;
    std::vector<Line> expected = {{{0, 0, 0}, {600, 0, 0}},
                                  {{0, 0, 0}, {0, 600, 0}},
                                  {{0, 0, 0}, {0, 0, 600}},
                                  {{-500, 0, 0}, {0, 0, 0}},
                                  {{0, 0, -500}, {0, 0, 0}}};
    for (int c = -500; c <= 500; c += 50) {
        if (c != 0) {
            expected.push_back({{float(c), 0, -500}, {float(c), 0, 500}});
        }
    }
    for (int c = -500; c <= 500; c += 50) {
        if (c != 0) {
            expected.push_back({{-500, 0, float(c)}, {500, 0, float(c)}});
        }
    }
    ASSERT_EQ(expected.size(), 45u);

    const Vertices grid = GridVertices();

    ASSERT_EQ(grid.size(), 90u);
    for (std::size_t line = 0; line < expected.size(); ++line) {
        SCOPED_TRACE("line " + std::to_string(line));
        EXPECT_EQ(PositionOf(grid[2 * line]), expected[line].first);
        EXPECT_EQ(PositionOf(grid[2 * line + 1]), expected[line].second);
    }
}

// --- Handle shapes ---

TEST(GizmoGeometryTest, MoveHandleHoldsArrowsCentreCubeAndAxisLines) {
    const Vertices move = MoveHandleVertices();
    ASSERT_EQ(move.size(), 78u);

    for (Axis axis : kAxes) {
        SCOPED_TRACE("arrow " + std::to_string(axis));
        ExpectTriangles(TrianglesOf(move, 12 * axis, 12),
                        FromIndexTable(kArrows[axis], kArrowTable));
    }
    ExpectTriangles(TrianglesOf(move, 36, 36), FromIndexTable(kCentreCube, kCubeTable));
    const D3DXVECTOR3 origin(0, 0, 0);
    const D3DXVECTOR3 ends[] = {{80, 0, 0}, {0, 80, 0}, {0, 0, 80}};
    for (std::size_t line = 0; line < 3; ++line) {
        EXPECT_EQ(PositionOf(move[72 + 2 * line]), origin);
        EXPECT_EQ(PositionOf(move[73 + 2 * line]), ends[line]);
    }
}

TEST(GizmoGeometryTest, ScaleHandleHoldsEndCubesCentreCubeAndAxisLines) {
    const Vertices scale = ScaleHandleVertices();
    ASSERT_EQ(scale.size(), 150u);

    for (Axis axis : kAxes) {
        SCOPED_TRACE("end cube " + std::to_string(axis));
        ExpectTriangles(TrianglesOf(scale, 36 * axis, 36),
                        FromIndexTable(kEndCubes[axis], kCubeTable));
    }
    ExpectTriangles(TrianglesOf(scale, 108, 36), FromIndexTable(kCentreCube, kCubeTable));
    const D3DXVECTOR3 ends[] = {{80, 0, 0}, {0, 80, 0}, {0, 0, 80}};
    for (std::size_t line = 0; line < 3; ++line) {
        EXPECT_EQ(PositionOf(scale[144 + 2 * line]), D3DXVECTOR3(0, 0, 0));
        EXPECT_EQ(PositionOf(scale[145 + 2 * line]), ends[line]);
    }
}

TEST(GizmoGeometryTest, BoxIsTheCentreCube) {
    ExpectTriangles(TrianglesOf(BoxVertices(), 0, 36), FromIndexTable(kCentreCube, kCubeTable));
}

TEST(GizmoGeometryTest, EndCubesSpanEightyToNinetyAlongTheirAxis) {
    for (Axis axis : kAxes) {
        SCOPED_TRACE(axis);
        for (const Triangle& triangle : EndCubeTriangles(axis)) {
            for (const D3DXVECTOR3& p : triangle) {
                const float coordinates[] = {p.x, p.y, p.z};
                for (int c = 0; c < 3; ++c) {
                    if (c == axis) {
                        EXPECT_TRUE(coordinates[c] == 80 || coordinates[c] == 90);
                    } else {
                        EXPECT_EQ(std::fabs(coordinates[c]), 5.0f);
                    }
                }
            }
        }
    }
}

TEST(GizmoGeometryTest, RingStationsLieOnTheirCircles) {
    struct Case {
        Axis axis;
        int station;
        int point; // 0 inner, 1 outer +3, 2 outer -3
        D3DXVECTOR3 expected;
    };
    const float d = 80.0f * std::sqrt(0.5f);
    const Case cases[] = {
        {AxisX, 0, 0, {0, -80, 0}},     {AxisX, 2, 0, {0, 0, 80}},    {AxisX, 4, 0, {0, 80, 0}},
        {AxisX, 6, 0, {0, 0, -80}},     {AxisX, 1, 0, {0, -d, d}},    {AxisX, 0, 1, {3, -87.5f, 0}},
        {AxisX, 0, 2, {-3, -87.5f, 0}}, {AxisX, 2, 1, {3, 0, 87.5f}}, {AxisY, 0, 0, {80, 0, 0}},
        {AxisY, 2, 0, {0, 0, 80}},      {AxisY, 4, 0, {-80, 0, 0}},   {AxisY, 0, 1, {87.5f, 3, 0}},
        {AxisY, 0, 2, {87.5f, -3, 0}},  {AxisZ, 0, 0, {0, -80, 0}},   {AxisZ, 2, 0, {-80, 0, 0}},
        {AxisZ, 4, 0, {0, 80, 0}},      {AxisZ, 6, 0, {80, 0, 0}},    {AxisZ, 0, 1, {0, -87.5f, 3}},
        {AxisZ, 0, 2, {0, -87.5f, -3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "axis " << c.axis << " station " << c.station << " point " << c.point);
        const Vertices ring = RingVertices(c.axis);
        // Station s opens triangles 6s (b, B, A), 6s + 1 (b, A, a) and 6s + 2 (c, C, B).
        const std::size_t at[] = {18u * c.station + 5, 18u * c.station, 18u * c.station + 6};
        ExpectPoint(PositionOf(ring[at[c.point]]), c.expected);
    }
}

TEST(GizmoGeometryTest, RingsHoldTheBandAndTheirAxisLine) {
    const D3DXVECTOR3 ends[] = {{93, 0, 0}, {0, 93, 0}, {0, 0, 93}};
    for (Axis axis : kAxes) {
        SCOPED_TRACE(axis);
        const Vertices ring = RingVertices(axis);
        ASSERT_EQ(ring.size(), 146u);

        ExpectTriangles(TrianglesOf(ring, 0, 144), ExpectedRingTriangles(axis));
        EXPECT_EQ(PositionOf(ring[144]), D3DXVECTOR3(0, 0, 0));
        EXPECT_EQ(PositionOf(ring[145]), ends[axis]);
    }
}

// --- Hit-test triangles ---

TEST(GizmoGeometryTest, HitTestTrianglesAreTheDrawnOnes) {
    const Vertices move = MoveHandleVertices();
    const Vertices scale = ScaleHandleVertices();
    for (Axis axis : kAxes) {
        SCOPED_TRACE(axis);
        ExpectTriangles(ArrowTriangles(axis), TrianglesOf(move, 12 * axis, 12));
        ExpectTriangles(RingTriangles(axis), TrianglesOf(RingVertices(axis), 0, 144));
        ExpectTriangles(EndCubeTriangles(axis), TrianglesOf(scale, 36 * axis, 36));
    }
    ExpectTriangles(CentreCubeTriangles(), TrianglesOf(BoxVertices(), 0, 36));
}

// Each shape is closed and consistently wound: every directed edge is met once, and its
// reverse once, by another triangle.
TEST(GizmoGeometryTest, HandleShapesAreClosedAndConsistentlyWound) {
    struct Shape {
        std::string name;
        Triangles triangles;
    };
    std::vector<Shape> shapes = {{"centre cube", CentreCubeTriangles()}};
    for (Axis axis : kAxes) {
        const std::string suffix = " " + std::to_string(axis);
        shapes.push_back({"arrow" + suffix, ArrowTriangles(axis)});
        shapes.push_back({"ring" + suffix, RingTriangles(axis)});
        shapes.push_back({"end cube" + suffix, EndCubeTriangles(axis)});
    }
    const auto key = [](const D3DXVECTOR3& p) { return std::make_tuple(p.x, p.y, p.z); };
    for (const Shape& shape : shapes) {
        SCOPED_TRACE(shape.name);
        std::map<std::pair<std::tuple<float, float, float>, std::tuple<float, float, float>>, int>
            edges;
        for (const Triangle& t : shape.triangles) {
            for (int corner = 0; corner < 3; ++corner) {
                ++edges[{key(t[corner]), key(t[(corner + 1) % 3])}];
            }
        }
        for (const auto& [edge, count] : edges) {
            EXPECT_EQ(count, 1);
            const auto reverse = edges.find({edge.second, edge.first});
            EXPECT_TRUE(reverse != edges.end() && reverse->second == 1);
        }
    }
}

} // namespace
