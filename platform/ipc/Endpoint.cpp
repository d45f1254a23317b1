// A published window's endpoint: a listening Unix socket in the runtime folder,
// read by a thread of its own that checks each peer, parses each datagram and
// queues what it accepts; the GUI thread delivers the queue in order.
#include "platform/ipc/Endpoint.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <map>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/ipc/Ipc.h"
#include "platform/ipc/Peer.h"
#include "platform/kernel/Clock.h"
#include "platform/user/RemoteWindows.h"
#include "platform/user/Window.h"

namespace platform::ipc_detail {
Connection::~Connection()
{
    if (fd >= 0) {
        close(fd);
    }
}

bool InputQueue::Push(Incoming item, bool* wasEmpty)
{
    std::lock_guard lock(mutex_);
    if (items_.size() >= kCapacity) {
        ++dropped_;
        return false;
    }
    *wasEmpty = items_.empty();
    items_.push_back(std::move(item));
    return true;
}

std::deque<Incoming> InputQueue::TakeAll()
{
    std::lock_guard lock(mutex_);
    std::deque<Incoming> out;
    out.swap(items_);
    return out;
}

std::size_t InputQueue::Size()
{
    std::lock_guard lock(mutex_);
    return items_.size();
}

std::uint64_t InputQueue::Dropped()
{
    std::lock_guard lock(mutex_);
    return dropped_;
}

void InputQueue::CountDropped()
{
    std::lock_guard lock(mutex_);
    ++dropped_;
}

bool ReadConnection(const std::shared_ptr<Connection>& connection, InputQueue& queue, void (*onQueued)(void*),
                    void* context)
{
    // One byte more than a packet: a longer datagram shows as MSG_TRUNC and is dropped whole.
    std::uint8_t buffer[kPacketSize + 1];
    for (;;) {
        const ssize_t n = recv(connection->fd, buffer, sizeof buffer, MSG_DONTWAIT | MSG_TRUNC);
        if (n == 0) {
            return false;
        }
        if (n < 0) {
            return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
        }
        Packet packet;
        if (static_cast<std::size_t>(n) != kPacketSize || !DecodePacket(buffer, kPacketSize, &packet) ||
            packet.kind == PacketKind::Reply) {
            queue.CountDropped();
            continue;
        }
        bool wasEmpty = false;
        if (queue.Push(Incoming{packet, connection}, &wasEmpty) && wasEmpty && onQueued) {
            onQueued(context);
        }
    }
}

namespace {
constexpr UINT kDeliverMessage = 0x7F20;  // windowless, wParam: the endpoint's number
constexpr std::size_t kMaxConnections = 16;
// A connection that sends nothing for this long is closed, on the layer's
// clock: idle peers must not hold every place and shut real senders out.
constexpr std::uint64_t kIdleMs = 5000;

// Also the acknowledgement of a packet acted on: a sender that waits for it
// knows its message was taken, not dropped on the way.
void Reply(const Connection& to, BOOL answer)
{
    Packet packet;
    packet.kind = PacketKind::Reply;
    packet.lParam = answer ? 1 : 0;
    std::uint8_t bytes[kPacketSize];
    EncodePacket(packet, bytes);
    // A peer that stopped reading loses its answer; the GUI thread never waits on it.
    (void)send(to.fd, bytes, sizeof bytes, MSG_DONTWAIT | MSG_NOSIGNAL);
}

class Endpoint {
public:
    Endpoint(std::uintptr_t number, HWND window, ipc::AcceptFilter accept, int listenFd, std::string path)
        : number_(number), window_(window), accept_(accept), listenFd_(listenFd), path_(std::move(path))
    {
        wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        // A test's clock moved on: the idle connections are looked at again.
        clockListener_ = platform::AddClockListener([this] { Wake(); });
        thread_ = std::thread([this] { Listen(); });
    }
    ~Endpoint()
    {
        platform::RemoveClockListener(clockListener_);
        stop_ = true;
        Wake();  // when it cannot be woken, the poll timeout below still ends the thread
        thread_.join();
        unlink(path_.c_str());
        close(listenFd_);
        close(wakeFd_);
    }
    Endpoint(const Endpoint&) = delete;
    Endpoint& operator=(const Endpoint&) = delete;

