#include "loader/MQAObject.h"

#include "loader/MQAMaterial.h"
#include "loader/PickRay.h"
#include "loader/SmoothingLimit.h"
#include "platform/IDirect3DDevice9.h"
#include "platform/IDirect3DVertexBuffer9.h"
#include "scene/SceneStrings.h"
#include "scene/SceneTypes.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <numeric>
#include <utility>

namespace {
constexpr float NoHitDistance = 1000000.0f;
const D3DXVECTOR3 UpNormal(0.0f, 1.0f, 0.0f);

// A vector divided by its length; up when it has none.
D3DXVECTOR3 UnitOrUp(const D3DXVECTOR3& sum) {
    const float length = D3DXVec3Length(&sum);
    return length == 0.0f ? UpNormal : sum * (1.0f / length);
}

// The normal added `count` times, one after the other, as a corner sums its faces.
D3DXVECTOR3 RepeatedSum(const D3DXVECTOR3& normal, std::size_t count) {
    D3DXVECTOR3 sum;
    for (std::size_t i = 0; i < count; ++i) {
        sum = sum + normal;
    }
    return sum;
}

// Corner order of the triangle-list entries of a triangle and of a quad.
constexpr int TriangleCorners[] = {0, 1, 2};
constexpr int QuadCorners[] = {0, 1, 2, 2, 3, 0};
} // namespace

MQAObject::MQAObject() {
    D3DXMatrixIdentity(&m_matLastWorld);
}

void MQAObject::AddVertex(float x, float y, float z, int bone) {
    m_vertices.push_back(MQAVertex{x, y, z, bone});
}

const char* MQAObject::GetBoneAnimationName(int i) const {
    if (i < 0 || i >= static_cast<int>(m_boneAnimations.size()) ||
        i >= static_cast<int>(m_boneAnimationNames.size())) {
        return UnnamedBoneAnimation;
    }
    return m_boneAnimationNames[static_cast<std::size_t>(i)].c_str();
}

D3DXMATRIX MQAObject::GetMotionMatrix(int motion, int frame) const {
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    if (m_animations.empty()) {
        return identity;
    }
    if (motion >= 0 && motion < static_cast<int>(m_animations.size())) {
        const auto& frames = m_animations[static_cast<std::size_t>(motion)];
        if (frame >= 0 && frame < static_cast<int>(frames.size())) {
            return frames[static_cast<std::size_t>(frame)];
        }
    }
    const auto& first = m_animations.front();
    return first.empty() ? identity : first.front();
}

bool MQAObject::IsUsable(const MQAFace& face) const {
    for (int index : face.indices) {
        if (index < 0 || index >= static_cast<int>(m_vertices.size())) {
            return false;
        }
    }
    return true;
}

int MQAObject::TriangleListSize(const MQAFace& face) const {
    if (!IsUsable(face)) {
        return 0;
    }
    switch (face.indices.size()) {
    case 3:
        return 3;
    case 4:
        return 6;
    default:
        return 0;
    }
}

std::size_t MQAObject::CountTriangleListEntries() const {
    std::size_t count = 0;
    for (const MQAFace& face : m_faces) {
        count += static_cast<std::size_t>(TriangleListSize(face));
    }
    return count;
}

void MQAObject::CalcFaceNormals() {
    for (MQAFace& face : m_faces) {
        if (!IsUsable(face)) {
            continue;
        }
        if (face.indices.size() < 3) {
            face.normal = UpNormal;
            continue;
        }
        const MQAVertex& p0 = m_vertices[static_cast<std::size_t>(face.indices[0])];
        const MQAVertex& p1 = m_vertices[static_cast<std::size_t>(face.indices[1])];
        const MQAVertex& p2 = m_vertices[static_cast<std::size_t>(face.indices[2])];
        const D3DXVECTOR3 n((p1.y - p0.y) * (p2.z - p0.z) - (p1.z - p0.z) * (p2.y - p0.y),
                            (p1.z - p0.z) * (p2.x - p0.x) - (p1.x - p0.x) * (p2.z - p0.z),
                            (p1.x - p0.x) * (p2.y - p0.y) - (p1.y - p0.y) * (p2.x - p0.x));
        face.normal = UnitOrUp(n);
    }
}

