// The real program on a private headless Wayland compositor (weston) with no X
// server named: its window mapped as the compositor sees it, its controls
// answering tapvox-remote, SIGTERM ending it with 0, and no X connection tried.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "tests/app/main/ProgramFixture.h"

// What the leak checker of every test program passes over.
extern "C" const char* __lsan_default_suppressions();

namespace {
constexpr const char* kSocket = "tapvox-wayland";

// The full path of a program on PATH; empty when there is none.
std::string Which(const std::string& name)
{
    std::string path = testsupport::RunCapture("command -v '" + name + "' 2>/dev/null");
    while (!path.empty() && (path.back() == '\n' || path.back() == ' ')) {
        path.pop_back();
    }
    return path;
}

std::string FileText(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

pid_t Parent(pid_t pid)
{
    // The fourth field of /proc/PID/stat, after the name in parentheses.
    const std::string stat = FileText("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t end = stat.rfind(')');
    return end == std::string::npos ? 0 : static_cast<pid_t>(std::atoi(stat.c_str() + end + 4));
}

class WaylandProgram : public Program {
protected:
    void SetUp() override
    {
        Program::SetUp();
        const std::string weston = Which("weston");
        debug = Which("weston-debug");
        if (weston.empty() || debug.empty()) {
            GTEST_SKIP() << "weston or weston-debug is not installed";
        }
        // The compositor's socket lives in the private runtime folder the program is given;
        // --debug serves the scene graph that tells a mapped window.
        const std::string log = dir.file("weston.log");
        compositor = std::make_unique<testsupport::ChildProgram>(
            weston,
            std::vector<std::string>{"--backend=headless-backend.so", std::string("--socket=") + kSocket,
                                     "--idle-time=0", "--no-config", "--debug", "--log=" + log},
            std::map<std::string, std::string>{{"XDG_RUNTIME_DIR", env["XDG_RUNTIME_DIR"]}, {"DISPLAY", ""},
                                               {"WAYLAND_DISPLAY", ""}, {"HOME", dir.file("XDG_CONFIG_HOME")}});
        const std::string socket = env["XDG_RUNTIME_DIR"] + "/" + kSocket;
        const bool up = testsupport::WaitFor(
            [&] {
                struct stat st{};
                return stat(socket.c_str(), &st) == 0 || compositor->Wait(0);
            },
            kStartMs);
        if (!up || compositor->Wait(0)) {
            GTEST_SKIP() << "weston did not start: " << FileText(log) << compositor->Err();
        }
        env["WAYLAND_DISPLAY"] = kSocket;
        env["DISPLAY"] = "";
        env["GDK_BACKEND"] = "";  // the program chooses by itself
        env["NO_AT_BRIDGE"] = "1";
        env["HOME"] = dir.file("XDG_CONFIG_HOME");
        // An ASan build of the program passes over what the toolkit keeps, as this test program does.
        const std::string suppressions = dir.file("lsan.supp");
        const std::string list = __lsan_default_suppressions();
        testsupport::WriteAll(suppressions, std::vector<std::uint8_t>(list.begin(), list.end()));
        env["LSAN_OPTIONS"] = "suppressions=" + suppressions;
    }

    // The compositor's scene graph, as weston-debug dumps it.
    std::string SceneGraph()
    {
        testsupport::ChildProgram dump(debug, {"scene-graph"},
                                       {{"XDG_RUNTIME_DIR", env["XDG_RUNTIME_DIR"]}, {"WAYLAND_DISPLAY", kSocket}});
        if (!dump.Wait(kStartMs)) {
            dump.Kill(SIGKILL);
        }
        return dump.Out();
    }
    // The process whose top-level window, titled "... Tapvox", the desktop shell has mapped
    // onto the output; 0 until there is one.
    pid_t MappedWindowOwner()
    {
        std::istringstream graph(SceneGraph());
        pid_t owner = 0;
        for (std::string line; std::getline(graph, line);) {
            if (line.find("View ") != std::string::npos) {
                // "View 0 (role xdg_toplevel, PID 123, surface ID 7, top-level window 'take.wav Tapvox' of tapvox, ...)"
                const std::string role = "role xdg_toplevel, PID ";
                const std::size_t pid = line.find(role);
                const std::size_t title = line.find("top-level window '");
                const bool ours = pid != std::string::npos && title != std::string::npos &&
                                  line.find("Tapvox' of ", title) != std::string::npos;
                owner = ours ? static_cast<pid_t>(std::atoi(line.c_str() + pid + role.size())) : 0;
            } else if (owner != 0 && line.find("outputs: 0 ") != std::string::npos) {
                return owner;
            }
        }
        return 0;
    }

    std::string debug;
    std::unique_ptr<testsupport::ChildProgram> compositor;
};

TEST_F(WaylandProgram, ShowsItsWindowRecordsOnRemoteCommandsAndEndsOnSigterm)
{
    // Every connect of the program and its children is traced where strace is, so an X
    // connection tried anyhow (not only through DISPLAY) shows.
    const std::string strace = Which("strace");
    const std::string trace = dir.file("connect.trace");
    const std::string take = work + "/take.wav";
    if (!strace.empty()) {
        env["ASAN_OPTIONS"] = "detect_leaks=0";  // the leak checker of a sanitizer build cannot run traced
    }
    testsupport::ChildProgram& p =
        strace.empty() ? Run({take})
                       : RunProgram(strace, {"-f", "-qq", "--seccomp-bpf", "-e", "trace=connect", "-o", trace, TAPVOX_PROGRAM, take});
    ASSERT_NE(WaitForInstance(), nullptr) << p.Err();

    pid_t owner = 0;
    ASSERT_TRUE(testsupport::WaitFor([&] { return (owner = MappedWindowOwner()) != 0 || p.Wait(0); }, kStartMs))
        << "no window of the program mapped on the compositor:\n"
        << SceneGraph() << p.Err();
    ASSERT_NE(owner, 0) << p.Err();
    EXPECT_EQ(strace.empty() ? owner : Parent(owner), p.Pid()) << "the window is the program's";

    ASSERT_EQ(Remote({"record"}), 0);
    ASSERT_TRUE(WaitForData(take, 8000)) << p.Err();
    ASSERT_EQ(Remote({"stop"}), 0);
    // The remote's answer says the message was taken: the file is closed a moment later.
    ASSERT_TRUE(testsupport::WaitFor(
        [&] {
            platform::wave::WavReader reader;
            return reader.Open(take) && reader.DataBytes() > 8000;
        },
        kStartMs))
        << "the file is closed whole";

    ASSERT_EQ(kill(owner, SIGTERM), 0);
    ASSERT_TRUE(p.Wait(kStartMs)) << p.Err();
    EXPECT_EQ(p.ExitCode(), 0) << p.Err();
    EXPECT_GT(Samples(take), 8000u);

    if (!strace.empty()) {
        const std::string connects = FileText(trace);
        EXPECT_NE(connects.find(env["XDG_RUNTIME_DIR"] + "/" + kSocket), std::string::npos)
            << "the trace shows the program reaching the compositor:\n"
            << connects;
        EXPECT_EQ(connects.find(".X11-unix"), std::string::npos) << "an X connection was tried:\n" << connects;
    }
}
}
