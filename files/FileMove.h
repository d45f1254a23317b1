#pragma once
// Moving a closed recording to a new name, by a rename or by a copy to another file system.
#include <string>

enum class MoveResult {
    Moved,             // renamed, or the same name
    Copied,            // on another file system: the copy is in place, the old file stays
    TargetNotDeleted,  // a file of the new name was there and could not be removed
    SourceFailed,      // the recording could not be read
    TargetFailed,      // the copy could not be written; nothing is left under the new name
};

// The file classes' rename: an existing file of the new name is replaced.
MoveResult MoveRecordingFile(const std::string& from, const std::string& to);
