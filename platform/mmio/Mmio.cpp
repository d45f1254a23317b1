// Handles over descriptors: sharing held as locks on one far byte, and a failed write cut back so nothing shifts.
#include "platform/mmio/Mmio.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/core/Path.h"
#include "platform/kernel/SafeOpen.h"
#include "platform/kernel/ShareLock.h"

struct MmioFile {
    int fd = -1;
    // Reads and writes go to this offset (pread/pwrite), so a failed write
    // never moves it.
    LONGLONG offset = 0;
    // The length as this handle made it; a writer holds the file alone, so
    // it is what a failed write cuts back to.
    LONGLONG size = 0;
};

namespace {
std::atomic<bool> failNextClose{false};

HMMIO Success()
{
    return reinterpret_cast<HMMIO>(static_cast<std::uintptr_t>(1));
}

bool IsRealHandle(HMMIO h)
{
    return h && h != Success() && h->fd >= 0;
}

int OpenDescriptor(const std::string& path, DWORD openFlags, bool* created)
{
    *created = false;
    if (openFlags & MMIO_CREATE) {
        return platform::OpenOrCreateForWrite(path, created);
    }
    const DWORD access = openFlags & 3;
    if (access == MMIO_WRITE || access == MMIO_READWRITE) {
        return platform::OpenRegularForUpdate(path);
    }
    return platform::OpenRegularForRead(path);
}
}

HMMIO mmioOpenA(LPSTR fileName, LPMMIOINFO, DWORD openFlags)
{
    if (!fileName || !*fileName) {
        return nullptr;
    }
    const std::string path = platform::ToSlashes(fileName);
    if (openFlags & MMIO_EXIST) {
        return platform::NameExists(path) ? Success() : nullptr;
    }
    if (openFlags & MMIO_DELETE) {
        struct stat st;
        if (lstat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) {
            return nullptr;
        }
        return unlink(path.c_str()) == 0 ? Success() : nullptr;
    }
    const DWORD access = openFlags & 3;
    const bool writing = access == MMIO_WRITE || access == MMIO_READWRITE;
    bool created = false;
    const int fd = OpenDescriptor(path, openFlags, &created);
    if (fd < 0) {
        return nullptr;
    }
    struct stat st;
    if (fstat(fd, &st) != 0) {
        close(fd);
        return nullptr;
    }
    const bool exclusive = writing || (openFlags & MMIO_CREATE);
    if (exclusive || (openFlags & MMIO_DENYWRITE)) {
        // A writer holds the file alone, a deny-write reader shares it with readers.
        if (!(exclusive ? platform::LockForWriting(fd) : platform::LockAgainstWriters(fd))) {
            close(fd);
            return nullptr;
        }
    }
    // Truncate only once the file is ours, so a create never cuts a file in use;
    // and never a new or empty one: on ext4 that makes close write the whole file back.
    LONGLONG size = st.st_size;
    if ((openFlags & MMIO_CREATE) && !created && size > 0) {
        if (ftruncate(fd, 0) != 0) {
            close(fd);
            return nullptr;
        }
        size = 0;
    }
    return new MmioFile{fd, 0, size};
}

bool mmioHeldByWriter(HMMIO h) { return IsRealHandle(h) && platform::HeldByWriter(h->fd); }

void mmioFailNextClose() { failNextClose = true; }

UINT mmioClose(HMMIO h, UINT)
{
    if (!IsRealHandle(h)) {
        return MMIOERR_CANNOTCLOSE;
    }
    // Linux releases a descriptor even when close reports an error; the spare
    // keeps the file open for a caller that tries again.
    const int spare = fcntl(h->fd, F_DUPFD_CLOEXEC, 0);
    const bool failed = close(h->fd) != 0 || failNextClose.exchange(false);
    if (failed && spare >= 0) {
        h->fd = spare;
        return MMIOERR_CANNOTCLOSE;
    }
    const bool spareFailed = spare >= 0 && close(spare) != 0;
    delete h;
    return failed || spareFailed ? MMIOERR_CANNOTCLOSE : MMSYSERR_NOERROR;
}

LONG mmioRead(HMMIO h, char* buffer, LONG count)
{
    if (!IsRealHandle(h) || count < 0 || (!buffer && count > 0)) {
        return -1;
    }
    LONG done = 0;
    while (done < count) {
        const ssize_t n = pread(h->fd, buffer + done, static_cast<std::size_t>(count - done), h->offset + done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            if (done == 0) {
                return -1;
            }
            break;
        }
        if (n == 0) {
            break;
        }
        done += static_cast<LONG>(n);
    }
    h->offset += done;
    return done;
}

