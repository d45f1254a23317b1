// Holding a file by its descriptor: its name checked against it, its bytes copied out.
#include "platform/kernel/HeldFile.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/kernel/FileBytes.h"
#include "platform/kernel/SafeOpen.h"

namespace platform {
HeldFile::~HeldFile()
{
    if (fd_ >= 0) {
        close(fd_);
    }
}

bool HeldFile::Open(const std::string& path)
{
    if (fd_ >= 0) {
        close(fd_);
    }
    fd_ = OpenRegularForRead(path);
    path_ = fd_ >= 0 ? path : std::string();
    return fd_ >= 0;
}

bool HeldFile::StillNamed() const
{
    struct stat held {};
    struct stat named {};
    if (fd_ < 0 || fstat(fd_, &held) != 0) {
        return false;
    }
    return held.st_nlink > 0 && stat(path_.c_str(), &named) == 0 && named.st_dev == held.st_dev &&
           named.st_ino == held.st_ino;
}

bool HeldFile::Follow()
{
    const int fresh = OpenRegularForRead(path_);
    if (fresh < 0) {
        return false;
    }
    if (fd_ >= 0) {
        close(fd_);
    }
    fd_ = fresh;
    return true;
}

bool HeldFile::CopyTo(const std::string& target) const
{
    if (fd_ < 0) {
        return false;
    }
    const int out = CreateExclusive(target, 0666);
    if (out < 0) {
        return false;
    }
    std::vector<char> buffer(1 << 16);
    std::int64_t at = 0;
    bool ok = true;
    for (;;) {
        std::size_t got = 0;
        if (!ReadUpToAt(fd_, buffer.data(), buffer.size(), at, &got)) {
            ok = false;
            break;
        }
        if (got == 0) {
            break;
        }
        if (!WriteAllAt(out, buffer.data(), got, at)) {
            ok = false;
            break;
        }
        at += static_cast<std::int64_t>(got);
    }
    ok = ok && fsync(out) == 0;
    ok = close(out) == 0 && ok;
    if (!ok) {
        unlink(target.c_str());
    }
    return ok;
}
}
