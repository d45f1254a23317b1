// WAV and MP3 recordings on a disk that runs out of space, and closes that fail.
#include <gtest/gtest.h>

#include <string>

#include "files/FileNames.h"
#include "files/Mp3File.h"
#include "files/WaveFile.h"
#include "tests/files/FullDiskFixture.h"
#include "tests/files/Mp3TestUtil.h"
#include "tests/files/WaveTestUtil.h"
#include "tests/support/TestSupport.h"

namespace {
class FullDisk : public FullDiskFixture {
protected:
    FullDisk() : FullDiskFixture(1700000000) {}
    void SetUp() override
    {
        FullDiskFixture::SetUp();
        if (space) {
            path = In("take.wav");
            journal = In("take.~av");
        }
    }

    std::string DispText()
    {
        const auto b = testsupport::ReadAll(path);
        const auto chunks = RiffChunks(b);
        const RawChunk* disp = FindChunk(chunks, "DISP");
        if (!disp) {
            return {};
        }
        return std::string(reinterpret_cast<const char*>(b.data()) + disp->dataOffset + 4);
    }

    std::string path;
    std::string journal;
    const WAVEFORMATEX f = Pcm(1, 8000, 16);
};

// About 15 KB of text: more than the slack of a file's last page.
void AddLongComments(RecFile& w, int count)
{
    for (int i = 0; i < count; ++i) {
        w.AddComment((std::string(140, 'a' + char(i % 26)) + std::to_string(i)).c_str(), DWORD(i) * 100, DWORD(i) * 100 + 50);
    }
}
}

TEST_P(FullDisk, AFailedCloseKeepsTheJournalAndEveryMarkerComesBack)
{
    const auto audio = Pattern(32000);
    {
        WaveFile w(path.c_str(), &f, MMIO_READWRITE);
        ASSERT_TRUE(w.open());
        w.AddMarker(0, 1700000000);
        ASSERT_EQ(w.Write(audio.data(), 16000), 16000);
        AddLongComments(w, 100);
        ASSERT_TRUE(w.update());
        // Appending writes over the old text; the marker of the second burst is journalled.
        ASSERT_EQ(w.Write(audio.data() + 16000, 16000), 16000);
        w.AddMarker(16000, 1700000009);
        space->Exhaust(FileSizeOf(path.c_str()));
        EXPECT_FALSE(w.update());
        EXPECT_FALSE(w.close());
        EXPECT_TRUE(w.IsOpen());
        EXPECT_TRUE(w.IsDirty());
    }
    EXPECT_TRUE(FileExists(journal.c_str()));
    // What is on disk is an ordinary recording of all the audio, without a text.
    const auto b = testsupport::ReadAll(path);
    EXPECT_EQ(ChunkOrder(b), "fmt ,fact,data");
    EXPECT_EQ(b.size(), 8 + std::size_t(Le32(b, 4)));
    if (testsupport::HaveTool("soxi")) {
        EXPECT_EQ(testsupport::RunCapture("soxi -s '" + path + "'"), "16000\n");
    }
    space->Relieve();
    {
        WaveFile r(path.c_str(), nullptr, MMIO_READWRITE);
        ASSERT_TRUE(r.open());
        EXPECT_EQ(r.GetDataSize(), 32000u);
        ASSERT_EQ(r.GetMarkerCount(), 2);
        EXPECT_EQ(r.GetMarkerTime(1), 1700000009);
        EXPECT_EQ(r.GetCommentCount(), 100);
        ASSERT_TRUE(r.close());
    }
    EXPECT_FALSE(FileExists(journal.c_str()));
    EXPECT_NE(DispText().find("16000 1700000009\r\n"), std::string::npos);
}

TEST_P(FullDisk, TheOldTextStaysWholeWhenTheNewOneHasNoRoom)
{
    const auto audio = Pattern(16000);
    WaveFile w(path.c_str(), &f, MMIO_READWRITE);
    ASSERT_TRUE(w.open());
    w.AddMarker(0, 1700000000);
    ASSERT_EQ(w.Write(audio.data(), 16000), 16000);
    ASSERT_TRUE(w.update());
    const std::string before = DispText();
    ASSERT_NE(before.find("SIGNATURE "), std::string::npos);
    space->Exhaust(FileSizeOf(path.c_str()));
    AddLongComments(w, 100);
    EXPECT_FALSE(w.update());
    EXPECT_EQ(DispText(), before);
    const auto b = testsupport::ReadAll(path);
    EXPECT_EQ(ChunkOrder(b), "fmt ,fact,data,DISP");
    // Room again: the next update writes the whole new text.
    space->Relieve();
    ASSERT_TRUE(w.update());
    EXPECT_NE(DispText().find("COMMENT 9900\t9950\t"), std::string::npos);
    ASSERT_TRUE(w.close());
}

