#pragma once

// The sound object: one per process. It keeps the scene's WAV track (the WAV file name set
// at each frame and the frame's state) and the names of the WAV files found in the program's
// WAV folder.

#include "platform/CObject.h"
#include "platform/CRuntimeClass.h"
#include "scene/TextTrack.h"

#include <cstdint>
#include <string>
#include <vector>

class CDirectSound : public CObject {
public:
    // A WAV track of one empty key frame.
    CDirectSound();
    CDirectSound(const CDirectSound&) = delete;
    CDirectSound& operator=(const CDirectSound&) = delete;
    ~CDirectSound() override = default;

    static const CRuntimeClass classCDirectSound;
    const CRuntimeClass* GetRuntimeClass() const override { return &classCDirectSound; }
    static CObject* CreateObject();
    void Serialize(CArchive& archive) override;

    // WAV track accessors and edits: out of range answers with an empty name and changes
    // nothing, except SetWaveFrameState, which grows the track.
    void SetWaveFrameState(int frame, std::int32_t state);
    std::string GetWaveName(int frame) const;
    void SetWave(int frame, const std::string& name);
    std::string GetWaveFileName(int i) const;
    void DeleteWaveFrame(int frame);
    void InsertWaveFrame(int frame);

    std::vector<std::string> m_files;
    TextTrack::Texts m_frameWaves;
    TextTrack::States m_frameStates;
};

void RegisterDirectSoundClass();
