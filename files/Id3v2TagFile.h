#pragma once
// Reading the ID3v2 tag at the start of an MP3 file and putting a new one in
// its place without ever leaving the file without a whole tag (internal to the
// MP3 tag files).
#include <cstddef>
#include <string>

#include "files/Id3v2Scan.h"

// The tag at the start of the file as stored, or only its first 10 bytes when
// its size is unreadable, runs past the end or passes kId3MaxTagSize; empty
// when the file has no tag. False when the file cannot be read.
bool ReadLeadingId3v2(const std::string& path, Id3Bytes& out);

// Puts tag in place of the file's first oldSize bytes. Of the same size it is
// written in place and flushed to disk; otherwise a new file beside the old one
// gets the tag and the rest of the old file, is flushed and renamed over it, so
// the old file stays whole until then. Never through a link. False on any
// failure, the file then as it was.
bool ReplaceLeadingId3v2(const std::string& path, std::size_t oldSize, const Id3Bytes& tag);
