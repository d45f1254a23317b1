// id3lib behind the bounded reader: frames are parsed one by one from memory
// the reader checked, never through id3lib's own tag or file parser.
#include "files/Id3libFrames.h"

#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <utility>

// id3lib predates the warnings we build with.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#include <id3/field.h>
#include <id3/readers.h>
#include <id3/id3lib_frame.h>
#include <id3/writers.h>
#pragma GCC diagnostic pop

namespace {
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

ID3_V2Spec SpecOf(int version) { return version == 2 ? ID3V2_2_0 : ID3V2_3_0; }

// id3lib's frame table as text ids, asked of its API once (2.2 and 2.3 ids).
const std::map<int, std::set<std::string>>& KnownIds()
{
    static const std::map<int, std::set<std::string>> table = [] {
        std::map<int, std::set<std::string>> t;
        for (int fid = ID3FID_NOFRAME + 1; fid < ID3FID_LASTFRAMEID; ++fid) {
            // Ids without a definition crash id3lib's frame constructor.
            if (!ID3_Frame::GetDescription(static_cast<ID3_FrameID>(fid))) {
                continue;
            }
            for (int version : {2, 3}) {
                ID3_Frame frame(static_cast<ID3_FrameID>(fid));
                frame.SetSpec(SpecOf(version));
                const char* id = frame.GetTextID();
                if (id && std::strlen(id) == (version == 2 ? 3u : 4u)) {
                    t[version].insert(id);
                }
            }
        }
        // The 2.2 meta frames wrap compressed and encrypted frames.
        t[2].erase("CDM");
        t[2].erase("CRM");
        return t;
    }();
    return table;
}

ID3_Field* FieldOf(const ID3_Frame* frame, ID3_FieldID id)
{
    if (!frame || !frame->Contains(id)) {
        return nullptr;
    }
    return frame->GetField(id);
}

// A frame of a checked 2.2 or 2.3 tag, parsed by id3lib from its own bytes.
std::unique_ptr<ID3_Frame> ParseFrame(int version, const Id3Bytes& bytes)
{
    auto frame = std::make_unique<ID3_Frame>();
    frame->SetSpec(SpecOf(version));
    ID3_MemoryReader reader(bytes.data(), bytes.size());
    if (!frame->Parse(reader) || frame->GetID() == ID3FID_NOFRAME ||
        reader.getCur() != static_cast<ID3_Reader::pos_type>(bytes.size())) {
        return nullptr;
    }
    return frame;
}

std::unique_ptr<ID3_Frame> NewItemFrame(Mp3TagItem item, const char* text)
{
    auto frame = std::make_unique<ID3_Frame>(FrameIdOf(item));
    if (item == Mp3TagItem::Timecode) {
        ID3_Field* owner = FieldOf(frame.get(), ID3FN_OWNER);
        ID3_Field* data = FieldOf(frame.get(), ID3FN_DATA);
        if (!owner || !data) {
            return nullptr;
        }
        // Rendered, the owner is its 24 characters and their NUL.
        owner->Set(kTimecodeOwner);
        data->Set(reinterpret_cast<const uchar*>(text), std::strlen(text) + 1);
    } else {
        ID3_Field* field = FieldOf(frame.get(), ID3FN_TEXT);
        if (!field) {
            return nullptr;
        }
        field->Set(text);
    }
    frame->SetCompression(false);
    return frame;
}
}

bool Id3libKnowsFrame(int version, const std::string& id)
{
    try {
        const auto& table = KnownIds();
        const auto it = table.find(version);
        return it != table.end() && it->second.count(id) != 0;
    } catch (...) {
        return false;
    }
}

std::string Id3FrameIdOf(Mp3TagItem item, int version)
{
    if (version == 4) {
        return item == Mp3TagItem::Year ? "TDRC" : Id3FrameIdOf(item, 3);
    }
    try {
        ID3_Frame frame(FrameIdOf(item));
        frame.SetSpec(SpecOf(version));
        const char* id = frame.GetTextID();
        return id ? id : "";
    } catch (...) {
        return {};
    }
}

std::optional<std::string> Id3libFrameText(int version, const Id3Bytes& bytes)
{
    try {
        const std::unique_ptr<ID3_Frame> frame = ParseFrame(version, bytes);
        const ID3_Field* text = FieldOf(frame.get(), ID3FN_TEXT);
        if (!text) {
            return std::nullopt;
        }
        const std::size_t size = text->Size();
        std::vector<char> out(size + 20, 0);
        text->Get(out.data(), size + 10);
        return std::string(out.data());
    } catch (...) {
        return std::nullopt;
    }
}

namespace {
// The frame as id3lib renders it in a 2.3 tag; empty when it renders nothing
// or not what it said it would.
Id3Bytes RenderFrame(ID3_Frame& frame)
{
    frame.SetSpec(ID3V2_3_0);
    frame.SetCompression(false);
    // id3lib's whole-tag renderer copies every frame through a mismatched
    // delete; frames are rendered one by one into a bounded writer instead.
    Id3Bytes out(frame.Size(), 0);
    ID3_MemoryWriter writer(out.data(), out.size());
    frame.Render(writer);
    if (writer.getCur() != static_cast<ID3_Writer::pos_type>(out.size()) || out.size() <= kId3HeaderSize) {
        return {};
    }
    return out;
}
}

Id3Bytes Id3libRenderItemFrame(Mp3TagItem item, const char* text)
{
    try {
        std::unique_ptr<ID3_Frame> frame = NewItemFrame(item, text);
        return frame ? RenderFrame(*frame) : Id3Bytes{};
    } catch (...) {
        return {};
    }
}

Id3Bytes Id3libRerenderFrame(int version, const Id3Bytes& bytes)
{
    try {
        std::unique_ptr<ID3_Frame> frame = ParseFrame(version, bytes);
        return frame ? RenderFrame(*frame) : Id3Bytes{};
    } catch (...) {
        return {};
    }
}
