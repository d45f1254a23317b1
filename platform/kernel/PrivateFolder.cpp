// Private folders: owner, kind and mode checked on every use, not just once.
#include "platform/kernel/PrivateFolder.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
bool MakeFolderPath(const std::string& path)
{
    for (std::size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos == path.size() || path[pos] == '/') {
            if (::mkdir(path.substr(0, pos).c_str(), 0700) != 0 && errno != EEXIST) {
                return false;
            }
        }
    }
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakePrivateFolder(const std::string& path, bool create)
{
    if (create && ::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        return false;
    }
    // Checked and tightened through one descriptor, so a folder swapped for a
    // link meanwhile is never the one changed.
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ELOOP || errno == ENOTDIR) {
            errno = EACCES;
        }
        return false;
    }
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0;
    if (ok && st.st_uid != ::geteuid()) {
        errno = EACCES;
        ok = false;
    }
    ok = ok && ((st.st_mode & 077) == 0 || ::fchmod(fd, 0700) == 0);
    const int saved = errno;
    ::close(fd);
    errno = saved;
    return ok;
}
}
