// Reading and rewriting the information frame of an MP3 stream (Xing or Info
// with an optional LAME tag, or VBRI).
#include "files/Mp3InfoFrame.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr std::size_t kLameTagSize = 36;
constexpr std::size_t kLameCrcAt = 34;
constexpr std::size_t kLameMusicLengthAt = 28;
constexpr std::size_t kLameMusicCrcAt = 32;
constexpr std::size_t kLameDelayPaddingAt = 21;  // 12 bits of start delay, 12 of end padding
constexpr std::size_t kTocSize = 100;

std::uint32_t ReadBE(const std::uint8_t* p, int n)
{
    std::uint32_t v = 0;
    for (int i = 0; i < n; ++i) {
        v = (v << 8) | p[i];
    }
    return v;
}

void PutBE(std::uint8_t* p, std::uint32_t v, int n)
{
    for (int i = n - 1; i >= 0; --i, v >>= 8) {
        p[i] = static_cast<std::uint8_t>(v & 0xFF);
    }
}

bool IsEncoderName(const std::uint8_t* p)
{
    return std::all_of(p, p + 4, [](std::uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); });
}
}

std::uint16_t Mp3Crc16(const std::uint8_t* bytes, std::size_t size, std::uint16_t crc)
{
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= bytes[i];
        for (int b = 0; b < 8; ++b) {
            crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001) : static_cast<std::uint16_t>(crc >> 1);
        }
    }
    return crc;
}

Mp3InfoFrame FindMp3InfoFrame(const std::uint8_t* frame, std::size_t size, const MpegFrameHeader& h)
{
    Mp3InfoFrame info;
    if (size < 4 || h.layer != 3 || size < h.frameLength) {
        return info;
    }
    size = h.frameLength;
    const bool mono = h.channels == 1;
    const std::size_t sideInfo = h.version == MpegVersion::Mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
    const std::size_t xing = 4 + sideInfo + ((frame[1] & 1) ? 0 : 2);
    if (xing + 8 <= size && (std::memcmp(frame + xing, "Xing", 4) == 0 || std::memcmp(frame + xing, "Info", 4) == 0)) {
        const std::uint32_t flags = ReadBE(frame + xing + 4, 4);
        std::size_t at = xing + 8;
        const auto field = [&](std::uint32_t bit, std::size_t width) -> std::size_t {
            if (!(flags & bit) || at + width > size) {
                return 0;
            }
            const std::size_t here = at;
            at += width;
            return here;
        };
        info.framesAt = field(1, 4);
        info.bytesAt = field(2, 4);
        info.tocAt = field(4, kTocSize);
        field(8, 4);
        if ((flags & 0xF) != 0 && at + kLameTagSize <= size && IsEncoderName(frame + at) &&
            Mp3Crc16(frame, at + kLameCrcAt) == ReadBE(frame + at + kLameCrcAt, 2)) {
            // Only a tag whose own checksum holds is taken for a LAME tag.
            info.lameAt = at;
        }
        info.kind = Mp3InfoFrame::Kind::Xing;
    } else if (36 + 26 <= size && std::memcmp(frame + 36, "VBRI", 4) == 0) {
        info.kind = Mp3InfoFrame::Kind::Vbri;
        info.bytesAt = 36 + 10;
        info.framesAt = 36 + 14;
        info.vbriEntriesAt = 36 + 18;
        info.vbriEntries = ReadBE(frame + 36 + 18, 2);
        info.vbriScale = ReadBE(frame + 36 + 20, 2);
        info.vbriEntrySize = ReadBE(frame + 36 + 22, 2);
        info.vbriFramesPerEntry = ReadBE(frame + 36 + 24, 2);
        info.tocAt = 36 + 26;
        if (info.vbriEntrySize < 1 || info.vbriEntrySize > 4 || info.vbriScale == 0 ||
            info.tocAt + std::size_t(info.vbriEntries) * info.vbriEntrySize > size) {
            info.tocAt = 0;
        }
    } else {
        return info;
    }
    info.length = size;
    info.storedBytes = info.bytesAt ? ReadBE(frame + info.bytesAt, 4) : 0;
    return info;
}

void RefreshMp3InfoFrame(std::uint8_t* frame, const Mp3InfoFrame& info, const std::vector<std::uint32_t>& starts,
                         std::uint32_t totalBytes, std::uint16_t musicCrc)
{
    if (info.kind == Mp3InfoFrame::Kind::None || starts.empty() || totalBytes == 0) {
        return;
    }
    const auto audioFrames = static_cast<std::uint32_t>(starts.size() - 1);
    if (info.framesAt) {
        PutBE(frame + info.framesAt, audioFrames, 4);
    }
    if (info.bytesAt) {
        PutBE(frame + info.bytesAt, totalBytes, 4);
    }
    if (info.kind == Mp3InfoFrame::Kind::Xing) {
        if (info.tocAt) {
            // The share of the bytes that lies before each hundredth of the frames.
            for (std::size_t i = 0; i < kTocSize; ++i) {
                const std::size_t n = i * starts.size() / kTocSize;
                const std::uint64_t at = 256u * std::uint64_t(starts[n]) / totalBytes;
                frame[info.tocAt + i] = static_cast<std::uint8_t>(std::min<std::uint64_t>(at, 255));
            }
        }
        if (info.lameAt) {
            // The padding the first encoder added at its end is now inside the
            // stream; what the last frames carry is unknown, so gapless readers
            // are told none rather than cut the end of the audio.
            frame[info.lameAt + kLameDelayPaddingAt + 1] &= 0xF0;
            frame[info.lameAt + kLameDelayPaddingAt + 2] = 0;
            PutBE(frame + info.lameAt + kLameMusicLengthAt, totalBytes, 4);
            PutBE(frame + info.lameAt + kLameMusicCrcAt, musicCrc, 2);
            PutBE(frame + info.lameAt + kLameCrcAt, Mp3Crc16(frame, info.lameAt + kLameCrcAt), 2);
        }
        return;
    }
    // VBRI: each entry is the bytes of a run of frames, over the scale; a
    // table that cannot describe the stream is emptied so readers scan it.
    if (!info.tocAt || info.vbriEntries == 0) {
        return;
    }
    const std::uint32_t perEntry = std::max<std::uint32_t>(1, (audioFrames + info.vbriEntries - 1) / info.vbriEntries);
    const std::uint64_t limit = (std::uint64_t(1) << (8 * info.vbriEntrySize)) - 1;
    std::vector<std::uint32_t> entries(info.vbriEntries, 0);
    bool fits = perEntry <= 0xFFFF;
    for (std::uint32_t k = 0; k < info.vbriEntries && fits; ++k) {
        const std::uint64_t from = std::min<std::uint64_t>(std::uint64_t(k) * perEntry + 1, starts.size());
        const std::uint64_t to = std::min<std::uint64_t>(std::uint64_t(k + 1) * perEntry + 1, starts.size());
        const std::uint64_t a = from < starts.size() ? starts[from] : totalBytes;
        const std::uint64_t b = to < starts.size() ? starts[to] : totalBytes;
        const std::uint64_t value = (b - a) / info.vbriScale;
        fits = value <= limit;
        entries[k] = static_cast<std::uint32_t>(value);
    }
    if (!fits) {
        PutBE(frame + info.vbriEntriesAt, 0, 2);
        return;
    }
    PutBE(frame + 36 + 24, perEntry, 2);
    for (std::uint32_t k = 0; k < info.vbriEntries; ++k) {
        PutBE(frame + info.tocAt + std::size_t(k) * info.vbriEntrySize, entries[k], static_cast<int>(info.vbriEntrySize));
    }
}
