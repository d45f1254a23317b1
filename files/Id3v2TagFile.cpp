// The leading tag of an MP3 file, read and replaced through descriptors that
// never follow a link; every write and flush is checked.
#include "files/Id3v2TagFile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/kernel/FileBytes.h"
#include "platform/kernel/FileCopy.h"
#include "platform/kernel/SafeOpen.h"

namespace {
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    // Closes now, so a failed close is seen.
    bool Close()
    {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int fd_;
};

// The new file beside the old one: the tag, then the old file from oldSize on.
bool WriteReplacement(int in, off_t inSize, std::size_t oldSize, const Id3Bytes& tag, int out)
{
    if (!platform::WriteAllAt(out, tag.data(), tag.size(), 0)) {
        return false;
    }
    std::vector<std::uint8_t> block(1 << 16);
    off_t from = static_cast<off_t>(oldSize);
    off_t to = static_cast<off_t>(tag.size());
    while (from < inSize) {
        std::size_t got = 0;
        if (!platform::ReadUpToAt(in, block.data(), block.size(), from, &got) || got == 0) {
            return false;
        }
        if (!platform::WriteAllAt(out, block.data(), got, to)) {
            return false;
        }
        from += static_cast<off_t>(got);
        to += static_cast<off_t>(got);
    }
    return true;
}
}

bool ReadLeadingId3v2(const std::string& path, Id3Bytes& out)
{
    out.clear();
    Descriptor fd(platform::OpenRegularForRead(path));
    if (fd.get() < 0) {
        return false;
    }
    std::uint8_t header[kId3HeaderSize];
    std::size_t got = 0;
    if (!platform::ReadUpToAt(fd.get(), header, sizeof header, 0, &got)) {
        return false;
    }
    if (got < 3 || header[0] != 'I' || header[1] != 'D' || header[2] != '3') {
        return true;
    }
    out.assign(header, header + got);
    const std::size_t stored = Id3v2StoredSize(header, got);
    struct stat st {};
    if (stored == 0 || stored > kId3MaxTagSize || ::fstat(fd.get(), &st) != 0 ||
        static_cast<std::uint64_t>(st.st_size) < stored) {
        return true;
    }
    out.resize(stored);
    if (!platform::ReadUpToAt(fd.get(), out.data() + got, stored - got, static_cast<off_t>(got), &got)) {
        out.clear();
        return false;
    }
    out.resize(kId3HeaderSize + got);
    return true;
}

bool ReplaceLeadingId3v2(const std::string& path, std::size_t oldSize, const Id3Bytes& tag)
{
    Descriptor in(platform::OpenRegularForUpdate(path));
    struct stat st {};
    if (in.get() < 0 || ::fstat(in.get(), &st) != 0 || static_cast<std::uint64_t>(st.st_size) < oldSize) {
        return false;
    }
    if (tag.size() == oldSize) {
        return platform::WriteAllAt(in.get(), tag.data(), tag.size(), 0) && ::fdatasync(in.get()) == 0 && in.Close();
    }
    return platform::ReplaceThroughTemporary(path, 0600, [&](int out) {
        return ::fchmod(out, st.st_mode & 07777) == 0 && WriteReplacement(in.get(), st.st_size, oldSize, tag, out);
    });
}
