#pragma once

// The constant geometry of the ground grid and of the move, rotate and scale handles, in
// handle units. The drawn vertex lists and the hit-test triangles come from the same tables.

#include "graphics/GizmoVertex.h"
#include "platform/D3DXMath.h"

#include <array>
#include <vector>

namespace GizmoGeometry {

enum Axis { AxisX = 0, AxisY = 1, AxisZ = 2 };

constexpr D3DCOLOR Red = 0xFFFF0000;
constexpr D3DCOLOR Green = 0xFF00FF00;
constexpr D3DCOLOR Blue = 0xFF0000FF;
constexpr D3DCOLOR Yellow = 0xFFFFFF00;
constexpr D3DCOLOR AxisLineGrey = 0xFF646464;
constexpr D3DCOLOR GridGrey = D3DCOLOR_ARGB(255, 91, 105, 91);

using Triangle = std::array<D3DXVECTOR3, 3>;

// Hit-test triangles, in table order.
std::vector<Triangle> ArrowTriangles(Axis axis);
std::vector<Triangle> RingTriangles(Axis axis);
std::vector<Triangle> EndCubeTriangles(Axis axis);
std::vector<Triangle> CentreCubeTriangles();

// Vertex lists of the buffers: 90 grid, 78 move, 146 per ring, 36 box, 150 scale vertices.
std::vector<GizmoVertex> GridVertices();
std::vector<GizmoVertex> MoveHandleVertices();
std::vector<GizmoVertex> RingVertices(Axis axis);
std::vector<GizmoVertex> BoxVertices();
std::vector<GizmoVertex> ScaleHandleVertices();

} // namespace GizmoGeometry
