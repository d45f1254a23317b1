#pragma once
// Whole-file reads and crash-safe whole-file rewrites for the settings stores.
#include <cstddef>
#include <string>
#include <string_view>

namespace platform {
enum class FileReadResult { Ok, Missing, Failed, TooLarge };

// Reads a whole regular file, refusing files larger than maxBytes.
FileReadResult ReadWholeFile(const std::string& path, std::string& out, std::size_t maxBytes);

// Replaces the file's contents so that a crash at any moment leaves either the
// old or the new contents: a new file beside it, fsync, rename over the old
// one, fsync of the folder. A link is followed, so the file it names is
// replaced. The old file's permissions are kept; a new file gets newMode.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, unsigned newMode = 0600);
}