    HWND Window() const { return window_; }

    // GUI thread: everything queued, in arrival order.
    void Deliver()
    {
        for (Incoming& in : queue_.TakeAll()) {
            if (!IsWindow(window_)) {
                return;
            }
            Perform(in);
        }
    }

private:
    static void Queued(void* self)
    {
        auto* e = static_cast<Endpoint*>(self);
        PostMessage(nullptr, kDeliverMessage, e->number_, 0);
    }

    void Perform(const Incoming& in)
    {
        const Packet& p = in.packet;
        switch (p.kind) {
        case PacketKind::Post: {
            const bool accepted = accept_ && accept_(p.message, p.wParam, static_cast<LPARAM>(p.lParam));
            if (accepted) {
                SendMessage(window_, p.message, p.wParam, static_cast<LPARAM>(p.lParam));
            }
            Reply(*in.from, accepted);
            break;
        }
        case PacketKind::Show:
            // From outside a window is only ever shown, never hidden or minimised.
            if (p.wParam == SW_SHOWNORMAL || p.wParam == SW_SHOW || p.wParam == SW_RESTORE) {
                ShowWindow(window_, static_cast<int>(p.wParam));
            }
            Reply(*in.from, TRUE);
            break;
        case PacketKind::BringToTop:
            BringWindowToTop(GetLastActivePopup(window_));
            Reply(*in.from, TRUE);
            break;
        case PacketKind::Foreground:
            SetForegroundWindow(window_);
            Reply(*in.from, TRUE);
            break;
        case PacketKind::QueryVisible:
            Reply(*in.from, IsWindowVisible(window_));
            break;
        case PacketKind::QueryMinimized:
            Reply(*in.from, IsIconic(window_));
            break;
        case PacketKind::Reply:
            break;
        }
    }

    void Wake()
    {
        const std::uint64_t one = 1;
        (void)!write(wakeFd_, &one, sizeof one);
    }

    struct Live {
        std::shared_ptr<Connection> connection;
        std::uint64_t lastHeard;
    };

    void Listen()
    {
        std::vector<Live> connections;
        while (!stop_) {
            std::vector<pollfd> fds;
            fds.push_back({wakeFd_, POLLIN, 0});
            fds.push_back({listenFd_, POLLIN, 0});
            for (const auto& c : connections) {
                fds.push_back({c.connection->fd, POLLIN, 0});
            }
            if (poll(fds.data(), fds.size(), 1000) < 0 && errno != EINTR) {
                break;
            }
            if (fds[0].revents) {
                std::uint64_t count = 0;
                (void)!read(wakeFd_, &count, sizeof count);
                if (stop_) {
                    break;
                }
            }
            const std::uint64_t now = platform::NowMilliseconds();
            std::vector<Live> keep;
            for (std::size_t i = 0; i < connections.size(); ++i) {
                Live& c = connections[i];
                const short ev = fds[i + 2].revents;
                c.lastHeard = std::min(c.lastHeard, now);  // the clock was switched (tests)
                if (ev == 0) {
                    // Let go once idle; a packet of it still queued keeps the descriptor for its answer.
                    if (now - c.lastHeard < kIdleMs) {
                        keep.push_back(std::move(c));
                    }
                } else if (ReadConnection(c.connection, queue_, &Endpoint::Queued, this) && !(ev & POLLERR)) {
                    // A peer that hung up reads as the end of its stream.
                    c.lastHeard = now;
                    keep.push_back(std::move(c));
                }
            }
            connections.swap(keep);
            if (fds[1].revents & POLLIN) {
                Accept(connections);
            }
        }
    }

