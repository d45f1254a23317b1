#include "platform/kernel/AtomicFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
FileReadResult ReadWholeFile(const std::string& path, std::string& out, std::size_t maxBytes)
{
    out.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return errno == ENOENT || errno == ENOTDIR ? FileReadResult::Missing : FileReadResult::Failed;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return FileReadResult::Failed;
    }
    if (static_cast<std::size_t>(st.st_size) > maxBytes) {
        ::close(fd);
        return FileReadResult::TooLarge;
    }
    // Sized from fstat; a file still growing is read on in small steps.
    out.resize(static_cast<std::size_t>(st.st_size));
    std::size_t got = 0;
    while (true) {
        char extra[4096];
        char* into = got < out.size() ? out.data() + got : extra;
        const std::size_t room = got < out.size() ? out.size() - got : sizeof extra;
        const ssize_t n = ::read(fd, into, room);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            ::close(fd);
            out.clear();
            return FileReadResult::Failed;
        }
        if (n == 0) {
            break;
        }
        if (into == extra) {
            out.append(extra, static_cast<std::size_t>(n));
        }
        got += static_cast<std::size_t>(n);
        if (got > maxBytes) {
            ::close(fd);
            out.clear();
            return FileReadResult::TooLarge;
        }
    }
    out.resize(got);
    ::close(fd);
    return FileReadResult::Ok;
}

namespace {
bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, unsigned newMode)
{
    std::string target = path;
    char resolved[PATH_MAX];
    struct stat lst {};
    if (::lstat(path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode) && ::realpath(path.c_str(), resolved)) {
        target = resolved;
    }
    struct stat old {};
    const bool existed = ::stat(target.c_str(), &old) == 0;
    if (existed && !S_ISREG(old.st_mode)) {
        return false;
    }
    const std::size_t slash = target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
    std::string temp = target + ".tmp-XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        return false;
    }
    const mode_t mode = existed ? (old.st_mode & 07777) : static_cast<mode_t>(newMode);
    bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok) {
        ok = ::rename(temp.c_str(), target.c_str()) == 0;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}
}
