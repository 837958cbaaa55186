#pragma once

// An AVI file written with FFmpeg's AVI muxer: streams are added, the header is written,
// then the packets of all streams, interleaved by time; Finish writes the index.
//
// The first stream (the frames) sets the time: its packets are written at once, and those
// of the other streams (the sound, which comes a whole WAV ahead) wait until the frames
// reach their time, or until they span more than 10 seconds. FFmpeg's interleaving would
// hold frames back instead whenever no sound was queued, as through each pause between
// WAVs, whose silence comes only with the next WAV: up to 10 seconds of frames, 276 MB of
// them at 640 x 480 uncompressed.

#include "media/AviHeaderPatch.h"
#include "media/FFmpegPointers.h"
#include "platform/ReplacementFile.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

class CAviFile {
public:
    // Starts the file that is to take the place of the one at a UTF-8 path (ReplacementFile):
    // the path keeps what it held until Finish. Null when it cannot be started, or when the
    // path names anything but a regular file or a free name, which is not touched.
    static std::unique_ptr<CAviFile> Create(const std::string& path);
    // Drops a file that Finish did not complete: what the path held stays as it was.
    ~CAviFile();
    CAviFile(const CAviFile&) = delete;
    CAviFile& operator=(const CAviFile&) = delete;

    // A new stream named `name` (the bytes of the stream's "strn" chunk) for the caller to
    // describe, with the header fields that Finish patches in; null when it cannot be added.
    AVStream* AddStream(const std::string& name, const AviStreamFields& fields);
    // Uncompressed RGB frames are stored bottom-up, as in a device-independent bitmap.
    bool WriteHeader();
    bool HasHeader() const { return m_hasHeader; }
    // Writes a packet of `stream`, time-stamped in `timeBase`, or, for a stream other than
    // the first, keeps it until its time. A packet of the first stream is written before
    // this returns: its data need not be reference-counted.
    bool WritePacket(AVPacket& packet, const AVStream& stream, AVRational timeBase);
    // Writes the packets still waiting and the index, patches the stream headers and puts the
    // file in place of what the path held. False, with the path left as it was, when anything
    // could not be written, or when the whole file could not take the path's place: it is then
    // kept beside it (KeptPath).
    bool Finish();
    const std::string& KeptPath() const { return m_file.KeptPath(); }

private:
    // The file as FFmpeg writes it: at the position FFmpeg last sought, so that a seek needs
    // no system call; the furthest byte written ends the file.
    struct Output {
        int file;
        std::int64_t position = 0;
        std::int64_t end = 0;
    };

    explicit CAviFile(const std::string& path);
    bool OpenMuxer();
    // FFmpeg's writes and seeks in the Output.
    static int WriteToFile(void* output, std::uint8_t* data, int size);
    static std::int64_t SeekInFile(void* output, std::int64_t offset, int whence);
    // Frees the muxer without writing what it still holds.
    void FreeMuxer();
    // Keeps a packet of a stream other than the first until its time.
    bool Wait(const AVPacket& packet);
    // Writes the waiting packets that come before `time` (in AV_TIME_BASE units).
    bool WriteWaitingBefore(std::int64_t time);
    bool WriteFirstWaiting();
    std::int64_t TimeOf(const AVPacket& packet) const;

    AVFormatContext* m_format = nullptr;
    ReplacementFile m_file;
    Output m_output;
    // By stream index.
    std::vector<AviStreamFields> m_fields;
    bool m_hasHeader = false;
    // Oldest first.
    std::deque<FFmpeg::Pointer<AVPacket>> m_waiting;
};
