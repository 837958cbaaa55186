#include "media/CDirectSound.h"

#include "media/CFileOnlyFilter.h"
#include "media/FolderFiles.h"
#include "media/WaveChunks.h"
#include "platform/CRiffReader.h"
#include "platform/FilePath.h"
#include "platform/ProgramFolder.h"
#include "scene/SceneTypes.h"

#include <algorithm>
#include <optional>

CDirectSound* g_pDirectSound = nullptr;

const CRuntimeClass CDirectSound::classCDirectSound = {"CDirectSound", sizeof(CDirectSound), 0,
                                                       &CDirectSound::CreateObject};

void RegisterDirectSoundClass() {
    CRuntimeClass::Register(&CDirectSound::classCDirectSound);
}

CObject* CDirectSound::CreateObject() {
    return new CDirectSound();
}

CDirectSound::CDirectSound() : m_programFolder(GetProgramFolder()) {
    SetWaveFrameState(0, FrameKey);
}

CDirectSound::~CDirectSound() {
    ReleaseAll();
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

void CDirectSound::ClearWave(int frame, std::int32_t state) {
    SetWaveFrameState(frame, state);
    if (frame >= 0 && frame < static_cast<int>(m_frameWaves.size())) {
        m_frameWaves[static_cast<std::size_t>(frame)].clear();
    }
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

BOOL CDirectSound::InitPrimaryBuffer() {
    if (!m_pDS) {
        return FALSE;
    }
    m_pPrimary = m_pDS->CreatePrimaryBuffer();
    WAVEFORMATEX format;
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = 44100;
    format.nAvgBytesPerSec = 176400;
    format.nBlockAlign = 4;
    format.wBitsPerSample = 16;
    return SUCCEEDED(m_pPrimary->SetFormat(format)) ? TRUE : FALSE;
}

void CDirectSound::LoadAllWaves() {
    CFileOnlyFilter filter({".wav"});
    ListFolderFiles(m_programFolder + WaveFolderPrefix, m_files, &filter);
    const int loaded = std::min(static_cast<int>(m_files.size()), MaxBuffers);
    for (int i = 0; i < loaded; ++i) {
        LoadWave(i, WaveFolderPrefix + m_files[static_cast<std::size_t>(i)]);
    }
}

bool CDirectSound::LoadWave(int slot, const std::string& path) {
    if (!m_pDS || slot < 0 || slot >= MaxBuffers) {
        return false;
    }
    const std::optional<std::string> file = FilePath::Resolve(m_programFolder, path);
    CRiffReader reader;
    if (!file || !reader.Open(*file)) {
        return false;
    }
    std::unique_ptr<CSoundBuffer> buffer = ReadWave(reader);
    if (!buffer) {
        return false;
    }
    m_pBuffers[static_cast<std::size_t>(slot)] = std::move(buffer);
    return true;
}

std::unique_ptr<CSoundBuffer> CDirectSound::ReadWave(CRiffReader& reader) {
    const std::optional<WaveChunks> chunks = ReadWaveChunks(reader);
    if (!chunks) {
        return nullptr;
    }
    std::unique_ptr<CSoundBuffer> buffer =
        m_pDS->CreateSoundBuffer(chunks->format, chunks->soundBytes);
    if (!buffer || !reader.Read(buffer->Data(), chunks->soundBytes)) {
        return nullptr;
    }
    return buffer;
}

void CDirectSound::Play(const std::string& name, BOOL loop) {
    const auto found = std::find(m_files.begin(), m_files.end(), name);
    const auto slot = static_cast<std::size_t>(found - m_files.begin());
    if (found == m_files.end() || slot >= m_pBuffers.size() || !m_pBuffers[slot]) {
        return;
    }
    m_pBuffers[slot]->Play(loop ? DSBPLAY_LOOPING : 0);
}

void CDirectSound::StopAll() {
    const std::size_t slots = std::min(m_files.size(), m_pBuffers.size());
    for (std::size_t slot = 0; slot < slots; ++slot) {
        if (m_pBuffers[slot]) {
            m_pBuffers[slot]->Stop();
        }
    }
}

BOOL CDirectSound::ReleaseAll() {
    for (std::unique_ptr<CSoundBuffer>& buffer : m_pBuffers) {
        buffer.reset();
    }
    m_pPrimary.reset();
    m_pDS.reset();
    return TRUE;
}
