// A file system that fills up under a recording: the write failure stops it once
// with one message, the file keeps what was accepted, and the free space shown is
// the recording's own file system's.
#include "tests/recorder/RecorderFixture.h"

#include <csignal>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>

namespace {
class Disk : public RecorderTest {
protected:
    void TearDown() override
    {
        // Each ctest case is a process of its own; a direct run goes on without the limit.
        rlimit unlimited{RLIM_INFINITY, RLIM_INFINITY};
        setrlimit(RLIMIT_FSIZE, &unlimited);
        RecorderTest::TearDown();
    }
    // Files of this process can grow to bytes and no further (EFBIG instead of a signal).
    static void LimitFileSize(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = bytes;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    }
    // A private mount namespace with a small file system at path; false where the machine allows none.
    static bool SmallFileSystem(const std::string& path, const char* size)
    {
        if (unshare(CLONE_NEWNS) != 0 && unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
            return false;
        }
        if (mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
            return false;
        }
        mkdir(path.c_str(), 0700);
        const std::string options = std::string("size=") + size;
        return mount("tapvox", path.c_str(), "tmpfs", 0, options.c_str()) == 0;
    }
    int Boxes(const std::string& text) const
    {
        int n = 0;
        for (const auto& b : hl::MessageBoxes()) {
            n += b.text == text ? 1 : 0;
        }
        return n;
    }
};
}

TEST_F(Disk, AFailedWriteStopsTheRecordingOnceAndTheFileKeepsWhatWasAccepted)
{
    TAPVOX_REQUIRE_TOOL("sox");
    Open();
    ClickRecord();
    ASSERT_TRUE(dialog->IsRecording());
    const std::string name = CurrentName();
    Feed(4, true);
    // Room for a few more buffers in any file.
    LimitFileSize(44 + 7 * BufferBytes() + 100);
    Feed(12, true);
    EXPECT_FALSE(dialog->IsRecording());
    EXPECT_FALSE(script::InputOpen());
    EXPECT_EQ(Boxes("Can't write wave data \n(mmdata)"), 1);
    Feed(5, true);
    EXPECT_EQ(Boxes("Can't write wave data \n(mmdata)"), 1);

    // Whole buffers were accepted up to the failure, in order, and they are all readable.
    const auto samples = SoxSamples(name);
    ASSERT_GE(samples.size(), 6 * BufferBytes());
    EXPECT_EQ(samples.size() % BufferBytes(), 0u);
    EXPECT_EQ(samples, std::vector<std::uint8_t>(fed.begin(), fed.begin() + static_cast<std::ptrdiff_t>(samples.size())));
}

TEST_F(Disk, TheFreeSpaceIsThatOfTheRecordingsFileSystemAndAlmostFullStops)
{
    TAPVOX_REQUIRE_TOOL("sox");
    const std::string small = dir.file("small");
    if (!SmallFileSystem(small, "640k")) {
        GTEST_SKIP() << "no private mount namespace here";
    }
    Open();
    // The default folder lies on the big file system; the recording is opened on the small one.
    const std::string name = small + "/talk.wav";
    ASSERT_TRUE(dialog->openfile(name.c_str(), 0));
    const std::string shown = hl::Text(GetDlgItem(dialog->GetHandle(), 155));
    EXPECT_EQ(shown, "1MB free on " + small + "/") << shown;
    ClickRecord();
    ASSERT_TRUE(dialog->IsRecording());
    Feed(150, true);
    EXPECT_FALSE(dialog->IsRecording());
    EXPECT_EQ(frame->GetWindowText(), "Disk nearly full!");
    EXPECT_EQ(Boxes("Can't write wave data \n(mmdata)"), 0);
    const auto samples = SoxSamples(name);
    EXPECT_EQ(samples, std::vector<std::uint8_t>(fed.begin(), fed.begin() + static_cast<std::ptrdiff_t>(samples.size())));
    EXPECT_GE(samples.size(), 400000u);
}
