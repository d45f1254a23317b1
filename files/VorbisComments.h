#pragma once
// The NAME=value list that an Ogg Vorbis recording keeps as its comment
// header. Names are stored in upper case by Add; lookups ignore case.
#include <string>
#include <vector>

struct vorbis_comment;

class VorbisComments {
public:
    VorbisComments() { entries_.reserve(8); }
    virtual ~VorbisComments() = default;

    void Add(const char* name, const char* value);
    // The value of the last entry with that name (any case), or null.
    const char* Get(const char* name) const;
    // Removes the first entry with that name (any case).
    void Remove(const char* name);
    void RemoveAt(int index);
    void Clear() { entries_.clear(); }

    // Replaces the list by the user comments of a libvorbis structure; each
    // is split at its first "="; comments without one are dropped.
    void LoadFrom(const vorbis_comment* vc);
    // Re-initialises the structure and adds every entry in list order.
    void StoreTo(vorbis_comment* vc) const;

    int Count() const { return static_cast<int>(entries_.size()); }
    const char* NameAt(int index) const;
    const char* ValueAt(int index) const;
    void Swap(int i, int j);
    // Replaces an entry's name (as given, not upper-cased) and value.
    void SetAt(int index, const char* name, const char* value);

private:
    struct Entry {
        std::string name;
        std::string value;
    };
    bool InRange(int index) const { return index >= 0 && index < Count(); }
    std::vector<Entry> entries_;
};

// A Vorbis comment field name: not empty, every character 0x20..0x7D, no "=".
bool IsValidCommentName(const char* text);
bool IsNonEmptyText(const char* text);
