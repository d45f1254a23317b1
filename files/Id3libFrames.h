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
// payload): the text frame of the item, or the timecode PRIV frame.
Id3Bytes Id3libRenderItemFrame(Mp3TagItem item, const char* text);

// The tag rebuilt by id3lib from the scan's frames (those not dropped) and the
// new frame, with unsynchronisation and padding on, as version 2.3. Empty
// when id3lib refused a frame or rendered nothing.
Id3Bytes Id3libRenderTag(const Id3v2Scan& scan, const std::vector<bool>& drop, Mp3TagItem item, const char* text);
