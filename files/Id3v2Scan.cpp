// The bounded ID3v2 reader: every size and flag is checked against the tag's
// own bytes before anything is taken from them.
#include "files/Id3v2Scan.h"

#include <algorithm>

#include <zlib.h>

#include "files/Id3libFrames.h"

namespace {
bool IsIdChar(std::uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

bool AllZero(const Id3Bytes& b, std::size_t from, std::size_t to)
{
    return std::all_of(b.begin() + static_cast<long>(from), b.begin() + static_cast<long>(to),
                       [](std::uint8_t c) { return c == 0; });
}

Id3v2Scan Refuse(Id3v2Scan scan, const char* why)
{
    // The frames walked so far stay readable; nothing of the tag is rewritten.
    scan.verdict = Id3v2Verdict::Untouchable;
    scan.problem = why;
    return scan;
}

// The stored offset of each decoded offset in `offsets` (sorted), for a body
// whose unsynchronisation was undone.
void MapToStored(const std::uint8_t* raw, std::size_t rawSize, std::vector<std::size_t*> offsets)
{
    std::sort(offsets.begin(), offsets.end(), [](const std::size_t* a, const std::size_t* b) { return *a < *b; });
    std::size_t r = 0;
    std::size_t d = 0;
    for (std::size_t* o : offsets) {
        while (d < *o && r < rawSize) {
            if (raw[r] == 0xFF && r + 1 < rawSize && raw[r + 1] == 0) {
                ++r;
            }
            ++r;
            ++d;
        }
        *o = r;
    }
}

// Checks the extended header; false with the reason when it does not hold.
bool ReadExtendedHeader(Id3v2Scan& scan, const char** why)
{
    const Id3Bytes& b = scan.body;
    if (scan.version == 3) {
        if (b.size() < 10) {
            *why = "extended header cut";
            return false;
        }
        const std::uint32_t size = Id3ReadBE(b.data(), 4);
        const std::uint32_t flags = Id3ReadBE(b.data() + 4, 2);
        const std::uint32_t padding = Id3ReadBE(b.data() + 6, 4);
        scan.extendedCrc = (flags & 0x8000) != 0;
        if ((flags & 0x7FFF) != 0 || size != (scan.extendedCrc ? 10u : 6u) || b.size() < 4 + size ||
            padding > b.size() - 4 - size) {
            *why = "extended header sizes disagree";
            return false;
        }
        scan.extendedEnd = 4 + size;
        return true;
    }
    // Version 2.4: a sync-safe size that counts itself, one flag byte, and one
    // length-prefixed field per flag.
    std::uint32_t size = 0;
    if (b.size() < 6 || !Id3ReadSyncSafe(b.data(), 4, size) || size < 6 || size > b.size() || b[4] != 1 ||
        (b[5] & 0x8F) != 0) {
        *why = "extended header sizes disagree";
        return false;
    }
    std::size_t at = 6;
    for (const auto& [bit, length] : {std::pair{0x40, 0}, std::pair{0x20, 5}, std::pair{0x10, 1}}) {
        if ((b[5] & bit) == 0) {
            continue;
        }
        if (at >= size || b[at] != length || at + 1 + static_cast<std::size_t>(length) > size) {
            *why = "extended header sizes disagree";
            return false;
        }
        at += 1 + static_cast<std::size_t>(length);
    }
    if (at != size) {
        *why = "extended header sizes disagree";
        return false;
    }
    scan.extendedCrc = (b[5] & 0x20) != 0;
    scan.extendedEnd = size;
    return true;
}

// Reads one frame header at `at`; false with the reason when it does not fit.
bool ReadFrame(const Id3v2Scan& scan, std::size_t at, Id3v2Frame& f, const char** why)
{
    const Id3Bytes& b = scan.body;
    const std::size_t idLength = scan.version == 2 ? 3 : 4;
    const std::size_t headerSize = scan.version == 2 ? 6 : 10;
    const std::uint8_t* p = b.data() + at;
    if (!std::all_of(p, p + idLength, IsIdChar)) {
        *why = "frame id not of letters and digits";
        return false;
    }
    std::uint32_t size = 0;
    if (scan.version == 2) {
        size = Id3ReadBE(p + 3, 3);
    } else if (scan.version == 3) {
        size = Id3ReadBE(p + 4, 4);
    } else if (!Id3ReadSyncSafe(p + 4, 4, size)) {
        *why = "frame size not sync-safe";
        return false;
    }
    if (size > b.size() - at - headerSize) {
        *why = "frame size runs past the tag";
        return false;
    }
    f.id.assign(reinterpret_cast<const char*>(p), idLength);
    f.begin = at;
    f.dataBegin = at + headerSize;
    f.end = f.dataBegin + size;
    if (scan.version == 2) {
        return true;
    }
    f.flags = static_cast<std::uint16_t>(Id3ReadBE(p + 8, 2));
    std::size_t extra = 0;
    if (scan.version == 3) {
        if ((f.flags & 0x1F1F) != 0) {
            *why = "unknown frame flags";
            return false;
        }
        f.compressed = (f.flags & 0x80) != 0;
        f.encrypted = (f.flags & 0x40) != 0;
        f.grouped = (f.flags & 0x20) != 0;
        extra = (f.compressed ? 4 : 0) + (f.encrypted ? 1 : 0) + (f.grouped ? 1 : 0);
    } else {
        if ((f.flags & 0x8FB0) != 0) {
            *why = "unknown frame flags";
            return false;
        }
        f.grouped = (f.flags & 0x40) != 0;
        f.compressed = (f.flags & 0x08) != 0;
        f.encrypted = (f.flags & 0x04) != 0;
        f.unsynchronised = (f.flags & 0x02) != 0 || (scan.flags & 0x80) != 0;
        f.dataLength = (f.flags & 0x01) != 0;
        if (f.compressed && !f.dataLength) {
            *why = "compressed frame without its data length";
            return false;
        }
        extra = (f.grouped ? 1 : 0) + (f.encrypted ? 1 : 0) + (f.dataLength ? 4 : 0);
    }
    if (size < extra) {
        *why = "frame too short for its flags";
        return false;
    }
    return true;
}
}

std::uint32_t Id3ReadBE(const std::uint8_t* p, int bytes)
{
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) {
        v = (v << 8) | p[i];
    }
    return v;
}

