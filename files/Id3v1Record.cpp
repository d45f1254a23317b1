// ID3v1 fields by name: text cut to its field's width, NUL-ended only when shorter; a fresh record has no genre.
#include "files/Id3v1Record.h"

#include <cstring>

#include "platform/core/Strings.h"

namespace {
struct Field {
    const char* name;
    int offset;
    int width;
};
constexpr Field kFields[] = {
    {"title", 3, 30}, {"artist", 33, 30}, {"album", 63, 30}, {"year", 93, 4}, {"comment", 97, 30},
};
const Field* FindField(const char* name)
{
    if (!name) {
        return nullptr;
    }
    for (const Field& f : kFields) {
        if (lstrcmpiA(f.name, name) == 0) {
            return &f;
        }
    }
    return nullptr;
}
}

void Id3v1Record::Reset()
{
    bytes_.fill(0);
    std::memcpy(bytes_.data(), "TAG", 3);
    // Genre 0 is "Blues" to every reader; 255 is the value for none.
    bytes_[kGenreOffset] = kNoGenre;
}

bool Id3v1Record::Assign(const BYTE* bytes)
{
    std::memcpy(bytes_.data(), bytes, kSize);
    return HasTag();
}

bool Id3v1Record::HasTag() const { return std::memcmp(bytes_.data(), "TAG", 3) == 0; }

bool Id3v1Record::SetField(const char* name, const char* text)
{
    const Field* f = FindField(name);
    if (!f) {
        return false;
    }
    const std::size_t len = text ? std::strlen(text) : 0;
    const std::size_t n = len < static_cast<std::size_t>(f->width) ? len : static_cast<std::size_t>(f->width);
    if (n) {
        std::memcpy(bytes_.data() + f->offset, text, n);
    }
    if (n < static_cast<std::size_t>(f->width)) {
        bytes_[f->offset + n] = 0;
    }
    return true;
}

bool Id3v1Record::GetField(const char* name, std::string& out) const
{
    const Field* f = FindField(name);
    if (!f) {
        return false;
    }
    const char* p = reinterpret_cast<const char*>(bytes_.data() + f->offset);
    out.assign(p, strnlen(p, static_cast<std::size_t>(f->width)));
    return true;
}
