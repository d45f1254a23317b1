// Windows of other processes: the private runtime folder, the single-instance
// lock, the packet on the wire, and a published window reached through its
// endpoint, with what must be refused (other users, bad packets, floods).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/ipc/Endpoint.h"
#include "platform/ipc/Ipc.h"
#include "platform/ipc/Packet.h"
#include "platform/ipc/Peer.h"
#include "platform/kernel/Clock.h"
#include "platform/user/Backend.h"
#include "platform/user/Headless.h"
#include "platform/user/RemoteWindows.h"
#include "platform/user/Window.h"
#include "tests/support/ChildProgram.h"
#include "tests/support/TestSupport.h"

namespace {
namespace hl = platform::headless;
namespace ipc = platform::ipc;
using namespace platform::ipc_detail;

constexpr UINT kRemoteStop = WM_USER + 79;
constexpr UINT kRefused = WM_USER + 5;

struct Seen {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<Seen> g_seen;

LRESULT RecordingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg >= WM_USER) {
        g_seen.push_back({msg, wp, lp});
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

bool AcceptStop(UINT message, WPARAM, LPARAM) { return message == kRemoteStop; }

// Runs the loop until the condition holds; the endpoint's thread wakes it.
template <typename Condition>
bool PumpUntil(Condition done, int timeoutMs = 5000)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        hl::RunUntilIdle();
        if (done()) {
            return true;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        platform::CurrentBackend().WaitForEvents(10);
    }
}

std::string EndpointPath(const std::string& className)
{
    return ipc::RuntimeFolder() + "/" + FolderEntry(className, ".sock");
}

int RawConnect(const std::string& path)
{
    const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::snprintf(a.sun_path, sizeof a.sun_path, "%s", path.c_str());
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

void SendPacket(int fd, const Packet& p)
{
    std::uint8_t bytes[kPacketSize];
    EncodePacket(p, bytes);
    ASSERT_EQ(send(fd, bytes, sizeof bytes, MSG_NOSIGNAL), static_cast<ssize_t>(sizeof bytes));
}

// Whether the endpoint answered a query on fd: the endpoint accepted it, and every connection made before it.
bool Answered(int fd)
{
    pollfd pfd{fd, POLLIN, 0};
    return poll(&pfd, 1, 0) == 1 && (pfd.revents & POLLIN);
}

class IpcTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);
        hl::Reset();
        g_seen.clear();
        WNDCLASSA wc{};
        wc.lpfnWndProc = RecordingProc;
        wc.lpszClassName = "IpcTarget";
        RegisterClassA(&wc);
    }
    void TearDown() override
    {
        if (window) {
            ipc::WithdrawWindow(window);
        }
        hl::Reset();
    }

    // A window of this process published under "IpcTarget".
    void Publish()
    {
        lock = std::make_unique<ipc::InstanceLock>("IpcTarget");
        ASSERT_TRUE(lock->Held());
        window = CreateWindowExA(0, "IpcTarget", "Target", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr, nullptr,
                                 nullptr);
        ASSERT_TRUE(ipc::PublishWindow(*lock, window, &AcceptStop));
    }

    testsupport::TempDir dir;
    std::unique_ptr<ipc::InstanceLock> lock;
    HWND window = nullptr;
};

TEST(IpcPacket, RoundTripsAndRefusesAnythingElse)
{
    Packet p;
    p.kind = PacketKind::Post;
    p.message = WM_USER + 78;
    p.wParam = 33;
    p.lParam = -5;
    std::uint8_t bytes[kPacketSize];
    EncodePacket(p, bytes);
    Packet back;
    ASSERT_TRUE(DecodePacket(bytes, kPacketSize, &back));
    EXPECT_EQ(back.message, p.message);
    EXPECT_EQ(back.wParam, 33u);
    EXPECT_EQ(back.lParam, -5);
    // A negative lParam stays negative once widened to the pointer-sized LPARAM.
    EXPECT_EQ(static_cast<LPARAM>(back.lParam), -5);

    EXPECT_FALSE(DecodePacket(bytes, kPacketSize - 1, &back));
    std::uint8_t longer[kPacketSize + 1] = {};
    std::memcpy(longer, bytes, kPacketSize);
    EXPECT_FALSE(DecodePacket(longer, sizeof longer, &back));
    std::uint8_t bad[kPacketSize];
    std::memcpy(bad, bytes, kPacketSize);
    bad[0] = 'X';
    EXPECT_FALSE(DecodePacket(bad, kPacketSize, &back));
    std::memcpy(bad, bytes, kPacketSize);
    bad[4] = 99;  // no such kind
    EXPECT_FALSE(DecodePacket(bad, kPacketSize, &back));
    std::memcpy(bad, bytes, kPacketSize);
    bad[7] = 1;  // the zero word
    EXPECT_FALSE(DecodePacket(bad, kPacketSize, &back));
}

