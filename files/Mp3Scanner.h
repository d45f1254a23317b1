#pragma once
// Finding MPEG audio frames in a byte stream: the frame sync, a leading ID3v2
// tag, and the open-time search for the first frame whose successor follows
// directly. The stream is an interface so the recording file (on mmio) and the
// tests and fuzzers (on memory) run the same code.
#include <cstdint>
#include <functional>
#include <vector>

#include "files/MpegFrameHeader.h"

class Mp3ByteStream {
public:
    virtual ~Mp3ByteStream() = default;
    // Bytes read, 0 at the end, -1 on failure.
    virtual long Read(void* buffer, long count) = 0;
    virtual bool SeekTo(std::int64_t offset) = 0;
    virtual std::int64_t Tell() = 0;
};

// Moves to the next 0xFF followed by a byte of 0xE0 or more and stands on the
// 0xFF; returns the bytes skipped, or -1 when the stream ended first.
long Mp3FindSync(Mp3ByteStream& s);

// At offset 0 only: skips an "ID3" tag by its sync-safe size. A stream that
// does not start with "ID3" is left at 0; a tag header with an invalid
// version or size byte is left behind its 10 bytes. True when skipped.
bool Mp3SkipId3v2(Mp3ByteStream& s);

// From the next sync: reads one frame header and leaves the stream on it.
// With checkNext, the frame must be followed directly by another sync (or the
// end of the stream). False for anything else.
bool Mp3ReadFrameAtSync(Mp3ByteStream& s, bool checkNext, MpegFrameHeader& out);

// The open-time search: up to ten tries of `scan`; after failed try i the
// stream moves on 3 x i + 7 bytes from where it stands.
bool Mp3SearchFrames(Mp3ByteStream& s, const std::function<bool()>& scan);

// A stream over bytes in memory (tests, fuzzing, benchmarks).
class Mp3MemoryStream : public Mp3ByteStream {
public:
    explicit Mp3MemoryStream(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
    long Read(void* buffer, long count) override;
    bool SeekTo(std::int64_t offset) override;
    std::int64_t Tell() override { return pos_; }

private:
    std::vector<std::uint8_t> bytes_;
    std::int64_t pos_ = 0;
};
