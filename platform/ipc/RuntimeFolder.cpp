// The per-user runtime folder and the single-instance lock in it. The folder is
// private because its endpoints accept window messages: nobody else may place,
// replace or reach a name in it.
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/ipc/Ipc.h"
#include "platform/ipc/Peer.h"
#include "platform/kernel/PrivateFolder.h"
#include "platform/kernel/SafeOpen.h"

namespace platform::ipc {
std::string RuntimeFolder()
{
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    std::string folder;
    if (xdg && xdg[0] == '/') {
        folder = std::string(xdg) + "/tapvox";
    } else {
        const char* tmp = std::getenv("TMPDIR");
        folder = std::string(tmp && tmp[0] == '/' ? tmp : "/tmp") + "/tapvox-" + std::to_string(geteuid());
    }
    return platform::MakePrivateFolder(folder) ? folder : std::string();
}

InstanceLock::InstanceLock(const std::string& className) : className_(className)
{
    const std::string folder = RuntimeFolder();
    const std::string entry = ipc_detail::FolderEntry(className, ".lock");
    if (folder.empty() || entry.empty()) {
        return;
    }
    bool created = false;
    const int fd = platform::OpenOrCreateForWrite(folder + "/" + entry, &created, 0600);
    if (fd < 0) {
        return;
    }
    // flock is atomic and ends with the process: a crashed instance never blocks the next.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return;
    }
    fd_ = fd;
}

InstanceLock::~InstanceLock()
{
    if (fd_ >= 0) {
        close(fd_);
    }
}
}
