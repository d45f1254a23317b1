#pragma once
// Whole-file reads, crash-safe whole-file rewrites and the writers' lock for
// the settings stores.
#include <cstddef>
#include <string>
#include <string_view>

namespace platform {
enum class FileReadResult { Ok, Missing, Failed, TooLarge };

// Reads a whole regular file, refusing files larger than maxBytes. A FIFO or a
// device is refused without blocking (Failed, errno EINVAL); with followLink
// false a link is refused too (ELOOP).
FileReadResult ReadWholeFile(const std::string& path, std::string& out, std::size_t maxBytes,
                             bool followLink = true);
// The same from the start of an open regular file.
FileReadResult ReadWholeDescriptor(int fd, std::string& out, std::size_t maxBytes);

enum class FileMode { KeepExisting, Force };

// Replaces the file's contents so that a crash at any moment leaves either the
// old or the new contents: a new file beside it, fsync, rename over the old
// one, fsync of the folder. A path that is a link is refused (ELOOP), so no
// link's target is ever replaced. The new file gets mode, or the old file's
// permissions when there was one and FileMode::KeepExisting.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, unsigned mode = 0600,
                         FileMode rule = FileMode::KeepExisting);

// Takes an exclusive flock on fd, waiting a few seconds at most: a writer
// stopped while holding it must not hang the program. errno EWOULDBLOCK on timeout.
bool LockExclusive(int fd);

// An exclusive lock on the folder that holds path, while the object lives, for
// writers that replace path by rename: a lock on the file itself would go with
// the old file, and a lock file would be one more file in the user's folder.
class FolderLock {
public:
    explicit FolderLock(const std::string& path);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    bool locked() const { return locked_; }

private:
    int fd_ = -1;
    bool locked_ = false;
};

// Removes the temporary files WriteFileAtomically left beside path when their
// writer was killed. Only under a lock that every writer of path takes, so none is in use.
void RemoveStaleTempFiles(const std::string& path);
}
