#include "graphics/GizmoGeometry.h"

#include <cmath>

namespace GizmoGeometry {
namespace {

using Corners = std::array<D3DXVECTOR3, 8>;

constexpr int CubeIndices[12][3] = {{1, 3, 2}, {1, 2, 0}, {3, 5, 4}, {3, 4, 2},
                                    {5, 7, 6}, {5, 6, 4}, {7, 1, 0}, {7, 0, 6},
                                    {7, 5, 3}, {7, 3, 1}, {0, 2, 4}, {0, 4, 6}};
constexpr int ArrowIndices[4][3] = {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}};

const Corners CentreCube = {{{-5, 5, -5},
                             {5, 5, -5},
                             {-5, 5, 5},
                             {5, 5, 5},
                             {-5, -5, 5},
                             {5, -5, 5},
                             {-5, -5, -5},
                             {5, -5, -5}}};

const Corners EndCubes[3] = {{{{80, -5, 5},
                               {80, 5, 5},
                               {90, -5, 5},
                               {90, 5, 5},
                               {90, -5, -5},
                               {90, 5, -5},
                               {80, -5, -5},
                               {80, 5, -5}}},
                             {{{-5, 80, 5},
                               {5, 80, 5},
                               {-5, 90, 5},
                               {5, 90, 5},
                               {-5, 90, -5},
                               {5, 90, -5},
                               {-5, 80, -5},
                               {5, 80, -5}}},
                             {{{-5, 5, 80},
                               {5, 5, 80},
                               {-5, 5, 90},
                               {5, 5, 90},
                               {-5, -5, 90},
                               {5, -5, 90},
                               {-5, -5, 80},
                               {5, -5, 80}}}};

// Tip, three base points and the base centre of each arrow head.
const std::array<D3DXVECTOR3, 5> Arrows[3] = {
    {{{100, 0, 0}, {80, 0, 10}, {80, -8, -5}, {80, 8, -5}, {80, 0, 0}}},
    {{{0, 100, 0}, {0, 80, 10}, {-8, 80, -5}, {8, 80, -5}, {0, 80, 0}}},
    {{{0, 0, 100}, {0, 10, 80}, {-8, -5, 80}, {8, -5, 80}, {0, 0, 80}}}};

const D3DCOLOR AxisColours[3] = {Red, Green, Blue};

std::vector<Triangle> CubeTriangles(const Corners& corners) {
    std::vector<Triangle> triangles;
    for (const auto& index : CubeIndices) {
        triangles.push_back({corners[index[0]], corners[index[1]], corners[index[2]]});
    }
    return triangles;
}

// Inner point, outer point +3 and outer point -3 along the ring's axis, for each station.
std::array<D3DXVECTOR3, 24> RingPoints(Axis axis) {
    std::array<D3DXVECTOR3, 24> points;
    for (int s = 0; s < 8; ++s) {
        const double t = s * 45.0 * 3.14159265358979323846 / 180.0;
        const auto c = static_cast<float>(std::cos(t));
        const auto n = static_cast<float>(std::sin(t));
        for (int k = 0; k < 3; ++k) {
            const float radius = k == 0 ? 80.0f : 87.5f;
            const float offset = k == 0 ? 0.0f : (k == 1 ? 3.0f : -3.0f);
            D3DXVECTOR3& p = points[static_cast<std::size_t>(3 * s + k)];
            switch (axis) {
            case AxisX:
                p = {offset, -radius * c, radius * n};
                break;
            case AxisY:
                p = {radius * c, offset, radius * n};
                break;
            case AxisZ:
                p = {-radius * n, -radius * c, offset};
                break;
            }
        }
    }
    return points;
}

GizmoVertex Vertex(const D3DXVECTOR3& p, D3DCOLOR colour) {
    return GizmoVertex{p.x, p.y, p.z, 0.0f, 0.0f, 1.0f, colour};
}

void AppendTriangles(std::vector<GizmoVertex>& out, const std::vector<Triangle>& triangles,
                     D3DCOLOR colour) {
    for (const Triangle& triangle : triangles) {
        for (const D3DXVECTOR3& p : triangle) {
            out.push_back(Vertex(p, colour));
        }
    }
}

void AppendLine(std::vector<GizmoVertex>& out, const D3DXVECTOR3& from, const D3DXVECTOR3& to,
                D3DCOLOR colour) {
    out.push_back(Vertex(from, colour));
    out.push_back(Vertex(to, colour));
}

void AppendAxisLines(std::vector<GizmoVertex>& out, float length) {
    const D3DXVECTOR3 origin;
    AppendLine(out, origin, {length, 0, 0}, AxisLineGrey);
    AppendLine(out, origin, {0, length, 0}, AxisLineGrey);
    AppendLine(out, origin, {0, 0, length}, AxisLineGrey);
}

} // namespace

