#pragma once

// Reads recorded files back with the ffprobe and ffmpeg commands.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace MediaProbe {

// The standard output of a shell command (standard error is dropped).
inline std::string Run(const std::string& command) {
    std::string output;
    FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) {
        return output;
    }
    char buffer[1 << 16];
    std::size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        output.append(buffer, count);
    }
    pclose(pipe);
    return output;
}

inline std::string Quoted(const std::string& path) {
    std::string quoted = "'";
    for (char c : path) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

// One stream as ffprobe describes it: "codec_type", "codec_name", "codec_tag_string",
// "width", "height", "r_frame_rate", "sample_rate", "channels", "nb_read_frames", ...
using Stream = std::map<std::string, std::string>;

inline std::vector<Stream> Streams(const std::string& path) {
    const std::string text =
        Run("ffprobe -v error -count_frames -show_entries "
            "stream=codec_type,codec_name,codec_tag_string,width,height,r_frame_rate,"
            "sample_rate,channels,sample_fmt,nb_read_frames -of compact=p=0 " +
            Quoted(path));
    std::vector<Stream> streams;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        Stream stream;
        std::istringstream fields(line);
        std::string field;
        while (std::getline(fields, field, '|')) {
            const std::size_t equals = field.find('=');
            if (equals != std::string::npos) {
                stream[field.substr(0, equals)] = field.substr(equals + 1);
            }
        }
        streams.push_back(stream);
    }
    return streams;
}

// "size,flags" of every packet of the first video stream, such as "233288,K_".
inline std::vector<std::string> VideoPackets(const std::string& path) {
    const std::string text = Run("ffprobe -v error -select_streams v:0 -show_entries "
                                 "packet=size,flags -of csv=p=0 " +
                                 Quoted(path));
    std::vector<std::string> packets;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        packets.push_back(line);
    }
    return packets;
}

// "stream,time" of every packet, such as "0,0.033333", in the order the packets lie in the
// file.
inline std::vector<std::string> PacketsInFileOrder(const std::string& path) {
    const std::string text = Run("ffprobe -v error -show_entries "
                                 "packet=stream_index,pts_time,pos -of csv=p=0 " +
                                 Quoted(path));
    std::vector<std::pair<long long, std::string>> placed;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const std::size_t comma = line.rfind(',');
        placed.emplace_back(std::stoll(line.substr(comma + 1)), line.substr(0, comma));
    }
    std::sort(placed.begin(), placed.end());
    std::vector<std::string> packets;
    for (const auto& [position, packet] : placed) {
        packets.push_back(packet);
    }
    return packets;
}

// The first sound stream decoded to 16-bit samples.
inline std::vector<std::int16_t> DecodedSound(const std::string& path) {
    const std::string bytes =
        Run("ffmpeg -v error -i " + Quoted(path) + " -map 0:a:0 -f s16le -acodec pcm_s16le -");
    std::vector<std::int16_t> samples(bytes.size() / 2);
    if (!samples.empty()) { // none without a sound stream
        std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    }
    return samples;
}

// The first video stream decoded to 24-bit pixels (blue, green, red), top row first, rows
// not padded.
inline std::string DecodedPictures(const std::string& path) {
    return Run("ffmpeg -v error -i " + Quoted(path) + " -map 0:v:0 -f rawvideo -pix_fmt bgr24 -");
}

} // namespace MediaProbe