    void Accept(std::vector<Live>& connections)
    {
        for (;;) {
            const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (fd < 0) {
                return;
            }
            PeerIdentity peer;
            if (!PeerOf(fd, &peer) || !PeerAccepted(peer) || connections.size() >= kMaxConnections) {
                refused_.fetch_add(1);
                close(fd);
                continue;
            }
            connections.push_back({std::make_shared<Connection>(fd), platform::NowMilliseconds()});
        }
    }

public:
    InputQueue& Queue() { return queue_; }
    std::uint64_t Refused() const { return refused_.load(); }

private:
    std::uintptr_t number_;
    HWND window_;
    ipc::AcceptFilter accept_;
    int listenFd_;
    int wakeFd_ = -1;
    int clockListener_ = 0;
    std::string path_;
    std::atomic<bool> stop_{false};
    std::atomic<std::uint64_t> refused_{0};
    InputQueue queue_;
    std::thread thread_;
};

// GUI thread only: the endpoints of this process by number.
std::map<std::uintptr_t, std::unique_ptr<Endpoint>>& Endpoints()
{
    static std::map<std::uintptr_t, std::unique_ptr<Endpoint>> endpoints;
    return endpoints;
}

void DeliverHook(const MSG& msg)
{
    if (msg.message != kDeliverMessage) {
        return;
    }
    auto& all = Endpoints();
    if (auto it = all.find(msg.wParam); it != all.end()) {
        it->second->Deliver();
    }
}

int Listen(const std::string& path)
{
    sockaddr_un address;
    if (!SocketAddress(path, &address)) {
        return -1;
    }
    const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        return -1;
    }
    // The lock is ours, so a socket left under the name is a dead instance's.
    unlink(path.c_str());
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || listen(fd, 8) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// The endpoint of the window among this process's, or end().
auto FindEndpoint(HWND window)
{
    auto& all = Endpoints();
    auto it = all.begin();
    while (it != all.end() && it->second->Window() != window) {
        ++it;
    }
    return it;
}
}

std::uint64_t RefusedConnections(HWND window)
{
    const auto it = FindEndpoint(window);
    return it != Endpoints().end() ? it->second->Refused() : 0;
}

InputQueue* EndpointQueue(HWND window)
{
    const auto it = FindEndpoint(window);
    return it != Endpoints().end() ? &it->second->Queue() : nullptr;
}
}

namespace platform::ipc {
bool PublishWindow(const InstanceLock& lock, HWND window, AcceptFilter accept)
{
    using namespace ipc_detail;
    if (!lock.Held() || !IsWindow(window) || EndpointQueue(window)) {
        return false;
    }
    const std::string folder = RuntimeFolder();
    const std::string entry = FolderEntry(lock.ClassName(), ".sock");
    if (folder.empty() || entry.empty()) {
        return false;
    }
    const std::string path = folder + "/" + entry;
    const int fd = ipc_detail::Listen(path);
    if (fd < 0) {
        return false;
    }
    static std::uintptr_t next = 0;
    const std::uintptr_t number = ++next;
    SetThreadMessageHook(&DeliverHook);
    Endpoints()[number] = std::make_unique<Endpoint>(number, window, accept, fd, path);
    return true;
}

std::string EndpointProblem(const std::string& className)
{
    const std::string folder = RuntimeFolder();
    const std::string entry = ipc_detail::FolderEntry(className, ".sock");
    if (folder.empty() || entry.empty()) {
        return folder.empty() ? "there is no private runtime folder" : "the class cannot name a socket";
    }
    const std::string path = folder + "/" + entry;
    sockaddr_un address;
    if (!ipc_detail::SocketAddress(path, &address)) {
        return "the socket path " + path + " is " + std::to_string(path.size()) +
               " characters long, a socket address holds at most " + std::to_string(sizeof address.sun_path - 1) +
               " (a shorter XDG_RUNTIME_DIR mends it)";
    }
    return {};
}

void WithdrawWindow(HWND window)
{
    if (const auto it = ipc_detail::FindEndpoint(window); it != ipc_detail::Endpoints().end()) {
        ipc_detail::Endpoints().erase(it);
    }
}
}
