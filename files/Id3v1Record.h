#pragma once
// The 128-byte ID3v1 record kept at the end of an MP3 file: "TAG", title,
// artist, album (30 bytes each), year (4), comment (30), genre (1).
#include <array>
#include <string>

#include "platform/core/Types.h"

class Id3v1Record {
public:
    static constexpr int kSize = 128;
    static constexpr int kGenreOffset = 127;
    static constexpr BYTE kNoGenre = 255;

    Id3v1Record() { Reset(); }
    // "TAG", 124 zero bytes and the unset genre.
    void Reset();
    // True when the bytes start with "TAG"; they are taken either way.
    bool Assign(const BYTE* bytes);
    bool HasTag() const;

    // Copies text into the named field ("title", "artist", "album", "year",
    // "comment", any case) cut to the field's width; a shorter text gets one
    // NUL and the rest of the field keeps its bytes. False for other names.
    bool SetField(const char* name, const char* text);
    // The field's text up to its first NUL (all of it when it has none);
    // false for other names.
    bool GetField(const char* name, std::string& out) const;

    const BYTE* Bytes() const { return bytes_.data(); }

private:
    std::array<BYTE, kSize> bytes_{};
};