TEST_F(IpcTest, RuntimeFolderIsPrivateAndNeverALink)
{
    const std::string folder = ipc::RuntimeFolder();
    ASSERT_EQ(folder, dir.file("tapvox"));
    struct stat st {};
    ASSERT_EQ(lstat(folder.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    // Opened up by someone: closed again before use.
    ASSERT_EQ(chmod(folder.c_str(), 0755), 0);
    EXPECT_EQ(ipc::RuntimeFolder(), folder);
    ASSERT_EQ(lstat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    // A link planted under the name is refused, not followed.
    testsupport::TempDir other;
    setenv("XDG_RUNTIME_DIR", other.path().c_str(), 1);
    ASSERT_EQ(symlink(folder.c_str(), other.file("tapvox").c_str()), 0);
    EXPECT_EQ(ipc::RuntimeFolder(), "");
    ipc::InstanceLock refused("IpcTarget");
    EXPECT_FALSE(refused.Held());
}

TEST_F(IpcTest, OneLockHolderAtATimeAcrossProcesses)
{
    {
        ipc::InstanceLock first("Tapvox");
        ipc::InstanceLock second("TAPVOX");  // the class name in any case is one lock
        EXPECT_TRUE(first.Held());
        EXPECT_FALSE(second.Held());
        int toChild[2];
        ASSERT_EQ(pipe(toChild), 0);
        const pid_t pid = fork();
        if (pid == 0) {
            ipc::InstanceLock child("Tapvox");
            _exit(child.Held() ? 1 : 0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_EQ(WEXITSTATUS(status), 0) << "the child took a lock this process holds";
        close(toChild[0]);
        close(toChild[1]);
    }
    // A holder that ends without a word (killed) frees the lock with it.
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        ipc::InstanceLock child("Tapvox");
        const char c = child.Held() ? 'y' : 'n';
        (void)!write(ready[1], &c, 1);
        pause();
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    EXPECT_EQ(c, 'y');
    EXPECT_FALSE(ipc::InstanceLock("Tapvox").Held());
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    EXPECT_TRUE(ipc::InstanceLock("Tapvox").Held());
    close(ready[0]);
    close(ready[1]);
}

TEST_F(IpcTest, PublishingNeedsTheLock)
{
    ipc::InstanceLock held("IpcTarget");
    ipc::InstanceLock notHeld("IpcTarget");
    window = CreateWindowExA(0, "IpcTarget", "Target", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    EXPECT_FALSE(ipc::PublishWindow(notHeld, window, &AcceptStop));
    EXPECT_FALSE(ipc::PublishWindow(held, nullptr, &AcceptStop));
    EXPECT_TRUE(ipc::PublishWindow(held, window, &AcceptStop));
    EXPECT_FALSE(ipc::PublishWindow(held, window, &AcceptStop)) << "one endpoint per window";
}

TEST_F(IpcTest, PostedMessagesArriveInOrderWithTheirSignedLParam)
{
    Publish();
    const HWND remote = FindPublishedWindow("ipctarget");
    ASSERT_NE(remote, nullptr);
    EXPECT_NE(remote, window);
    EXPECT_TRUE(platform::IsRemoteHandle(remote));
    EXPECT_TRUE(IsWindow(remote));
    EXPECT_TRUE(PostMessage(remote, kRemoteStop, 33, -5));
    EXPECT_TRUE(PostMessage(remote, kRefused, 33, 1));  // the filter drops it
    EXPECT_TRUE(PostMessage(remote, kRemoteStop, 7, 0x7FFFFFFF));
    // Values the packet cannot carry are refused by the sender, never cut.
    EXPECT_FALSE(PostMessage(remote, kRemoteStop, 33, static_cast<LPARAM>(0x100000000LL)));
    ASSERT_TRUE(PumpUntil([] { return g_seen.size() >= 2; }));
    hl::RunUntilIdle();
    ASSERT_EQ(g_seen.size(), 2u);
    EXPECT_EQ(g_seen[0].message, kRemoteStop);
    EXPECT_EQ(g_seen[0].wParam, 33u);
    EXPECT_EQ(g_seen[0].lParam, -5);
    EXPECT_EQ(g_seen[1].wParam, 7u);
    EXPECT_EQ(g_seen[1].lParam, 0x7FFFFFFF);
}

TEST_F(IpcTest, ShowActivateAndQueriesRunOnThePublishersThread)
{
    Publish();
    ShowWindow(window, SW_SHOWNORMAL);
    ShowWindow(window, SW_MINIMIZE);
    const HWND remote = FindPublishedWindow("IpcTarget");
    ASSERT_NE(remote, nullptr);

    // The asker waits for the answer, so it asks from a thread of its own while this one delivers.
    std::atomic<int> step{0};
    BOOL minimized = FALSE, visible = FALSE;
    std::thread asker([&] {
        minimized = IsIconic(remote);
        ShowWindow(remote, SW_HIDE);  // never from outside
        ShowWindow(remote, SW_SHOWNORMAL);
        BringWindowToTop(GetLastActivePopup(remote));
        SetForegroundWindow(remote);
        step = 1;
    });
    ASSERT_TRUE(PumpUntil([&] { return step.load() == 1; }));
    asker.join();
    ASSERT_TRUE(PumpUntil([&] { return !IsIconic(window) && GetActiveWindow() == window; }));
    EXPECT_TRUE(minimized);
    EXPECT_TRUE(IsWindowVisible(window));

    std::thread second([&] {
        minimized = IsIconic(remote);
        visible = IsWindowVisible(remote);
        step = 2;
    });
    ASSERT_TRUE(PumpUntil([&] { return step.load() == 2; }));
    second.join();
    EXPECT_FALSE(minimized);
    EXPECT_TRUE(visible);
}

// Only what the publisher took is acknowledged: a sender never takes a dropped packet for a delivered one.
TEST_F(IpcTest, PostAndWaitTellsTakenRefusedAndDroppedApart)
{
    Publish();
    const HWND remote = FindPublishedWindow("IpcTarget");
    ASSERT_NE(remote, nullptr);
    std::atomic<int> taken{2}, refused{2}, dropped{2};
    std::atomic<bool> done{false};
    std::vector<int> idle;
    std::thread sender([&] {
        taken = ipc::PostAndWait(remote, kRemoteStop, 33, 1, 5000);
        refused = ipc::PostAndWait(remote, kRefused, 33, 1, 5000);
        // Every place of the endpoint held by idle peers: the next connection is closed unread.
        for (int i = 0; i < 16; ++i) {
            idle.push_back(RawConnect(EndpointPath("IpcTarget")));
        }
        SendPacket(idle.back(), Packet{PacketKind::QueryVisible, 0, 0, 0});
        testsupport::WaitFor([&] { return Answered(idle.back()); }, 5000);
        dropped = ipc::PostAndWait(remote, kRemoteStop, 33, 2, 5000);
        done = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return done.load(); }, 15000));
    sender.join();
    EXPECT_EQ(taken, 1);
    EXPECT_EQ(refused, 0);
    EXPECT_EQ(dropped, -1);
    hl::RunUntilIdle();
    ASSERT_EQ(g_seen.size(), 1u) << "only the first arrived";

    // Idle for a few seconds of the layer's clock, the peers are let go and the window is reached again.
    platform::UseManualClock(0);
    for (int fd : idle) {
        close(fd);
    }
    idle.clear();
    for (int i = 0; i < 16; ++i) {
        idle.push_back(RawConnect(EndpointPath("IpcTarget")));
    }
    SendPacket(idle.back(), Packet{PacketKind::QueryVisible, 0, 0, 0});
    ASSERT_TRUE(PumpUntil([&] { return Answered(idle.back()); }));
    std::uint8_t answer[kPacketSize];
    ASSERT_EQ(recv(idle.back(), answer, sizeof answer, 0), static_cast<ssize_t>(kPacketSize));
    platform::AdvanceClock(4000);
    std::vector<pollfd> ends;
    for (const int fd : idle) {
        ends.push_back({fd, POLLIN, 0});
    }
    EXPECT_EQ(0, poll(ends.data(), ends.size(), 200)) << "not yet idle long enough";
    platform::AdvanceClock(1000);
    EXPECT_TRUE(testsupport::WaitFor(
        [&] { return poll(ends.data(), ends.size(), 0) == static_cast<int>(ends.size()); }, 5000));
    for (int fd : idle) {
        close(fd);
    }
    platform::UseSystemClock();
    done = false;
    std::thread again([&] {
        taken = ipc::PostAndWait(remote, kRemoteStop, 33, 3, 5000);
        done = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return done.load(); }, 10000));
    again.join();
    EXPECT_EQ(taken, 1);
}

TEST_F(IpcTest, MalformedAndOversizedPacketsAreDroppedWithoutEffect)
{
    Publish();
    const int fd = RawConnect(EndpointPath("IpcTarget"));
    ASSERT_GE(fd, 0);
    Packet good;
    good.message = kRemoteStop;
    good.wParam = 33;
    std::uint8_t bytes[kPacketSize];
    EncodePacket(good, bytes);
    std::vector<std::uint8_t> big(4096, 0);
    std::memcpy(big.data(), bytes, kPacketSize);
    ASSERT_EQ(send(fd, bytes, kPacketSize - 1, MSG_NOSIGNAL), static_cast<ssize_t>(kPacketSize - 1));
    ASSERT_EQ(send(fd, big.data(), kPacketSize + 1, MSG_NOSIGNAL), static_cast<ssize_t>(kPacketSize + 1));
    ASSERT_EQ(send(fd, big.data(), big.size(), MSG_NOSIGNAL), static_cast<ssize_t>(big.size()));
    std::uint8_t wrong[kPacketSize];
    std::memcpy(wrong, bytes, kPacketSize);
    wrong[3] = '2';
    ASSERT_EQ(send(fd, wrong, kPacketSize, MSG_NOSIGNAL), static_cast<ssize_t>(kPacketSize));
    Packet reply;
    reply.kind = PacketKind::Reply;  // only ever sent by an endpoint
    SendPacket(fd, reply);
    good.lParam = 42;
    SendPacket(fd, good);
    ASSERT_TRUE(PumpUntil([] { return !g_seen.empty(); }));
    hl::RunUntilIdle();
    ASSERT_EQ(g_seen.size(), 1u);
    EXPECT_EQ(g_seen[0].lParam, 42);
    EXPECT_EQ(EndpointQueue(window)->Dropped(), 5u);
    close(fd);
}

TEST(IpcQueue, AFloodIsCutAtTheQueuesCapacity)
{
    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET, 0, pair), 0);
    Packet p;
    p.message = kRemoteStop;
    for (int i = 0; i < 100; ++i) {
        p.lParam = i;
        SendPacket(pair[1], p);
    }
    auto connection = std::make_shared<Connection>(pair[0]);
    InputQueue queue;
    int told = 0;
    EXPECT_TRUE(ReadConnection(connection, queue, [](void* n) { ++*static_cast<int*>(n); }, &told));
    EXPECT_EQ(queue.Size(), InputQueue::kCapacity);
    EXPECT_EQ(queue.Dropped(), 100 - InputQueue::kCapacity);
    EXPECT_EQ(told, 1) << "the GUI thread is told once per batch";
    const auto taken = queue.TakeAll();
    ASSERT_EQ(taken.size(), InputQueue::kCapacity);
    EXPECT_EQ(taken.front().packet.lParam, 0);
    EXPECT_EQ(taken.back().packet.lParam, static_cast<int>(InputQueue::kCapacity) - 1);
    close(pair[1]);
    EXPECT_FALSE(ReadConnection(connection, queue, nullptr, nullptr)) << "the peer has gone";
}

TEST_F(IpcTest, OnlyThisUsersPeersAreAccepted)
{
    EXPECT_TRUE(PeerAccepted({getpid(), geteuid()}));
    EXPECT_FALSE(PeerAccepted({getpid(), geteuid() + 1}));
    EXPECT_FALSE(PeerAccepted({0, geteuid()}));

    if (geteuid() != 0) {
        GTEST_SKIP() << "a sender under a second uid needs root";
    }
    Publish();
    // Let a second user reach the socket at all, so that only the credential check stands in the way
    // (the path is taken first: asking for the runtime folder makes it private again).
    const std::string path = EndpointPath("IpcTarget");
    ASSERT_EQ(chmod(dir.path().c_str(), 0711), 0);
    ASSERT_EQ(chmod(dir.file("tapvox").c_str(), 0711), 0);
    ASSERT_EQ(chmod(path.c_str(), 0777), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0) {
            _exit(2);
        }
        const int fd = RawConnect(path);
        if (fd < 0) {
            _exit(3);
        }
        Packet p;
        p.message = kRemoteStop;
        p.wParam = 33;
        std::uint8_t bytes[kPacketSize];
        EncodePacket(p, bytes);
        (void)!send(fd, bytes, sizeof bytes, MSG_NOSIGNAL);
        // The endpoint hangs up on us.
        std::uint8_t in[4];
        _exit(recv(fd, in, sizeof in, 0) <= 0 ? 0 : 4);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    ASSERT_TRUE(PumpUntil([&] { return RefusedConnections(window) == 1; }));
    hl::RunUntilIdle();
    EXPECT_TRUE(g_seen.empty());
}

TEST_F(IpcTest, HandlesOfGoneOrUnknownPublishersAreDead)
{
    Publish();
    const HWND remote = FindPublishedWindow("IpcTarget");
    ASSERT_NE(remote, nullptr);
    EXPECT_EQ(ipc::WindowFromNumber(static_cast<std::uint32_t>(getpid())), remote);
    EXPECT_EQ(ipc::WindowFromNumber(static_cast<std::uint32_t>(getpid()) + 100000), nullptr);
    EXPECT_EQ(ipc::WindowFromNumber(0), nullptr);

    ipc::WithdrawWindow(window);
    window = nullptr;
    EXPECT_FALSE(IsWindow(remote));
    EXPECT_FALSE(PostMessage(remote, kRemoteStop, 33, 0));
    EXPECT_EQ(FindPublishedWindow("IpcTarget"), nullptr);
    EXPECT_FALSE(IsWindow(platform::MakeRemoteHandle(999)));
    EXPECT_FALSE(ShowWindow(platform::MakeRemoteHandle(999), SW_SHOWNORMAL));
}

TEST_F(IpcTest, FindWindowPrefersThisProcessAndWaitsForAStartingPublisher)
{
    const HWND local =
        CreateWindowExA(0, "IpcTarget", "Mine", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(FindWindowA("ipctarget", nullptr), local);
    EXPECT_EQ(FindWindowA(nullptr, "Mine"), local);
    EXPECT_EQ(FindWindowA("IpcTarget", "Other"), nullptr);
    DestroyWindow(local);
    EXPECT_EQ(ipc::WaitForWindow("IpcTarget", 0), nullptr);

    // A publisher in another process that takes its time.
    int go[2];
    ASSERT_EQ(pipe(go), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        char c;
        (void)!read(go[0], &c, 1);
        ipc::InstanceLock childLock("IpcTarget");
        const HWND w =
            CreateWindowExA(0, "IpcTarget", "Child", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        if (!ipc::PublishWindow(childLock, w, &AcceptStop)) {
            _exit(1);
        }
        for (;;) {
            MSG m;
            GetMessage(&m, nullptr, 0, 0);
            DispatchMessage(&m);
        }
    }
    (void)!write(go[1], "g", 1);
    const HWND found = ipc::WaitForWindow("IpcTarget", 5000);
    EXPECT_NE(found, nullptr);
    EXPECT_TRUE(platform::IsRemoteHandle(found));
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    EXPECT_FALSE(IsWindow(found)) << "the publisher is gone";
    close(go[0]);
    close(go[1]);
}
}
