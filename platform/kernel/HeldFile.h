#pragma once
// A file held open by a read descriptor of its own. The file stays readable when
// its name is removed (its folder deleted, say), so its bytes can still be copied out.
#include <string>

namespace platform {
class HeldFile {
public:
    HeldFile() = default;
    ~HeldFile();
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

    // A regular file, never blocking on a FIFO; false when it cannot be read.
    bool Open(const std::string& path);
    bool IsOpen() const { return fd_ >= 0; }
    const std::string& Path() const { return path_; }
    // Whether the name it was opened by still names this file: false once the
    // file was removed (no name left) or its name was given to another.
    bool StillNamed() const;
    // Holds the file its name names now (its writer may have replaced it whole, as a
    // grown tag does); false, with the old file still held, when the name names none.
    bool Follow();
    // Every byte into a new file at target, created exclusively and never through a
    // link, and on disk before it returns; false leaves no partial copy.
    bool CopyTo(const std::string& target) const;

private:
    int fd_ = -1;
    std::string path_;
};
}
