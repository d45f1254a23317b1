// The fsync the test program's code calls: noted for an active probe, then done by the C library's own.
#include "tests/files/FolderSyncProbe.h"

#include <dlfcn.h>
#include <mutex>
#include <sys/stat.h>
#include <vector>

namespace {
struct Watch {
    bool active = false;
    std::string file;
    dev_t folderDev = 0;
    ino_t folderIno = 0;
    std::vector<ino_t> fileInodes;  // the file's inode at each folder sync (0: no file)
};
std::mutex lock;
Watch watch;

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

void Note(int fd)
{
    std::lock_guard<std::mutex> hold(lock);
    struct stat st {};
    if (!watch.active || fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode) || st.st_dev != watch.folderDev ||
        st.st_ino != watch.folderIno) {
        return;
    }
    struct stat f {};
    watch.fileInodes.push_back(stat(watch.file.c_str(), &f) == 0 ? f.st_ino : 0);
}
}

extern "C" int fsync(int fd)
{
    using Fsync = int (*)(int);
    static const Fsync real = reinterpret_cast<Fsync>(dlsym(RTLD_NEXT, "fsync"));
    Note(fd);
    return real(fd);
}

namespace foldersync {
Probe::Probe(const std::string& file)
{
    std::lock_guard<std::mutex> hold(lock);
    struct stat st {};
    stat(FolderOf(file).c_str(), &st);
    watch = Watch{true, file, st.st_dev, st.st_ino, {}};
}

Probe::~Probe()
{
    std::lock_guard<std::mutex> hold(lock);
    watch = Watch{};
}

bool Probe::SyncedAfterReplace() const
{
    std::lock_guard<std::mutex> hold(lock);
    struct stat f {};
    if (stat(watch.file.c_str(), &f) != 0) {
        return false;
    }
    for (ino_t ino : watch.fileInodes) {
        if (ino == f.st_ino) {
            return true;
        }
    }
    return false;
}

int Probe::FolderSyncs() const
{
    std::lock_guard<std::mutex> hold(lock);
    return static_cast<int>(watch.fileInodes.size());
}
}
