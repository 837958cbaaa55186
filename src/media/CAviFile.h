#pragma once

// An AVI file written with FFmpeg's AVI muxer: streams are added, the header is written,
// then the packets of all streams, interleaved by time; Finish writes the index.

#include "media/AviHeaderPatch.h"
#include "media/FFmpegPointers.h"
#include "platform/FileDescriptor.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CAviFile {
public:
    // Creates the file at a UTF-8 path; null when it cannot be created.
    static std::unique_ptr<CAviFile> Create(const std::string& path);
    // Closes the file as far as it was written.
    ~CAviFile();
    CAviFile(const CAviFile&) = delete;
    CAviFile& operator=(const CAviFile&) = delete;

    // A new stream named `name` (the bytes of the stream's "strn" chunk) for the caller to
    // describe, with the header fields that Finish patches in; null when it cannot be added.
    AVStream* AddStream(const std::string& name, const AviStreamFields& fields);
    // Uncompressed RGB frames are stored bottom-up, as in a device-independent bitmap.
    bool WriteHeader();
    bool HasHeader() const { return m_hasHeader; }
    // Writes a packet of `stream`, time-stamped in `timeBase`.
    bool WritePacket(AVPacket& packet, const AVStream& stream, AVRational timeBase);
    // Writes what is still queued and the index, closes the file and patches the stream
    // headers. False when anything could not be written.
    bool Finish();
    // Closes the file and removes it: for a recording that never started.
    void Discard();

private:
    // The file as FFmpeg writes it: at the position FFmpeg last sought, so that a seek needs
    // no system call; the furthest byte written ends the file.
    struct Output {
        FileDescriptor file;
        std::int64_t position = 0;
        std::int64_t end = 0;
    };

    CAviFile(AVFormatContext* format, std::string path, FileDescriptor file);
    // FFmpeg's writes and seeks in the Output.
    static int WriteToFile(void* output, std::uint8_t* data, int size);
    static std::int64_t SeekInFile(void* output, std::int64_t offset, int whence);
    // False when the file could not be cut to what was written or closed.
    bool CloseFile();

    AVFormatContext* m_format;
    std::string m_path;
    Output m_output;
    // By stream index.
    std::vector<AviStreamFields> m_fields;
    bool m_hasHeader = false;
};
