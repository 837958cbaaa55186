#pragma once

// One imported character: the mesh parts and materials read from its model file, the names
// of its motions, one key record per timeline frame, and the pose last drawn.
//
// The parts' vertex buffers and the materials' textures are plain pointers that copies of a
// character share; nothing releases them but ReleaseDeviceObjects, which the scene calls
// once, on the character its list holds, just before the character leaves the scene. A move
// takes the geometry along instead of copying it, so that the scene's list moves its
// characters when it grows or shifts.

#include "loader/MQAMaterial.h"
#include "loader/MQAObject.h"
#include "platform/CObject.h"
#include "platform/CRuntimeClass.h"
#include "platform/D3DXMath.h"
#include "scene/CAnimation.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class IDirect3DDevice9;

class CCharacter : public CObject {
public:
    CCharacter();
    CCharacter(const CCharacter&) = default;
    CCharacter& operator=(const CCharacter&) = default;
    CCharacter(CCharacter&&) noexcept = default;
    CCharacter& operator=(CCharacter&&) noexcept = default;
    ~CCharacter() override = default;

    static const CRuntimeClass classCCharacter;
    const CRuntimeClass* GetRuntimeClass() const override { return &classCCharacter; }
    static CObject* CreateObject();
    void Serialize(CArchive& archive) override;

    // Reads a model file (a code-page-932 path) into the character and prepares it for
    // drawing; true when the whole file was read. A file that is not a regular file of at
    // most MaxModelFileBytes fails as a missing one does; one that needs more memory than is
    // left fails and keeps nothing of the model. The stored file name is lower-case,
    // and relative to the program folder, with `\` separators, when the file lies inside it.
    bool LoadModel(const std::string& path, IDirect3DDevice9* device);
    // The name under which a model file is stored in documents.
    static std::string MakeStoredFileName(const std::string& path, const std::string& folder);

    // Model set-up and device objects.
    void FindCollisionObject();
    // Loads every material's texture from the process's textures (TextureCache): one texture
    // per file, shared by the materials of every character that name it, all of them within
    // one budget of decoded pixels; past it a texture is left out as a missing one is.
    void LoadTextures(IDirect3DDevice9* device);
    void CreateBuffers(IDirect3DDevice9* device);
    void ReleaseDeviceObjects();
    // Draws the character at the current frame, unless it is hidden.
    void Draw(IDirect3DDevice9* device);
    // Writes one "AddMotion" line of the movie-scene header per key record.
    bool WriteMotions(std::FILE* file) const;

    // Track edits.
    void InsertFrame(int frame);
    void SetFrameState(int frame, std::int32_t state);
    // SetFrameState on every frame before `end` that `stateOf` gives a state for, in order,
    // in one walk: the key that an empty record starts from is carried along, not searched.
    void SetFrameStates(int end, const std::function<std::optional<std::int32_t>(int)>& stateOf);

    // Per-frame accessors: a frame outside the key records answers with a default.
    std::string GetFileName() const { return m_strFileName; }
    int GetKeyCount() const { return static_cast<int>(m_keys.size()); }
    bool IsFrameInRange(int frame) const { return frame >= 0 && frame < GetKeyCount(); }
    std::int32_t GetKeyState(int frame) const;
    D3DXVECTOR3 GetKeyPosition(int frame) const;
    float GetKeyPositionX(int frame) const { return GetKeyPosition(frame).x; }
    float GetKeyPositionY(int frame) const { return GetKeyPosition(frame).y; }
    float GetKeyPositionZ(int frame) const { return GetKeyPosition(frame).z; }
    D3DXVECTOR3 GetKeyRotation(int frame) const;
    float GetKeyRotationX(int frame) const { return GetKeyRotation(frame).x; }
    float GetKeyRotationY(int frame) const { return GetKeyRotation(frame).y; }
    float GetKeyRotationZ(int frame) const { return GetKeyRotation(frame).z; }
    D3DXVECTOR3 GetKeyScale(int frame) const;
    void AddKeyScale(int frame, float dx, float dy, float dz);
    std::string GetKeyMotionName(int frame) const;
    bool GetKeyLoop(int frame) const;
    bool GetKeyStopAtEnd(int frame) const;
    // Set the flag of the nearest key at or before the frame.
    void SetKeyLoop(int frame, bool loop);
    void SetKeyStopAtEnd(int frame, bool stopAtEnd);
    void UpdateWorldMatrix(int frame);
    std::string GetAnimationName(int i) const;
    std::string GetBoneAnimationName(int i) const;

    // Motions: chosen by name, played by index in the character's motion list.
    int GetMotionCount() const;
    std::string GetMotionName(int motion) const;
    // Frames of a motion; at least 1, and 1 for an index outside the list.
    int GetMotionLength(int motion) const;
    void SetKeyMotionName(int frame, const std::string& name);
    void SetCurrentMotion(int frame);
    int FindMotion(const std::string& name);

    // Derives the in-between positions, rotations and scales from the keys, then every
    // frame's motion name and motion frame from the content keys.
    void InterpolateKeys();
    // The pose to draw at a frame: world matrix, current motion, and a motion frame brought
    // into the motion's range by the frame's loop and stop-at-end flags.
    void UpdatePose(int frame);

    std::vector<MQAObject> m_parts;
    int m_nCollisionPart = -1;
    std::vector<MQAMaterial> m_materials;
    std::vector<std::string> m_animationNames;
    D3DXMATRIX m_matWorld;
    int m_nMotionFrame = 0;
    int m_nMotion = 0;
    std::vector<CAnimation> m_keys;
    std::string m_strFileName;
    bool m_bShown = true;
    bool m_bLocked = false;

private:
    bool UsesBoneAnimations() const;
    // Record `frame` takes the state; an empty one first takes the values of the key at
    // `keyBefore`, where there is one (-1: none).
    void ChangeState(int frame, std::int32_t state, int keyBefore);
    void DeriveMotionFrames();
};

void RegisterCharacterClass();

// Larger model files are refused unread.
constexpr std::uint64_t MaxModelFileBytes = std::uint64_t{1} << 30;

// The key-record size in a document before its motion name's text: guards record counts.
constexpr std::size_t MinimumStoredKeyBytes = 43;