void MQAObject::CalcSmoothing() {
    // The corners around each vertex, in face and corner order, as one flat list with an
    // offset per vertex.
    const std::size_t vertexCount = m_vertices.size();
    std::vector<std::size_t> offsets(vertexCount + 1, 0);
    for (const MQAFace& face : m_faces) {
        if (IsUsable(face)) {
            for (int index : face.indices) {
                ++offsets[static_cast<std::size_t>(index) + 1];
            }
        }
    }
    for (std::size_t v = 0; v < vertexCount; ++v) {
        offsets[v + 1] += offsets[v];
    }
    std::vector<CornerOfFace> around(offsets[vertexCount]);
    std::vector<std::size_t> fill(offsets.begin(), offsets.end() - 1);
    for (std::size_t j = 0; j < m_faces.size(); ++j) {
        MQAFace& face = m_faces[j];
        face.corners.clear();
        if (!IsUsable(face)) {
            continue;
        }
        face.corners.resize(face.indices.size());
        for (std::size_t k = 0; k < face.indices.size(); ++k) {
            around[fill[static_cast<std::size_t>(face.indices[k])]++] = {
                static_cast<std::uint32_t>(j), static_cast<std::uint32_t>(k)};
        }
    }

    CalcFaceNormals();
    const SmoothingLimit limit(m_fFacet * DegreesToRadians);
    std::vector<D3DXVECTOR3> normals;
    std::vector<std::size_t> order;
    for (std::size_t v = 0; v < vertexCount; ++v) {
        const CornerOfFace* first = around.data() + offsets[v];
        const CornerOfFace* end = around.data() + offsets[v + 1];
        if (offsets[v + 1] - offsets[v] <= MostCornersSmoothedInFull) {
            SmoothInFull(first, end, limit, normals);
        } else {
            SmoothEqualNormals(first, end, limit, order);
        }
    }
}

void MQAObject::SmoothInFull(const CornerOfFace* first, const CornerOfFace* end,
                             const SmoothingLimit& limit, std::vector<D3DXVECTOR3>& normals) {
    // The normals side by side, since each is read once for every corner.
    normals.clear();
    for (const CornerOfFace* corner = first; corner != end; ++corner) {
        normals.push_back(m_faces[corner->face].normal);
    }
    for (const CornerOfFace* corner = first; corner != end; ++corner) {
        const D3DXVECTOR3& own = normals[static_cast<std::size_t>(corner - first)];
        // The components apart, so that the sum stays in registers.
        float x = 0.0f;
        float y = 0.0f;
        float z = 0.0f;
        for (const CornerOfFace* other = first; other != end; ++other) {
            const D3DXVECTOR3& normal = normals[static_cast<std::size_t>(other - first)];
            // Smoothed only within the facet angle of this corner's own face.
            if (other->face == corner->face || limit.Smooths(D3DXVec3Dot(&normal, &own))) {
                x += normal.x;
                y += normal.y;
                z += normal.z;
            }
        }
        m_faces[corner->face].corners[corner->corner].normal = UnitOrUp(D3DXVECTOR3(x, y, z));
    }
}

void MQAObject::SmoothEqualNormals(const CornerOfFace* first, const CornerOfFace* end,
                                   const SmoothingLimit& limit, std::vector<std::size_t>& order) {
    // The corners sorted by their faces' normals, bit for bit, and within one normal in their
    // order around the vertex, so that the corners of one face stay together.
    const auto normalOf = [&](std::size_t i) -> const D3DXVECTOR3& {
        return m_faces[first[i].face].normal;
    };
    order.resize(static_cast<std::size_t>(end - first));
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const int compared = std::memcmp(&normalOf(a), &normalOf(b), sizeof(D3DXVECTOR3));
        return compared != 0 ? compared < 0 : a < b;
    });
    for (std::size_t group = 0; group < order.size();) {
        const D3DXVECTOR3& normal = normalOf(order[group]);
        std::size_t groupEnd = group + 1;
        while (groupEnd < order.size() &&
               std::memcmp(&normalOf(order[groupEnd]), &normal, sizeof normal) == 0) {
            ++groupEnd;
        }
        // Equal normals are smoothed all together, or each face with itself only (as many
        // times as it names the vertex).
        const bool smooths = limit.Smooths(D3DXVec3Dot(&normal, &normal));
        const D3DXVECTOR3 together = UnitOrUp(RepeatedSum(normal, groupEnd - group));
        for (std::size_t run = group; run < groupEnd;) {
            const std::uint32_t face = first[order[run]].face;
            std::size_t runEnd = run + 1;
            while (runEnd < groupEnd && first[order[runEnd]].face == face) {
                ++runEnd;
            }
            const D3DXVECTOR3 own =
                smooths ? together : UnitOrUp(RepeatedSum(normal, runEnd - run));
            for (; run < runEnd; ++run) {
                m_faces[face].corners[first[order[run]].corner].normal = own;
            }
        }
        group = groupEnd;
    }
}

template <typename Visit> void MQAObject::ForEachEntry(const MQAFace& face, Visit&& visit) const {
    const int size = TriangleListSize(face);
    const int* corners = size == 6 ? QuadCorners : TriangleCorners;
    for (int e = 0; e < size; ++e) {
        visit(static_cast<std::size_t>(corners[e]));
    }
}

