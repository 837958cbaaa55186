#pragma once

// Records the movie into an AVI file: one video stream in the compressor that the user
// chooses, 30 frames per second at the movie size, and, when a WAV file of the WAV track
// opens, one 22050 Hz mono 16-bit PCM stream that holds each WAV of the track from the
// time of its frame. Sounds never overlap: a WAV that starts while the one before still
// plays follows it.
//
// Calling order: Open once, WriteFrame once per rendered frame, Close (also after a failed
// Open; a second Close does nothing).

#include "platform/CFrameBuffer.h"
#include "platform/WinTypes.h"

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

class CAviFile;
class CDirectSound;
class CVideoEncoder;
class CWaveFile;
class IVideoCompressorChooser;
struct AVPacket;
struct AVStream;

class CAviRecorder {
public:
    static constexpr int AudioSampleRate = 22050;
    // The sound stream of one recording, silences included, holds at most this much: a WAV
    // whose converted sound would end past it is refused as one that does not open. Small
    // files at a low rate would otherwise fill the disk (1 GiB at 1,000 Hz gives 23 GB), and
    // so would one WAV keyed at many frames.
    static constexpr std::uint64_t MaxSoundBytes = std::uint64_t{1} << 30;

    // `sound` gives the WAV track and the folder of the WAV files.
    CAviRecorder(const CDirectSound& sound, IVideoCompressorChooser& chooser,
                 std::uint64_t maxSoundBytes = MaxSoundBytes);
    ~CAviRecorder();
    CAviRecorder(const CAviRecorder&) = delete;
    CAviRecorder& operator=(const CAviRecorder&) = delete;

    // Asks for the compressor and starts the file that is to replace the one at `path` (code
    // page 932; CAviFile). Returns the frame to render into, or null: without a message when
    // the choice is cancelled, after an error message otherwise (the path is then untouched).
    CFrameBuffer* Open(int width, int height, const std::string& path);
    // Appends `frame` (of the movie size) as the next video frame, after the WAV set at that
    // frame. False without an open file, for a missing frame or one of another size, and
    // when the frame cannot be written; the frame counter advances all the same.
    BOOL WriteFrame(const CFrameBuffer* frame);
    // Adds the sound stream to a file whose header is not yet written.
    bool CreateAudioStream();
    // Appends the sound at the time of `frame`, or where the sound written so far ends; a
    // failed write ends it there.
    void AppendWave(CWaveFile& source, int frame);
    // Finishes the file (the index and the stream lengths), puts it in place of what the path
    // held, and releases everything. A recording of which anything could not be written is
    // dropped instead, after the message: the path keeps what it held. A whole recording that
    // cannot take the path's place is kept beside it, without a message (KeptPath).
    void Close();
    // The UTF-8 path of the recording that Close kept beside the path; empty if none.
    const std::string& KeptPath() const { return m_keptPath; }

private:
    CFrameBuffer* Fail(const char* message);
    void Release();
    bool CreateFrame();
    void OpenWaveTrack();
    void AddWaveAt(int frame);
    // The sample at the time of a frame.
    static std::int64_t SampleOfFrame(int frame);
    // The WAV set at a frame, when it opens and its sound, appended at that frame, ends within
    // the limit; null otherwise, after the message when the WAV had not failed before.
    std::unique_ptr<CWaveFile> OpenWave(const std::string& name, int frame);
    // False, after the message, when they could not be written.
    bool WriteSamples(const std::int16_t* samples, std::size_t total);
    bool WriteVideoPacket(AVPacket& packet);
    void ReportWriteFailure();

    const CDirectSound& m_sound;
    IVideoCompressorChooser& m_chooser;
    std::uint64_t m_maxSoundBytes;
    // The picture of the frame being rendered.
    std::unique_ptr<CFrameBuffer> m_frame;
    AVStream* m_psVideo = nullptr;
    std::unique_ptr<CVideoEncoder> m_psCompressed;
    // The WAV file opened last.
    std::unique_ptr<CWaveFile> m_psWave;
    std::unique_ptr<CAviFile> m_pFile;
    int m_nWidth = 0;
    int m_nHeight = 0;
    // The next video frame, which is also the frame whose WAV is added next.
    int m_nFrame = 0;
    AVStream* m_psAudio = nullptr;
    std::int64_t m_nSamplesWritten = 0;
    // A failure to write is reported once per recording, and so is each WAV of the track
    // that gives no sound, however many frames it is set at.
    bool m_bWriteFailed = false;
    std::set<std::string> m_failedWaves;
    std::string m_keptPath;
};

// The recorder and the frame it renders into, while the 3D view records.
extern CAviRecorder* g_pAviRecorder;
extern CFrameBuffer* g_hAviFrameDC;
