// Positional whole-range reads and writes on descriptors.
#include "platform/kernel/FileBytes.h"

#include <cerrno>

#include <unistd.h>

namespace platform {
bool WriteAllAt(int fd, const void* data, std::size_t size, std::int64_t offset)
{
    const auto* p = static_cast<const unsigned char*>(data);
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, p, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
        offset += n;
    }
    return true;
}

bool ReadUpToAt(int fd, void* data, std::size_t size, std::int64_t offset, std::size_t* got)
{
    auto* p = static_cast<unsigned char*>(data);
    *got = 0;
    while (*got < size) {
        const ssize_t n = ::pread(fd, p + *got, size - *got, static_cast<off_t>(offset) + static_cast<off_t>(*got));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return false;
        }
        if (n == 0) {
            break;
        }
        *got += static_cast<std::size_t>(n);
    }
    return true;
}
}
