// The real program recording into a loop-mounted ext4 image that is frozen for
// a while (fsfreeze): its writes block, the input keeps capturing, and the file
// is the source's exact prefix; with a smaller input ring the loss is logged and marked.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "files/WaveFile.h"
#include "platform/ipc/Ipc.h"
#include "platform/user/Headless.h"
#include "tests/app/main/ProgramFixture.h"
#include "tests/support/ChildProgram.h"
#include "tests/support/DiskFaults.h"
#include "tests/support/TestSupport.h"

namespace {
constexpr int kWaitMs = 20000;
constexpr int kRate = 8000;  // 8-bit mono: the format of a first start, one byte a sample

double Now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

class FrozenDisk : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* tool : {"sox", "mkfs.ext4", "fsfreeze", "mount"}) {
            if (!testsupport::HaveTool(tool)) {
                GTEST_SKIP() << tool << " is not installed";
            }
        }
        if (geteuid() != 0 || !testsupport::detail::PrivateMounts()) {
            GTEST_SKIP() << "mounting an image needs root";
        }
        mnt = dir.file("mnt");
        mkdir(mnt.c_str(), 0700);
        int status = -1;
        testsupport::RunCapture("truncate -s 64M '" + dir.file("disk.img") + "' && mkfs.ext4 -q -F '" +
                                    dir.file("disk.img") + "' && mount -o loop '" + dir.file("disk.img") + "' '" +
                                    mnt + "' 2>&1",
                                &status);
        if (status != 0) {
            GTEST_SKIP() << "a loop mount is not allowed here";
        }
        mounted = true;
        UsePrivateFolders(dir, env);
        // Noise: any sample lost, repeated or moved shows in a comparison.
        testsupport::RunCapture("sox -n -r 8000 -b 8 -c 1 '" + dir.file("input.wav") + "' synth 40 whitenoise 2>&1",
                                &status);
        ASSERT_EQ(status, 0);
        source = Raw(dir.file("input.wav"));
        env["TAPVOX_AUDIO"] = "file:" + dir.file("input.wav");
        platform::headless::Reset();
    }
    void TearDown() override
    {
        if (program && program->Started() && !program->Wait(0)) {
            program->Kill(SIGKILL);
            program->Wait(kWaitMs);
        }
        if (mounted) {
            testsupport::RunCapture("fsfreeze -u '" + mnt + "' 2>&1");
            testsupport::RunCapture("umount -l '" + mnt + "' 2>&1");
        }
        platform::headless::Reset();
    }

    // Records take.wav on the image, freezes it for freezeMs once a second is in the
    // file, stops two seconds after the thaw. Sets the seconds from the start, and
    // from when that first second was in the file, to the stop.
    void RecordThroughAFreeze(int freezeMs, double* ran = nullptr, double* afterFirstSecond = nullptr)
    {
        const std::string take = mnt + "/take.wav";
        const double launched = Now();
        program = std::make_unique<testsupport::ChildProgram>(TAPVOX_PROGRAM, std::vector<std::string>{"-l", take},
                                                              env, dir.path());
        EXPECT_NE(platform::ipc::WaitForWindow("Tapvox", kWaitMs), nullptr) << program->Err();
        EXPECT_TRUE(testsupport::WaitFor(
            [&] {
                struct stat st{};
                return stat(take.c_str(), &st) == 0 && st.st_size > 44 + kRate;
            },
            kWaitMs));
        const double firstSecond = Now();
        // The thaw comes from a process of its own, so no failure here can leave the image frozen.
        const std::string thawed = dir.file("thawed");
        const std::string sleep = std::to_string(freezeMs / 1000) + "." + std::to_string(freezeMs % 1000 / 100);
        std::system(("(fsfreeze -f '" + mnt + "'; sleep " + sleep + "; fsfreeze -u '" + mnt + "'; touch '" + thawed +
                     "') >/dev/null 2>&1 &")
                        .c_str());
        EXPECT_TRUE(testsupport::WaitFor([&] { return access(thawed.c_str(), F_OK) == 0; }, kWaitMs));
        testsupport::WaitFor([] { return false; }, 2000);
        const double stopped = Now();
        program->Kill(SIGTERM);
        EXPECT_TRUE(program->Wait(kWaitMs));
        EXPECT_EQ(program->ExitCode(), 0) << program->Err();
        if (ran) {
            *ran = stopped - launched;
        }
        if (afterFirstSecond) {
            *afterFirstSecond = stopped - firstSecond;
        }
    }

    std::vector<std::uint8_t> Raw(const std::string& wav)
    {
        int status = -1;
        const std::string raw = dir.file("read.raw");
        testsupport::RunCapture("sox '" + wav + "' -t raw '" + raw + "' 2>&1", &status);
        EXPECT_EQ(status, 0) << wav;
        return testsupport::ReadAll(raw);
    }
    std::string Log()
    {
        const auto bytes = testsupport::ReadAll(dir.file("XDG_DATA_HOME") + "/Tapvox/Tapvox.log");
        return std::string(bytes.begin(), bytes.end());
    }

    testsupport::TempDir dir;
    std::string mnt;
    bool mounted = false;
    std::map<std::string, std::string> env;
    std::vector<std::uint8_t> source;
    std::unique_ptr<testsupport::ChildProgram> program;
};
}

