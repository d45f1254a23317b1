#pragma once
// The ID3v2 side of an MP3 file's named items. Every call reads or rewrites
// the tag through the file's name; the caller closes its own handle around a
// write. No byte of the file reaches id3lib before the bounded reader walked it.
#include <cstddef>

enum class Mp3TagItem { Comment, Copyright, Title, Software, Artist, User, Year, Album, Timecode };

// Looks an item name up (case-insensitive, first match of the item table);
// false for names that are not items.
bool FindMp3TagItem(const char* name, Mp3TagItem& item);

// The ID3v1 field that mirrors the item ("title", "artist", "album", "year",
// "comment"), or null.
const char* Mp3TagItemId3v1Field(Mp3TagItem item);

// The owner identifier of the program's own PRIV frame (24 characters; stored
// with its NUL).
extern const char kTimecodeOwner[];

// The item's text as a new array (caller frees with delete[]), or null when
// the file has no such frame or field. The timecode item is the data of the
// PRIV frame whose owner is kTimecodeOwner; PRIV frames of other owners are
// not looked at.
char* ReadId3v2Item(const char* path, Mp3TagItem item);

// Refused: the tag could not be rewritten safely; it was left as it was and
// one warning line went to standard error. NotRendered: render was off.
enum class Id3WriteResult { Written, Exists, Failed, Refused, NotRendered };

// Stores the item. A text frame that already exists is left as it is
// (Exists). The timecode item replaces only the program's own PRIV frame and
// leaves every other frame as it was: through id3lib for tags it reads safely,
// else kept byte for byte; a PRIV frame that cannot be read (encrypted) may be
// ours, so the tag is then refused. With render off nothing is written
// (NotRendered). The file is never left without a whole tag.
Id3WriteResult WriteId3v2Item(const char* path, Mp3TagItem item, const char* text, bool render);
