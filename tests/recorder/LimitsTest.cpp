// File limits: every action with its files afterwards, loop mode and its reorder,
// a file type that cannot loop, and the WAV size cap.
#include "tests/recorder/RecorderFixture.h"

#include "files/FileNames.h"
#include "files/OggVorbisFile.h"

namespace {
class Limits : public RecorderTest {
protected:
    std::vector<std::uint8_t> Join(const std::vector<std::string>& files)
    {
        std::vector<std::uint8_t> all;
        for (const auto& f : files) {
            const auto part = SoxSamples(f);
            all.insert(all.end(), part.begin(), part.end());
        }
        return all;
    }
};

constexpr DWORD kMegabyte = 1048576;
}

TEST_F(Limits, NewFileAtTheSizeLimitKeepsEverySampleInOneFileOrTheNext)
{
    TAPVOX_REQUIRE_TOOL("sox");
    FileSize = 1;
    FileAction = 3;
    Open();
    ClickRecord();
    Feed(170, true);
    EXPECT_EQ(CurrentName(), folder + "/take_2.wav");
    EXPECT_TRUE(dialog->IsRecording());
    Feed(10, true);
    FeedFrames(77, true);
    ClickStop();
    EXPECT_GE(FileSizeOf((folder + "/take_1.wav").c_str()), kMegabyte);
    EXPECT_EQ(Join({folder + "/take_1.wav", folder + "/take_2.wav"}), fed);
}

TEST_F(Limits, NewFileAtTheTimeLimit)
{
    TAPVOX_REQUIRE_TOOL("sox");
    FileLimitKind = 1;
    FileMinutes = 1;
    FileAction = 3;
    Open();
    ClickRecord();
    Feed(5 * 60 + 3, true);
    EXPECT_EQ(CurrentName(), folder + "/take_2.wav");
    ClickStop();
    EXPECT_EQ(Join({folder + "/take_1.wav", folder + "/take_2.wav"}), fed);
    EXPECT_EQ(SoxSamples(folder + "/take_1.wav").size() / 32000, 60u);
}

TEST_F(Limits, StopAtTheLimitLeavesTheRecordingWhole)
{
    TAPVOX_REQUIRE_TOOL("sox");
    FileSize = 1;
    FileAction = 2;
    Open();
    ClickRecord();
    Feed(180, true);
    EXPECT_FALSE(dialog->IsRecording());
    EXPECT_FALSE(script::InputOpen());
    EXPECT_EQ(SoxSamples(CurrentName()), fed);
    EXPECT_GE(fed.size(), kMegabyte);
    EXPECT_LT(fed.size(), kMegabyte + 3 * BufferBytes());
}

TEST_F(Limits, NoLimitMeansAppendingAtRecordEvenInLoopMode)
{
    TAPVOX_REQUIRE_TOOL("sox");
    FileAction = 1;
    FileSize = 0;
    Open();
    ClickRecord();
    Feed(6, true);
    ClickStop();
    ClickRecord();
    EXPECT_FALSE(dialog->GetCurrentFile()->GetOverwrite());
    Feed(3, true);
    ClickStop();
    EXPECT_EQ(SoxSamples(CurrentName()), fed);
}

TEST_F(Limits, LoopModeKeepsTheLastPassInTimeOrderWithItsMarksAndComments)
{
    TAPVOX_REQUIRE_TOOL("sox");
    FileSize = 1;
    FileAction = 1;
    Open();
    ClickRecord();
    Feed(170, true);
    ASSERT_TRUE(dialog->GetCurrentFile()->GetOverwrite());
    ASSERT_NE(dialog->GetHistoryFile(), nullptr);
    Feed(150, true);
    auto* rf = dynamic_cast<RecFile*>(dialog->GetCurrentFile());
    ASSERT_NE(rf, nullptr);
    // A comment running without an end, made during the last pass.
    const DWORD noted = dialog->GetCurrentFile()->GetPosition();
    rf->AddComment("still talking", noted, 0);
    Feed(40, true);
    FeedFrames(123, true);
    const std::string name = CurrentName();
    ClickStop();
    EXPECT_FALSE(dialog->GetCurrentFile()->GetOverwrite());
    EXPECT_EQ(dialog->GetHistoryFile(), nullptr);
    EXPECT_EQ(CurrentName(), name);

    // The file holds the most recent audio, oldest first.
    const auto samples = SoxSamples(name);
    ASSERT_LE(samples.size(), fed.size());
    EXPECT_EQ(samples, std::vector<std::uint8_t>(fed.end() - static_cast<std::ptrdiff_t>(samples.size()), fed.end()));
    EXPECT_GE(samples.size(), kMegabyte);

    auto f = ReadWave(name);
    ASSERT_GE(f->GetMarkerCount(), 2);
    for (int i = 1; i < f->GetMarkerCount(); ++i) {
        EXPECT_GT(f->GetMarkerPosition(i), f->GetMarkerPosition(i - 1));
        EXPECT_GE(f->GetMarkerTime(i), f->GetMarkerTime(i - 1));
    }
    // The time at the start is the time of the oldest audio kept.
    const std::uint64_t framesBefore = (fed.size() - samples.size()) / 4;
    EXPECT_NEAR(static_cast<double>(f->TimeAtPosition(0)), static_cast<double>(kStartTime + framesBefore / 8000), 2.0);
    // The comment ran on when the last pass began: its part in the older audio ends where that
    // audio ends, and it goes on, still open, from the start of the newer audio.
    ASSERT_EQ(f->GetCommentCount(), 2);
    const DWORD older = f->GetCommentStart(1);
    const DWORD wp = static_cast<DWORD>(samples.size()) - older;
    EXPECT_STREQ(f->GetCommentTextAt(0), "still talking");
    EXPECT_EQ(f->GetCommentStart(0), noted - wp);
    EXPECT_EQ(f->GetCommentEndAt(0), older);
    EXPECT_STREQ(f->GetCommentTextAt(1), "still talking");
    const DWORD end = f->GetCommentEndAt(1);
    EXPECT_TRUE(end == 0 || end == DWORD(-1)) << end;
}