LONG mmioWrite(HMMIO h, const char* buffer, LONG count)
{
    if (!IsRealHandle(h) || count < 0 || (!buffer && count > 0)) {
        return -1;
    }
    LONG done = 0;
    while (done < count) {
        const ssize_t n = pwrite(h->fd, buffer + done, static_cast<std::size_t>(count - done), h->offset + done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            // What a short write added past the end would shift every later byte.
            if (h->offset + done > h->size) {
                (void)!ftruncate(h->fd, h->size);
            }
            return -1;
        }
        done += static_cast<LONG>(n);
    }
    h->offset += done;
    h->size = std::max(h->size, h->offset);
    return done;
}

LONGLONG mmioSeek(HMMIO h, LONGLONG offset, int origin)
{
    if (!IsRealHandle(h)) {
        return -1;
    }
    LONGLONG base = 0;
    if (origin == SEEK_CUR) {
        base = h->offset;
    } else if (origin == SEEK_END) {
        // Asked of the file each time: another process may be writing it.
        struct stat st;
        if (fstat(h->fd, &st) != 0) {
            return -1;
        }
        base = st.st_size;
    } else if (origin != SEEK_SET) {
        return -1;
    }
    if (offset < 0 && base < -offset) {
        return -1;
    }
    h->offset = base + offset;
    return h->offset;
}

UINT mmioReserve(HMMIO h, LONGLONG offset, LONGLONG count)
{
    if (!IsRealHandle(h) || offset < 0 || count < 0) {
        return MMIOERR_CANNOTEXPAND;
    }
    if (count == 0) {
        return MMSYSERR_NOERROR;
    }
    int rc;
    while ((rc = fallocate(h->fd, 0, offset, count)) != 0 && errno == EINTR) {
    }
    if (rc != 0) {
        return errno == EOPNOTSUPP || errno == ENOSYS ? MMSYSERR_NOERROR : MMIOERR_CANNOTEXPAND;
    }
    h->size = std::max(h->size, offset + count);
    return MMSYSERR_NOERROR;
}

UINT mmioTruncate(HMMIO h, LONGLONG length)
{
    if (!IsRealHandle(h) || length < 0) {
        return MMIOERR_CANNOTWRITE;
    }
    struct stat st;
    if (fstat(h->fd, &st) != 0) {
        return MMIOERR_CANNOTWRITE;
    }
    if (length < st.st_size && ftruncate(h->fd, length) != 0) {
        return MMIOERR_CANNOTWRITE;
    }
    h->size = std::min<LONGLONG>(st.st_size, length);
    return MMSYSERR_NOERROR;
}

UINT mmioFlush(HMMIO h, UINT)
{
    // Nothing is buffered here: written bytes are already with the kernel.
    return IsRealHandle(h) ? MMSYSERR_NOERROR : MMIOERR_CANNOTWRITE;
}

UINT mmioRenameA(LPCSTR fileName, LPCSTR newFileName, LPMMIOINFO, DWORD)
{
    if (!fileName || !newFileName) {
        return MMIOERR_FILENOTFOUND;
    }
    const std::string from = platform::ToSlashes(fileName);
    const std::string to = platform::ToSlashes(newFileName);
    // Windows never renames over an existing file.
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return MMSYSERR_NOERROR;
    }
    if (errno == EINVAL || errno == ENOSYS) {
        // File systems without the flag: refuse an existing target ourselves.
        struct stat st;
        if (lstat(to.c_str(), &st) == 0) {
            return MMIOERR_CANNOTWRITE;
        }
        if (rename(from.c_str(), to.c_str()) == 0) {
            return MMSYSERR_NOERROR;
        }
    }
    return errno == ENOENT ? MMIOERR_FILENOTFOUND : MMIOERR_CANNOTWRITE;
}

FOURCC mmioStringToFOURCCA(LPCSTR text, UINT)
{
    char c[4] = {' ', ' ', ' ', ' '};
    if (text) {
        for (int i = 0; i < 4 && text[i]; ++i) {
            c[i] = text[i];
        }
    }
    return mmioFOURCC(c[0], c[1], c[2], c[3]);
}
