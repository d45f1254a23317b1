// The comment list in file order: a lookup finds a name's newest entry; entries without '=' are dropped on load.
#include "files/VorbisComments.h"

#include <cstring>
#include <utility>

#include <vorbis/codec.h>

#include "platform/core/Strings.h"

void VorbisComments::Add(const char* name, const char* value)
{
    Entry e{name ? name : "", value ? value : ""};
    for (char& c : e.name) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    entries_.push_back(std::move(e));
}

const char* VorbisComments::Get(const char* name) const
{
    if (!name) {
        return nullptr;
    }
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
        if (lstrcmpiA(it->name.c_str(), name) == 0) {
            return it->value.c_str();
        }
    }
    return nullptr;
}

void VorbisComments::Remove(const char* name)
{
    if (!name) {
        return;
    }
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (lstrcmpiA(it->name.c_str(), name) == 0) {
            entries_.erase(it);
            return;
        }
    }
}

void VorbisComments::RemoveAt(int index)
{
    if (InRange(index)) {
        entries_.erase(entries_.begin() + index);
    }
}

void VorbisComments::LoadFrom(const vorbis_comment* vc)
{
    Clear();
    if (!vc || !vc->user_comments || !vc->comment_lengths) {
        return;
    }
    for (int i = 0; i < vc->comments; ++i) {
        const char* c = vc->user_comments[i];
        if (!c || vc->comment_lengths[i] < 0) {
            continue;
        }
        const std::string text(c, static_cast<std::size_t>(vc->comment_lengths[i]));
        const std::size_t eq = text.find('=');
        if (eq == std::string::npos) {
            continue;
        }
        // Embedded NULs would cut the strings libvorbis hands on; keep what a C reader sees.
        const std::string name = text.substr(0, eq);
        const std::string value = text.substr(eq + 1);
        Add(name.c_str(), value.c_str());
    }
}

void VorbisComments::StoreTo(vorbis_comment* vc) const
{
    vorbis_comment_clear(vc);
    vorbis_comment_init(vc);
    for (const Entry& e : entries_) {
        vorbis_comment_add_tag(vc, e.name.c_str(), e.value.c_str());
    }
}

const char* VorbisComments::NameAt(int index) const { return InRange(index) ? entries_[index].name.c_str() : nullptr; }

const char* VorbisComments::ValueAt(int index) const
{
    return InRange(index) ? entries_[index].value.c_str() : nullptr;
}

void VorbisComments::Swap(int i, int j)
{
    if (InRange(i) && InRange(j) && i != j) {
        std::swap(entries_[i], entries_[j]);
    }
}

void VorbisComments::SetAt(int index, const char* name, const char* value)
{
    if (InRange(index)) {
        entries_[index].name = name ? name : "";
        entries_[index].value = value ? value : "";
    }
}

bool IsValidCommentName(const char* text)
{
    if (!text || !*text) {
        return false;
    }
    for (const char* p = text; *p; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c < 0x20 || c > 0x7D || c == '=') {
            return false;
        }
    }
    return true;
}

bool IsNonEmptyText(const char* text) { return text && *text; }