bool Id3ReadSyncSafe(const std::uint8_t* p, int bytes, std::uint32_t& out)
{
    out = 0;
    for (int i = 0; i < bytes; ++i) {
        if (p[i] & 0x80) {
            return false;
        }
        out = (out << 7) | p[i];
    }
    return true;
}

void Id3PutBE(std::uint8_t* p, std::uint32_t value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i, value >>= 8) {
        p[i] = static_cast<std::uint8_t>(value & 0xFF);
    }
}

void Id3PutSyncSafe(std::uint8_t* p, std::uint32_t value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i, value >>= 7) {
        p[i] = static_cast<std::uint8_t>(value & 0x7F);
    }
}

Id3Bytes Id3Unsynchronise(const Id3Bytes& bytes)
{
    Id3Bytes out;
    out.reserve(bytes.size() + bytes.size() / 64 + 1);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        out.push_back(bytes[i]);
        if (bytes[i] == 0xFF && (i + 1 == bytes.size() || bytes[i + 1] == 0 || bytes[i + 1] >= 0xE0)) {
            out.push_back(0);
        }
    }
    return out;
}

Id3Bytes Id3Resynchronise(const std::uint8_t* bytes, std::size_t size)
{
    Id3Bytes out;
    out.reserve(size);
    for (std::size_t i = 0; i < size; ++i) {
        out.push_back(bytes[i]);
        if (bytes[i] == 0xFF && i + 1 < size && bytes[i + 1] == 0) {
            ++i;
        }
    }
    return out;
}

