// The temp folder is private to the user: a shared /tmp would let another user
// pre-create or link the names the program makes, and is often too small.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

#include "platform/core/Path.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/Files.h"
#include "platform/kernel/PrivateFolder.h"

namespace {
std::string CacheHome()
{
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    if (xdg && xdg[0] == '/') {
        return xdg;
    }
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "/") + "/.cache";
}
}

DWORD GetTempPathA(DWORD bufferLength, LPSTR buffer)
{
    const std::string cache = CacheHome();
    // Parents are made as mkdir -p would; only the last two levels must be private.
    if (!platform::MakeFolderPath(cache)) {
        return 0;
    }
    const std::string app = cache + "/tapvox";
    const std::string tmp = app + "/tmp";
    if (!platform::MakePrivateFolder(app) || !platform::MakePrivateFolder(tmp)) {
        return 0;
    }
    const std::string result = tmp + "/";
    if (!buffer || result.size() + 1 > bufferLength) {
        return static_cast<DWORD>(result.size() + 1);
    }
    std::memcpy(buffer, result.c_str(), result.size() + 1);
    return static_cast<DWORD>(result.size());
}

UINT GetTempFileNameA(LPCSTR pathName, LPCSTR prefix, UINT unique, LPSTR tempFileName)
{
    if (!pathName || !tempFileName) {
        return 0;
    }
    std::string folder = platform::ToSlashes(pathName);
    if (!folder.empty() && folder.back() != '/') {
        folder += '/';
    }
    const std::string pre = std::string(prefix ? prefix : "").substr(0, 3);
    auto nameFor = [&](UINT n) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "%04X", n & 0xFFFF);
        return folder + pre + hex + ".tmp";
    };
    auto store = [&](const std::string& name) {
        if (name.size() + 1 > static_cast<std::size_t>(MAX_PATH)) {
            return false;
        }
        std::memcpy(tempFileName, name.c_str(), name.size() + 1);
        return true;
    };
    if (unique != 0) {
        // A given number only builds the name; nothing is created.
        return store(nameFor(unique)) ? (unique & 0xFFFF) : 0;
    }
    UINT start = static_cast<UINT>(platform::NowMilliseconds() ^ static_cast<std::uint64_t>(getpid()) ^
                                   static_cast<std::uint64_t>(platform::NowSeconds())) &
                 0xFFFF;
    for (UINT i = 0; i < 0x10000; ++i) {
        const UINT n = ((start + i) & 0xFFFF) ? ((start + i) & 0xFFFF) : 1;
        const std::string name = nameFor(n);
        const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            close(fd);
            if (!store(name)) {
                unlink(name.c_str());
                return 0;
            }
            return n;
        }
        if (errno != EEXIST) {
            return 0;
        }
    }
    return 0;
}
