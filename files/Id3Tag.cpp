#include "files/Id3Tag.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/core/Strings.h"

// id3lib predates the warnings we build with.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#include <id3/field.h>
#include <id3/tag.h>
#pragma GCC diagnostic pop

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

ID3_FrameID FrameIdOf(Mp3TagItem item)
{
    switch (item) {
    case Mp3TagItem::Comment: return ID3FID_COMMENT;
    case Mp3TagItem::Copyright: return ID3FID_COPYRIGHT;
    case Mp3TagItem::Title: return ID3FID_TITLE;
    case Mp3TagItem::Software: return ID3FID_ENCODERSETTINGS;
    case Mp3TagItem::Artist: return ID3FID_LEADARTIST;
    case Mp3TagItem::User: return ID3FID_ENCODEDBY;
    case Mp3TagItem::Year: return ID3FID_YEAR;
    case Mp3TagItem::Album: return ID3FID_ALBUM;
    case Mp3TagItem::Timecode: return ID3FID_PRIVATE;
    }
    return ID3FID_NOFRAME;
}

// A field lookup that throws counts as a missing field.
ID3_Field* FieldOf(const ID3_Frame* frame, ID3_FieldID id)
{
    try {
        if (!frame || !frame->Contains(id)) {
            return nullptr;
        }
        return frame->GetField(id);
    } catch (...) {
        return nullptr;
    }
}

bool IsOwnPrivFrame(const ID3_Frame* frame)
{
    if (!frame || frame->GetID() != ID3FID_PRIVATE) {
        return false;
    }
    const ID3_Field* owner = FieldOf(frame, ID3FN_OWNER);
    if (!owner) {
        return false;
    }
    const char* text = owner->GetRawText();
    return text && std::strcmp(text, kTimecodeOwner) == 0;
}

// Every PRIV frame of ours in the tag (there should be one; older writes may
// have left more).
std::vector<ID3_Frame*> OwnPrivFrames(ID3_Tag& tag)
{
    // Find continues after the frame it found last and wraps round, so as
    // many calls as there are frames visit every PRIV frame once.
    std::vector<ID3_Frame*> found;
    const std::size_t frames = tag.NumFrames();
    for (std::size_t i = 0; i < frames; ++i) {
        ID3_Frame* frame = tag.Find(ID3FID_PRIVATE);
        if (!frame) {
            break;
        }
        if (IsOwnPrivFrame(frame) && std::find(found.begin(), found.end(), frame) == found.end()) {
            found.push_back(frame);
        }
    }
    return found;
}

char* CopyOut(const void* bytes, std::size_t size)
{
    char* out = new char[size + 20];
    std::memset(out, 0, size + 20);
    if (bytes && size) {
        std::memcpy(out, bytes, size);
    }
    return out;
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
    if (!path || !*path) {
        return nullptr;
    }
    try {
        ID3_Tag tag;
        tag.Link(path, ID3TT_ID3V2);
        if (item == Mp3TagItem::Timecode) {
            const std::vector<ID3_Frame*> own = OwnPrivFrames(tag);
            if (own.empty()) {
                return nullptr;
            }
            const ID3_Field* data = FieldOf(own.front(), ID3FN_DATA);
            if (!data) {
                return nullptr;
            }
            return CopyOut(data->GetRawBinary(), data->Size());
        }
        const ID3_Frame* frame = tag.Find(FrameIdOf(item));
        const ID3_Field* text = FieldOf(frame, ID3FN_TEXT);
        if (!text) {
            return nullptr;
        }
        const std::size_t size = text->Size();
        char* out = CopyOut(nullptr, size);
        text->Get(out, size + 10);
        return out;
    } catch (...) {
        return nullptr;
    }
}

Id3WriteResult WriteId3v2Item(const char* path, Mp3TagItem item, const char* text, bool render)
{
    if (!path || !*path || !text) {
        return Id3WriteResult::Failed;
    }
    try {
        ID3_Tag tag;
        tag.Link(path, ID3TT_ID3V2);
        auto frame = std::make_unique<ID3_Frame>(FrameIdOf(item));
        if (item == Mp3TagItem::Timecode) {
            for (ID3_Frame* old : OwnPrivFrames(tag)) {
                delete tag.RemoveFrame(old);
            }
            ID3_Field* owner = FieldOf(frame.get(), ID3FN_OWNER);
            ID3_Field* data = FieldOf(frame.get(), ID3FN_DATA);
            if (!owner || !data) {
                return Id3WriteResult::Failed;
            }
            // The owner is a NUL-terminated text field: rendered, it is the 24
            // characters and their NUL.
            owner->Set(kTimecodeOwner);
            data->Set(reinterpret_cast<const uchar*>(text), std::strlen(text) + 1);
        } else {
            if (tag.Find(FrameIdOf(item))) {
                return Id3WriteResult::Exists;
            }
            ID3_Field* field = FieldOf(frame.get(), ID3FN_TEXT);
            if (!field) {
                return Id3WriteResult::Failed;
            }
            field->Set(text);
        }
        frame->SetCompression(false);
        tag.AttachFrame(frame.release());
        tag.SetUnsync(true);
        tag.SetPadding(true);
        if (render && !(tag.Update(ID3TT_ID3V2) & ID3TT_ID3V2)) {
            return Id3WriteResult::Failed;
        }
        return Id3WriteResult::Written;
    } catch (...) {
        return Id3WriteResult::Failed;
    }
}
