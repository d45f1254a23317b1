#pragma once
// Rebuilding an ID3v2 tag around frames of other programs, which are kept
// exactly as they are stored (internal to the MP3 tag files).
#include <cstddef>
#include <string>
#include <vector>

#include "files/Id3v2Scan.h"

// The size a tag takes in the file: the old size when the new one fits, else
// the new one with room for later growth.
std::size_t Id3TargetSize(std::size_t needed, std::size_t oldTotal);

// An Editable tag (version 2.3 or 2.4) with every frame not dropped kept as
// stored and `frame` (a 2.3 frame: header and payload) added under `id` in the
// tag's own version; header flags, extended header and footer kept. Padded to
// Id3TargetSize where the tag may have padding. Empty when it cannot be done.
Id3Bytes EditId3v2Tag(const Id3v2Scan& scan, const std::vector<bool>& drop, const Id3Bytes& frame,
                      const std::string& id, std::size_t oldTotal);

// A new 2.3 tag of these frames (header and payload each), unsynchronised
// where a byte needs it, padded to Id3TargetSize. Empty when too large.
Id3Bytes BuildId3v23Tag(const std::vector<Id3Bytes>& frames, std::size_t oldTotal);
