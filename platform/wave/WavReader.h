#pragma once
// A small reader of PCM WAV files for the file-fed input: walks the RIFF
// chunks, takes the "fmt " and "data" chunks, and reads whole sample frames.
// Damaged sizes are clamped to the file; anything but 8/16-bit PCM with one or
// two channels is refused.
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/core/WaveFormat.h"

namespace platform::wave {
class WavReader {
public:
    WavReader() = default;
    ~WavReader();
    WavReader(const WavReader&) = delete;
    WavReader& operator=(const WavReader&) = delete;

    // False for a missing or unreadable file, anything but a regular file (never
    // waited on: a FIFO or a device is refused at once), or one that is not such a WAV file.
    bool Open(const std::string& path);
    // Why the last Open of a path failed: the open's errno (EINVAL or EISDIR: not
    // a regular file), or 0 when the file opened but holds no such WAV data.
    int OpenError() const { return openError_; }
    // The same on an open stream, which the reader then owns (closed on failure too).
    bool Open(std::FILE* stream);
    bool IsOpen() const { return file_ != nullptr; }

    const WAVEFORMATEX& Format() const { return format_; }
    // Sample bytes in the data chunk (whole frames only).
    std::uint64_t DataBytes() const { return dataBytes_; }
    std::uint64_t Position() const { return position_; }
    // Reads whole frames, up to `size` bytes; returns the bytes read (0 at the end).
    std::size_t Read(void* dst, std::size_t size);
    // Moves to a byte position in the data (rounded down to a frame, clamped to the end).
    bool Seek(std::uint64_t position);

private:
    void CloseFile();

    std::FILE* file_ = nullptr;
    WAVEFORMATEX format_{};
    std::uint64_t dataStart_ = 0;
    std::uint64_t dataBytes_ = 0;
    std::uint64_t position_ = 0;
    int openError_ = 0;
};
}