std::size_t Id3v2StoredSize(const std::uint8_t* h, std::size_t available)
{
    std::uint32_t size = 0;
    if (available < kId3HeaderSize || h[0] != 'I' || h[1] != 'D' || h[2] != '3' || h[3] == 0xFF || h[4] == 0xFF ||
        !Id3ReadSyncSafe(h + 6, 4, size)) {
        return 0;
    }
    return kId3HeaderSize + size + (h[3] == 4 && (h[5] & 0x10) ? kId3HeaderSize : 0);
}

Id3v2Scan ScanId3v2(const Id3Bytes& bytes)
{
    Id3v2Scan scan;
    if (bytes.size() < 3 || bytes[0] != 'I' || bytes[1] != 'D' || bytes[2] != '3') {
        return scan;
    }
    const std::size_t total = Id3v2StoredSize(bytes.data(), bytes.size());
    if (total == 0) {
        return Refuse(scan, "tag header unreadable");
    }
    scan.version = bytes[3];
    scan.revision = bytes[4];
    scan.flags = bytes[5];
    scan.totalSize = total;
    if (total > bytes.size() || total > kId3MaxTagSize) {
        return Refuse(scan, "tag size runs past the file");
    }
    static constexpr std::uint8_t kKnownFlags[] = {0xC0, 0xE0, 0xF0};
    if (scan.version < 2 || scan.version > 4 || (scan.flags & ~kKnownFlags[scan.version - 2]) != 0) {
        return Refuse(scan, "unknown tag version or flags");
    }
    if (scan.version == 2 && (scan.flags & 0x40)) {
        return Refuse(scan, "compressed version 2.2 tag");
    }
    scan.raw.assign(bytes.begin(), bytes.begin() + static_cast<long>(total));
    scan.footer = scan.version == 4 && (scan.flags & 0x10);
    const std::size_t bodySize = total - kId3HeaderSize - (scan.footer ? kId3HeaderSize : 0);
    const std::uint8_t* rawBody = scan.raw.data() + kId3HeaderSize;
    if (scan.footer) {
        const std::uint8_t* f = rawBody + bodySize;
        if (f[0] != '3' || f[1] != 'D' || f[2] != 'I' || !std::equal(f + 3, f + 10, scan.raw.data() + 3)) {
            return Refuse(scan, "footer does not match the header");
        }
    }
    // Versions 2.2 and 2.3 unsynchronise the whole body, 2.4 each frame.
    const bool wholeBodyUnsync = scan.version < 4 && (scan.flags & 0x80);
    scan.body = wholeBodyUnsync ? Id3Resynchronise(rawBody, bodySize) : Id3Bytes(rawBody, rawBody + bodySize);

    const char* why = nullptr;
    scan.extendedHeader = scan.version > 2 && (scan.flags & 0x40);
    if (scan.extendedHeader && !ReadExtendedHeader(scan, &why)) {
        return Refuse(scan, why);
    }
    const std::size_t headerSize = scan.version == 2 ? 6 : 10;
    std::size_t at = scan.extendedEnd;
    while (at < scan.body.size() && scan.body[at] != 0) {
        if (scan.body.size() - at < headerSize) {
            return Refuse(scan, "frame header cut by the tag end");
        }
        Id3v2Frame f;
        if (!ReadFrame(scan, at, f, &why)) {
            return Refuse(scan, why);
        }
        scan.frames.push_back(f);
        at = f.end;
    }
    scan.framesEnd = at;
    if (!AllZero(scan.body, at, scan.body.size())) {
        return Refuse(scan, "bytes after the frames are not padding");
    }
    if (scan.footer && at != scan.body.size()) {
        return Refuse(scan, "padding in a tag with a footer");
    }
    if (scan.extendedHeader && scan.version == 3 &&
        Id3ReadBE(scan.body.data() + 6, 4) != scan.body.size() - scan.framesEnd) {
        return Refuse(scan, "extended header sizes disagree");
    }

    // Stored positions of every frame, for keeping them byte for byte.
    scan.rawFramesEnd = scan.framesEnd;
    if (wholeBodyUnsync) {
        std::vector<std::size_t*> offsets{&scan.rawFramesEnd};
        for (Id3v2Frame& f : scan.frames) {
            f.rawBegin = f.begin;
            f.rawEnd = f.end;
            offsets.push_back(&f.rawBegin);
            offsets.push_back(&f.rawEnd);
        }
        MapToStored(rawBody, bodySize, offsets);
    } else {
        for (Id3v2Frame& f : scan.frames) {
            f.rawBegin = f.begin;
            f.rawEnd = f.end;
        }
    }
    for (Id3v2Frame& f : scan.frames) {
        f.rawBegin += kId3HeaderSize;
        f.rawEnd += kId3HeaderSize;
    }
    scan.rawFramesEnd += kId3HeaderSize;

    // What id3lib gets: one plain, known, non-empty frame at a time, from a
    // 2.2 or 2.3 tag without an extended header.
    scan.verdict = Id3v2Verdict::Id3libSafe;
    if (scan.version == 4) {
        scan.problem = "version 2.4 tag";
    } else if (scan.extendedHeader || (scan.flags & 0x20)) {
        scan.problem = "extended or experimental tag";
    }
    for (const Id3v2Frame& f : scan.frames) {
        if (!scan.problem.empty()) {
            break;
        }
        if (f.flags != 0) {
            scan.problem = f.compressed || f.encrypted ? "compressed or encrypted frame" : "frame with flags";
        } else if (f.end == f.dataBegin) {
            scan.problem = "empty frame";
        } else if (!Id3libKnowsFrame(scan.version, f.id)) {
            scan.problem = "frame unknown to id3lib";
        }
    }
    if (!scan.problem.empty()) {
        scan.verdict = Id3v2Verdict::Editable;
    }
    if (scan.verdict == Id3v2Verdict::Editable && (scan.version == 2 || scan.extendedCrc)) {
        // Version 2.2 has no frame for our text; a checksum would no longer hold.
        scan.verdict = Id3v2Verdict::Untouchable;
    }
    return scan;
}

