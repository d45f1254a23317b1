#pragma once
// A disk that runs out of space, as the file tests build it.
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <memory>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "tests/support/TestSupport.h"

namespace testsupport {
// Where files under test run out of room. "tmpfs": a small tmpfs mounted in a
// private mount namespace, filled up (root only). "filesize": a file-size limit
// on the process (any user; writes past it fail as on a full disk).
class OutOfSpace {
public:
    virtual ~OutOfSpace() = default;
    // Empty when this kind cannot be set up here; why says why.
    static std::unique_ptr<OutOfSpace> Make(const std::string& kind, std::string* why);
    virtual const std::string& Folder() const = 0;
    // From now on no file grows: not past the largest of sizes already there.
    virtual void Exhaust(std::uint64_t largestFile) = 0;
    // Room again.
    virtual void Relieve() = 0;
};

namespace detail {
// Mounts made from here vanish with the test process, even when it crashes.
inline bool PrivateMounts()
{
    // The kernel ignores source and type here; named all the same, so valgrind
    // has nothing to report in the file tests.
    static const bool ok =
        unshare(CLONE_NEWNS) == 0 && mount("none", "/", "none", MS_REC | MS_PRIVATE, nullptr) == 0;
    return ok;
}

class SmallTmpfs : public OutOfSpace {
public:
    bool Mount(std::string* why)
    {
        if (geteuid() != 0 || !PrivateMounts()) {
            *why = "mounting a tmpfs needs root";
            return false;
        }
        folder = dir.file("fs");
        if (mkdir(folder.c_str(), 0755) != 0 || mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=4m,mode=0755") != 0) {
            *why = "cannot mount a tmpfs here";
            return false;
        }
        mounted = true;
        return true;
    }
    ~SmallTmpfs() override
    {
        if (mounted) {
            umount2(folder.c_str(), MNT_DETACH);
        }
    }
    const std::string& Folder() const override { return folder; }
    void Exhaust(std::uint64_t) override
    {
        const std::string filler = folder + "/.filler";
        const int fd = open(filler.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        std::vector<char> block(1 << 16, 'f');
        // Down to single bytes: tmpfs hands out whole pages, so every last one is taken.
        for (std::size_t size = block.size(); fd >= 0 && size > 0; size /= 16) {
            while (write(fd, block.data(), size) == static_cast<ssize_t>(size)) {
            }
        }
        if (fd >= 0) {
            close(fd);
        }
    }
    void Relieve() override { unlink((folder + "/.filler").c_str()); }

private:
    TempDir dir;
    std::string folder;
    bool mounted = false;
};

class FileSizeLimit : public OutOfSpace {
public:
    FileSizeLimit()
    {
        getrlimit(RLIMIT_FSIZE, &saved);
        // A write past the limit fails with EFBIG instead of killing the process.
        previous = signal(SIGXFSZ, SIG_IGN);
    }
    ~FileSizeLimit() override
    {
        setrlimit(RLIMIT_FSIZE, &saved);
        signal(SIGXFSZ, previous);
    }
    const std::string& Folder() const override { return dir.path(); }
    void Exhaust(std::uint64_t largestFile) override
    {
        struct rlimit limit = saved;
        limit.rlim_cur = static_cast<rlim_t>(largestFile);
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    void Relieve() override { setrlimit(RLIMIT_FSIZE, &saved); }

private:
    TempDir dir;
    struct rlimit saved {};
    void (*previous)(int) = SIG_DFL;
};
}

inline std::unique_ptr<OutOfSpace> OutOfSpace::Make(const std::string& kind, std::string* why)
{
    if (kind == "tmpfs") {
        auto fs = std::make_unique<detail::SmallTmpfs>();
        if (!fs->Mount(why)) {
            return nullptr;
        }
        return fs;
    }
    return std::make_unique<detail::FileSizeLimit>();
}
}
