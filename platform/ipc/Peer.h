#pragma once
// Internal to platform/ipc: the names in the runtime folder, and who is at the
// other end of a socket.
#include <string>
#include <sys/types.h>
#include <sys/un.h>

#include "platform/user/Messages.h"

namespace platform::ipc_detail {
// "<class in lower case><suffix>" in the runtime folder, or empty when the class
// name cannot name a file (empty, too long, or other than letters, digits, "_-.").
std::string FolderEntry(const std::string& className, const char* suffix);

struct PeerIdentity {
    pid_t pid = 0;
    uid_t uid = 0;
};
// The credentials the kernel recorded for the peer of a connected socket.
bool PeerOf(int fd, PeerIdentity* peer);
// Only this user's processes may talk to each other.
bool PeerAccepted(const PeerIdentity& peer);

// The address of the socket at path; false when path is empty or does not fit.
bool SocketAddress(const std::string& path, sockaddr_un* address);

// A connected, non-blocking socket to the endpoint at path whose peer passed
// PeerAccepted (and, when expectedPid is non-zero, is that process); -1 otherwise.
int ConnectEndpoint(const std::string& path, pid_t expectedPid, PeerIdentity* peer);

// The window another process (or this one) published under the class, or null.
HWND FindPublishedWindow(const char* className);
}