std::vector<Triangle> ArrowTriangles(Axis axis) {
    const auto& arrow = Arrows[axis];
    std::vector<Triangle> triangles;
    for (const auto& index : ArrowIndices) {
        triangles.push_back({arrow[static_cast<std::size_t>(index[0])],
                             arrow[static_cast<std::size_t>(index[1])],
                             arrow[static_cast<std::size_t>(index[2])]});
    }
    return triangles;
}

std::vector<Triangle> RingTriangles(Axis axis) {
    const auto points = RingPoints(axis);
    std::vector<Triangle> triangles;
    for (int s = 0; s < 8; ++s) {
        const auto at = [&](int station, int k) {
            return points[static_cast<std::size_t>(3 * station + k)];
        };
        const int n = (s + 1) % 8;
        const D3DXVECTOR3 a = at(s, 0), b = at(s, 1), c = at(s, 2);
        const D3DXVECTOR3 A = at(n, 0), B = at(n, 1), C = at(n, 2);
        for (const Triangle& triangle : {Triangle{b, B, A}, Triangle{b, A, a}, Triangle{c, C, B},
                                         Triangle{c, B, b}, Triangle{a, A, C}, Triangle{a, C, c}}) {
            triangles.push_back(triangle);
        }
    }
    return triangles;
}

std::vector<Triangle> EndCubeTriangles(Axis axis) {
    return CubeTriangles(EndCubes[axis]);
}

std::vector<Triangle> CentreCubeTriangles() {
    return CubeTriangles(CentreCube);
}

std::vector<GizmoVertex> GridVertices() {
    std::vector<GizmoVertex> out;
    AppendLine(out, {0, 0, 0}, {600, 0, 0}, Red);
    AppendLine(out, {0, 0, 0}, {0, 600, 0}, Green);
    AppendLine(out, {0, 0, 0}, {0, 0, 600}, Blue);
    AppendLine(out, {-500, 0, 0}, {0, 0, 0}, GridGrey);
    AppendLine(out, {0, 0, -500}, {0, 0, 0}, GridGrey);
    for (int direction = 0; direction < 2; ++direction) {
        for (int c = -500; c <= 500; c += 50) {
            if (c == 0) {
                continue;
            }
            const auto f = static_cast<float>(c);
            if (direction == 0) {
                AppendLine(out, {f, 0, -500}, {f, 0, 500}, GridGrey);
            } else {
                AppendLine(out, {-500, 0, f}, {500, 0, f}, GridGrey);
            }
        }
    }
    return out;
}

std::vector<GizmoVertex> MoveHandleVertices() {
    std::vector<GizmoVertex> out;
    for (Axis axis : {AxisX, AxisY, AxisZ}) {
        AppendTriangles(out, ArrowTriangles(axis), AxisColours[axis]);
    }
    AppendTriangles(out, CentreCubeTriangles(), Yellow);
    AppendAxisLines(out, 80.0f); // to the arrow heads' base centres
    return out;
}

std::vector<GizmoVertex> RingVertices(Axis axis) {
    std::vector<GizmoVertex> out;
    AppendTriangles(out, RingTriangles(axis), AxisColours[axis]);
    D3DXVECTOR3 end;
    (axis == AxisX ? end.x : axis == AxisY ? end.y : end.z) = 93.0f;
    AppendLine(out, {}, end, AxisLineGrey);
    return out;
}

std::vector<GizmoVertex> BoxVertices() {
    std::vector<GizmoVertex> out;
    AppendTriangles(out, CentreCubeTriangles(), Yellow);
    return out;
}

std::vector<GizmoVertex> ScaleHandleVertices() {
    std::vector<GizmoVertex> out;
    for (Axis axis : {AxisX, AxisY, AxisZ}) {
        AppendTriangles(out, EndCubeTriangles(axis), AxisColours[axis]);
    }
    AppendTriangles(out, CentreCubeTriangles(), Yellow);
    AppendAxisLines(out, 80.0f);
    return out;
}

} // namespace GizmoGeometry
