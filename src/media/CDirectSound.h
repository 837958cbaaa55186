#pragma once

// The sound object: one per process. It keeps the scene's WAV track (the WAV file name set
// at each frame and the frame's state), the names of the WAV files found in the program's
// WAV folder, and a sound buffer for each of the first 64 of them, played by name.

#include "platform/CObject.h"
#include "platform/CPrimarySoundBuffer.h"
#include "platform/CRuntimeClass.h"
#include "platform/CSoundBuffer.h"
#include "platform/CSoundDevice.h"
#include "scene/TextTrack.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CRiffReader;

// Where the WAV files lie, relative to the program folder.
inline constexpr const char* WaveFolderPrefix = "WAV/";

class CDirectSound : public CObject {
public:
    // A WAV track of one empty key frame.
    CDirectSound();
    CDirectSound(const CDirectSound&) = delete;
    CDirectSound& operator=(const CDirectSound&) = delete;
    ~CDirectSound() override;

    static const CRuntimeClass classCDirectSound;
    const CRuntimeClass* GetRuntimeClass() const override { return &classCDirectSound; }
    static CObject* CreateObject();
    void Serialize(CArchive& archive) override;

    // WAV track accessors and edits: out of range answers with an empty name and changes
    // nothing, except SetWaveFrameState, which grows the track.
    void SetWaveFrameState(int frame, std::int32_t state);
    std::string GetWaveName(int frame) const;
    void SetWave(int frame, const std::string& name);
    // Takes the WAV away from the frame and gives it the state, growing the track as needed.
    void ClearWave(int frame, std::int32_t state);
    std::string GetWaveFileName(int i) const;
    void DeleteWaveFrame(int frame);
    void InsertWaveFrame(int frame);

    // Creates the primary buffer and sets the output format: 44.1 kHz, 16-bit stereo PCM.
    BOOL InitPrimaryBuffer();
    // Lists the WAV folder into m_files (also without a device) and loads each of its
    // first 64 files into the slot of the same index.
    void LoadAllWaves();
    // Reads one WAV file (a code-page-932 path relative to m_programFolder) into a slot of
    // its own; false without a device, for a slot outside 0..63, or for a file that is not
    // a WAV file by ReadWaveChunks' rule. The slot then keeps what it held.
    bool LoadWave(int slot, const std::string& path);
    // Plays the buffer of the first listed file of exactly this name, from where it stands.
    void Play(const std::string& name, BOOL loop);
    void StopAll();
    // Releases the buffers, the primary buffer and the device.
    BOOL ReleaseAll();

    static constexpr int MaxBuffers = 64;

    // The sound device, set by the 3D view; null without one (the program is then silent).
    std::unique_ptr<CSoundDevice> m_pDS;
    std::unique_ptr<CPrimarySoundBuffer> m_pPrimary;
    // Slot i holds the buffer of m_files entry i.
    std::array<std::unique_ptr<CSoundBuffer>, MaxBuffers> m_pBuffers;
    std::vector<std::string> m_files;
    TextTrack::Texts m_frameWaves;
    TextTrack::States m_frameStates;
    // The UTF-8 folder, ending in '/', that holds the WAV folder: the program folder.
    std::string m_programFolder;

private:
    std::unique_ptr<CSoundBuffer> ReadWave(CRiffReader& reader);
};

// The process's sound object, made and deleted by the 3D view.
extern CDirectSound* g_pDirectSound;

void RegisterDirectSoundClass();