TEST_F(FrozenDisk, AWriteBlockedForSecondsLosesNothing)
{
    double ran = 0;
    double afterFirstSecond = 0;
    RecordThroughAFreeze(4000, &ran, &afterFirstSecond);
    const auto got = Raw(mnt + "/take.wav");
    ASSERT_FALSE(got.empty());
    ASSERT_LE(got.size(), source.size());
    EXPECT_TRUE(std::equal(got.begin(), got.end(), source.begin())) << "the file is the source's prefix";
    // As long as the input ran: the second already in the file, and all the time since.
    const double seconds = double(got.size()) / kRate;
    EXPECT_GE(seconds, 0.9 + afterFirstSecond) << "ran " << ran << " s";
    EXPECT_LE(seconds, ran + 0.2) << "ran " << ran << " s";
    EXPECT_EQ(Log().find("Input lost"), std::string::npos) << Log();
}

TEST_F(FrozenDisk, AFreezeLongerThanTheInputHoldsIsLoggedAndMarkedAndTheRestIsWhole)
{
    env["TAPVOX_INPUT_RING_MS"] = "1000";
    RecordThroughAFreeze(4000);
    const auto got = Raw(mnt + "/take.wav");
    const std::string log = Log();
    const std::size_t at = log.find("Input lost: ");
    ASSERT_NE(at, std::string::npos) << log;
    EXPECT_EQ(log.find("Input lost: ", at + 1), std::string::npos) << "one line for one gap: " << log;
    const double lostSeconds = std::strtod(log.c_str() + at + 12, nullptr);
    EXPECT_GT(lostSeconds, 1.5);
    EXPECT_LT(lostSeconds, 3.5);
    WaveFile file((mnt + "/take.wav").c_str(), nullptr, MMIO_READ);
    ASSERT_TRUE(file.open());
    ASSERT_EQ(file.GetMarkerCount(), 2);
    const std::size_t gap = file.GetMarkerPosition(1);
    ASSERT_LT(gap, got.size());
    // Before the marker the source's prefix; after it the source again, the lost length further on.
    EXPECT_TRUE(std::equal(got.begin(), got.begin() + static_cast<std::ptrdiff_t>(gap), source.begin()));
    const std::size_t lost = static_cast<std::size_t>(lostSeconds * kRate);
    bool whole = false;
    for (std::size_t skip = lost; skip < lost + 8 && gap + skip + (got.size() - gap) <= source.size(); ++skip) {
        whole = whole || std::equal(got.begin() + static_cast<std::ptrdiff_t>(gap), got.end(),
                                    source.begin() + static_cast<std::ptrdiff_t>(gap + skip));
    }
    EXPECT_TRUE(whole) << "what follows the gap is whole";
    EXPECT_GE(file.GetMarkerTime(1) - file.GetMarkerTime(0), 3) << "the marker has the time the audio was heard";
}