MeshVertex* MQAObject::WriteFace(const MQAFace& face, MeshVertex* out) const {
    ForEachEntry(face, [&](std::size_t k) {
        const MQAVertex& vertex = m_vertices[static_cast<std::size_t>(face.indices[k])];
        const D3DXVECTOR3& normal = face.corners[k].normal;
        const bool hasUv = k < face.uv.size();
        *out++ = MeshVertex{vertex.x,
                            vertex.y,
                            vertex.z,
                            normal.x,
                            normal.y,
                            normal.z,
                            hasUv ? face.uv[k].first : 0.0f,
                            hasUv ? face.uv[k].second : 0.0f};
    });
    return out;
}

MeshVertex* MQAObject::LockNewVertexBuffer(IDirect3DDevice9* device,
                                           const std::vector<MQAMaterial>& materials) {
    // One pass over the faces sizes the buffer and each material's triangle list; a face
    // whose material does not exist is counted in the size but never written.
    std::vector<int> triangles(materials.size(), 0);
    std::size_t count = 0;
    for (const MQAFace& face : m_faces) {
        const int entries = TriangleListSize(face);
        count += static_cast<std::size_t>(entries);
        if (face.material >= 0 && face.material < static_cast<int>(materials.size())) {
            triangles[static_cast<std::size_t>(face.material)] += entries / 3;
        }
    }
    m_trianglesPerMaterial.clear();
    constexpr std::size_t largestBuffer = std::numeric_limits<UINT>::max() / sizeof(MeshVertex);
    if (count == 0 || count > largestBuffer || device == nullptr ||
        FAILED(device->CreateVertexBuffer(static_cast<UINT>(count * sizeof(MeshVertex)), 0,
                                          MeshVertexFVF, D3DPOOL_MANAGED, &m_pVertexBuffer))) {
        m_pVertexBuffer = nullptr;
        return nullptr;
    }
    void* data = nullptr;
    if (FAILED(m_pVertexBuffer->Lock(0, 0, &data, 0))) {
        return nullptr; // nothing will be written, so nothing is drawn
    }
    m_trianglesPerMaterial = std::move(triangles);
    return static_cast<MeshVertex*>(data);
}

void MQAObject::FillVertexBuffer(MeshVertex* vertices, const std::vector<MQAMaterial>& materials) {
    CalcSmoothing();
    // Triangle lists grouped by material in ascending order, faces in file order within a
    // group.
    std::vector<std::size_t> next(m_trianglesPerMaterial.size() + 1, 0);
    for (std::size_t d = 0; d < m_trianglesPerMaterial.size(); ++d) {
        next[d + 1] = next[d] + 3 * static_cast<std::size_t>(m_trianglesPerMaterial[d]);
    }
    for (const MQAFace& face : m_faces) {
        if (face.material >= 0 && face.material < static_cast<int>(materials.size())) {
            std::size_t& entry = next[static_cast<std::size_t>(face.material)];
            entry = static_cast<std::size_t>(WriteFace(face, vertices + entry) - vertices);
        }
    }
}

void MQAObject::Draw(IDirect3DDevice9* device, const D3DXMATRIX* world,
                     const std::vector<MQAMaterial>& materials) {
    device->SetFVF(MeshVertexFVF);
    device->SetTransform(D3DTS_WORLD, world);
    device->GetTransform(D3DTS_WORLD, &m_matLastWorld);
    if (m_pVertexBuffer == nullptr) {
        return;
    }
    device->SetTexture(0, nullptr);
    device->SetStreamSource(0, m_pVertexBuffer, 0, sizeof(MeshVertex));
    UINT start = 0;
    for (std::size_t i = 0; i < m_trianglesPerMaterial.size() && i < materials.size(); ++i) {
        const int triangles = m_trianglesPerMaterial[i];
        if (triangles <= 0) {
            continue;
        }
        const MQAMaterial& material = materials[i];
        device->SetMaterial(&material.m_material);
        device->SetTexture(0, material.m_textureFile.empty() ? nullptr : material.m_pTexture);
        device->DrawPrimitive(D3DPT_TRIANGLELIST, start, static_cast<UINT>(triangles));
        start += 3 * static_cast<UINT>(triangles);
    }
}

void MQAObject::CreateSkinArrays() {
    CalcSmoothing();
    m_skinnedVertices.resize(CountTriangleListEntries());
    m_skinnedPositions.resize(m_vertices.size());
    MeshVertex* out = m_skinnedVertices.data();
    for (const MQAFace& face : m_faces) {
        out = WriteFace(face, out);
    }
    for (std::size_t v = 0; v < m_vertices.size(); ++v) {
        m_skinnedPositions[v] = D3DXVECTOR3(m_vertices[v].x, m_vertices[v].y, m_vertices[v].z);
    }
}