std::optional<Id3Bytes> Id3v2FramePayload(const Id3v2Scan& scan, const Id3v2Frame& f)
{
    if (f.encrypted) {
        return std::nullopt;
    }
    // What the flags add in front of the data: in 2.3 the decompressed size
    // (and the group byte), in 2.4 the group byte and the data length.
    std::size_t from = f.dataBegin;
    std::uint32_t declared = 0;
    if (scan.version == 3 && f.compressed) {
        declared = Id3ReadBE(scan.body.data() + from, 4);
        from += 4;
    }
    from += f.grouped ? 1 : 0;
    if (scan.version == 4 && f.dataLength) {
        if (!Id3ReadSyncSafe(scan.body.data() + from, 4, declared)) {
            return std::nullopt;
        }
        from += 4;
    }
    if (from > f.end) {
        return std::nullopt;
    }
    const std::uint8_t* p = scan.body.data() + from;
    Id3Bytes out = f.unsynchronised ? Id3Resynchronise(p, f.end - from) : Id3Bytes(p, p + (f.end - from));
    if (f.compressed) {
        // The size the frame declares bounds the inflated bytes, and must be all of them.
        if (declared > kId3MaxTagSize) {
            return std::nullopt;
        }
        Id3Bytes inflated(declared);
        uLongf length = declared;
        if (uncompress(inflated.data(), &length, out.data(), static_cast<uLong>(out.size())) != Z_OK ||
            length != declared) {
            return std::nullopt;
        }
        return inflated;
    }
    if (f.dataLength && declared != out.size()) {
        return std::nullopt;
    }
    return out;
}

Id3Bytes Id3v2FrameBytes(const Id3v2Scan& scan, const Id3v2Frame& f)
{
    return Id3Bytes(scan.body.begin() + static_cast<long>(f.begin), scan.body.begin() + static_cast<long>(f.end));
}
