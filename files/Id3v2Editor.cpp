// Splicing our frame into a tag of other programs without touching theirs.
#include "files/Id3v2Editor.h"

namespace {
constexpr std::size_t kGrowthRoom = 1024;
constexpr std::size_t kSizeStep = 2048;
constexpr std::size_t kMaxBodySize = (1u << 28) - 1;

void Append(Id3Bytes& to, const std::uint8_t* from, std::size_t n) { to.insert(to.end(), from, from + n); }
void Append(Id3Bytes& to, const Id3Bytes& from) { Append(to, from.data(), from.size()); }

// Our 2.3 frame in a 2.4 tag: sync-safe size, and unsynchronised when the tag
// says all its frames are.
Id3Bytes AsVersion4(const Id3Bytes& frame, const std::string& id, bool unsync)
{
    const Id3Bytes payload(frame.begin() + 10, frame.end());
    const Id3Bytes stored = unsync ? Id3Unsynchronise(payload) : payload;
    Id3Bytes out(10, 0);
    std::copy(id.begin(), id.end(), out.begin());
    Id3PutSyncSafe(out.data() + 4, static_cast<std::uint32_t>(stored.size()), 4);
    out[9] = unsync ? 0x02 : 0;
    Append(out, stored);
    return out;
}

// The 2.3 extended header (no checksum) whose padding field names the padding
// left behind it, within `room` bytes of padding; false when no value fits.
bool Version3Extended(bool unsync, std::size_t room, Id3Bytes& out)
{
    for (std::size_t grow = 0; grow <= 4 && grow <= room; ++grow) {
        Id3Bytes ext(10, 0);
        Id3PutBE(ext.data(), 6, 4);
        Id3PutBE(ext.data() + 6, static_cast<std::uint32_t>(room - grow), 4);
        out = unsync ? Id3Unsynchronise(ext) : ext;
        if (out.size() == 10 + grow) {
            return true;
        }
    }
    return false;
}
}

std::size_t Id3TargetSize(std::size_t needed, std::size_t oldTotal)
{
    if (needed <= oldTotal) {
        return oldTotal;
    }
    return (needed + kGrowthRoom + kSizeStep - 1) / kSizeStep * kSizeStep;
}

Id3Bytes EditId3v2Tag(const Id3v2Scan& scan, const std::vector<bool>& drop, const Id3Bytes& frame,
                      const std::string& id, std::size_t oldTotal)
{
    if (scan.verdict != Id3v2Verdict::Editable || scan.version < 3 || frame.size() <= 10 || id.size() != 4) {
        return {};
    }
    const bool unsync = (scan.flags & 0x80) != 0;
    Id3Bytes frames;
    for (std::size_t i = 0; i < scan.frames.size(); ++i) {
        if (i >= drop.size() || !drop[i]) {
            const Id3v2Frame& f = scan.frames[i];
            Append(frames, scan.raw.data() + f.rawBegin, f.rawEnd - f.rawBegin);
        }
    }
    Id3Bytes ours = frame;
    std::copy(id.begin(), id.end(), ours.begin());
    if (scan.version == 4) {
        Append(frames, AsVersion4(ours, id, unsync));
    } else {
        Append(frames, unsync ? Id3Unsynchronise(ours) : ours);
    }

    // The extended header as stored (2.4), or rebuilt with the new padding (2.3).
    Id3Bytes extended;
    if (scan.extendedHeader && scan.version == 4) {
        extended.assign(scan.raw.begin() + 10, scan.raw.begin() + 10 + static_cast<long>(scan.extendedEnd));
    }
    const std::size_t extendedSize = scan.extendedHeader && scan.version == 3 ? 10 : extended.size();
    const std::size_t footer = scan.footer ? 10 : 0;
    const std::size_t needed = 10 + extendedSize + frames.size() + footer;
    // A tag with a footer has no padding.
    std::size_t total = scan.footer ? needed : Id3TargetSize(needed, oldTotal);
    if (scan.extendedHeader && scan.version == 3 && !Version3Extended(unsync, total - needed, extended)) {
        // The padding field's bytes would need unsynchronisation: one step larger.
        total = Id3TargetSize(total + 1, 0);
        if (!Version3Extended(unsync, total - needed, extended)) {
            return {};
        }
    }
    const std::size_t used = 10 + extended.size() + frames.size() + footer;
    if (used > total || total - 10 - footer > kMaxBodySize) {
        return {};
    }
    Id3Bytes out(scan.raw.begin(), scan.raw.begin() + 10);
    Id3PutSyncSafe(out.data() + 6, static_cast<std::uint32_t>(total - 10 - footer), 4);
    Append(out, extended);
    Append(out, frames);
    out.resize(total - footer, 0);
    if (scan.footer) {
        Id3Bytes tail(out.begin(), out.begin() + 10);
        tail[0] = '3';
        tail[1] = 'D';
        tail[2] = 'I';
        Append(out, tail);
    }
    return out;
}

Id3Bytes BuildId3v23Tag(const std::vector<Id3Bytes>& frames, std::size_t oldTotal)
{
    Id3Bytes body;
    for (const Id3Bytes& f : frames) {
        Append(body, f);
    }
    // Unsynchronised as a whole, and flagged, only when a byte needs it.
    Id3Bytes stored = Id3Unsynchronise(body);
    const bool unsync = stored.size() != body.size();
    if (!unsync) {
        stored = std::move(body);
    }
    const std::size_t total = Id3TargetSize(10 + stored.size(), oldTotal);
    if (total - 10 > kMaxBodySize) {
        return {};
    }
    Id3Bytes out = {'I', 'D', '3', 3, 0, static_cast<std::uint8_t>(unsync ? 0x80 : 0), 0, 0, 0, 0};
    Id3PutSyncSafe(out.data() + 6, static_cast<std::uint32_t>(total - 10), 4);
    Append(out, stored);
    out.resize(total, 0);
    return out;
}
