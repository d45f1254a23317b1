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

// A tag id3lib rendered (version 2.3, no extended header), its padding cut or
// extended to Id3TargetSize.
Id3Bytes SizeId3v2Tag(const Id3v2Scan& rendered, std::size_t oldTotal);
