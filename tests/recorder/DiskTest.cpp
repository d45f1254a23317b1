// A file system that fills up under a recording: the write failure stops it once
// with one message, the file keeps what was accepted, and the free space shown is
// the recording's own file system's.
#include "tests/recorder/RecorderFixture.h"

#include "files/FileNames.h"

using Disk = RecorderTest;

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

    // The timecode text found no room behind the audio: the companion file keeps the marker.
    ASSERT_TRUE(dialog->savefile(nullptr, true));
    const std::string journal = RecFile::MarkerFileNameFor(name);
    auto f = ReadWave(name);
    EXPECT_TRUE(f->GetMarkerCount() == 1 || FileExists(journal.c_str())) << journal;
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
    EXPECT_EQ(hl::Notices(), std::vector<std::string>{"Tapvox: Disk nearly full!"}) << "said once where no caption is seen";
    EXPECT_EQ(Boxes("Can't write wave data \n(mmdata)"), 0);
    const auto samples = SoxSamples(name);
    EXPECT_EQ(samples, std::vector<std::uint8_t>(fed.begin(), fed.begin() + static_cast<std::ptrdiff_t>(samples.size())));
    EXPECT_GE(samples.size(), 400000u);
}
