#include "media/CWaveFile.h"

#include "media/FFmpegLimits.h"
#include "media/WaveChunks.h"
#include "platform/CSoundBuffer.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace {

constexpr DWORD LowestRate = 1000;
constexpr DWORD HighestRate = 192000;
constexpr std::uint64_t RiffHeaderBytes = 8;
constexpr std::uint64_t FormTypeBytes = 4;
constexpr int InputBufferBytes = 1 << 16;
// The smallest probe size that FFmpeg accepts.
constexpr std::int64_t SmallestProbeBytes = 32;

// What playback plays, at the rates that the conversion takes.
bool IsRecordableSound(const WaveChunks& chunks) {
    return CSoundBuffer::IsPlayable(chunks.format, chunks.data.size) &&
           chunks.format.nSamplesPerSec >= LowestRate &&
           chunks.format.nSamplesPerSec <= HighestRate;
}

// FFmpeg's WAV reader walks every chunk up to the end of the file, whatever the RIFF size
// says, and allocates what some of them claim: each must lie inside the file. Fewer bytes
// than a chunk header may follow the last one.
bool ChunksLieInsideTheFile(CRiffReader& reader, std::uint64_t fileSize) {
    RiffChunk wholeFile;
    if (!reader.DescendRiff(wholeFile)) {
        return false;
    }
    wholeFile.end = fileSize;
    std::uint64_t next = wholeFile.start + FormTypeBytes;
    RiffChunk chunk;
    while (reader.Descend(chunk, wholeFile)) {
        next = chunk.end + (chunk.size & 1u);
        if (!reader.Ascend(chunk)) {
            break;
        }
    }
    return next >= fileSize || fileSize - next < RiffHeaderBytes;
}

// The RIFF check of playback's reader, and the sounds that playback and the conversion both
// take: FFmpeg reads nothing else.
std::optional<WaveChunks> ReadRecordableWave(CRiffReader& reader) {
    const std::optional<WaveChunks> chunks = ReadWaveChunks(reader);
    if (!chunks || chunks->riff.start != RiffHeaderBytes || !IsRecordableSound(*chunks) ||
        !ChunksLieInsideTheFile(reader, reader.File().Size())) {
        return std::nullopt;
    }
    return chunks;
}

// FFmpeg's codec for the PCM of a playable format.
AVCodecID PcmCodec(const WAVEFORMATEX& format) {
    return format.wBitsPerSample == 8 ? AV_CODEC_ID_PCM_U8 : AV_CODEC_ID_PCM_S16LE;
}

} // namespace

std::unique_ptr<CWaveFile> CWaveFile::Open(const std::string& path) {
    FFmpeg::LimitAllocations();
    CRiffReader reader;
    const std::optional<WaveChunks> chunks =
        reader.Open(path) ? ReadRecordableWave(reader) : std::nullopt;
    if (!chunks) {
        return nullptr;
    }
    // FFmpeg goes on from the first "data" chunk to any later one, up to the file's end.
    const std::uint64_t soundBytes = reader.File().Size() - chunks->data.start;
    std::unique_ptr<CWaveFile> wave(new CWaveFile(std::move(reader), chunks->format, soundBytes));
    return wave->OpenDecoder() && wave->DecodesAsChecked() ? std::move(wave) : nullptr;
}

CWaveFile::CWaveFile(CRiffReader reader, const WAVEFORMATEX& format, std::uint64_t soundBytes)
    : m_reader(std::move(reader)), m_checked(format), m_soundBytes(soundBytes) {}

std::uint64_t CWaveFile::Mono16Samples(int sampleRate) const {
    const std::uint64_t frames = m_soundBytes / m_checked.nBlockAlign;
    const std::uint64_t rate = m_checked.nSamplesPerSec;
    return (frames * static_cast<std::uint64_t>(sampleRate) + rate - 1) / rate;
}

