// Runtime folder names, peer credentials and connecting to an endpoint.
#include "platform/ipc/Peer.h"

#include <cctype>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

namespace platform::ipc_detail {
std::string FolderEntry(const std::string& className, const char* suffix)
{
    if (className.empty() || className.size() > 64) {
        return {};
    }
    std::string name;
    for (const char c : className) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (!std::isalnum(u) && c != '_' && c != '-' && c != '.') {
            return {};
        }
        name += static_cast<char>(std::tolower(u));
    }
    if (name[0] == '.') {
        return {};
    }
    return name + suffix;
}

bool PeerOf(int fd, PeerIdentity* peer)
{
    ucred cred{};
    socklen_t size = sizeof cred;
    if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &size) != 0 || size != sizeof cred) {
        return false;
    }
    peer->pid = cred.pid;
    peer->uid = cred.uid;
    return true;
}

bool PeerAccepted(const PeerIdentity& peer) { return peer.pid > 0 && peer.uid == geteuid(); }

bool SocketAddress(const std::string& path, sockaddr_un* address)
{
    *address = sockaddr_un{};
    address->sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address->sun_path) {
        return false;
    }
    std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
    return true;
}

int ConnectEndpoint(const std::string& path, pid_t expectedPid, PeerIdentity* peer)
{
    sockaddr_un address;
    if (!SocketAddress(path, &address)) {
        return -1;
    }
    const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        return -1;
    }
    // A full backlog answers EAGAIN at once: the caller never waits on a busy or hung publisher.
    PeerIdentity who;
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || !PeerOf(fd, &who) ||
        !PeerAccepted(who) || (expectedPid != 0 && who.pid != expectedPid)) {
        close(fd);
        return -1;
    }
    if (peer) {
        *peer = who;
    }
    return fd;
}
}
