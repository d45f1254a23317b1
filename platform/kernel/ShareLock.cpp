// The sharing locks: open-file-description locks, which conflict between handles of
// one process too, as Windows sharing does.
#include "platform/kernel/ShareLock.h"

#include <fcntl.h>

namespace platform {
namespace {
// Far past any real data, so the lock never covers a byte anyone reads.
constexpr off_t kShareLockOffset = 0x7FFFFFFF00000000LL;

struct flock LockByte(short type)
{
    struct flock fl = {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = kShareLockOffset;
    fl.l_len = 1;
    return fl;
}
}

bool LockForWriting(int fd)
{
    struct flock fl = LockByte(F_WRLCK);
    return fcntl(fd, F_OFD_SETLK, &fl) == 0;
}

bool LockAgainstWriters(int fd)
{
    struct flock fl = LockByte(F_RDLCK);
    return fcntl(fd, F_OFD_SETLK, &fl) == 0;
}

bool HeldByWriter(int fd)
{
    // A read lock conflicts with a write lock only: readers that keep writers out do not count.
    struct flock fl = LockByte(F_RDLCK);
    return fcntl(fd, F_OFD_GETLK, &fl) == 0 && fl.l_type != F_UNLCK;
}
}
