#include "scene/CCharacter.h"

#include "loader/LoaderMQA.h"
#include "loader/MaterialTextures.h"
#include "loader/TextureCache.h"
#include "platform/CArchive.h"
#include "platform/FilePath.h"
#include "platform/IDirect3DVertexBuffer9.h"
#include "platform/Mbcs.h"
#include "platform/ParallelFor.h"
#include "platform/ProgramFolder.h"
#include "scene/SceneGlobals.h"
#include "scene/SceneStrings.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <new>
#include <optional>
#include <stdexcept>

const CRuntimeClass CCharacter::classCCharacter = {"CCharacter", sizeof(CCharacter), 0,
                                                   &CCharacter::CreateObject};

void RegisterCharacterClass() {
    CRuntimeClass::Register(&CCharacter::classCCharacter);
}

CObject* CCharacter::CreateObject() {
    return new CCharacter();
}

CCharacter::CCharacter() {
    D3DXMatrixIdentity(&m_matWorld);
}

void CCharacter::Serialize(CArchive& archive) {
    if (archive.IsStoring()) {
        archive << m_strFileName << static_cast<std::int32_t>(m_keys.size()) << m_bLocked;
        for (CAnimation& key : m_keys) {
            key.Serialize(archive);
        }
        return;
    }
    std::int32_t count = 0;
    archive >> m_strFileName >> count;
    archive.CheckCount(count, MinimumStoredKeyBytes, sizeof(CAnimation));
    MakeRoomForCount(archive, m_keys, static_cast<std::size_t>(count));
    archive >> m_bLocked;
    LoadList(m_keys, static_cast<std::size_t>(count),
             [&archive](CAnimation& key) { key.Serialize(archive); });
}

namespace {

// Fewer faces are smoothed sooner than threads start.
constexpr std::size_t FacesWorthThreads = 10000;

// The reader's code, or nothing when the file cannot be read. The file's text is freed on
// return, before the buffers are built, so that the two never add up to the peak.
std::optional<int> ReadModelFile(CCharacter* character, const std::string& path) {
    const std::optional<std::string> nativePath = FilePath::Resolve(GetProgramFolder(), path);
    const std::optional<std::string> text =
        nativePath ? FilePath::ReadAll(*nativePath, MaxModelFileBytes) : std::nullopt;
    if (!text) {
        return std::nullopt;
    }
    return LoaderMQA(character, *text).Load();
}

} // namespace