TEST_P(FullDisk, ARefusedBufferLeavesNoTraceAndTheNextOneFollowsTheAudio)
{
    const auto audio = Pattern(40000);
    {
        WaveFile w(path.c_str(), &f, MMIO_READWRITE);
        ASSERT_TRUE(w.open());
        w.AddMarker(0, 1700000000);
        ASSERT_EQ(w.Write(audio.data(), 10000), 10000);
        // Room for part of the next buffer only: a short write.
        space->Exhaust(FileSizeOf(path.c_str()) + 5000);
        EXPECT_EQ(w.Write(audio.data() + 10000, 20000), -1);
        EXPECT_EQ(w.GetDataSize(), 10000u);
        EXPECT_EQ(w.GetPosition(), 10000u);
        space->Relieve();
        ASSERT_EQ(w.Write(audio.data() + 30000, 10000), 10000);
        ASSERT_TRUE(w.close());
    }
    std::vector<std::uint8_t> expected(audio.begin(), audio.begin() + 10000);
    expected.insert(expected.end(), audio.begin() + 30000, audio.end());
    WaveFile r(path.c_str(), nullptr, MMIO_READ);
    ASSERT_TRUE(r.open());
    ASSERT_EQ(r.GetDataSize(), 20000u);
    std::vector<std::uint8_t> back(20000);
    ASSERT_EQ(r.Read(back.data(), 20000), 20000);
    EXPECT_EQ(back, expected);
    EXPECT_FALSE(r.VerifySignature());
    if (testsupport::HaveTool("sox")) {
        // An independent reader gets exactly the accepted samples.
        const std::string raw = space->Folder() + "/back.raw";
        testsupport::RunCapture("sox '" + path + "' -t raw '" + raw + "'");
        EXPECT_EQ(testsupport::ReadAll(raw), expected);
    }
}

// The tag that holds the text must move the audio, and the disk has no room
// for the copy: the file stays open with its text unsaved until there is room.
TEST_P(FullDisk, AnMp3CloseThatFailedStaysOpenAndFinishesOnceThereIsRoom)
{
    const std::string mp3 = In("take.mp3");
    const std::string mp3Journal = In("take.~p3");
    const MPEGLAYER3WAVEFORMAT fmt = mp3test::Mp3WaveFormat(1, 22050, 32);
    const mp3test::Bytes audio = mp3test::Joined(mp3test::Encode(1, 22050, 32, 10));
    {
        Mp3File m(mp3.c_str(), &fmt.wfx, MMIO_READWRITE);
        ASSERT_TRUE(m.open());
        m.AddMarker(0, 1700000000);
        ASSERT_EQ(m.Write(audio.data(), static_cast<LONG>(audio.size())), static_cast<LONG>(audio.size()));
        ASSERT_TRUE(m.update());
        AddLongComments(m, 100);
        space->Exhaust(FileSizeOf(mp3.c_str()));
        CloseOnceThereIsRoom(m);
    }
    EXPECT_FALSE(FileExists(mp3Journal.c_str()));
    {
        Mp3File r(mp3.c_str(), nullptr, MMIO_READ);
        ASSERT_TRUE(r.open());
        EXPECT_EQ(r.GetDataSize(), audio.size());
        EXPECT_EQ(r.GetMarkerCount(), 1);
        EXPECT_EQ(r.GetCommentCount(), 100);
        EXPECT_FALSE(r.VerifySignature());
    }
    if (testsupport::HaveTool("mpg123")) {
        int status = 0;
        const std::string out = testsupport::RunCapture("mpg123 -t '" + mp3 + "' 2>&1", &status);
        EXPECT_EQ(status, 0) << out;
    }
}

INSTANTIATE_TEST_SUITE_P(Disks, FullDisk, ::testing::Values("tmpfs", "filesize"));

TEST(FailedClose, TheRecordingStaysOpenAndASecondCloseFinishesIt)
{
    testsupport::TempDir dir;
    const std::string path = dir.file("take.wav");
    const WAVEFORMATEX f = Pcm(1, 8000, 8);
    const auto audio = Pattern(1000);
    WaveFile w(path.c_str(), &f, MMIO_READWRITE);
    ASSERT_TRUE(w.open());
    ASSERT_EQ(w.Write(audio.data(), 1000), 1000);
    ASSERT_TRUE(w.update());
    mmioFailNextClose();
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(w.IsOpen());
    // Another writer is still kept out: the handle is really open.
    WaveFile other(path.c_str(), nullptr, MMIO_READWRITE);
    ASSERT_TRUE(other.open());
    EXPECT_TRUE(other.IsReadOnly());
    other.close();
    EXPECT_TRUE(w.close());
    EXPECT_FALSE(w.IsOpen());
}
