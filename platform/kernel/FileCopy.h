#pragma once
// Copying a regular file to a new name without following links or leaving a partial copy behind.
#include <functional>
#include <string>

namespace platform {
enum class CopyResult { Copied, SourceFailed, TargetFailed };

// Copies from (a regular file; a FIFO or device is refused without blocking)
// into an exclusive temporary name in to's folder and renames that into place
// only when every byte is written, so no link is followed and a failure leaves
// no partial target. With failIfExists an existing to is kept and the copy
// fails. The copy gets the source's permission bits, masked by the umask.
CopyResult CopyRegularFile(const std::string& from, const std::string& to, bool failIfExists);

// The two halves, for any writer that replaces a file whole (a rewritten tag or
// comment header): a new file under a hidden name no one else chose, in the
// target's folder (-1 with errno on failure), and its rename over the target
// once it is complete. The caller removes the temporary when it gives up.
int CreateTemporaryBeside(const std::string& target, unsigned mode, std::string* temp);
bool MoveIntoPlace(const std::string& temp, const std::string& target, bool failIfExists);
// For a finished file that replaces another in the same folder: its bytes reach
// the disk first, then one rename puts it in place, so a crash leaves the old
// file or the whole new one. False leaves both names as they were.
bool ReplaceDurably(const std::string& finished, const std::string& target);
// The whole replacement for a writer of a new version of target: write fills a
// new file beside it (CreateTemporaryBeside, mode), ReplaceDurably puts it in
// place. Any failure, write's included, removes the new file: target stays as it was.
bool ReplaceThroughTemporary(const std::string& target, unsigned mode, const std::function<bool(int fd)>& write);
}