TEST_F(Limits, AFileThatCannotBeOverwrittenStopsAtTheLimitInsteadOfLooping)
{
    TAPVOX_REQUIRE_TOOL("ogginfo");
    DefaultAudioFormat = 3;
    FileLimitKind = 1;
    FileMinutes = 1;
    FileAction = 1;
    Open();
    ClickRecord();
    Feed(5 * 60 + 5, true);
    EXPECT_FALSE(dialog->IsRecording());
    const std::string name = CurrentName();
    ASSERT_TRUE(dialog->savefile(nullptr, true));
    OggVorbisFile f(name.c_str(), nullptr, VorQ, MMIO_READ);
    ASSERT_TRUE(f.open());
    EXPECT_EQ(f.GetLength(), fed.size() / 4);
    int status = -1;
    testsupport::RunCapture("ogginfo '" + name + "' >/dev/null 2>&1", &status);
    EXPECT_EQ(status, 0);
    const std::string log = Log();
    const std::string line = "cannot be overwritten";
    ASSERT_NE(log.find(line), std::string::npos);
    EXPECT_EQ(log.find(line), log.rfind(line));
}

TEST_F(Limits, AWavRecordingAtTheLargestSizeGoesOnInANewFile)
{
    TAPVOX_REQUIRE_TOOL("sox");
    Open();
    // An existing recording just short of the size a WAV file can hold (sparse: it takes no room).
    const std::string big = folder + "/big.wav";
    const DWORD data = (0xFFFFFFFFu - 2 * kMegabyte - 3 * 6400) & ~3u;
    MakeSparseWave(big, data);
    ASSERT_TRUE(dialog->openfile(big.c_str(), -1));
    ClickRecord();
    ASSERT_TRUE(dialog->IsRecording());
    Feed(8, true);
    EXPECT_EQ(CurrentName(), folder + "/take_1.wav");
    EXPECT_TRUE(dialog->IsRecording());
    ClickStop();
    EXPECT_NE(Log().find("largest size of a WAV file"), std::string::npos);

    // What went into the big file, then the new one, is the whole take.
    WaveFile old(big.c_str(), nullptr, MMIO_READ);
    ASSERT_TRUE(old.open());
    const DWORD appended = old.GetDataSize() - (data);
    ASSERT_GT(appended, 0u);
    std::vector<std::uint8_t> tail(appended);
    ASSERT_TRUE(old.position(data));
    ASSERT_EQ(old.Read(tail.data(), static_cast<LONG>(appended)), static_cast<LONG>(appended));
    const auto rest = SoxSamples(folder + "/take_1.wav");
    tail.insert(tail.end(), rest.begin(), rest.end());
    EXPECT_EQ(tail, fed);
}

TEST_F(Limits, RecordOnAFileAlreadyAtItsLoopLimitOverwritesFromTheStart)
{
    TAPVOX_REQUIRE_TOOL("sox");
    FileSize = 1;
    FileAction = 0;
    Open();
    ClickRecord();
    Feed(170, true);
    // No action at the limit: the take goes on past it in its one file.
    EXPECT_TRUE(dialog->IsRecording());
    EXPECT_GT(dialog->GetCurrentFile()->GetDataSize(), kMegabyte);
    ClickStop();
    EXPECT_EQ(WavesIn(folder), std::vector<std::string>{"take_1.wav"});
    const auto first = fed;
    FileAction = 1;
    ClickRecord();
    EXPECT_TRUE(dialog->GetCurrentFile()->GetOverwrite());
    Feed(10, true);
    ClickStop();
    // The new audio lies at the end after the reorder, the oldest of the first take before it.
    const auto samples = SoxSamples(CurrentName());
    ASSERT_EQ(samples.size(), first.size());
    EXPECT_EQ(samples, std::vector<std::uint8_t>(fed.end() - static_cast<std::ptrdiff_t>(samples.size()), fed.end()));
}
