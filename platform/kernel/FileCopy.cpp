// Whole-file copies through a temporary name beside the target.
#include "platform/kernel/FileCopy.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/core/Path.h"
#include "platform/kernel/SafeOpen.h"

namespace platform {
namespace {
std::atomic<unsigned> tempCounter{0};

bool WriteAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}
}

int CreateTemporaryBeside(const std::string& target, unsigned mode, std::string* temp)
{
    const std::string folder(FolderPart(target));
    const std::string base(FileNamePart(target));
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[48];
        std::snprintf(suffix, sizeof suffix, ".%ld.%u.tmp", static_cast<long>(getpid()), tempCounter++);
        *temp = folder + "." + base + suffix;
        const int fd = CreateExclusive(*temp, mode);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    errno = EEXIST;
    return -1;
}

bool MoveIntoPlace(const std::string& temp, const std::string& target, bool failIfExists)
{
    if (!failIfExists) {
        return rename(temp.c_str(), target.c_str()) == 0;
    }
    if (renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    // File systems without the flag: a hard link also refuses an existing name.
    if ((errno == EINVAL || errno == ENOSYS) && link(temp.c_str(), target.c_str()) == 0) {
        unlink(temp.c_str());
        return true;
    }
    return false;
}

bool ReplaceDurably(const std::string& finished, const std::string& target)
{
    const int fd = OpenRegularForRead(finished, false);
    if (fd < 0) {
        return false;
    }
    const bool synced = fsync(fd) == 0;
    close(fd);
    if (!synced || rename(finished.c_str(), target.c_str()) != 0) {
        return false;
    }
    const std::string folder(FolderPart(target));
    const int dir = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return true;
}

bool ReplaceThroughTemporary(const std::string& target, unsigned mode, const std::function<bool(int fd)>& write)
{
    std::string temp;
    const int fd = CreateTemporaryBeside(target, mode, &temp);
    if (fd < 0) {
        return false;
    }
    bool ok = write(fd);
    ok = close(fd) == 0 && ok;
    ok = ok && ReplaceDurably(temp, target);
    if (!ok) {
        unlink(temp.c_str());
    }
    return ok;
}

CopyResult CopyRegularFile(const std::string& from, const std::string& to, bool failIfExists)
{
    const std::string source = ToSlashes(from);
    const std::string target = ToSlashes(to);
    const int in = OpenRegularForRead(source);
    struct stat st {};
    if (in < 0 || fstat(in, &st) != 0) {
        if (in >= 0) {
            close(in);
        }
        return CopyResult::SourceFailed;
    }
    if (failIfExists && NameExists(target)) {
        close(in);
        return CopyResult::TargetFailed;
    }
    std::string temp;
    const int out = CreateTemporaryBeside(target, st.st_mode & 0777, &temp);
    if (out < 0) {
        close(in);
        return CopyResult::TargetFailed;
    }
    std::vector<char> buf(1 << 16);
    CopyResult result = CopyResult::Copied;
    for (;;) {
        const ssize_t n = read(in, buf.data(), buf.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            result = CopyResult::SourceFailed;
            break;
        }
        if (n == 0) {
            break;
        }
        if (!WriteAll(out, buf.data(), static_cast<std::size_t>(n))) {
            result = CopyResult::TargetFailed;
            break;
        }
    }
    close(in);
    if (close(out) != 0 && result == CopyResult::Copied) {
        result = CopyResult::TargetFailed;
    }
    if (result == CopyResult::Copied && !MoveIntoPlace(temp, target, failIfExists)) {
        result = CopyResult::TargetFailed;
    }
    if (result != CopyResult::Copied) {
        unlink(temp.c_str());
    }
    return result;
}
}
