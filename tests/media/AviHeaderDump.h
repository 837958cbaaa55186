#pragma once

// The stream headers of an AVI file as text, one field a line: "<stream> <chunk>.<field> =
// <value>", so that a test shows every field and a failure shows which ones differ.

#include "platform/CRiffReader.h"
#include "platform/Mbcs.h"

#include <cstdint>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

namespace AviHeaderDump {

inline std::uint32_t Little(const std::string& bytes, std::size_t offset, int count) {
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(bytes.at(offset + i));
    }
    return value;
}

inline std::string FourCC(const std::string& bytes, std::size_t offset) {
    const std::uint32_t code = Little(bytes, offset, 4);
    return code == 0 ? "0" : "'" + bytes.substr(offset, 4) + "'";
}

// Fields of a chunk body: name, offset, size in bytes (0 for a four-character code, -4 for a
// signed double word).
struct Field {
    const char* name;
    std::size_t offset;
    int size;
};

inline void DumpFields(std::ostream& out, const std::string& prefix, const std::string& body,
                       const std::vector<Field>& fields) {
    for (const Field& field : fields) {
        out << prefix << field.name << " = ";
        if (field.size == 0) {
            out << FourCC(body, field.offset);
        } else if (field.size < 0) {
            out << static_cast<std::int32_t>(Little(body, field.offset, -field.size));
        } else {
            out << Little(body, field.offset, field.size);
        }
        out << "\n";
    }
}

const std::vector<Field> StreamHeader = {{"fccType", 0, 0},
                                         {"fccHandler", 4, 0},
                                         {"dwFlags", 8, 4},
                                         {"wPriority", 12, 2},
                                         {"wLanguage", 14, 2},
                                         {"dwInitialFrames", 16, 4},
                                         {"dwScale", 20, 4},
                                         {"dwRate", 24, 4},
                                         {"dwStart", 28, 4},
                                         {"dwLength", 32, 4},
                                         {"dwSuggestedBufferSize", 36, 4},
                                         {"dwQuality", 40, -4},
                                         {"dwSampleSize", 44, 4},
                                         {"rcFrame.left", 48, 2},
                                         {"rcFrame.top", 50, 2},
                                         {"rcFrame.right", 52, 2},
                                         {"rcFrame.bottom", 54, 2}};

const std::vector<Field> BitmapHeader = {
    {"biSize", 0, 4},       {"biWidth", 4, -4},         {"biHeight", 8, -4},
    {"biPlanes", 12, 2},    {"biBitCount", 14, 2},      {"biCompression", 16, 4},
    {"biSizeImage", 20, 4}, {"biXPelsPerMeter", 24, 4}, {"biYPelsPerMeter", 28, 4},
    {"biClrUsed", 32, 4},   {"biClrImportant", 36, 4}};

const std::vector<Field> WaveFormat = {{"wFormatTag", 0, 2},     {"nChannels", 2, 2},
                                       {"nSamplesPerSec", 4, 4}, {"nAvgBytesPerSec", 8, 4},
                                       {"nBlockAlign", 12, 2},   {"wBitsPerSample", 14, 2}};

inline bool ReadBody(CRiffReader& reader, const RiffChunk& chunk, std::string& body) {
    body.assign(chunk.size, '\0');
    return reader.Read(body.data(), body.size());
}

inline void DumpChunk(std::ostream& out, const std::string& stream, const RiffChunk& chunk,
                      const std::string& body, bool video) {
    const std::string id = chunk.id == MakeFourCC("strh")   ? "strh"
                           : chunk.id == MakeFourCC("strf") ? "strf"
                                                            : "strn";
    const std::string prefix = stream + " " + id + ".";
    if (id == "strh") {
        DumpFields(out, prefix, body, StreamHeader);
    } else if (id == "strf") {
        out << prefix << "size = " << body.size() << "\n";
        DumpFields(out, prefix, body, video ? BitmapHeader : WaveFormat);
        if (!video && body.size() >= 18) {
            DumpFields(out, prefix, body, {{"cbSize", 16, 2}});
        }
    } else {
        // Names are code page 932, shown in UTF-8.
        out << prefix << "name = "
            << Mbcs::ToUtf8(body.substr(0, body.find('\0'))).value_or("(not code page 932)")
            << "\n";
    }
}

// Every stream's "strh", "strf" and "strn"; empty when the file has no AVI header list.
inline std::string Dump(const std::string& path) {
    CRiffReader reader;
    RiffChunk riff, headers, list, chunk;
    FOURCC type = 0;
    std::ostringstream out;
    if (!reader.Open(path, std::numeric_limits<std::uint64_t>::max()) ||
        !reader.DescendRiff(riff) || !reader.FindChunk(headers, riff, MakeFourCC("LIST")) ||
        !reader.Read(&type, 4)) {
        return "";
    }
    for (int stream = 0; reader.FindChunk(list, headers, MakeFourCC("LIST")); ++stream) {
        reader.Read(&type, 4);
        bool video = false;
        while (reader.Descend(chunk, list)) {
            std::string body;
            if ((chunk.id == MakeFourCC("strh") || chunk.id == MakeFourCC("strf") ||
                 chunk.id == MakeFourCC("strn")) &&
                ReadBody(reader, chunk, body)) {
                video = video || body.rfind("vids", 0) == 0;
                DumpChunk(out, std::to_string(stream), chunk, body, video);
            }
            reader.Ascend(chunk);
        }
        reader.Ascend(list);
    }
    return out.str();
}

} // namespace AviHeaderDump
