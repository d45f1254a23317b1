// Which file holds the store: a link kept by a dotfile manager is followed to
// the user's own regular file; anything else is refused with the reason.
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/registry/StoreFiles.h"

namespace platform::registry {
namespace {
std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

std::string KindOf(mode_t mode)
{
    if (S_ISDIR(mode)) {
        return "a folder";
    }
    if (S_ISFIFO(mode)) {
        return "a FIFO";
    }
    if (S_ISSOCK(mode)) {
        return "a socket";
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return "a device";
    }
    return "not a regular file";
}

std::string Reason(const char* what) { return std::string(what) + " (" + std::strerror(errno) + ")"; }

// The problem of the link at store, or empty with *target set to the file it leads to.
std::string FollowLink(const std::string& store, std::string* target)
{
    char named[PATH_MAX];
    const ssize_t n = ::readlink(store.c_str(), named, sizeof named - 1);
    named[n > 0 ? n : 0] = '\0';
    const std::string link = "it is a link to " + std::string(named);
    char* real = ::realpath(store.c_str(), nullptr);
    if (!real) {
        return errno == ENOENT ? link + ", which does not exist" : link + Reason(", which cannot be reached");
    }
    *target = real;
    std::free(real);
    struct stat st {};
    if (::stat(target->c_str(), &st) != 0) {
        return link + Reason(", which cannot be reached");
    }
    if (!S_ISREG(st.st_mode)) {
        return link + ", which is " + KindOf(st.st_mode);
    }
    // Settings are read from and written to this user's own file only, never to one another user placed.
    if (st.st_uid != ::geteuid()) {
        return link + ", a file of another user";
    }
    return {};
}
}

StoreTarget FindStoreTarget(bool forWriting)
{
    StoreTarget target;
    const std::string store = StorePath();
    target.path = store;
    struct stat st {};
    if (::lstat(store.c_str(), &st) != 0) {
        if (errno != ENOENT && errno != ENOTDIR) {
            target.problem = Reason("it cannot be examined");
        }
    } else if (S_ISLNK(st.st_mode)) {
        target.linked = true;
        target.problem = FollowLink(store, &target.path);
    } else if (!S_ISREG(st.st_mode)) {
        target.problem = "it is " + KindOf(st.st_mode);
    }
    // The rewrite makes a new file beside the target and renames it over it.
    if (target.problem.empty() && forWriting && ::access(FolderOf(target.path).c_str(), W_OK) != 0) {
        target.problem = "its folder " + FolderOf(target.path) + Reason(" cannot be written");
    }
    return target;
}
}
