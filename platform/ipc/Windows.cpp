// Finding windows by class, here and in other processes of the user, and the
// window functions on another process's window: each call connects to its
// endpoint, checks who answers, and sends one packet.
#include <chrono>
#include <cstring>
#include <dirent.h>
#include <mutex>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/core/Strings.h"
#include "platform/ipc/Ipc.h"
#include "platform/ipc/Packet.h"
#include "platform/ipc/Peer.h"
#include "platform/user/RemoteWindows.h"
#include "platform/user/Window.h"

namespace platform::ipc_detail {
namespace {
constexpr int kAnswerTimeoutMs = 2000;

// The handle table: a remote handle is an index into it. An entry names the
// endpoint and the process that published it, so a handle goes stale when that
// process ends, even if a new instance publishes under the same name.
struct RemoteEntry {
    std::string path;
    pid_t pid;
};

class RemoteTable : public RemoteWindows {
public:
    HWND HandleFor(const std::string& path, pid_t pid)
    {
        std::lock_guard lock(mutex_);
        for (std::size_t i = 0; i < entries_.size(); ++i) {
            if (entries_[i].path == path && entries_[i].pid == pid) {
                return MakeRemoteHandle(static_cast<std::uint32_t>(i + 1));
            }
        }
        entries_.push_back({path, pid});
        return MakeRemoteHandle(static_cast<std::uint32_t>(entries_.size()));
    }

    BOOL Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override
    {
        Packet p;
        return PostPacket(message, wParam, lParam, &p) && Send(window, p, nullptr, 0);
    }
    // As Post, then the acknowledgement: 1 taken, 0 refused, -1 none.
    int PostAndWait(HWND window, UINT message, WPARAM wParam, LPARAM lParam, int timeoutMs)
    {
        Packet p;
        Packet answer;
        if (!PostPacket(message, wParam, lParam, &p) || !Send(window, p, &answer, timeoutMs)) {
            return -1;
        }
        return answer.lParam != 0 ? 1 : 0;
    }
    BOOL Show(HWND window, int command) override
    {
        Packet p;
        p.kind = PacketKind::Show;
        p.wParam = static_cast<std::uint32_t>(command);
        return Send(window, p, nullptr, 0);
    }
    BOOL IsAlive(HWND window) override
    {
        const int fd = Connect(window);
        if (fd < 0) {
            return FALSE;
        }
        close(fd);
        return TRUE;
    }
    BOOL IsVisible(HWND window) override { return Ask(window, PacketKind::QueryVisible); }
    BOOL IsMinimized(HWND window) override { return Ask(window, PacketKind::QueryMinimized); }
    BOOL SetForeground(HWND window) override { return Simple(window, PacketKind::Foreground); }
    BOOL BringToTop(HWND window) override { return Simple(window, PacketKind::BringToTop); }

private:
    // What does not fit the packet's fields is refused, never cut.
    static bool PostPacket(UINT message, WPARAM wParam, LPARAM lParam, Packet* p)
    {
        if (wParam > 0xFFFFFFFFu || lParam < INT32_MIN || lParam > INT32_MAX) {
            return false;
        }
        p->kind = PacketKind::Post;
        p->message = message;
        p->wParam = static_cast<std::uint32_t>(wParam);
        p->lParam = static_cast<std::int32_t>(lParam);
        return true;
    }

    int Connect(HWND window)
    {
        RemoteEntry entry;
        {
            std::lock_guard lock(mutex_);
            const std::uint32_t index = RemoteHandleIndex(window);
            if (index == 0 || index > entries_.size()) {
                return -1;
            }
            entry = entries_[index - 1];
        }
        return ConnectEndpoint(entry.path, entry.pid, nullptr);
    }

    BOOL Simple(HWND window, PacketKind kind)
    {
        Packet p;
        p.kind = kind;
        return Send(window, p, nullptr, 0);
    }

    BOOL Ask(HWND window, PacketKind kind)
    {
        Packet p;
        p.kind = kind;
        Packet answer;
        return Send(window, p, &answer, kAnswerTimeoutMs) && answer.lParam != 0 ? TRUE : FALSE;
    }

