#include "platform/mmio/Mmio.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/core/Path.h"

struct MmioFile {
    int fd = -1;
};

namespace {
// One byte far past any real data carries the sharing locks: a writer holds it
// exclusively, a deny-write reader shares it. Open-file-description locks
// conflict between handles of one process too, as Windows sharing does.
constexpr off_t kShareLockOffset = 0x7FFFFFFF00000000LL;

bool Lock(int fd, short type)
{
    struct flock fl = {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = kShareLockOffset;
    fl.l_len = 1;
    return fcntl(fd, F_OFD_SETLK, &fl) == 0;
}

HMMIO Success()
{
    return reinterpret_cast<HMMIO>(static_cast<std::uintptr_t>(1));
}

bool IsRealHandle(HMMIO h)
{
    return h && h != Success() && h->fd >= 0;
}
}

HMMIO mmioOpenA(LPSTR fileName, LPMMIOINFO, DWORD openFlags)
{
    if (!fileName || !*fileName) {
        return nullptr;
    }
    const std::string path = platform::ToSlashes(fileName);
    if (openFlags & MMIO_EXIST) {
        struct stat st;
        return stat(path.c_str(), &st) == 0 ? Success() : nullptr;
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
    int flags = O_CLOEXEC;
    flags |= access == MMIO_WRITE ? O_WRONLY : access == MMIO_READWRITE ? O_RDWR : O_RDONLY;
    if (openFlags & MMIO_CREATE) {
        if (!writing) {
            flags = (flags & ~O_ACCMODE) | O_RDWR;
        }
        flags |= O_CREAT;
    }
    const int fd = open(path.c_str(), flags, 0666);
    if (fd < 0) {
        return nullptr;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return nullptr;
    }
    const bool exclusive = writing || (openFlags & MMIO_CREATE);
    if (exclusive || (openFlags & MMIO_DENYWRITE)) {
        if (!Lock(fd, exclusive ? F_WRLCK : F_RDLCK)) {
            close(fd);
            return nullptr;
        }
    }
    // Truncate only once the file is ours, so a create never cuts a file in use.
    if ((openFlags & MMIO_CREATE) && ftruncate(fd, 0) != 0) {
        close(fd);
        return nullptr;
    }
    return new MmioFile{fd};
}

UINT mmioClose(HMMIO h, UINT)
{
    if (!IsRealHandle(h)) {
        return MMIOERR_CANNOTCLOSE;
    }
    const int rc = close(h->fd);
    delete h;
    return rc == 0 ? MMSYSERR_NOERROR : MMIOERR_CANNOTCLOSE;
}

LONG mmioRead(HMMIO h, char* buffer, LONG count)
{
    if (!IsRealHandle(h) || count < 0 || (!buffer && count > 0)) {
        return -1;
    }
    LONG done = 0;
    while (done < count) {
        const ssize_t n = read(h->fd, buffer + done, static_cast<std::size_t>(count - done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return done > 0 ? done : -1;
        }
        if (n == 0) {
            break;
        }
        done += static_cast<LONG>(n);
    }
    return done;
}

LONG mmioWrite(HMMIO h, const char* buffer, LONG count)
{
    if (!IsRealHandle(h) || count < 0 || (!buffer && count > 0)) {
        return -1;
    }
    LONG done = 0;
    while (done < count) {
        const ssize_t n = write(h->fd, buffer + done, static_cast<std::size_t>(count - done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return -1;
        }
        done += static_cast<LONG>(n);
    }
    return done;
}

LONGLONG mmioSeek(HMMIO h, LONGLONG offset, int origin)
{
    if (!IsRealHandle(h) || (origin != SEEK_SET && origin != SEEK_CUR && origin != SEEK_END)) {
        return -1;
    }
    const off_t r = lseek(h->fd, static_cast<off_t>(offset), origin);
    return r < 0 ? -1 : static_cast<LONGLONG>(r);
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