// FFmpeg reads the file that was checked, through its open descriptor: the name is never
// looked up again.
bool CWaveFile::OpenDecoder() {
    auto* buffer = static_cast<unsigned char*>(av_malloc(InputBufferBytes));
    if (buffer == nullptr) {
        return false;
    }
    m_input.reset(avio_alloc_context(buffer, InputBufferBytes, 0, this, &CWaveFile::ReadInput,
                                     nullptr, &CWaveFile::SeekInput));
    if (!m_input) {
        av_free(buffer);
        return false;
    }
    AVFormatContext* opened = avformat_alloc_context();
    if (opened == nullptr) {
        return false;
    }
    opened->pb = m_input.get();
    // The WAV reader looks for other codecs in the samples up to the probe size, by default
    // 5 MB and milliseconds for each WAV of a recording: the RIFF check found PCM, so the
    // first packet is all it looks at.
    opened->probesize = SmallestProbeBytes;
    // Only the WAV reader: FFmpeg would otherwise take a broken file for another format.
    const AVInputFormat* wav = av_find_input_format("wav");
    if (wav == nullptr || avformat_open_input(&opened, nullptr, wav, nullptr) < 0) {
        return false; // the context is freed
    }
    m_format.reset(opened);
    const AVCodec* codec = nullptr;
    if (avformat_find_stream_info(m_format.get(), nullptr) < 0) {
        return false;
    }
    m_stream = av_find_best_stream(m_format.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (m_stream < 0 || codec == nullptr) {
        return false;
    }
    m_decoder.reset(avcodec_alloc_context3(codec));
    return m_decoder &&
           avcodec_parameters_to_context(m_decoder.get(), m_format->streams[m_stream]->codecpar) >=
               0 &&
           avcodec_open2(m_decoder.get(), codec, nullptr) >= 0;
}

// The WAV reader may take samples for another codec (S/PDIF bursts, for one): the sound must be
// the PCM that was checked.
bool CWaveFile::DecodesAsChecked() const {
    const AVCodecParameters& decoded = *m_format->streams[m_stream]->codecpar;
    return decoded.codec_id == PcmCodec(m_checked) &&
           decoded.ch_layout.nb_channels == m_checked.nChannels &&
           decoded.sample_rate == static_cast<int>(m_checked.nSamplesPerSec) &&
           decoded.block_align == m_checked.nBlockAlign;
}

int CWaveFile::ReadInput(void* opaque, std::uint8_t* buffer, int size) {
    CWaveFile& wave = *static_cast<CWaveFile*>(opaque);
    const RegularFile& file = wave.m_reader.File();
    if (size <= 0 || wave.m_inputPosition >= file.Size()) {
        return AVERROR_EOF;
    }
    const auto count = static_cast<int>(
        std::min<std::uint64_t>(file.Size() - wave.m_inputPosition, static_cast<unsigned>(size)));
    if (!file.ReadAt(wave.m_inputPosition, buffer, static_cast<std::size_t>(count))) {
        return AVERROR(EIO);
    }
    wave.m_inputPosition += static_cast<std::uint64_t>(count);
    return count;
}

std::int64_t CWaveFile::SeekInput(void* opaque, std::int64_t offset, int whence) {
    CWaveFile& wave = *static_cast<CWaveFile*>(opaque);
    const auto size = static_cast<std::int64_t>(wave.m_reader.File().Size());
    switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE:
        return size;
    case SEEK_SET:
        break;
    case SEEK_CUR:
        offset += static_cast<std::int64_t>(wave.m_inputPosition);
        break;
    case SEEK_END:
        offset += size;
        break;
    default:
        return AVERROR(EINVAL);
    }
    if (offset < 0) {
        return AVERROR(EINVAL);
    }
    wave.m_inputPosition = static_cast<std::uint64_t>(offset);
    return offset;
}

void CWaveFile::ReadMono16(int sampleRate, std::size_t pieceSamples, const SampleSink& sink) {
    std::vector<std::int16_t> samples;
    AVChannelLayout source{};
    if (m_decoder->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
        av_channel_layout_default(&source, m_decoder->ch_layout.nb_channels);
    } else {
        av_channel_layout_copy(&source, &m_decoder->ch_layout);
    }
    AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
    SwrContext* made = nullptr;
    swr_alloc_set_opts2(&made, &mono, AV_SAMPLE_FMT_S16, sampleRate, &source, m_decoder->sample_fmt,
                        m_decoder->sample_rate, 0, nullptr);
    av_channel_layout_uninit(&source);
    FFmpeg::Pointer<SwrContext> resampler(made);
    if (!resampler || swr_init(resampler.get()) < 0) {
        return;
    }
    FFmpeg::Pointer<AVPacket> packet(av_packet_alloc());
    bool decoded = packet != nullptr;
    bool taken = true;
    while (decoded && taken && av_read_frame(m_format.get(), packet.get()) >= 0) {
        decoded = packet->stream_index != m_stream || Decode(packet.get(), *resampler, samples);
        av_packet_unref(packet.get());
        taken = HandOver(samples, pieceSamples, sink, false);
    }
    if (!taken) {
        return;
    }
    if (decoded) {
        // The decoder's last frames, then what the resampler still holds.
        Decode(nullptr, *resampler, samples);
        Convert(*resampler, nullptr, samples);
    }
    HandOver(samples, pieceSamples, sink, true);
}

bool CWaveFile::HandOver(std::vector<std::int16_t>& samples, std::size_t pieceSamples,
                         const SampleSink& sink, bool all) {
    const std::size_t piece = std::max<std::size_t>(pieceSamples, 1);
    const std::size_t handed = all ? samples.size() : samples.size() - samples.size() % piece;
    bool taken = true;
    for (std::size_t first = 0; taken && first < handed; first += piece) {
        taken = sink(samples.data() + first, std::min(piece, handed - first));
    }
    samples.erase(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(handed));
    return taken;
}

bool CWaveFile::Decode(const AVPacket* packet, SwrContext& resampler,
                       std::vector<std::int16_t>& samples) {
    FFmpeg::Pointer<AVFrame> frame(av_frame_alloc());
    if (!frame || avcodec_send_packet(m_decoder.get(), packet) < 0) {
        return false;
    }
    int result = 0;
    while ((result = avcodec_receive_frame(m_decoder.get(), frame.get())) >= 0) {
        if (!Convert(resampler, frame.get(), samples)) {
            return false;
        }
    }
    return result == AVERROR(EAGAIN) || result == AVERROR_EOF;
}

bool CWaveFile::Convert(SwrContext& resampler, const AVFrame* frame,
                        std::vector<std::int16_t>& samples) {
    const int input = frame != nullptr ? frame->nb_samples : 0;
    const int room = swr_get_out_samples(&resampler, input);
    if (room < 0) {
        return false;
    }
    const std::size_t used = samples.size();
    samples.resize(used + static_cast<std::size_t>(room));
    auto* output = reinterpret_cast<std::uint8_t*>(samples.data() + used);
    const int converted = swr_convert(
        &resampler, &output, room,
        frame != nullptr ? const_cast<const std::uint8_t**>(frame->extended_data) : nullptr, input);
    samples.resize(used + static_cast<std::size_t>(std::max(converted, 0)));
    return converted >= 0;
}
