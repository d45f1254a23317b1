// The named items of an MP3 file in its ID3v2 tag: the bounded reader walks
// the tag first and decides whether id3lib, the frame-keeping editor or nobody
// may rewrite it.
#include "files/Id3Tag.h"

#include <cstdio>
#include <cstring>

#include "files/Id3libFrames.h"
#include "files/Id3v2Editor.h"
#include "files/Id3v2Scan.h"
#include "files/Id3v2TagFile.h"
#include "platform/core/Strings.h"

const char kTimecodeOwner[] = "http://www.fennwicke.com";
static_assert(sizeof(kTimecodeOwner) == 25);

namespace {
struct ItemEntry {
    const char* name;
    Mp3TagItem item;
};
constexpr ItemEntry kItems[] = {
    {"comment", Mp3TagItem::Comment},  {"copyright", Mp3TagItem::Copyright}, {"title", Mp3TagItem::Title},
    {"name", Mp3TagItem::Title},       {"software", Mp3TagItem::Software},   {"artist", Mp3TagItem::Artist},
    {"user", Mp3TagItem::User},        {"year", Mp3TagItem::Year},           {"album", Mp3TagItem::Album},
    {"fennwicke timecode", Mp3TagItem::Timecode},
};

char* CopyOut(const void* bytes, std::size_t size)
{
    char* out = new char[size + 20];
    std::memset(out, 0, size + 20);
    if (bytes && size) {
        std::memcpy(out, bytes, size);
    }
    return out;
}

// The text of our PRIV frame: its data behind our owner identifier. Frames we
// cannot read (compressed, encrypted) are not ours to know.
std::optional<Id3Bytes> OwnTimecode(const Id3v2Scan& scan, const Id3v2Frame& f)
{
    if (scan.version < 3 || f.id != "PRIV") {
        return std::nullopt;
    }
    std::optional<Id3Bytes> payload = Id3v2FramePayload(scan, f);
    if (!payload || payload->size() < sizeof kTimecodeOwner ||
        std::memcmp(payload->data(), kTimecodeOwner, sizeof kTimecodeOwner) != 0) {
        return std::nullopt;
    }
    return Id3Bytes(payload->begin() + sizeof kTimecodeOwner, payload->end());
}

bool IsItemFrame(const Id3v2Scan& scan, const Id3v2Frame& f, Mp3TagItem item)
{
    // A 2.4 tag may still hold the year as the 2.3 frame.
    return f.id == Id3FrameIdOf(item, scan.version) ||
           (scan.version == 4 && item == Mp3TagItem::Year && f.id == Id3FrameIdOf(item, 3));
}

bool IsPlainFrame(const Id3v2Scan& scan, const Id3v2Frame& f)
{
    return scan.version <= 3 && f.flags == 0 && f.end > f.dataBegin && Id3libKnowsFrame(scan.version, f.id);
}

void WarnUntouched(const char* path, const std::string& why)
{
    std::fprintf(stderr, "MP3 tag left as it was (%s): %s\n", why.c_str(), path);
}

// The tag rebuilt of frames id3lib parsed and rendered again, with ours added.
Id3Bytes ThroughId3lib(const Id3v2Scan& scan, const std::vector<bool>& drop, Mp3TagItem item, const char* text)
{
    std::vector<Id3Bytes> frames;
    for (std::size_t i = 0; i < scan.frames.size(); ++i) {
        if (drop[i]) {
            continue;
        }
        frames.push_back(Id3libRerenderFrame(scan.version, Id3v2FrameBytes(scan, scan.frames[i])));
        if (frames.back().empty()) {
            return {};
        }
    }
    frames.push_back(Id3libRenderItemFrame(item, text));
    if (frames.back().empty()) {
        return {};
    }
    const Id3Bytes tag = BuildId3v23Tag(frames, scan.totalSize);
    const Id3v2Scan check = ScanId3v2(tag);
    return check.verdict != Id3v2Verdict::Untouchable && check.frames.size() == frames.size() ? tag : Id3Bytes{};
}

// Whether the rewritten tag holds the item as it was asked to.
bool HoldsItem(const Id3Bytes& tag, Mp3TagItem item, const char* text)
{
    const Id3v2Scan scan = ScanId3v2(tag);
    if (scan.verdict == Id3v2Verdict::Untouchable || scan.verdict == Id3v2Verdict::None) {
        return false;
    }
    for (const Id3v2Frame& f : scan.frames) {
        if (item == Mp3TagItem::Timecode) {
            const std::optional<Id3Bytes> own = OwnTimecode(scan, f);
            if (own && own->size() == std::strlen(text) + 1 && std::memcmp(own->data(), text, own->size()) == 0) {
                return true;
            }
        } else if (IsItemFrame(scan, f, item)) {
            return true;
        }
    }
    return false;
}
}

