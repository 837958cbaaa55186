#include "scene/CAnimation.h"

#include "platform/CArchive.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <utility>

const CRuntimeClass CAnimation::classCAnimation = {"CAnimation", sizeof(CAnimation), 0,
                                                   &CAnimation::CreateObject};

void RegisterAnimationClass() {
    CRuntimeClass::Register(&CAnimation::classCAnimation);
}

CObject* CAnimation::CreateObject() {
    return new CAnimation();
}

CAnimation::CAnimation() {
    Init(FrameInBetween);
}

template <typename Record> void CAnimation::TakeValuesFrom(Record&& other) {
    m_nState = other.m_nState;
    m_position = other.m_position;
    m_rotation = other.m_rotation;
    m_scale = other.m_scale;
    m_strMotion = std::forward<Record>(other).m_strMotion;
    m_nMotionFrame = other.m_nMotionFrame;
    m_bLoop = other.m_bLoop;
    m_bStopAtEnd = other.m_bStopAtEnd;
    m_bActive = other.m_bActive;
}

CAnimation::CAnimation(const CAnimation& other) : CObject(other) {
    TakeValuesFrom(other);
}

CAnimation& CAnimation::operator=(const CAnimation& other) {
    TakeValuesFrom(other);
    return *this;
}

CAnimation::CAnimation(CAnimation&& other) noexcept : CObject(other) {
    TakeValuesFrom(std::move(other));
}

CAnimation& CAnimation::operator=(CAnimation&& other) noexcept {
    TakeValuesFrom(std::move(other));
    return *this;
}

void CAnimation::Init(std::int32_t state) {
    m_nState = state;
    m_position = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    m_rotation = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    m_scale = D3DXVECTOR3(1.0f, 1.0f, 1.0f);
    m_strMotion.clear();
    m_nMotionFrame = 0;
    m_bLoop = false;
    m_bStopAtEnd = false;
}

void CAnimation::AddScale(float dx, float dy, float dz) {
    constexpr float minimum = 0.01f;
    m_scale = m_scale + D3DXVECTOR3(dx, dy, dz);
    for (float* component : {&m_scale.x, &m_scale.y, &m_scale.z}) {
        if (*component < minimum) {
            *component = minimum;
        }
    }
}

D3DXMATRIX CAnimation::CalcWorldMatrix() {
    D3DXMATRIX scaling, rotationX, rotationY, rotationZ, translation;
    D3DXMatrixScaling(&scaling, m_scale.x, m_scale.y, m_scale.z);
    D3DXMatrixRotationZ(&rotationZ, m_rotation.z * DegreesToRadians);
    D3DXMatrixRotationX(&rotationX, m_rotation.x * DegreesToRadians);
    D3DXMatrixRotationY(&rotationY, m_rotation.y * DegreesToRadians);
    D3DXMatrixTranslation(&translation, m_position.x, m_position.y, m_position.z);
    m_matWorld = scaling * rotationZ * rotationX * rotationY * translation;
    return m_matWorld;
}

void CAnimation::Serialize(CArchive& archive) {
    if (archive.IsStoring()) {
        archive << m_nState << m_position.x << m_position.y << m_position.z << m_rotation.x
                << m_rotation.y << m_rotation.z << m_scale.x << m_scale.y << m_scale.z
                << m_strMotion << m_bLoop << m_bStopAtEnd;
    } else {
        archive >> m_nState >> m_position.x >> m_position.y >> m_position.z >> m_rotation.x >>
            m_rotation.y >> m_rotation.z >> m_scale.x >> m_scale.y >> m_scale.z >> m_strMotion >>
            m_bLoop >> m_bStopAtEnd;
    }
}

int CAnimation::FindKeyAtOrBefore(const std::vector<CAnimation>& track, int frame) {
    const int last = std::min(frame, static_cast<int>(track.size()) - 1);
    for (int k = last; k >= 0; --k) {
        if (IsKeyState(track[static_cast<std::size_t>(k)].m_nState)) {
            return k;
        }
    }
    return -1;
}

namespace {
// v(k) = v(j) - ((j - k) * (v(j) - v(a))) / (j - a), in single precision: documents hold the
// values this rounding gives. Keys far apart in the float range overflow the product, so such
// a frame is worked out again in double and kept within the float range.
float Between(float atA, float atJ, int a, int j, int k) {
    const float single =
        atJ - (static_cast<float>(j - k) * (atJ - atA)) / static_cast<float>(j - a);
    if (std::isfinite(single)) {
        return single;
    }
    const double wide =
        static_cast<double>(atJ) - (static_cast<double>(j - k) * (static_cast<double>(atJ) - atA)) /
                                       static_cast<double>(j - a);
    return static_cast<float>(
        std::clamp(wide, -static_cast<double>(FLT_MAX), static_cast<double>(FLT_MAX)));
}

D3DXVECTOR3 Between(const D3DXVECTOR3& atA, const D3DXVECTOR3& atJ, int a, int j, int k) {
    return {Between(atA.x, atJ.x, a, j, k), Between(atA.y, atJ.y, a, j, k),
            Between(atA.z, atJ.z, a, j, k)};
}
} // namespace

void CAnimation::InterpolateTransforms(std::vector<CAnimation>& track) {
    const int count = static_cast<int>(track.size());
    int a = 0;
    for (int j = 1; j < count; ++j) {
        const CAnimation& key = track[static_cast<std::size_t>(j)];
        if (!IsKeyState(key.m_nState)) {
            continue;
        }
        const CAnimation& previous = track[static_cast<std::size_t>(a)];
        for (int k = a + 1; k < j; ++k) {
            CAnimation& record = track[static_cast<std::size_t>(k)];
            record.m_rotation = Between(previous.m_rotation, key.m_rotation, a, j, k);
            record.m_position = Between(previous.m_position, key.m_position, a, j, k);
            record.m_scale = Between(previous.m_scale, key.m_scale, a, j, k);
        }
        a = j;
    }
}
