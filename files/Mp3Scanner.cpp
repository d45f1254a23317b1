// The frame-sync search across read blocks, the ID3v2 skip that refuses a malformed size, and the in-memory stream.
#include "files/Mp3Scanner.h"

#include <cstring>

long Mp3FindSync(Mp3ByteStream& s)
{
    const std::int64_t start = s.Tell();
    BYTE buf[4096];
    std::int64_t skipped = 0;  // bytes of the stream before buf[0]
    bool pendingFF = false;    // the previous block ended on 0xFF
    for (;;) {
        const long n = s.Read(buf, sizeof buf);
        if (n <= 0) {
            return -1;
        }
        if (pendingFF && buf[0] >= 0xE0) {
            s.SeekTo(start + skipped - 1);
            return static_cast<long>(skipped - 1);
        }
        for (long i = 0; i + 1 < n; ++i) {
            if (buf[i] == 0xFF && buf[i + 1] >= 0xE0) {
                s.SeekTo(start + skipped + i);
                return static_cast<long>(skipped + i);
            }
        }
        pendingFF = buf[n - 1] == 0xFF;
        skipped += n;
    }
}

bool Mp3SkipId3v2(Mp3ByteStream& s)
{
    if (s.Tell() != 0) {
        return false;
    }
    BYTE h[10];
    const long n = s.Read(h, 10);
    if (n < 10 || std::memcmp(h, "ID3", 3) != 0) {
        s.SeekTo(0);
        return false;
    }
    if (h[3] == 0xFF || h[4] == 0xFF || ((h[6] | h[7] | h[8] | h[9]) & 0x80) != 0) {
        return false;
    }
    const std::int64_t size = ((static_cast<std::int64_t>(h[6]) * 128 + h[7]) * 128 + h[8]) * 128 + h[9];
    return s.SeekTo(10 + size);
}

bool Mp3ReadFrameAtSync(Mp3ByteStream& s, bool checkNext, MpegFrameHeader& out)
{
    if (Mp3FindSync(s) < 0) {
        return false;
    }
    const std::int64_t frameStart = s.Tell();
    BYTE b[4];
    const long n = s.Read(b, 4);
    s.SeekTo(frameStart);
    MpegFrameHeader h;
    if (n < 4 || !ParseMpegFrameHeader(b, h)) {
        return false;
    }
    if (checkNext) {
        s.SeekTo(frameStart + h.frameLength);
        if (Mp3FindSync(s) > 0) {
            return false;
        }
        s.SeekTo(frameStart);
    }
    out = h;
    return true;
}

bool Mp3SearchFrames(Mp3ByteStream& s, const std::function<bool()>& scan)
{
    for (int i = 0; i < 10; ++i) {
        if (scan()) {
            return true;
        }
        s.SeekTo(s.Tell() + 3 * i + 7);
    }
    return false;
}

long Mp3MemoryStream::Read(void* buffer, long count)
{
    if (count < 0) {
        return -1;
    }
    const std::int64_t size = static_cast<std::int64_t>(bytes_.size());
    if (pos_ >= size) {
        return 0;
    }
    const std::int64_t n = std::min<std::int64_t>(count, size - pos_);
    std::memcpy(buffer, bytes_.data() + pos_, static_cast<std::size_t>(n));
    pos_ += n;
    return static_cast<long>(n);
}

bool Mp3MemoryStream::SeekTo(std::int64_t offset)
{
    if (offset < 0) {
        return false;
    }
    pos_ = offset;
    return true;
}
