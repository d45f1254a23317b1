// The per-user runtime folder and the single-instance lock in it. The folder is
// private because its endpoints accept window messages: nobody else may place,
// replace or reach a name in it.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/ipc/Ipc.h"
#include "platform/ipc/Peer.h"
#include "platform/kernel/AtomicFile.h"
#include "platform/kernel/PrivateFolder.h"
#include "platform/kernel/SafeOpen.h"

namespace platform::ipc {
namespace {
std::string Describe(const struct stat& st)
{
    if (S_ISLNK(st.st_mode)) {
        return "a link";
    }
    if (S_ISDIR(st.st_mode)) {
        return "a folder";
    }
    if (S_ISFIFO(st.st_mode)) {
        return "a FIFO";
    }
    if (!S_ISREG(st.st_mode)) {
        return "a special file";
    }
    return "a lock file of user " + std::to_string(st.st_uid);
}

// Removes what stands at path unless it is a regular file of this user, under
// the folder's lock, so two starts repairing at once never remove the lock
// file the other has just made. False when it cannot be removed.
bool RemoveForeignEntry(const std::string& path, std::string* found, std::string* problem)
{
    const platform::FolderLock folderLock(path);
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) {
        return true;  // gone meanwhile: try again
    }
    if (S_ISREG(st.st_mode) && st.st_uid == geteuid()) {
        return true;  // another start made it meanwhile
    }
    const std::string what = Describe(st);
    std::error_code error;
    if (std::filesystem::remove_all(path, error) == static_cast<std::uintmax_t>(-1) || error) {
        *problem = what + " stands there and cannot be removed (" + error.message() + ")";
        return false;
    }
    *found = what;
    return true;
}
}

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
        problem_ = folder.empty() ? "no private runtime folder" : "the class cannot name a lock file";
        return;
    }
    path_ = folder + "/" + entry;
    // The folder is the user's alone, so anything at the lock's name that is
    // not a regular file of the user is debris (or was planted while the
    // folder was open): it is replaced, never followed, never waited on.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int fd = platform::OpenOrCreateForWrite(path_, nullptr, 0600);
        struct stat st {};
        if (fd >= 0 && fstat(fd, &st) == 0 && st.st_uid == geteuid()) {
            // flock is atomic and ends with the process: a crashed instance never blocks the next.
            if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
                heldElsewhere_ = errno == EWOULDBLOCK;
                if (!heldElsewhere_) {
                    problem_ = std::string("it cannot be locked (") + std::strerror(errno) + ")";
                }
                close(fd);
                return;
            }
            fd_ = fd;
            return;
        }
        const int openError = errno;
        if (fd >= 0) {
            close(fd);
        } else if (lstat(path_.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == geteuid()) {
            problem_ = std::string("it cannot be opened (") + std::strerror(openError) + ")";
            return;
        }
        if (!RemoveForeignEntry(path_, &found_, &problem_)) {
            return;
        }
    }
    problem_ = "it keeps being replaced";
}

InstanceLock::~InstanceLock()
{
    if (fd_ >= 0) {
        close(fd_);
    }
}
}
