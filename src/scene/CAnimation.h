#pragma once

// The key record: one per timeline frame of a character or of the camera track, and one for
// the free perspective camera. Records are plain values, copied freely; a copy never takes
// the world matrix along, and neither does a move, which only takes the motion name's bytes
// instead of copying them (lists that grow move their records).

#include "platform/CObject.h"
#include "platform/CRuntimeClass.h"
#include "platform/D3DXMath.h"
#include "scene/SceneTypes.h"

#include <cstdint>
#include <string>
#include <vector>

class CAnimation : public CObject {
public:
    CAnimation();
    CAnimation(const CAnimation& other);
    CAnimation& operator=(const CAnimation& other);
    CAnimation(CAnimation&& other) noexcept;
    CAnimation& operator=(CAnimation&& other) noexcept;
    ~CAnimation() override = default;

    static const CRuntimeClass classCAnimation;
    const CRuntimeClass* GetRuntimeClass() const override { return &classCAnimation; }
    static CObject* CreateObject();

    // Resets every value but the world matrix and the active flag.
    void Init(std::int32_t state);
    std::string GetMotionName() const { return m_strMotion; }
    // Adds to the scale; a component that falls below 0.01 becomes exactly 0.01.
    void AddScale(float dx, float dy, float dz);
    // Scaling, then rotation about z, x and y, then translation; stored and returned.
    D3DXMATRIX CalcWorldMatrix();
    void Serialize(CArchive& archive) override;

    // Track helpers shared by the character keys and the camera track.
    // The index of the nearest key at or before the frame, or -1.
    static int FindKeyAtOrBefore(const std::vector<CAnimation>& track, int frame);
    // Fills the position, rotation and scale of every record between two keys linearly from
    // them (the first record counts as a key); records after the last key keep theirs.
    static void InterpolateTransforms(std::vector<CAnimation>& track);

    std::int32_t m_nState = FrameInBetween;
    D3DXVECTOR3 m_position;
    D3DXVECTOR3 m_rotation; // degrees
    D3DXVECTOR3 m_scale{1.0f, 1.0f, 1.0f};
    std::string m_strMotion;
    std::int32_t m_nMotionFrame = 0;
    bool m_bLoop = false;
    bool m_bStopAtEnd = false;
    D3DXMATRIX m_matWorld;
    std::uint8_t m_bActive = 0;

private:
    // Every value but the world matrix, from a record copied or moved.
    template <typename Record> void TakeValuesFrom(Record&& other);
};

void RegisterAnimationClass();
