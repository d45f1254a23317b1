// Rewrites through a synced temp file renamed over the name, then a folder sync; the writers' lock gives up after 5 s.
#include "platform/kernel/AtomicFile.h"

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/kernel/SafeOpen.h"

namespace platform {
namespace {
constexpr std::string_view kTempMark = ".tmp-";
constexpr std::size_t kTempRandom = 6;  // the XXXXXX of mkostemp

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

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

FileReadResult ReadWholeDescriptor(int fd, std::string& out, std::size_t maxBytes)
{
    out.clear();
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ::lseek(fd, 0, SEEK_SET) != 0) {
        return FileReadResult::Failed;
    }
    if (static_cast<std::size_t>(st.st_size) > maxBytes) {
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
            out.clear();
            return FileReadResult::TooLarge;
        }
    }
    out.resize(got);
    return FileReadResult::Ok;
}

FileReadResult ReadWholeFile(const std::string& path, std::string& out, std::size_t maxBytes, bool followLink)
{
    out.clear();
    const int fd = OpenRegularForRead(path, followLink);
    if (fd < 0) {
        return errno == ENOENT || errno == ENOTDIR ? FileReadResult::Missing : FileReadResult::Failed;
    }
    const FileReadResult result = ReadWholeDescriptor(fd, out, maxBytes);
    ::close(fd);
    return result;
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, unsigned mode, FileMode rule)
{
    struct stat old {};
    const bool existed = ::lstat(path.c_str(), &old) == 0;
    if (existed && !S_ISREG(old.st_mode)) {
        errno = S_ISLNK(old.st_mode) ? ELOOP : EINVAL;
        return false;
    }
    std::string temp = path + std::string(kTempMark) + std::string(kTempRandom, 'X');
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const mode_t newMode = existed && rule == FileMode::KeepExisting ? (old.st_mode & 07777) : static_cast<mode_t>(mode);
    bool ok = ::fchmod(fd, newMode) == 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    // rename replaces the name itself: a link planted since the check above is
    // replaced, its target is not.
    ok = ok && ::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        const int saved = errno;
        ::unlink(temp.c_str());
        errno = saved;
        return false;
    }
    const int dirFd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ok = ::fsync(dirFd) == 0 || errno == EINVAL;  // some file systems cannot sync a folder
        ::close(dirFd);
    }
    return ok;
}

bool LockExclusive(int fd)
{
    for (int attempt = 0; attempt < 250; ++attempt) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            return true;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            return false;
        }
        const timespec pause{0, 20 * 1000 * 1000};
        nanosleep(&pause, nullptr);
    }
    errno = EWOULDBLOCK;
    return false;
}

FolderLock::FolderLock(const std::string& path)
    : fd_(::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
{
    locked_ = fd_ >= 0 && LockExclusive(fd_);
}

FolderLock::~FolderLock()
{
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void RemoveStaleTempFiles(const std::string& path)
{
    const std::string folder = FolderOf(path);
    const std::size_t slash = path.find_last_of('/');
    const std::string prefix = (slash == std::string::npos ? path : path.substr(slash + 1)) + std::string(kTempMark);
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) {
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name.size() == prefix.size() + kTempRandom && name.starts_with(prefix)) {
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
        }
    }
    ::closedir(dir);
}
}
