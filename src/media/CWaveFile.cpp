#include "media/CWaveFile.h"

#include "media/FFmpegLimits.h"
#include "media/WaveChunks.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

namespace {

constexpr DWORD LowestRate = 1000;
constexpr DWORD HighestRate = 192000;
constexpr WORD MostChannels = 8;
constexpr std::uint64_t RiffHeaderBytes = 8;
constexpr std::uint64_t FormTypeBytes = 4;

bool IsRecordablePcm(const WAVEFORMATEX& format) {
    const WORD bits = format.wBitsPerSample;
    return format.wFormatTag == WAVE_FORMAT_PCM && format.nChannels >= 1 &&
           format.nChannels <= MostChannels &&
           (bits == 8 || bits == 16 || bits == 24 || bits == 32) &&
           format.nSamplesPerSec >= LowestRate && format.nSamplesPerSec <= HighestRate;
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

// The RIFF check of playback's reader, and the formats that the conversion handles: FFmpeg
// opens nothing else.
bool IsRecordableWave(const std::string& path) {
    std::error_code error;
    const std::uintmax_t fileSize = std::filesystem::file_size(path, error);
    CRiffReader reader;
    if (error || fileSize > FFmpeg::MaxWaveFileBytes || !reader.Open(path)) {
        return false;
    }
    const std::optional<WaveChunks> chunks = ReadWaveChunks(reader);
    return chunks && chunks->riff.start == RiffHeaderBytes && IsRecordablePcm(chunks->format) &&
           ChunksLieInsideTheFile(reader, fileSize);
}

} // namespace

std::unique_ptr<CWaveFile> CWaveFile::Open(const std::string& path) {
    FFmpeg::LimitAllocations();
    if (!IsRecordableWave(path)) {
        return nullptr;
    }
    // Only the WAV reader: FFmpeg would otherwise take a broken file for another format.
    const AVInputFormat* wav = av_find_input_format("wav");
    AVFormatContext* opened = nullptr;
    if (wav == nullptr || avformat_open_input(&opened, path.c_str(), wav, nullptr) < 0) {
        return nullptr;
    }
    FFmpeg::Input format(opened);
    const AVCodec* codec = nullptr;
    if (avformat_find_stream_info(format.get(), nullptr) < 0) {
        return nullptr;
    }
    const int stream = av_find_best_stream(format.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (stream < 0 || codec == nullptr) {
        return nullptr;
    }
    FFmpeg::Pointer<AVCodecContext> decoder(avcodec_alloc_context3(codec));
    if (!decoder ||
        avcodec_parameters_to_context(decoder.get(), format->streams[stream]->codecpar) < 0 ||
        avcodec_open2(decoder.get(), codec, nullptr) < 0) {
        return nullptr;
    }
    return std::unique_ptr<CWaveFile>(new CWaveFile(std::move(format), std::move(decoder), stream));
}

CWaveFile::CWaveFile(FFmpeg::Input format, FFmpeg::Pointer<AVCodecContext> decoder, int stream)
    : m_format(std::move(format)), m_decoder(std::move(decoder)), m_stream(stream) {}

std::vector<std::int16_t> CWaveFile::ReadMono16(int sampleRate) {
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
        return samples;
    }
    FFmpeg::Pointer<AVPacket> packet(av_packet_alloc());
    while (packet && av_read_frame(m_format.get(), packet.get()) >= 0) {
        const bool decoded =
            packet->stream_index != m_stream || Decode(packet.get(), *resampler, samples);
        av_packet_unref(packet.get());
        if (!decoded) {
            return samples;
        }
    }
    // The decoder's last frames, then what the resampler still holds.
    Decode(nullptr, *resampler, samples);
    Convert(*resampler, nullptr, samples);
    return samples;
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