    BOOL Send(HWND window, const Packet& packet, Packet* answer, int timeoutMs)
    {
        const int fd = Connect(window);
        if (fd < 0) {
            return FALSE;
        }
        std::uint8_t bytes[kPacketSize];
        EncodePacket(packet, bytes);
        bool done = send(fd, bytes, sizeof bytes, MSG_NOSIGNAL | MSG_DONTWAIT) == static_cast<ssize_t>(sizeof bytes);
        if (done && answer) {
            // The answer comes from the other GUI thread; one that is busy or hung costs a bounded wait.
            pollfd pfd{fd, POLLIN, 0};
            std::uint8_t in[kPacketSize + 1];
            done = poll(&pfd, 1, timeoutMs) == 1 &&
                   recv(fd, in, sizeof in, MSG_DONTWAIT | MSG_TRUNC) == static_cast<ssize_t>(kPacketSize) &&
                   DecodePacket(in, kPacketSize, answer) && answer->kind == PacketKind::Reply;
        }
        close(fd);
        return done ? TRUE : FALSE;
    }

    std::mutex mutex_;
    std::vector<RemoteEntry> entries_;
};

RemoteTable& Table()
{
    static RemoteTable* table = [] {
        auto* t = new RemoteTable;  // lives as long as any handle may be used
        InstallRemoteWindows(t);
        return t;
    }();
    return *table;
}

// The window published at path, when its publisher answers and is this user's.
HWND WindowAt(const std::string& path, pid_t expectedPid)
{
    PeerIdentity peer;
    const int fd = ConnectEndpoint(path, expectedPid, &peer);
    if (fd < 0) {
        return nullptr;
    }
    close(fd);
    return Table().HandleFor(path, peer.pid);
}

struct LocalSearch {
    LPCSTR className;
    LPCSTR windowName;
    HWND found;
};

BOOL MatchLocal(HWND hwnd, LPARAM lParam)
{
    auto* s = reinterpret_cast<LocalSearch*>(lParam);
    char name[256] = "";
    if (s->className) {
        GetClassNameA(hwnd, name, sizeof name);
        if (!EqualsNoCase(s->className, name)) {
            return TRUE;
        }
    }
    if (s->windowName) {
        const int length = GetWindowTextLengthA(hwnd);
        std::string text(static_cast<std::size_t>(length) + 1, '\0');
        GetWindowTextA(hwnd, text.data(), length + 1);
        text.resize(static_cast<std::size_t>(length));
        if (text != s->windowName) {
            return TRUE;
        }
    }
    s->found = hwnd;
    return FALSE;
}
}

HWND FindPublishedWindow(const char* className)
{
    const std::string folder = ipc::RuntimeFolder();
    const std::string entry = className ? FolderEntry(className, ".sock") : std::string();
    if (folder.empty() || entry.empty()) {
        return nullptr;
    }
    return WindowAt(folder + "/" + entry, 0);
}
}

HWND FindWindowA(LPCSTR className, LPCSTR windowName)
{
    platform::ipc_detail::LocalSearch search{className, windowName, nullptr};
    EnumWindows(&platform::ipc_detail::MatchLocal, reinterpret_cast<LPARAM>(&search));
    if (search.found) {
        return search.found;
    }
    // Other processes publish a class, not a title.
    return windowName ? nullptr : platform::ipc_detail::FindPublishedWindow(className);
}

namespace platform::ipc {
HWND WindowFromNumber(std::uint32_t number)
{
    const std::string folder = RuntimeFolder();
    if (number == 0 || number > 0x7FFFFFFFu || folder.empty()) {
        return nullptr;
    }
    DIR* dir = opendir(folder.c_str());
    if (!dir) {
        return nullptr;
    }
    HWND found = nullptr;
    while (dirent* d = readdir(dir)) {
        const std::string name = d->d_name;
        if (name.size() > 5 && name.compare(name.size() - 5, 5, ".sock") == 0) {
            if ((found = ipc_detail::WindowAt(folder + "/" + name, static_cast<pid_t>(number))) != nullptr) {
                break;
            }
        }
    }
    closedir(dir);
    return found;
}

int PostAndWait(HWND window, UINT message, WPARAM wParam, LPARAM lParam, int timeoutMs)
{
    return ipc_detail::Table().PostAndWait(window, message, wParam, lParam, timeoutMs);
}

HWND WaitForWindow(const char* className, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (HWND found = FindWindowA(className, nullptr)) {
            return found;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return nullptr;
        }
        // The publisher is between taking its lock and binding its socket: a few milliseconds.
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}
}
