// The real program recording from a file-fed input, as a process with private
// folders: its pace and wake-ups, the end of its input, and inputs it must refuse.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/wave/WavReader.h"
#include "tests/support/ChildProgram.h"
#include "tests/support/TestSupport.h"

namespace {
constexpr int kStartMs = 20000;
// 8000 Hz, 8 bits, mono: the recording format of a first start.
constexpr std::uint64_t kBytesPerSecond = 8000;

class FileInputProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* v : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
            mkdir(dir.file(v).c_str(), 0700);
            env[v] = dir.file(v);
        }
        env["DISPLAY"] = "";
        env["WAYLAND_DISPLAY"] = "";
        input = dir.file("input.wav");
        take = dir.file("take.wav");
    }

    void UseInput(int seconds, const std::string& mode)
    {
        int status = -1;
        testsupport::RunCapture("sox -n -r 8000 -b 8 -c 1 '" + input + "' synth " + std::to_string(seconds) +
                                    " square 440 2>&1",
                                &status);
        ASSERT_EQ(status, 0) << "sox makes the input";
        env["TAPVOX_AUDIO"] = "file:" + input + mode;
    }

    testsupport::ChildProgram& Record()
    {
        program = std::make_unique<testsupport::ChildProgram>(TAPVOX_PROGRAM, std::vector<std::string>{"-l", take},
                                                              env, dir.path());
        EXPECT_TRUE(program->Started());
        return *program;
    }

    std::uint64_t TakeSize() const
    {
        struct stat st{};
        return stat(take.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
    }
    bool WaitForData(std::uint64_t bytes) const
    {
        return testsupport::WaitFor([&] { return TakeSize() > 44 + bytes; }, kStartMs);
    }
    // Waits until the recording has not grown for a second and a half: its input has ended.
    bool WaitUntilStill() const
    {
        std::uint64_t size = TakeSize();
        auto changed = std::chrono::steady_clock::now();
        return testsupport::WaitFor(
            [&] {
                const auto now = std::chrono::steady_clock::now();
                if (TakeSize() != size) {
                    size = TakeSize();
                    changed = now;
                }
                return now - changed > std::chrono::milliseconds(1500);
            },
            kStartMs);
    }

    // Voluntary context switches of every thread of the program, and its processor time.
    std::uint64_t Switches() const
    {
        const std::string out = testsupport::RunCapture(
            "cat /proc/" + std::to_string(program->Pid()) + "/task/*/status 2>/dev/null | "
            "awk '/^voluntary_ctxt_switches/ { s += $2 } END { print s + 0 }'");
        return std::strtoull(out.c_str(), nullptr, 10);
    }
    double CpuSeconds() const
    {
        const std::string out = testsupport::RunCapture(
            "awk '{ print $14 + $15 }' /proc/" + std::to_string(program->Pid()) + "/stat 2>/dev/null");
        return std::strtod(out.c_str(), nullptr) / static_cast<double>(sysconf(_SC_CLK_TCK));
    }

    // SIGTERM ends the program as the session's end does, with a whole file.
    void EndsOnSigterm()
    {
        program->Kill(SIGTERM);
        ASSERT_TRUE(program->Wait(kStartMs)) << "SIGTERM did not end the program";
        EXPECT_EQ(program->ExitCode(), 0) << program->Err();
    }

    testsupport::TempDir dir;
    std::map<std::string, std::string> env;
    std::string input;
    std::string take;
    std::unique_ptr<testsupport::ChildProgram> program;
};
}

TEST_F(FileInputProgram, RecordingKeepsRealTimeAndWakesAtMostThirtyTimesASecond)
{
    UseInput(30, ";loop");
    Record();
    ASSERT_TRUE(WaitForData(kBytesPerSecond / 2)) << program->Err();
    const auto t0 = std::chrono::steady_clock::now();
    const std::uint64_t size0 = TakeSize();
    const std::uint64_t switches0 = Switches();
    std::this_thread::sleep_for(std::chrono::seconds(4));
    const std::uint64_t switches = Switches() - switches0;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double audio = static_cast<double>(TakeSize() - size0) / kBytesPerSecond;
    EXPECT_LE(static_cast<double>(switches) / seconds, 30.0) << switches << " in " << seconds << " s";
    // Buffers reach the file a fifth of a second at a time, one held back.
    EXPECT_NEAR(audio, seconds, 0.5);
    EndsOnSigterm();
}

TEST_F(FileInputProgram, OnceAnUnloopedInputHasEndedTheProgramSleeps)
{
    UseInput(2, "");
    Record();
    ASSERT_TRUE(WaitForData(kBytesPerSecond)) << program->Err();
    ASSERT_TRUE(WaitUntilStill());
    const std::uint64_t switches0 = Switches();
    std::this_thread::sleep_for(std::chrono::seconds(3));
    // What is left are the window layer's timers, a few a second.
    EXPECT_LE(Switches() - switches0, 12u);
    EndsOnSigterm();
    platform::wave::WavReader reader;
    ASSERT_TRUE(reader.Open(take));
    EXPECT_EQ(reader.DataBytes(), 2 * kBytesPerSecond) << "the whole input, once";
}

// The source is cut to its header or to nothing while it is being recorded in
// loop mode: the recording ends there, as at the end of a source played once.
TEST_F(FileInputProgram, ALoopedInputThatShrinksToNothingEndsTheRecording)
{
    for (const off_t keep : {off_t{44}, off_t{0}}) {
        SCOPED_TRACE(keep);
        UseInput(30, ";loop");
        Record();
        ASSERT_TRUE(WaitForData(kBytesPerSecond / 2)) << program->Err();
        ASSERT_EQ(truncate(input.c_str(), keep), 0);
        ASSERT_TRUE(WaitUntilStill());
        const double cpu0 = CpuSeconds();
        std::this_thread::sleep_for(std::chrono::seconds(1));
        EXPECT_LT(CpuSeconds() - cpu0, 0.3) << "the program spins";
        EndsOnSigterm();
        platform::wave::WavReader reader;
        ASSERT_TRUE(reader.Open(take));
        EXPECT_GE(reader.DataBytes(), kBytesPerSecond / 2);
        unlink(take.c_str());
    }
}

TEST_F(FileInputProgram, AFifoAsTheInputIsRefusedNamingItAndTheProgramAnswers)
{
    ASSERT_EQ(mkfifo(input.c_str(), 0600), 0);
    env["TAPVOX_AUDIO"] = "file:" + input;
    Record();
    // Started and waiting for its user: the signal is handled, the FIFO never opened for a wait.
    ASSERT_TRUE(testsupport::WaitFor([&] { return program->Err().find(input) != std::string::npos; }, kStartMs))
        << program->Err();
    EXPECT_NE(program->Err().find("not a regular file"), std::string::npos) << program->Err();
    EndsOnSigterm();
}
