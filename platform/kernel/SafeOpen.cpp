// Link-safe and FIFO-safe opens for every file the layer reads or writes.
#include "platform/kernel/SafeOpen.h"

#include "platform/kernel/ShareLock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {
// Clears O_NONBLOCK again once the descriptor is known to be a regular file,
// so later reads and writes behave as on any file.
int CheckRegular(int fd)
{
    if (fd < 0) {
        return -1;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        const int saved = errno;
        close(fd);
        errno = saved;
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        close(fd);
        errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        return -1;
    }
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0) {
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
    return fd;
}
}

int OpenRegularForRead(const std::string& path, bool followLink)
{
    return CheckRegular(
        open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | (followLink ? 0 : O_NOFOLLOW)));
}

int OpenRegularForUpdate(const std::string& path)
{
    return CheckRegular(open(path.c_str(), O_RDWR | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY));
}

int CreateExclusive(const std::string& path, unsigned mode)
{
    return CheckRegular(
        open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, static_cast<mode_t>(mode)));
}

int OpenOrCreateForWrite(const std::string& path, bool* created, unsigned mode)
{
    // A racing creator or remover between the two tries is met by trying again.
    for (int attempt = 0; attempt < 4; ++attempt) {
        const int fd = OpenRegularForUpdate(path);
        if (fd >= 0 || errno != ENOENT) {
            if (created) {
                *created = false;
            }
            return fd;
        }
        const int made = CreateExclusive(path, mode);
        if (made >= 0 || errno != EEXIST) {
            if (created) {
                *created = made >= 0;
            }
            return made;
        }
    }
    errno = EEXIST;
    return -1;
}

bool NameExists(const std::string& path)
{
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

bool IsEmptyRegularFile(const std::string& path)
{
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0;
}

WriteRefusal WhyNotWritable(const std::string& path)
{
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) {
        return WriteRefusal::Missing;
    }
    if (S_ISLNK(st.st_mode)) {
        return WriteRefusal::Link;
    }
    if (!S_ISREG(st.st_mode)) {
        return WriteRefusal::NotRegular;
    }
    const int fd = OpenRegularForUpdate(path);
    if (fd < 0) {
        return errno == EROFS ? WriteRefusal::ReadOnlyFileSystem
               : errno == EACCES || errno == EPERM ? WriteRefusal::NoPermission
                                                   : WriteRefusal::NotRegular;
    }
    // Only tried: the lock goes with the descriptor.
    const bool held = !LockForWriting(fd);
    close(fd);
    return held ? WriteRefusal::InUse : WriteRefusal::None;
}

std::FILE* StreamFromDescriptor(int fd, const char* mode)
{
    if (fd < 0) {
        return nullptr;
    }
    std::FILE* f = fdopen(fd, mode);
    if (!f) {
        close(fd);
    }
    return f;
}
}
