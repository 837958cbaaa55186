#include "media/CAviRecorder.h"

#include "media/CAviFile.h"
#include "media/CDirectSound.h"
#include "media/CVideoEncoder.h"
#include "media/CWaveFile.h"
#include "media/FFmpegLimits.h"
#include "media/IVideoCompressorChooser.h"
#include "platform/FilePath.h"
#include "platform/Mbcs.h"
#include "platform/MessageBoxService.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <optional>

CAviRecorder* g_pAviRecorder = nullptr;
CFrameBuffer* g_hAviFrameDC = nullptr;

namespace {

constexpr AVRational SampleTimeBase{1, CAviRecorder::AudioSampleRate};
// Sound is written in chunks of at most one second.
constexpr std::size_t SamplesPerChunk = CAviRecorder::AudioSampleRate;

constexpr const char* CannotOpenFile = "保存するファイルが開けませんでした。";
constexpr const char* CannotCreateStream = "編集用ストリームが作られませんでした。";
constexpr const char* CannotCreateCompressedStream = "圧縮ストリームの作成に失敗しました。";
constexpr const char* CannotSetFormat = "ストリームのフォーマットを設定するのに失敗しました。";
constexpr const char* CannotCreateBitmap = "HBITMAPが作れませんでした。";
constexpr const char* CannotMakeSound = "サウンドが作れませんでした。";
constexpr const char* CannotWrite = "AVIファイルへの書き込みに失敗しました。";
constexpr const char* ErrorCaption = "エラー";
constexpr const char* VideoStreamName = "VIDEO";
constexpr const char* AudioStreamName = "オーディオ";
// One second of the sound stream.
constexpr DWORD AudioBufferBytes = CAviRecorder::AudioSampleRate * sizeof(std::int16_t);

// The system's messages are code-page-932 text.
void ShowError(const char* utf8) {
    MessageBoxService::Show(Mbcs::FromUtf8(utf8).value_or(utf8),
                            Mbcs::FromUtf8(ErrorCaption).value_or(ErrorCaption), MB_OK);
}

// The video stream's handler is the compressor's code: the encoder's tag, written by the
// muxer, or "DIB " for uncompressed frames. The bitmap holds the padded frame size.
AviStreamFields VideoStreamFields(const VideoCompressor& compressor, int width, int height) {
    AviStreamFields fields;
    if (compressor.IsUncompressed()) {
        fields.handler = MakeFourCC("DIB ");
    }
    fields.imageSize = CFrameBuffer::Stride(static_cast<UINT>(width)) * static_cast<UINT>(height);
    return fields;
}

AviStreamFields AudioStreamFields() {
    AviStreamFields fields;
    fields.handler = 0;
    fields.priority = 1;
    fields.suggestedBufferSize = AudioBufferBytes;
    fields.extendedWaveFormat = true;
    return fields;
}

} // namespace

CAviRecorder::CAviRecorder(const CDirectSound& sound, IVideoCompressorChooser& chooser,
                           std::uint64_t maxSoundBytes)
    : m_sound(sound), m_chooser(chooser), m_maxSoundBytes(maxSoundBytes) {}

CAviRecorder::~CAviRecorder() {
    Close();
}

CFrameBuffer* CAviRecorder::Open(int width, int height, const std::string& path) {
    Close();
    m_keptPath.clear();
    FFmpeg::LimitAllocations();
    m_nWidth = width;
    m_nHeight = height;
    const std::vector<VideoCompressor> choices = VideoCompressor::Available();
    const VideoCompressor* choice = m_chooser.Choose(choices);
    if (choice == nullptr) {
        return nullptr;
    }
    const std::optional<std::string> file = Mbcs::ToUtf8(path);
    m_pFile = file ? CAviFile::Create(*file) : nullptr;
    if (!m_pFile) {
        return Fail(CannotOpenFile);
    }
    m_psVideo = m_pFile->AddStream(VideoStreamName, VideoStreamFields(*choice, width, height));
    if (m_psVideo == nullptr) {
        return Fail(CannotCreateStream);
    }
    m_psCompressed = CVideoEncoder::Open(*choice, width, height);
    if (!m_psCompressed || !m_psCompressed->SetStreamParameters(*m_psVideo)) {
        return Fail(CannotCreateCompressedStream);
    }
    if (!CreateFrame()) {
        return Fail(CannotCreateBitmap);
    }
    OpenWaveTrack();
    if (!m_pFile->WriteHeader()) {
        return Fail(CannotSetFormat);
    }
    return m_frame.get();
}

BOOL CAviRecorder::WriteFrame(const CFrameBuffer* frame) {
    if (m_psVideo == nullptr || frame == nullptr || static_cast<int>(frame->Width()) != m_nWidth ||
        static_cast<int>(frame->Height()) != m_nHeight) {
        return FALSE;
    }
    AddWaveAt(m_nFrame);
    const bool written = m_psCompressed->Encode(
        *frame, m_nFrame, [this](AVPacket& packet) { return WriteVideoPacket(packet); });
    ++m_nFrame;
    if (!written) {
        ReportWriteFailure();
    }
    return written ? TRUE : FALSE;
}

bool CAviRecorder::CreateAudioStream() {
    if (!m_pFile || m_psAudio != nullptr) {
        return false;
    }
    m_psAudio = m_pFile->AddStream(Mbcs::FromUtf8(AudioStreamName).value_or(AudioStreamName),
                                   AudioStreamFields());
    if (m_psAudio == nullptr) {
        return false;
    }
    AVCodecParameters& parameters = *m_psAudio->codecpar;
    parameters.codec_type = AVMEDIA_TYPE_AUDIO;
    parameters.codec_id = AV_CODEC_ID_PCM_S16LE;
    parameters.format = AV_SAMPLE_FMT_S16;
    parameters.sample_rate = AudioSampleRate;
    av_channel_layout_default(&parameters.ch_layout, 1);
    parameters.bits_per_coded_sample = 16;
    parameters.block_align = 2;
    parameters.bit_rate = AudioSampleRate * 16;
    m_psAudio->time_base = SampleTimeBase;
    m_nSamplesWritten = 0;
    return true;
}

