// tapvox-remote: what its arguments mean, what it refuses, and the real program
// reaching a window published under "Tapvox" (or saying that none runs).
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "platform/ipc/Ipc.h"
#include "platform/user/Backend.h"
#include "platform/user/Headless.h"
#include "platform/user/Window.h"
#include "tests/support/ChildProgram.h"
#include "tests/support/TestSupport.h"
#include "tools/RemoteCommands.h"

namespace {
namespace hl = platform::headless;

remote::Parsed Parse(std::vector<std::string> args) { return remote::ParseArguments(args); }

TEST(RemoteArguments, EachCommandIsItsMessageWithWParam33)
{
    // The numbers the recorder's frame takes from outside, written out here so that a
    // changed constant in the tool shows (the tool cannot include the recorder's header).
    const std::pair<const char*, UINT> commands[] = {{"stop", WM_USER + 79},
                                                     {"save", WM_USER + 94},
                                                     {"play", WM_USER + 97},
                                                     {"record", WM_USER + 98}};
    for (const auto& [name, message] : commands) {
        const remote::Parsed p = Parse({name});
        EXPECT_EQ(p.error, "") << name;
        EXPECT_EQ(p.request.message, message) << name;
        EXPECT_EQ(p.request.wParam, 33u);
        EXPECT_EQ(p.request.lParam, 0);
    }
    remote::Parsed back = Parse({"seek", "-5"});
    EXPECT_EQ(back.error, "");
    EXPECT_EQ(back.request.message, WM_USER + 78u);
    EXPECT_EQ(back.request.lParam, -5);
    EXPECT_EQ(Parse({"seek", "2147483647"}).request.lParam, 2147483647);
    EXPECT_EQ(Parse({"--wparam", "0", "stop"}).request.wParam, 0u);
    EXPECT_EQ(Parse({"--wparam", "4294967295", "stop"}).request.wParam, 4294967295u);
    EXPECT_TRUE(Parse({"--help"}).help);
    EXPECT_TRUE(Parse({"-h", "stop"}).help);
}

TEST(RemoteArguments, AnythingElseIsBadUsage)
{
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"pause"},
        {"seek"},
        {"seek", "five"},
        {"seek", "5s"},
        {"seek", ""},
        {"seek", "2147483648"},  // not a 32-bit value: never cut to one
        {"seek", "-2147483649"},
        {"stop", "now"},
        {"--wparam"},
        {"--wparam", "-1", "stop"},
        {"--wparam", "4294967296", "stop"},
        {"--verbose", "stop"},
    };
    for (const auto& args : bad) {
        const remote::Parsed p = Parse(args);
        EXPECT_FALSE(p.help);
        EXPECT_NE(p.error, "") << (args.empty() ? std::string("(none)") : args[0]);
    }
}

struct Result {
    int status = -1;
    std::string err;
};

// The real tapvox-remote, with this loop delivering while it runs.
Result RunRemote(const std::vector<std::string>& args)
{
    testsupport::ChildProgram child(TAPVOX_REMOTE_PROGRAM, args);
    const bool ended = child.Wait(10000, [] {
        hl::RunUntilIdle();
        platform::CurrentBackend().WaitForEvents(2);
    });
    hl::RunUntilIdle();
    return Result{ended ? child.ExitCode() : -1, child.Err()};
}

std::vector<MSG> g_got;
LRESULT Record(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg >= WM_USER) {
        g_got.push_back(MSG{hwnd, msg, wp, lp, 0, {0, 0}});
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

bool AcceptAll(UINT, WPARAM, LPARAM) { return true; }

class RemoteProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);
        hl::Reset();
        g_got.clear();
    }
    void TearDown() override
    {
        if (window) {
            platform::ipc::WithdrawWindow(window);
        }
        hl::Reset();
    }
    testsupport::TempDir dir;
    HWND window = nullptr;
};

TEST_F(RemoteProgram, SaysClearlyThatNoRecorderRuns)
{
    const Result run = RunRemote({"stop"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("no Tapvox is running"), std::string::npos) << run.err;
    EXPECT_EQ(RunRemote({"bogus"}).status, 2);
    EXPECT_EQ(RunRemote({"--help"}).status, 0);
}

TEST_F(RemoteProgram, PostsToThePublishedRecorder)
{
    platform::ipc::InstanceLock lock("Tapvox");
    ASSERT_TRUE(lock.Held());
    WNDCLASSA wc{};
    wc.lpfnWndProc = Record;
    wc.lpszClassName = "Tapvox";
    RegisterClassA(&wc);
    window = CreateWindowExA(0, "Tapvox", "Tapvox", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(platform::ipc::PublishWindow(lock, window, &AcceptAll));

    ASSERT_EQ(RunRemote({"seek", "-5"}).status, 0);
    ASSERT_EQ(RunRemote({"--wparam", "7", "stop"}).status, 0);
    // The endpoint's reader may take a packet after the sender has already exited.
    testsupport::WaitFor(
        [] {
            hl::RunUntilIdle();
            return g_got.size() >= 2;
        },
        10000);
    ASSERT_EQ(g_got.size(), 2u);
    EXPECT_EQ(g_got[0].message, remote::kSeek);
    EXPECT_EQ(g_got[0].wParam, 33u);
    EXPECT_EQ(g_got[0].lParam, -5);
    EXPECT_EQ(g_got[1].message, remote::kStop);
    EXPECT_EQ(g_got[1].wParam, 7u);
}
}