bool FindMp3TagItem(const char* name, Mp3TagItem& item)
{
    if (!name) {
        return false;
    }
    for (const ItemEntry& e : kItems) {
        if (lstrcmpiA(e.name, name) == 0) {
            item = e.item;
            return true;
        }
    }
    return false;
}

const char* Mp3TagItemId3v1Field(Mp3TagItem item)
{
    switch (item) {
    case Mp3TagItem::Comment: return "comment";
    case Mp3TagItem::Title: return "title";
    case Mp3TagItem::Artist: return "artist";
    case Mp3TagItem::Year: return "year";
    case Mp3TagItem::Album: return "album";
    default: return nullptr;
    }
}

char* ReadId3v2Item(const char* path, Mp3TagItem item)
{
    Id3Bytes bytes;
    if (!path || !*path || !ReadLeadingId3v2(path, bytes)) {
        return nullptr;
    }
    const Id3v2Scan scan = ScanId3v2(bytes);
    for (const Id3v2Frame& f : scan.frames) {
        if (item == Mp3TagItem::Timecode) {
            if (const std::optional<Id3Bytes> own = OwnTimecode(scan, f)) {
                return CopyOut(own->data(), own->size());
            }
        } else if (IsItemFrame(scan, f, item)) {
            if (!IsPlainFrame(scan, f)) {
                return nullptr;
            }
            const std::optional<std::string> text = Id3libFrameText(scan.version, Id3v2FrameBytes(scan, f));
            return text ? CopyOut(text->data(), text->size()) : nullptr;
        }
    }
    return nullptr;
}

Id3WriteResult WriteId3v2Item(const char* path, Mp3TagItem item, const char* text, bool render)
{
    Id3Bytes bytes;
    if (!path || !*path || !text || !ReadLeadingId3v2(path, bytes)) {
        return Id3WriteResult::Failed;
    }
    const Id3v2Scan scan = ScanId3v2(bytes);
    std::vector<bool> drop(scan.frames.size(), false);
    bool unreadablePrivate = false;
    for (std::size_t i = 0; i < scan.frames.size(); ++i) {
        const Id3v2Frame& f = scan.frames[i];
        if (item == Mp3TagItem::Timecode) {
            drop[i] = OwnTimecode(scan, f).has_value();
            unreadablePrivate = unreadablePrivate || (f.id == "PRIV" && !Id3v2FramePayload(scan, f));
        } else if (IsItemFrame(scan, f, item)) {
            return Id3WriteResult::Exists;
        }
    }
    if (!render) {
        return Id3WriteResult::NotRendered;
    }
    if (scan.verdict == Id3v2Verdict::Untouchable) {
        WarnUntouched(path, scan.problem);
        return Id3WriteResult::Refused;
    }
    if (unreadablePrivate) {
        // It may be ours: a second one beside it would leave two texts.
        WarnUntouched(path, "a private frame that cannot be read");
        return Id3WriteResult::Refused;
    }
    Id3Bytes tag;
    if (scan.verdict == Id3v2Verdict::None || scan.verdict == Id3v2Verdict::Id3libSafe) {
        tag = ThroughId3lib(scan, drop, item, text);
    }
    if (tag.empty() && scan.version >= 3) {
        // Other programs' frames go back as they were stored.
        Id3v2Scan editable = scan;
        editable.verdict = Id3v2Verdict::Editable;
        const std::string id = Id3FrameIdOf(item, scan.version);
        tag = EditId3v2Tag(editable, drop, Id3libRenderItemFrame(item, text), id, scan.totalSize);
    }
    if (tag.empty() || !HoldsItem(tag, item, text)) {
        WarnUntouched(path, scan.verdict == Id3v2Verdict::None ? "no tag could be made" : "tag could not be rebuilt");
        return Id3WriteResult::Refused;
    }
    return ReplaceLeadingId3v2(path, scan.totalSize, tag) ? Id3WriteResult::Written : Id3WriteResult::Failed;
}
