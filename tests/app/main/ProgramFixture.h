#pragma once
// The real program started as a process, headless, with private XDG folders
// and a file-fed input, and what the tests of it look at from outside.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "platform/ipc/Ipc.h"
#include "platform/user/Headless.h"
#include "platform/wave/WavReader.h"
#include "tests/support/ChildProgram.h"
#include "tests/support/TestSupport.h"

inline constexpr int kStartMs = 20000;

// The program's private folders under dir, in env for the child, headless; this process looks for the
// program in the same runtime folder.
inline void UsePrivateFolders(const testsupport::TempDir& dir, std::map<std::string, std::string>& env)
{
    for (const char* v : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
        mkdir(dir.file(v).c_str(), 0700);
        env[v] = dir.file(v);
    }
    setenv("XDG_RUNTIME_DIR", env["XDG_RUNTIME_DIR"].c_str(), 1);
    env["DISPLAY"] = "";
    env["WAYLAND_DISPLAY"] = "";
}

class Program : public ::testing::Test {
protected:
    void SetUp() override
    {
        UsePrivateFolders(dir, env);
        WriteInput(dir.file("input.wav"), 30);
        env["TAPVOX_AUDIO"] = "file:" + dir.file("input.wav") + ";loop";
        work = dir.file("work");
        mkdir(work.c_str(), 0700);
        platform::headless::Reset();
    }
    void TearDown() override
    {
        for (auto& p : running) {
            if (p->Started() && !p->Wait(0)) {
                p->Kill(SIGKILL);
            }
        }
        platform::headless::Reset();
    }

    // 8000 Hz, 8 bits, mono: the recording format of a first start, made by sox.
    static void WriteInput(const std::string& path, int seconds)
    {
        int status = -1;
        testsupport::RunCapture("sox -n -r 8000 -b 8 -c 1 '" + path + "' synth " + std::to_string(seconds) +
                                    " square 440 2>&1",
                                &status);
        ASSERT_EQ(status, 0) << "sox makes the input";
    }

    testsupport::ChildProgram& Run(const std::vector<std::string>& args) { return RunProgram(TAPVOX_PROGRAM, args); }
    // Another program of the build, or one that starts it (setpriv ... tapvox).
    testsupport::ChildProgram& RunProgram(const std::string& program, const std::vector<std::string>& args)
    {
        running.push_back(std::make_unique<testsupport::ChildProgram>(program, args, env, work));
        EXPECT_TRUE(running.back()->Started());
        return *running.back();
    }
    static int Remote(const std::vector<std::string>& args, std::string* err = nullptr)
    {
        testsupport::ChildProgram remote(TAPVOX_REMOTE, args);
        if (!remote.Wait(kStartMs)) {
            return -1;
        }
        if (err) {
            *err = remote.Err();
        }
        return remote.ExitCode();
    }
    static HWND WaitForInstance() { return platform::ipc::WaitForWindow("Tapvox", kStartMs); }

    // Waits for the recording to grow past bytes of data.
    static bool WaitForData(const std::string& path, std::uint64_t bytes, int timeoutMs = kStartMs)
    {
        return testsupport::WaitFor(
            [&] {
                struct stat st{};
                return stat(path.c_str(), &st) == 0 && static_cast<std::uint64_t>(st.st_size) > 44 + bytes;
            },
            timeoutMs);
    }
    // The file as sox and our reader see it: its length in samples.
    static std::uint64_t Samples(const std::string& path)
    {
        platform::wave::WavReader reader;
        EXPECT_TRUE(reader.Open(path)) << path;
        if (testsupport::HaveTool("soxi")) {
            int status = -1;
            const std::string s = testsupport::RunCapture("soxi -s '" + path + "' 2>&1", &status);
            EXPECT_EQ(status, 0) << s;
            EXPECT_EQ(std::strtoull(s.c_str(), nullptr, 10), reader.DataBytes()) << "sox and our reader disagree";
        }
        if (testsupport::HaveTool("ffprobe")) {
            int status = -1;
            testsupport::RunCapture("ffprobe -v error '" + path + "' 2>&1", &status);
            EXPECT_EQ(status, 0);
        }
        return reader.DataBytes();
    }
    bool SettingsSaved() const
    {
        return !testsupport::RunCapture("find '" + dir.file("XDG_CONFIG_HOME") + "' -type f").empty();
    }

    testsupport::TempDir dir;
    std::map<std::string, std::string> env;
    std::string work;
    std::vector<std::unique_ptr<testsupport::ChildProgram>> running;
};
