#include "media/CWaveFile.h"

#include "media/FFmpegLimits.h"
#include "media/WaveChunks.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace {

// The PCM read from the file at a time.
constexpr std::size_t ReadBytes = std::size_t{1} << 16;

AVSampleFormat SampleFormat(const WAVEFORMATEX& format) {
    return format.wBitsPerSample == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16;
}

} // namespace

std::unique_ptr<CWaveFile> CWaveFile::Open(const std::string& path) {
    FFmpeg::LimitAllocations();
    CRiffReader reader;
    const std::optional<WaveChunks> chunks =
        reader.Open(path) ? ReadWaveChunks(reader) : std::nullopt;
    if (!chunks) {
        return nullptr;
    }
    const std::uint64_t frames = chunks->soundBytes / chunks->format.nBlockAlign;
    return std::unique_ptr<CWaveFile>(new CWaveFile(std::move(reader), chunks->format, frames));
}

CWaveFile::CWaveFile(CRiffReader reader, const WAVEFORMATEX& format, std::uint64_t frames)
    : m_reader(std::move(reader)), m_format(format), m_frames(frames), m_unread(frames) {}

std::uint64_t CWaveFile::Mono16Samples(int sampleRate) const {
    const std::uint64_t rate = m_format.nSamplesPerSec;
    return (m_frames * static_cast<std::uint64_t>(sampleRate) + rate - 1) / rate;
}

void CWaveFile::ReadMono16(int sampleRate, std::size_t pieceSamples, const SampleSink& sink) {
    const FFmpeg::Pointer<SwrContext> resampler = MakeResampler(sampleRate);
    const std::size_t readFrames = ReadBytes / m_format.nBlockAlign;
    std::vector<std::uint8_t> input(readFrames * m_format.nBlockAlign);
    std::vector<std::int16_t> samples;
    bool taken = resampler != nullptr;
    while (taken && m_unread > 0) {
        const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(m_unread, readFrames));
        m_unread -= count;
        if (!m_reader.Read(input.data(), count * m_format.nBlockAlign) ||
            !Convert(*resampler, input.data(), static_cast<int>(count), samples)) {
            m_unread = 0;
        }
        taken = HandOver(samples, pieceSamples, sink, false);
    }
    m_unread = 0;
    if (taken) {
        Convert(*resampler, nullptr, 0, samples);
        HandOver(samples, pieceSamples, sink, true);
    }
}

FFmpeg::Pointer<SwrContext> CWaveFile::MakeResampler(int sampleRate) const {
    AVChannelLayout source{};
    av_channel_layout_default(&source, m_format.nChannels);
    AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
    SwrContext* made = nullptr;
    swr_alloc_set_opts2(&made, &mono, AV_SAMPLE_FMT_S16, sampleRate, &source,
                        SampleFormat(m_format), static_cast<int>(m_format.nSamplesPerSec), 0,
                        nullptr);
    av_channel_layout_uninit(&source);
    FFmpeg::Pointer<SwrContext> resampler(made);
    if (!resampler || swr_init(resampler.get()) < 0) {
        return nullptr;
    }
    return resampler;
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

bool CWaveFile::Convert(SwrContext& resampler, const std::uint8_t* frames, int count,
                        std::vector<std::int16_t>& samples) {
    const int room = swr_get_out_samples(&resampler, count);
    if (room < 0) {
        return false;
    }
    const std::size_t used = samples.size();
    samples.resize(used + static_cast<std::size_t>(room));
    auto* output = reinterpret_cast<std::uint8_t*>(samples.data() + used);
    const int converted =
        swr_convert(&resampler, &output, room, frames != nullptr ? &frames : nullptr, count);
    samples.resize(used + static_cast<std::size_t>(std::max(converted, 0)));
    return converted >= 0;
}
