#pragma once
// What the MP3 tag code asks of id3lib, one checked frame at a time (internal
// to the MP3 tag files). id3lib never sees a file, a tag header or a byte the
// bounded reader has not walked; nothing it throws leaves these functions.
#include <optional>
#include <string>
#include <vector>

#include "files/Id3Tag.h"
#include "files/Id3v2Scan.h"

// Whether id3lib has a frame of this id in this tag version (2 or 3).
bool Id3libKnowsFrame(int version, const std::string& id);

// The item's frame id in a tag of this version ("TIT2", "TT2" ...; the year
// of a 2.4 tag is "TDRC"); empty where the version has none.
std::string Id3FrameIdOf(Mp3TagItem item, int version);

// The text of one plain frame of a 2.2 or 2.3 tag (header and payload), as
// id3lib reads its text field; none when it has no text field.
std::optional<std::string> Id3libFrameText(int version, const Id3Bytes& frame);

// One new frame of ours, as id3lib renders it for a 2.3 tag (header and
// payload): the text frame of the item, or the timecode PRIV frame. Empty on
// failure.
Id3Bytes Id3libRenderItemFrame(Mp3TagItem item, const char* text);

// A plain frame of a 2.2 or 2.3 tag parsed and rendered again by id3lib as a
// 2.3 frame (a 2.2 frame gets its 2.3 id). Empty when id3lib refused it.
Id3Bytes Id3libRerenderFrame(int version, const Id3Bytes& frame);
