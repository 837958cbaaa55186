#include "media/CDirectSound.h"

#include "scene/SceneTypes.h"

const CRuntimeClass CDirectSound::classCDirectSound = {"CDirectSound", sizeof(CDirectSound), 0,
                                                       &CDirectSound::CreateObject};

void RegisterDirectSoundClass() {
    CRuntimeClass::Register(&CDirectSound::classCDirectSound);
}

CObject* CDirectSound::CreateObject() {
    return new CDirectSound();
}

CDirectSound::CDirectSound() {
    SetWaveFrameState(0, FrameKey);
}

void CDirectSound::Serialize(CArchive& archive) {
    TextTrack::Serialize(archive, m_frameWaves, m_frameStates);
}

void CDirectSound::SetWaveFrameState(int frame, std::int32_t state) {
    TextTrack::SetFrameState(m_frameWaves, m_frameStates, frame, state);
}

std::string CDirectSound::GetWaveName(int frame) const {
    return TextTrack::GetText(m_frameWaves, m_frameStates, frame);
}

void CDirectSound::SetWave(int frame, const std::string& name) {
    TextTrack::SetContent(m_frameWaves, m_frameStates, frame, name);
}

std::string CDirectSound::GetWaveFileName(int i) const {
    if (i < 0 || i >= static_cast<int>(m_files.size())) {
        return std::string();
    }
    return m_files[static_cast<std::size_t>(i)];
}

void CDirectSound::DeleteWaveFrame(int frame) {
    TextTrack::DeleteFrame(m_frameWaves, m_frameStates, frame);
}

void CDirectSound::InsertWaveFrame(int frame) {
    TextTrack::InsertFrame(m_frameWaves, m_frameStates, frame);
}