const D3DXVECTOR3& MQAObject::SkinnedPosition(std::size_t vertex, int motion, int frame,
                                              D3DXVECTOR3& storage) const {
    const MQAVertex& source = m_vertices[vertex];
    storage = D3DXVECTOR3(source.x, source.y, source.z);
    // A vertex without a bone, or whose motion, bone or frame does not exist, keeps its bind
    // position.
    if (motion < 0 || source.bone < 0 || motion >= static_cast<int>(m_boneAnimations.size())) {
        return storage;
    }
    const auto& bones = m_boneAnimations[static_cast<std::size_t>(motion)];
    if (source.bone >= static_cast<int>(bones.size())) {
        return storage;
    }
    const auto& frames = bones[static_cast<std::size_t>(source.bone)];
    if (frame < 0 || frame >= static_cast<int>(frames.size())) {
        return storage;
    }
    const D3DXVECTOR3 bind = storage;
    D3DXVec3TransformCoord(&storage, &bind, &frames[static_cast<std::size_t>(frame)]);
    return storage;
}

void MQAObject::Skin(int motion, int frame) {
    if (m_skinnedPositions.size() != m_vertices.size()) {
        return; // not prepared for skinning
    }
    for (std::size_t v = 0; v < m_vertices.size(); ++v) {
        SkinnedPosition(v, motion, frame, m_skinnedPositions[v]);
    }
    // Only the positions of the bind-pose entries change.
    MeshVertex* out = m_skinnedVertices.data();
    MeshVertex* const end = out + m_skinnedVertices.size();
    for (const MQAFace& face : m_faces) {
        ForEachEntry(face, [&](std::size_t k) {
            if (out == end) {
                return; // faces changed since the arrays were made
            }
            const D3DXVECTOR3& position =
                m_skinnedPositions[static_cast<std::size_t>(face.indices[k])];
            out->x = position.x;
            out->y = position.y;
            out->z = position.z;
            ++out;
        });
    }
}

void MQAObject::DrawSkinned(IDirect3DDevice9* device, const D3DXMATRIX* world,
                            const std::vector<MQAMaterial>& materials, int motion, int frame) {
    device->SetFVF(MeshVertexFVF);
    device->SetTransform(D3DTS_WORLD, world);
    device->GetTransform(D3DTS_WORLD, &m_matLastWorld);
    device->SetFVF(MeshVertexFVF);
    Skin(motion, frame);
    if (materials.empty() || m_skinnedVertices.empty()) {
        return;
    }
    // The whole part is drawn with the first material, whatever its faces name.
    const MQAMaterial& material = materials.front();
    device->SetMaterial(&material.m_material);
    device->SetTexture(0, material.m_textureFile.empty() ? nullptr : material.m_pTexture);
    device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, static_cast<UINT>(m_skinnedVertices.size() / 3),
                            m_skinnedVertices.data(), sizeof(MeshVertex));
}

int MQAObject::Pick(int x, int y, IDirect3DDevice9* device, float* distance) const {
    *distance = NoHitDistance;
    const PickRay ray = PickRay::Through(x, y, device, m_matLastWorld);
    if (!ray.valid) {
        return -1;
    }
    D3DXVECTOR3 direction;
    D3DXVec3Normalize(&direction, &ray.direction);
    const D3DXVECTOR3& origin = ray.origin;

    const bool skinned = HasBoneAnimations() && m_skinnedPositions.size() == m_vertices.size();
    auto position = [&](int corner, const MQAFace& face) {
        const auto v = static_cast<std::size_t>(face.indices[static_cast<std::size_t>(corner)]);
        return skinned ? m_skinnedPositions[v]
                       : D3DXVECTOR3(m_vertices[v].x, m_vertices[v].y, m_vertices[v].z);
    };
    int nearest = -1;
    for (std::size_t j = 0; j < m_faces.size(); ++j) {
        const MQAFace& face = m_faces[j];
        const int size = TriangleListSize(face);
        if (size == 0) {
            continue;
        }
        const D3DXVECTOR3 p0 = position(0, face);
        const D3DXVECTOR3 p2 = position(2, face);
        float hit = 0.0f;
        bool found = false;
        if (size == 6) {
            const D3DXVECTOR3 p3 = position(3, face);
            found = D3DXIntersectTri(&p0, &p2, &p3, &origin, &direction, nullptr, nullptr, &hit);
        }
        if (!found) {
            const D3DXVECTOR3 p1 = position(1, face);
            found = D3DXIntersectTri(&p0, &p1, &p2, &origin, &direction, nullptr, nullptr, &hit);
        }
        // The nearest hit wins; at equal distance the lower face index stays.
        if (found && (nearest < 0 || hit < *distance)) {
            *distance = hit;
            nearest = static_cast<int>(j);
        }
    }
    return nearest;
}