bool CCharacter::LoadModel(const std::string& path, IDirect3DDevice9* device) {
    try {
        const std::optional<int> result = ReadModelFile(this, path);
        if (!result) {
            return false;
        }
        const std::string folder = Mbcs::FromUtf8(GetProgramFolder()).value_or(std::string());
        m_strFileName = MakeStoredFileName(path, folder);
        FindCollisionObject();
        LoadTextures(device);
        CreateBuffers(device);
        return *result == LoaderMQA::Success;
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    // The model needs more memory than is left: all that was read is given back.
    ReleaseDeviceObjects();
    m_parts = {};
    m_animationNames = {};
    FindCollisionObject();
    return false;
}

std::string CCharacter::MakeStoredFileName(const std::string& path, const std::string& folder) {
    const std::string lowerPath = Mbcs::MakeLower(path);
    const std::string lowerFolder = Mbcs::MakeLower(folder);
    // Only a path that starts with the program folder lies inside it.
    if (lowerFolder.empty() || lowerPath.compare(0, lowerFolder.size(), lowerFolder) != 0) {
        return lowerPath;
    }
    return FilePath::ToBackslashes(std::string_view(lowerPath).substr(lowerFolder.size()));
}

void CCharacter::LoadTextures(IDirect3DDevice9* device) {
    MaterialTextures textures(device);
    for (MQAMaterial& material : m_materials) {
        material.LoadTexture(textures);
    }
}

void CCharacter::CreateBuffers(IDirect3DDevice9* device) {
    std::vector<MeshVertex*> locked(m_parts.size(), nullptr);
    std::size_t faces = 0;
    for (std::size_t i = 0; i < m_parts.size(); ++i) {
        MQAObject& part = m_parts[i];
        faces += part.m_faces.size();
        if (part.m_pVertexBuffer != nullptr) {
            part.m_pVertexBuffer->Release();
            part.m_pVertexBuffer = nullptr;
        }
        if (!part.HasBoneAnimations()) {
            locked[i] = part.LockNewVertexBuffer(device, m_materials);
        }
    }
    // The smoothing and the vertices of a large model take most of an import: the parts
    // compute theirs side by side, and only this thread calls the device.
    const auto unlock = [&] {
        for (std::size_t i = 0; i < m_parts.size(); ++i) {
            // A buffer whose bytes the driver lost while it was locked draws nothing.
            if (locked[i] != nullptr && FAILED(m_parts[i].m_pVertexBuffer->Unlock())) {
                m_parts[i].m_trianglesPerMaterial.clear();
            }
        }
    };
    try {
        ParallelFor(
            m_parts.size(),
            [&](std::size_t i) {
                MQAObject& part = m_parts[i];
                if (part.HasBoneAnimations()) {
                    part.CreateSkinArrays();
                } else if (locked[i] != nullptr) {
                    part.FillVertexBuffer(locked[i], m_materials);
                }
            },
            faces >= FacesWorthThreads);
    } catch (...) {
        unlock();
        throw;
    }
    unlock();
}

void CCharacter::Draw(IDirect3DDevice9* device) {
    if (!m_bShown) {
        return;
    }
    UpdatePose(g_nCurrentFrame);
    for (std::size_t i = 0; i < m_parts.size(); ++i) {
        if (static_cast<int>(i) == m_nCollisionPart) {
            continue; // picked, never drawn
        }
        MQAObject& part = m_parts[i];
        if (part.HasBoneAnimations()) {
            part.DrawSkinned(device, &m_matWorld, m_materials, m_nMotion, m_nMotionFrame);
        } else {
            const D3DXMATRIX world = part.GetMotionMatrix(m_nMotion, m_nMotionFrame) * m_matWorld;
            part.Draw(device, &world, m_materials);
        }
    }
}

namespace {

// A literal the compiler takes: "inf" and "nan" are not numbers in C++ source, so an infinity
// is written as the largest float of its sign and a nan as 0, as a typed nan is stored.
double Printable(float value) {
    if (std::isnan(value)) {
        return 0.0;
    }
    return static_cast<double>(std::clamp(value, -FLT_MAX, FLT_MAX));
}

} // namespace

bool CCharacter::WriteMotions(std::FILE* file) const {
    for (const CAnimation& key : m_keys) {
        std::fprintf(file, "\t\tAddMotion(\"%s\",%d,%d,%f,%f,%f,%f,%f,%f,%f,%f,%f);\r\n",
                     key.GetMotionName().c_str(), key.m_nMotionFrame, key.m_bActive,
                     Printable(key.m_position.x), Printable(key.m_position.y),
                     Printable(key.m_position.z), Printable(key.m_rotation.x),
                     Printable(key.m_rotation.y), Printable(key.m_rotation.z),
                     Printable(key.m_scale.x), Printable(key.m_scale.y), Printable(key.m_scale.z));
    }
    return true;
}

void CCharacter::FindCollisionObject() {
    m_nCollisionPart = -1;
    for (std::size_t i = 0; i < m_parts.size(); ++i) {
        if (Mbcs::CompareNoCase(m_parts[i].m_name, CollisionPartName) == 0) {
            m_nCollisionPart = static_cast<int>(i);
            return;
        }
    }
}

void CCharacter::ReleaseDeviceObjects() {
    for (MQAObject& part : m_parts) {
        if (part.m_pVertexBuffer != nullptr) {
            part.m_pVertexBuffer->Release();
            part.m_pVertexBuffer = nullptr;
        }
        part.m_animations.clear();
        part.m_faces.clear();
        part.m_vertices.clear();
        part.m_trianglesPerMaterial.clear();
    }
    for (MQAMaterial& material : m_materials) {
        if (material.m_pTexture != nullptr) {
            TextureCache::Release(material.m_pTexture);
            material.m_pTexture = nullptr;
        }
    }
    m_materials.clear();
}

void CCharacter::InsertFrame(int frame) {
    if (!IsFrameInRange(frame)) {
        return;
    }
    CAnimation record;
    record.Init(m_keys[static_cast<std::size_t>(frame)].m_nState);
    m_keys.insert(m_keys.begin() + frame, record);
}

void CCharacter::SetFrameState(int frame, std::int32_t state) {
    if (frame < 0) {
        return;
    }
    if (frame >= GetKeyCount()) {
        m_keys.resize(static_cast<std::size_t>(frame) + 1); // new records are in-between
    }
    const bool empty = m_keys[static_cast<std::size_t>(frame)].m_nState < FrameInBetween;
    ChangeState(frame, state, empty ? CAnimation::FindKeyAtOrBefore(m_keys, frame - 1) : -1);
}

void CCharacter::SetFrameStates(int end,
                                const std::function<std::optional<std::int32_t>(int)>& stateOf) {
    int keyBefore = -1;
    for (int frame = 0; frame < end; ++frame) {
        if (const std::optional<std::int32_t> state = stateOf(frame)) {
            if (frame >= GetKeyCount()) {
                m_keys.resize(static_cast<std::size_t>(frame) + 1);
            }
            ChangeState(frame, *state, keyBefore);
        }
        if (IsFrameInRange(frame) && IsKeyState(m_keys[static_cast<std::size_t>(frame)].m_nState)) {
            keyBefore = frame;
        }
    }
}

void CCharacter::ChangeState(int frame, std::int32_t state, int keyBefore) {
    CAnimation& record = m_keys[static_cast<std::size_t>(frame)];
    // An object that reappears after empty frames starts from its last key. Any state below 0
    // (a document may hold one) is empty here.
    if (record.m_nState < FrameInBetween && keyBefore >= 0) {
        record = m_keys[static_cast<std::size_t>(keyBefore)];
    }
    record.m_nState = state;
}

std::int32_t CCharacter::GetKeyState(int frame) const {
    return IsFrameInRange(frame) ? m_keys[static_cast<std::size_t>(frame)].m_nState : FrameEmpty;
}

D3DXVECTOR3 CCharacter::GetKeyPosition(int frame) const {
    return IsFrameInRange(frame) ? m_keys[static_cast<std::size_t>(frame)].m_position
                                 : D3DXVECTOR3();
}

D3DXVECTOR3 CCharacter::GetKeyRotation(int frame) const {
    return IsFrameInRange(frame) ? m_keys[static_cast<std::size_t>(frame)].m_rotation
                                 : D3DXVECTOR3();
}

D3DXVECTOR3 CCharacter::GetKeyScale(int frame) const {
    return IsFrameInRange(frame) ? m_keys[static_cast<std::size_t>(frame)].m_scale
                                 : D3DXVECTOR3(1.0f, 1.0f, 1.0f);
}

void CCharacter::AddKeyScale(int frame, float dx, float dy, float dz) {
    if (IsFrameInRange(frame)) {
        m_keys[static_cast<std::size_t>(frame)].AddScale(dx, dy, dz);
    }
}

std::string CCharacter::GetKeyMotionName(int frame) const {
    return IsFrameInRange(frame) ? m_keys[static_cast<std::size_t>(frame)].GetMotionName()
                                 : std::string(NoMotionName);
}

bool CCharacter::GetKeyLoop(int frame) const {
    return IsFrameInRange(frame) && m_keys[static_cast<std::size_t>(frame)].m_bLoop;
}

bool CCharacter::GetKeyStopAtEnd(int frame) const {
    return IsFrameInRange(frame) && m_keys[static_cast<std::size_t>(frame)].m_bStopAtEnd;
}

void CCharacter::SetKeyLoop(int frame, bool loop) {
    if (!IsFrameInRange(frame)) {
        return;
    }
    const int key = CAnimation::FindKeyAtOrBefore(m_keys, frame);
    if (key >= 0) {
        m_keys[static_cast<std::size_t>(key)].m_bLoop = loop;
    }
}

void CCharacter::SetKeyStopAtEnd(int frame, bool stopAtEnd) {
    if (!IsFrameInRange(frame)) {
        return;
    }
    const int key = CAnimation::FindKeyAtOrBefore(m_keys, frame);
    if (key >= 0) {
        m_keys[static_cast<std::size_t>(key)].m_bStopAtEnd = stopAtEnd;
    }
}

void CCharacter::UpdateWorldMatrix(int frame) {
    if (IsFrameInRange(frame)) {
        m_matWorld = m_keys[static_cast<std::size_t>(frame)].CalcWorldMatrix();
    } else {
        D3DXMatrixIdentity(&m_matWorld);
    }
}

std::string CCharacter::GetAnimationName(int i) const {
    if (i < 0 || i >= static_cast<int>(m_animationNames.size())) {
        return NoMotionName;
    }
    return m_animationNames[static_cast<std::size_t>(i)];
}

std::string CCharacter::GetBoneAnimationName(int i) const {
    if (m_parts.empty() || i < 0 ||
        i >= static_cast<int>(m_parts.front().m_boneAnimations.size())) {
        return NoMotionName;
    }
    return m_parts.front().GetBoneAnimationName(i);
}

bool CCharacter::UsesBoneAnimations() const {
    return !m_parts.empty() && m_parts.front().HasBoneAnimations();
}

int CCharacter::GetMotionCount() const {
    if (m_parts.empty()) {
        return 0;
    }
    if (UsesBoneAnimations()) {
        return static_cast<int>(m_parts.front().m_boneAnimations.size());
    }
    return static_cast<int>(m_animationNames.size());
}

std::string CCharacter::GetMotionName(int motion) const {
    if (motion < 0 || motion >= GetMotionCount()) {
        return NoMotionName;
    }
    if (UsesBoneAnimations()) {
        return m_parts.front().GetBoneAnimationName(motion);
    }
    return m_animationNames[static_cast<std::size_t>(motion)];
}

int CCharacter::GetMotionLength(int motion) const {
    // A motion without frames counts as one frame long, so that no caller divides by zero.
    std::size_t length = 1;
    if (motion >= 0 && motion < GetMotionCount()) {
        const MQAObject& first = m_parts.front();
        const auto index = static_cast<std::size_t>(motion);
        if (UsesBoneAnimations()) {
            const auto& bones = first.m_boneAnimations[index];
            length = bones.empty() ? 1 : bones.front().size();
        } else if (index < first.m_animations.size()) {
            length = first.m_animations[index].size();
        }
    }
    return length == 0 ? 1 : static_cast<int>(length);
}

void CCharacter::SetKeyMotionName(int frame, const std::string& name) {
    if (IsFrameInRange(frame)) {
        CAnimation& record = m_keys[static_cast<std::size_t>(frame)];
        record.m_nState = FrameContentKey;
        record.m_strMotion = name;
    }
    m_nMotion = 0;
    for (std::size_t i = 0; i < m_animationNames.size(); ++i) {
        if (Mbcs::Compare(m_animationNames[i], name) == 0) {
            m_nMotion = static_cast<int>(i);
            break;
        }
    }
    m_nMotionFrame = 0;
}

void CCharacter::SetCurrentMotion(int frame) {
    m_nMotion = -1;
    if (!IsFrameInRange(frame)) {
        return;
    }
    const std::string& name = m_keys[static_cast<std::size_t>(frame)].m_strMotion;
    for (int i = 0; i < GetMotionCount(); ++i) {
        if (Mbcs::Compare(GetMotionName(i), name) == 0) {
            m_nMotion = i;
            return;
        }
    }
}

int CCharacter::FindMotion(const std::string& name) {
    for (int i = 0; i < GetMotionCount(); ++i) {
        if (Mbcs::Compare(GetMotionName(i), name) == 0) {
            m_nMotion = i;
            return i;
        }
    }
    return -1;
}

void CCharacter::InterpolateKeys() {
    CAnimation::InterpolateTransforms(m_keys);
    DeriveMotionFrames();
}

void CCharacter::DeriveMotionFrames() {
    const std::size_t count = m_keys.size();
    std::size_t start = 0;
    while (start < count && m_keys[start].m_nState != FrameContentKey) {
        m_keys[start].m_strMotion.clear();
        ++start;
    }
    if (start == count) {
        return; // no content key: every name is cleared, the motion frames stay
    }
    std::size_t base = start;
    int length = 1;
    int counter = 0;
    for (std::size_t k = start; k < count; ++k) {
        CAnimation& record = m_keys[k];
        if (record.m_nState == FrameContentKey) {
            base = k;
            counter = 0;
            length = GetMotionLength(FindMotion(record.m_strMotion));
        } else if (record.m_nState == FrameEmpty) {
            record.m_strMotion.clear();
        } else {
            record.m_strMotion = m_keys[base].m_strMotion;
        }
        const CAnimation& motionKey = m_keys[base];
        if (motionKey.m_bLoop) {
            record.m_nMotionFrame = counter % length;
        } else if (counter < length) {
            record.m_nMotionFrame = counter;
        } else {
            record.m_nMotionFrame = motionKey.m_bStopAtEnd ? length - 1 : 0;
        }
        ++counter;
    }
}

void CCharacter::UpdatePose(int frame) {
    UpdateWorldMatrix(frame);
    SetCurrentMotion(frame);
    const bool inRange = IsFrameInRange(frame);
    const int motionFrame = inRange ? m_keys[static_cast<std::size_t>(frame)].m_nMotionFrame : 0;
    const int length = GetMotionLength(m_nMotion);
    m_nMotionFrame = motionFrame;
    if (inRange && m_keys[static_cast<std::size_t>(frame)].m_bLoop) {
        m_nMotionFrame = motionFrame % length;
    } else if (motionFrame >= length) {
        m_nMotionFrame = GetKeyStopAtEnd(frame) ? length - 1 : 0;
    }
}