void CAviRecorder::AppendWave(CWaveFile& source, int frame) {
    if (m_psAudio == nullptr) {
        return;
    }
    // Silence up to the frame's time, a second at a time. A failed write ends the WAV there.
    static const std::vector<std::int16_t> second(SamplesPerChunk);
    for (std::int64_t missing = SampleOfFrame(frame) - m_nSamplesWritten; missing > 0;
         missing -= static_cast<std::int64_t>(SamplesPerChunk)) {
        if (!WriteSamples(second.data(),
                          std::min(SamplesPerChunk, static_cast<std::size_t>(missing)))) {
            return;
        }
    }
    source.ReadMono16(AudioSampleRate, SamplesPerChunk,
                      [this](const std::int16_t* samples, std::size_t count) {
                          return WriteSamples(samples, count);
                      });
}

// A recording that could not be written whole leaves the path as it was.
void CAviRecorder::Close() {
    if (m_pFile && m_pFile->HasHeader()) {
        const bool flushed = !m_bWriteFailed && m_psCompressed->Flush([this](AVPacket& packet) {
            return WriteVideoPacket(packet);
        });
        const bool finished = flushed && m_pFile->Finish();
        m_keptPath = m_pFile->KeptPath();
        if (!finished && m_keptPath.empty()) {
            ReportWriteFailure();
        }
    }
    Release();
}

CFrameBuffer* CAviRecorder::Fail(const char* message) {
    ShowError(message);
    Release();
    return nullptr;
}

void CAviRecorder::Release() {
    m_psCompressed.reset();
    m_psVideo = nullptr;
    m_psAudio = nullptr;
    m_psWave.reset();
    m_pFile.reset();
    m_frame.reset();
    m_nFrame = 0;
    m_nSamplesWritten = 0;
    m_bWriteFailed = false;
    m_failedWaves.clear();
}

bool CAviRecorder::CreateFrame() {
    try {
        m_frame = std::make_unique<CFrameBuffer>(m_nWidth, m_nHeight);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void CAviRecorder::OpenWaveTrack() {
    const int frames = static_cast<int>(m_sound.m_frameWaves.size());
    for (int frame = 0; frame < frames; ++frame) {
        const std::string name = m_sound.GetWaveName(frame);
        if (name.empty()) {
            continue;
        }
        m_psWave = OpenWave(name, frame);
        if (m_psWave) {
            CreateAudioStream();
            return;
        }
    }
}

void CAviRecorder::AddWaveAt(int frame) {
    const std::string name = m_sound.GetWaveName(frame);
    if (name.empty()) {
        return;
    }
    m_psWave = OpenWave(name, frame);
    if (m_psWave) {
        AppendWave(*m_psWave, frame);
    }
}

std::int64_t CAviRecorder::SampleOfFrame(int frame) {
    return std::int64_t{frame} * AudioSampleRate / CVideoEncoder::FramesPerSecond;
}

std::unique_ptr<CWaveFile> CAviRecorder::OpenWave(const std::string& name, int frame) {
    const std::optional<std::string> path =
        FilePath::Resolve(m_sound.m_programFolder, WaveFolderPrefix + name);
    std::unique_ptr<CWaveFile> wave = path ? CWaveFile::Open(*path) : nullptr;
    // Its sound starts at the frame's time, or where the sound written so far ends.
    const auto start =
        static_cast<std::uint64_t>(std::max(m_nSamplesWritten, SampleOfFrame(frame)));
    if (wave &&
        (start + wave->Mono16Samples(AudioSampleRate)) * sizeof(std::int16_t) > m_maxSoundBytes) {
        wave.reset();
    }
    if (!wave && m_failedWaves.insert(name).second) {
        ShowError(CannotMakeSound);
    }
    return wave;
}

bool CAviRecorder::WriteSamples(const std::int16_t* samples, std::size_t total) {
    FFmpeg::Pointer<AVPacket> packet(av_packet_alloc());
    for (std::size_t first = 0; first < total; first += SamplesPerChunk) {
        const std::size_t count = std::min(SamplesPerChunk, total - first);
        const int bytes = static_cast<int>(count * sizeof(std::int16_t));
        if (!packet || av_new_packet(packet.get(), bytes) < 0) {
            ReportWriteFailure();
            return false;
        }
        // PCM in the file is little-endian, as the samples are in memory here.
        std::memcpy(packet->data, samples + first, static_cast<std::size_t>(bytes));
        packet->pts = m_nSamplesWritten;
        packet->dts = m_nSamplesWritten;
        packet->duration = static_cast<std::int64_t>(count);
        packet->flags |= AV_PKT_FLAG_KEY;
        const bool written = m_pFile->WritePacket(*packet, *m_psAudio, SampleTimeBase);
        av_packet_unref(packet.get());
        m_nSamplesWritten += static_cast<std::int64_t>(count);
        if (!written) {
            ReportWriteFailure();
            return false;
        }
    }
    return true;
}

bool CAviRecorder::WriteVideoPacket(AVPacket& packet) {
    return m_pFile->WritePacket(packet, *m_psVideo, CVideoEncoder::TimeBase);
}

void CAviRecorder::ReportWriteFailure() {
    if (!m_bWriteFailed) {
        m_bWriteFailed = true;
        ShowError(CannotWrite);
    }
}
