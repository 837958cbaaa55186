#pragma once

// One mesh part of a character, one per "Object" chunk of a model file: vertices, faces,
// smoothing angle, per-frame object matrices of each motion and bone animations. Copies
// share the vertex buffer pointer without taking a reference; only the character releases
// it.

#include "loader/MQAFace.h"
#include "loader/MQAVertex.h"
#include "loader/MeshVertex.h"
#include "platform/D3DXMath.h"

#include <cstdint>
#include <string>
#include <vector>

class IDirect3DDevice9;
class IDirect3DVertexBuffer9;
class MQAMaterial;
class SmoothingLimit;

class MQAObject {
public:
    MQAObject();

    void AddVertex(float x, float y, float z, int bone);
    bool HasBoneAnimations() const { return !m_boneAnimations.empty(); }
    // Name of bone animation i, or "None" when there is no such animation.
    const char* GetBoneAnimationName(int i) const;
    // The object matrix of a motion at a frame; out of range falls back to the first matrix
    // of the first motion, or the identity.
    D3DXMATRIX GetMotionMatrix(int motion, int frame) const;

    // Normals. A face that names a vertex outside the part is left out of every computation:
    // it gets no normal, no corners, no triangle and no ray hit.
    void CalcFaceNormals();
    // Computes the face normals, then gives every face one corner per index whose normal is
    // the unit sum of the normals of the faces around its vertex, in face order, that lie
    // within the facet angle of its own face (its own face always). Past
    // MostCornersSmoothedInFull corners around one vertex, a corner there sums only the faces
    // whose normals equal its own face's, bit for bit.
    void CalcSmoothing();
    // The full rule costs the square of the corners around a vertex: beyond this many, a
    // small file could hold the program for minutes. Equal normals are found by sorting.
    static constexpr std::size_t MostCornersSmoothedInFull = 512;

    // Static parts: one managed vertex buffer, triangle lists grouped by material. Made and
    // locked on the device's thread, it is returned for filling, or null when there is no
    // buffer (nothing to draw, or no device) or it could not be locked (then it draws
    // nothing). Filling smooths the part first, since nothing
    // but the buffer reads the normals, and calls no device, so that parts fill their
    // buffers side by side; the character unlocks them afterwards.
    MeshVertex* LockNewVertexBuffer(IDirect3DDevice9* device,
                                    const std::vector<MQAMaterial>& materials);
    void FillVertexBuffer(MeshVertex* vertices, const std::vector<MQAMaterial>& materials);
    void Draw(IDirect3DDevice9* device, const D3DXMATRIX* world,
              const std::vector<MQAMaterial>& materials);

    // Parts with bone animations are posed on the processor at every draw.
    void CreateSkinArrays();
    void Skin(int motion, int frame);
    void DrawSkinned(IDirect3DDevice9* device, const D3DXMATRIX* world,
                     const std::vector<MQAMaterial>& materials, int motion, int frame);

    // The nearest face under a point of the view (client pixels) as last drawn, and its
    // distance; -1 and 1000000 when nothing is hit.
    int Pick(int x, int y, IDirect3DDevice9* device, float* distance) const;

    std::string m_name;
    IDirect3DVertexBuffer9* m_pVertexBuffer = nullptr;
    int m_nMirrorAxis = 0;
    float m_fFacet = 0.0f;
    std::vector<MQAFace> m_faces;
    std::vector<int> m_trianglesPerMaterial;
    std::vector<std::vector<D3DXMATRIX>> m_animations; // [motion][frame]
    D3DXMATRIX m_matLastWorld;
    std::vector<MQAVertex> m_vertices;
    std::vector<MeshVertex> m_skinnedVertices;
    std::vector<D3DXVECTOR3> m_skinnedPositions;
    std::vector<std::vector<std::vector<D3DXMATRIX>>> m_boneAnimations; // [animation][bone][frame]
    std::vector<std::string> m_boneAnimationNames;

private:
    // A corner of a face, as listed around its vertex.
    struct CornerOfFace {
        std::uint32_t face;
        std::uint32_t corner;
    };

    bool IsUsable(const MQAFace& face) const;
    // The corner normals of the corners around one vertex, by the full rule or by equal
    // normals only; the vectors are room that the calls reuse.
    void SmoothInFull(const CornerOfFace* first, const CornerOfFace* end,
                      const SmoothingLimit& limit, std::vector<D3DXVECTOR3>& normals);
    void SmoothEqualNormals(const CornerOfFace* first, const CornerOfFace* end,
                            const SmoothingLimit& limit, std::vector<std::size_t>& order);
    // Entries of a face in a triangle list: 3 for a triangle, 6 for a quad, else 0.
    int TriangleListSize(const MQAFace& face) const;
    std::size_t CountTriangleListEntries() const;
    // Writes a face's triangle-list entries (corners 0 1 2, and 2 3 0 for a quad) from the
    // given vertex positions; returns the position after them.
    MeshVertex* WriteFace(const MQAFace& face, MeshVertex* out) const;
    // Calls visit(k) with the corner of each triangle-list entry of the face, in order.
    template <typename Visit> void ForEachEntry(const MQAFace& face, Visit&& visit) const;
    const D3DXVECTOR3& SkinnedPosition(std::size_t vertex, int motion, int frame,
                                       D3DXVECTOR3& storage) const;
};
