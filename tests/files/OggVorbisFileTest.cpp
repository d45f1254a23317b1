// Ogg Vorbis recordings: signatures, appends joined without end padding, and killed or full-disk sessions.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <csignal>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "files/FileNames.h"
#include "files/OggPacketRecord.h"
#include "files/OggPage.h"
#include "files/OggVorbisFile.h"
#include "platform/core/Bytes.h"
#include "platform/kernel/Clock.h"
#include "tests/files/ChildProcess.h"
#include "tests/files/FullDiskFixture.h"
#include "tests/files/OggTestUtil.h"
#include "tests/support/TestSupport.h"

namespace {
WAVEFORMATEX StereoCd()
{
    return WAVEFORMATEX{WAVE_FORMAT_OGG_VORBIS, 2, 44100, 176400, 4, 16, 0};
}

// The test signal: 440 Hz on the left (or only) channel, 550 Hz on the right.
double Sine(std::int64_t frame, int channel, int rate)
{
    return 8000 * std::sin(2 * M_PI * (440 + 110 * channel) * static_cast<double>(frame) / rate);
}

// One engine buffer (a fifth of a second) of the test signal.
std::vector<short> Buffer(int index, int rate = 44100, int channels = 2)
{
    const int frames = rate / 5;
    std::vector<short> pcm(static_cast<std::size_t>(frames * channels));
    for (int i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            pcm[static_cast<std::size_t>(i * channels + c)] =
                static_cast<short>(Sine(std::int64_t(index) * frames + i, c, rate));
        }
    }
    return pcm;
}

void Record(OggVorbisFile& f, int buffers, int first = 0)
{
    const int rate = static_cast<int>(f.GetFormat()->nSamplesPerSec);
    const int channels = f.GetFormat()->nChannels;
    for (int i = 0; i < buffers; ++i) {
        const std::vector<short> pcm = Buffer(first + i, rate, channels);
        ASSERT_EQ(f.WriteSamples(pcm.data(), static_cast<LONG>(pcm.size() * 2)),
                  static_cast<LONG>(pcm.size()) / channels);
    }
}

// A closed stereo recording of `buffers` engine buffers, with a marker at its
// start when a time is given.
void RecordFile(const std::string& path, int buffers, __time64_t markerTime = 0)
{
    const WAVEFORMATEX fmt = StereoCd();
    OggVorbisFile f(path.c_str(), &fmt, 4, MMIO_READWRITE);
    ASSERT_TRUE(f.open());
    if (markerTime != 0) {
        f.AddMarker(0, markerTime, true);
    }
    Record(f, buffers);
    ASSERT_TRUE(f.close());
}

// Runs `work` on the file in a child that is then killed, as a crash stops
// the recorder.
template <typename Work>
void KilledAfter(const std::string& path, const WAVEFORMATEX* fmt, Work work)
{
    childtest::RunAndKill([&] {
        // Never destroyed: the kill is what ends it.
        auto* f = new OggVorbisFile(path.c_str(), fmt, 4, MMIO_READWRITE);
        if (!f->open()) {
            _exit(2);
        }
        work(*f);
    });
}

// The largest difference between the decoded file and the test signal, past
// the encoder's start-up blocks; *frames gets how many frames were decoded.
double DecodedError(const std::string& path, std::int64_t* frames)
{
    OggVorbisFile g(path.c_str(), nullptr, 4, MMIO_READ);
    EXPECT_TRUE(g.open());
    const int channels = g.GetFormat()->nChannels;
    const int rate = static_cast<int>(g.GetFormat()->nSamplesPerSec);
    std::vector<short> pcm(16384);
    double worst = 0;
    std::int64_t at = 0;
    LONG n;
    while ((n = g.ReadSamples(pcm.data(), static_cast<LONG>(pcm.size() * 2))) > 0) {
        for (LONG i = 0; i < n / 2 / channels; ++i, ++at) {
            for (int c = 0; at >= 4096 && c < channels; ++c) {
                worst = std::max(worst, std::fabs(pcm[static_cast<std::size_t>(i * channels + c)] - Sine(at, c, rate)));
            }
        }
    }
    *frames = at;
    return worst;
}

class OggVorbisFileTest : public ::testing::Test {
protected:
    void SetUp() override { platform::UseManualClock(1800000000); }
    void TearDown() override { platform::UseSystemClock(); }
    testsupport::TempDir dir;
};

class OggFullDisk : public FullDiskFixture {
protected:
    OggFullDisk() : FullDiskFixture(1800000000) {}
};
}

TEST_F(OggVorbisFileTest, NewDefaultFileIsMono8kWithFooComment)
{
    TAPVOX_REQUIRE_TOOL("vorbiscomment");
    const std::string path = dir.file("default.ogg");
    {
        OggVorbisFile f(path.c_str(), nullptr, 4, MMIO_READWRITE);
        ASSERT_TRUE(f.open());
        EXPECT_EQ(f.GetFormat()->nChannels, 1);
        EXPECT_EQ(f.GetFormat()->nSamplesPerSec, 8000u);
        EXPECT_EQ(f.GetPcmFormat()->nBlockAlign, 2);
        EXPECT_EQ(f.GetFileType(), 3);
        EXPECT_FALSE(f.CanOverwrite());
        f.close();
    }
    EXPECT_NE(ToolOutput("vorbiscomment -l '" + path + "'").find("FOO=bar"), std::string::npos);
}

TEST_F(OggVorbisFileTest, SignatureCoversThePacketStream)
{
    const std::string path = dir.file("signed.ogg");
    const WAVEFORMATEX fmt = StereoCd();
    {
        OggVorbisFile f(path.c_str(), &fmt, 2, MMIO_READWRITE);
        ASSERT_TRUE(f.open());
        EXPECT_TRUE(f.IsSigning());
        f.AddMarker(0, 1800000000, true);
        Record(f, 6);
        f.update();  // a save in the middle: the final one must still cover everything
        Record(f, 3, 6);
        f.close();
    }
    {
        OggVorbisFile g(path.c_str(), nullptr, 2, MMIO_READ);
        ASSERT_TRUE(g.open());
        EXPECT_FALSE(g.VerifySignature());
        // The pointer field of every record Read returns is 0.
        std::vector<BYTE> buf(70000);
        ASSERT_TRUE(g.position(0));
        LONG n;
        int packets = 0;
        while ((n = g.Read(buf.data(), static_cast<LONG>(buf.size()))) > 0) {
            EXPECT_EQ(buf[0] | buf[1] | buf[2] | buf[3], 0);
            EXPECT_EQ(LoadOggPacketRecord(buf.data()).bytes + kOggPacketRecordSize, n);
            ++packets;
        }
        EXPECT_GT(packets, 20);
        EXPECT_EQ(g.Read(buf.data(), 31), -1);
    }
    // Change one byte inside a late audio page (and fix the page checksum so the
    // page still reads): the signature no longer matches.
    std::vector<std::uint8_t> bytes = testsupport::ReadAll(path);
    for (const RawOggPage& page : OggPages(bytes)) {
        if (page.offset + page.size > bytes.size() * 2 / 3) {
            bytes[page.offset + page.size - page.bodySize + page.bodySize / 2] ^= 0x01;
            const auto from = bytes.begin() + static_cast<long>(page.offset);
            std::vector<BYTE> p(from, from + static_cast<long>(page.size));
            platform::StoreLe32(&bytes[page.offset + 22], OggPageChecksum(p.data(), p.size()));
            break;
        }
    }
    const std::string tampered = dir.file("tampered.ogg");
    testsupport::WriteAll(tampered, bytes);
    OggVorbisFile t(tampered.c_str(), nullptr, 2, MMIO_READ);
    ASSERT_TRUE(t.open());
    EXPECT_TRUE(t.VerifySignature());
}

TEST_F(OggVorbisFileTest, ThreeAppendsMakeOneContinuousStream)
{
    TAPVOX_REQUIRE_TOOL("ogginfo");
    const std::string path = dir.file("appended.ogg");
    const WAVEFORMATEX fmt = StereoCd();
    for (int round = 0; round < 4; ++round) {
        OggVorbisFile f(path.c_str(), &fmt, round == 0 ? 4 : 3, MMIO_READWRITE);
        ASSERT_TRUE(f.open()) << round;
        ASSERT_FALSE(f.IsReadOnly());
        EXPECT_EQ(f.GetLength(), static_cast<DWORD>(round * 5 * 8820)) << round;
        EXPECT_EQ(f.GetMarkerCount(), round) << round;
        f.AddMarker(f.GetLength(), 1800000000 + 100 * round, true);
        f.AddComment(("take " + std::to_string(round)).c_str(), f.GetLength(), 0, true);
        Record(f, 5, round * 5);
        EXPECT_EQ(f.GetLength(), static_cast<DWORD>((round + 1) * 5 * 8820));
        EXPECT_TRUE(f.close());

        int status = 0;
        const std::string info = ToolOutput("ogginfo '" + path + "'", &status);
        EXPECT_EQ(status, 0) << info;
        EXPECT_EQ(info.find("New logical stream (#2"), std::string::npos) << info;
        EXPECT_NE(ToolOutput("vorbiscomment -l '" + path + "'").find("FENNWICKE TIMECODE=SAMPLE"), std::string::npos);
    }
    const std::string info = ToolOutput("ogginfo '" + path + "'");
    EXPECT_NE(info.find("Playback length: 0m:04.000s"), std::string::npos) << info;
    ExpectWholeOggStream(path, 4 * 5 * 8820);

    OggVorbisFile g(path.c_str(), nullptr, 4, MMIO_READ);
    ASSERT_TRUE(g.open());
    ASSERT_EQ(g.GetMarkerCount(), 4);
    ASSERT_EQ(g.GetCommentCount(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(g.GetMarkerPosition(i), static_cast<DWORD>(i * 44100));
        EXPECT_EQ(g.GetMarkerTime(i), 1800000000 + 100 * i);
        EXPECT_EQ(std::string(g.GetCommentTextAt(i)), "take " + std::to_string(i));
    }
}

// Each session's encoder pads the end of its last block; an append must not
// leave that padding in the stream, where decoders would play it.
TEST_F(OggVorbisFileTest, AppendsJoinWithoutTheEndPadding)
{
    struct Case {
        WAVEFORMATEX format;
        int quality;
    };
    const Case cases[] = {{StereoCd(), 4},
                          {WAVEFORMATEX{WAVE_FORMAT_OGG_VORBIS, 1, 8000, 16000, 2, 16, 0}, 3},
                          {WAVEFORMATEX{WAVE_FORMAT_OGG_VORBIS, 2, 22050, 12000, 4, 16, 0}, -5}};
    for (const Case& c : cases) {
        const std::string path = dir.file("join" + std::to_string(c.format.nSamplesPerSec) + ".ogg");
        SCOPED_TRACE(path);
        const int perBuffer = static_cast<int>(c.format.nSamplesPerSec / 5);
        // Sessions of odd lengths, so the old ends fall anywhere in a block.
        const int buffers[] = {7, 3, 1, 6};
        int written = 0;
        for (int b : buffers) {
            OggVorbisFile f(path.c_str(), &c.format, c.quality, MMIO_READWRITE);
            ASSERT_TRUE(f.open());
            EXPECT_EQ(f.GetLength(), static_cast<DWORD>(written * perBuffer));
            Record(f, b, written);
            written += b;
            EXPECT_EQ(f.GetLength(), static_cast<DWORD>(written * perBuffer));
            ASSERT_TRUE(f.close());
        }
        ExpectWholeOggStream(path, std::int64_t(written) * perBuffer);
        // A junction that kept padding or lost samples would shift the
        // signal after it by a fraction of a block.
        std::int64_t frames = 0;
        EXPECT_LT(DecodedError(path, &frames), 2000.0);
        EXPECT_EQ(frames, std::int64_t(written) * perBuffer);
    }
}

// Files of other encoders: a stream whose pages hold many packets and end
// in other places must join as exactly, and keep its comments.
TEST_F(OggVorbisFileTest, AppendToAnOggencFileJoinsExactly)
{
    TAPVOX_REQUIRE_TOOL("sox");
    TAPVOX_REQUIRE_TOOL("oggenc");
    const std::string wav = dir.file("source.wav");
    const std::string path = dir.file("oggenc.ogg");
    int status = 0;
    // The test signal of Sine(): amplitude 8000 of full scale 32767.
    ToolOutput("sox -n -r 44100 -c 2 -b 16 '" + wav + "' synth 4.1 sine 440 sine 550 vol 0.244148", &status);
    ASSERT_EQ(status, 0);
    ToolOutput("oggenc -Q -c ARTIST=Someone -t 'A title' -o '" + path + "' '" + wav + "'", &status);
    ASSERT_EQ(status, 0);
    const std::int64_t old = 41 * 4410;
    {
        OggVorbisFile f(path.c_str(), nullptr, 3, MMIO_READWRITE);
        ASSERT_TRUE(f.open());
        ASSERT_EQ(f.GetLength(), static_cast<DWORD>(old));
        // Buffers of the signal from 4.1 s on.
        const int rate = 44100;
        for (int i = 0; i < 15; ++i) {
            std::vector<short> pcm(2 * 8820);
            for (int k = 0; k < 8820; ++k) {
                for (int ch = 0; ch < 2; ++ch) {
                    pcm[static_cast<std::size_t>(2 * k + ch)] =
                        static_cast<short>(Sine(old + std::int64_t(i) * 8820 + k, ch, rate));
                }
            }
            ASSERT_EQ(f.WriteSamples(pcm.data(), static_cast<LONG>(pcm.size() * 2)), 8820);
        }
        ASSERT_TRUE(f.close());
    }
    ExpectWholeOggStream(path, old + 15 * 8820);
    std::int64_t frames = 0;
    EXPECT_LT(DecodedError(path, &frames), 2000.0);
    EXPECT_EQ(frames, old + 15 * 8820);
    const std::string listed = ToolOutput("vorbiscomment -l '" + path + "'");
    EXPECT_NE(listed.find("ARTIST=Someone"), std::string::npos) << listed;
    EXPECT_NE(listed.find("TITLE=A title"), std::string::npos) << listed;
}

// Positions count samples: "within a second of a marker" is a second of
// samples, not of the stream's bytes.
TEST_F(OggVorbisFileTest, StepsBackToThePreviousSegmentWithinASecondOfSamples)
{
    const WAVEFORMATEX fmt = StereoCd();
    OggVorbisFile f(dir.file("segments.ogg").c_str(), &fmt, 4, MMIO_READWRITE);
    ASSERT_TRUE(f.open());
    Record(f, 25);
    ASSERT_EQ(f.GetLength(), 25u * 8820);
    ASSERT_LT(f.GetFormat()->nAvgBytesPerSec, 44100u / 2);
    f.AddMarker(44100, 1800000001, true);
    f.AddMarker(2 * 44100, 1800000002, true);
    EXPECT_EQ(f.PositionsPerSecond(), 44100u);
    // 0.7 s and 0.99 s past the second marker: back to the first one.
    EXPECT_EQ(f.GetPrevMarkerPosition(2 * 44100 + 30870), 44100u);
    EXPECT_EQ(f.GetPrevMarkerPosition(3 * 44100 - 1), 44100u);
    // More than a second past it: back to that marker.
    EXPECT_EQ(f.GetPrevMarkerPosition(3 * 44100 + 1), 2u * 44100);
    EXPECT_EQ(f.GetPrevMarkerPosition(44100 + 30870), 0u);
    ASSERT_TRUE(f.close());
}

TEST_F(OggVorbisFileTest, PacketCopyThroughReadAndWrite)
{
    TAPVOX_REQUIRE_TOOL("ogginfo");
    const std::string src = dir.file("src.ogg");
    const std::string dst = dir.file("dst.ogg");
    const WAVEFORMATEX fmt = StereoCd();
    {
        OggVorbisFile f(src.c_str(), &fmt, 4, MMIO_READWRITE);
        ASSERT_TRUE(f.open());
        Record(f, 10);
        f.close();
    }
    OggVorbisFile in(src.c_str(), nullptr, 4, MMIO_READ);
    ASSERT_TRUE(in.open());
    OggVorbisFile out(dst.c_str(), in.GetFormat(), 4, MMIO_READWRITE);
    ASSERT_TRUE(out.open());
    EXPECT_EQ(out.Write(nullptr, 0), 0);
    EXPECT_EQ(out.Write("short", 5), -1);
    std::vector<BYTE> buf(70000);
    LONG n;
    while ((n = in.Read(buf.data(), static_cast<LONG>(buf.size()))) > 0) {
        ASSERT_EQ(out.Write(buf.data(), n), n);
    }
    EXPECT_GT(out.GetLength(), 0u);
    out.close();
    int status = 0;
    const std::string info = ToolOutput("ogginfo '" + dst + "'", &status);
    EXPECT_EQ(status, 0) << info;
}

TEST_F(OggVorbisFileTest, KilledRecorderLeavesPagesAndJournal)
{
    TAPVOX_REQUIRE_TOOL("oggdec");
    const std::string path = dir.file("crash.ogg");
    const WAVEFORMATEX fmt = StereoCd();
    ASSERT_NO_FATAL_FAILURE(KilledAfter(path, &fmt, [](OggVorbisFile& f) {
        f.AddMarker(0, 1800000000, true);
        Record(f, 10);
        f.AddMarker(f.GetLength(), 1800000500, true);
        Record(f, 10, 10);
        f.update();  // the journal holds both markers now
        Record(f, 10, 20);
    }));
    int status = 0;
    ASSERT_TRUE(testsupport::ReadAll(dir.file("crash.~gg")).size() > 4);

    // Whatever pages reached the disk decode.
    ToolOutput("oggdec -Q -o '" + dir.file("crash.wav") + "' '" + path + "'", &status);
    EXPECT_EQ(status, 0);
    DWORD length = 0;
    {
        OggVorbisFile g(path.c_str(), nullptr, 4, MMIO_READWRITE);
        ASSERT_TRUE(g.open());
        length = g.GetLength();
        EXPECT_GT(length, 20u * 8820 - 4096);
        ASSERT_EQ(g.GetMarkerCount(), 2);
        EXPECT_EQ(g.GetMarkerTime(1), 1800000500);
        // Recording goes on after the crash, past the cut-off page.
        Record(g, 5, 30);
        EXPECT_TRUE(g.close());
    }
    ExpectWholeOggStream(path, length + 5 * 8820);
    EXPECT_NE(access(dir.file("crash.~gg").c_str(), F_OK), 0);
}

// Killed before anything but pages reached the disk: the stream has no end
// and the file no timecode text. Reopening it for writing and closing it
// gives it both; a read-only open changes nothing.
TEST_F(OggVorbisFileTest, KilledBeforeTheFirstUpdateGetsItsEndBack)
{
    const std::string path = dir.file("early.ogg");
    const WAVEFORMATEX fmt = StereoCd();
    ASSERT_NO_FATAL_FAILURE(KilledAfter(path, &fmt, [](OggVorbisFile& f) { Record(f, 15); }));
    const std::vector<std::uint8_t> killed = testsupport::ReadAll(path);
    ASSERT_FALSE(OggPages(killed).empty());
    EXPECT_EQ(OggPages(killed).back().flags & 4, 0);
    {
        OggVorbisFile r(path.c_str(), nullptr, 4, MMIO_READ);
        ASSERT_TRUE(r.open());
        EXPECT_TRUE(r.close());
    }
    EXPECT_EQ(testsupport::ReadAll(path), killed);

    DWORD length = 0;
    {
        OggVorbisFile g(path.c_str(), nullptr, 4, MMIO_READWRITE);
        ASSERT_TRUE(g.open());
        length = g.GetLength();
        EXPECT_GT(length, 10u * 8820);
        EXPECT_TRUE(g.close());
    }
    ExpectWholeOggStream(path, length);
    if (testsupport::HaveTool("vorbiscomment")) {
        const std::string listed = ToolOutput("vorbiscomment -l '" + path + "'");
        EXPECT_NE(listed.find("FENNWICKE TIMECODE=SAMPLE TIMECODE"), std::string::npos) << listed;
        EXPECT_NE(listed.find("FOO=bar"), std::string::npos) << listed;
    }
    // Once repaired, the file opens as a finished one and stays as it is.
    const std::vector<std::uint8_t> repaired = testsupport::ReadAll(path);
    {
        OggVorbisFile g(path.c_str(), nullptr, 4, MMIO_READWRITE);
        ASSERT_TRUE(g.open());
        EXPECT_TRUE(g.close());
    }
    EXPECT_EQ(testsupport::ReadAll(path), repaired);
}

// Killed while appending, after the new pages replaced the old stream end:
// the markers of both sessions come back, and the stream gets its end.
TEST_F(OggVorbisFileTest, KilledWhileAppendingKeepsBothSessions)
{
    const std::string path = dir.file("again.ogg");
    RecordFile(path, 10, 1800000000);
    ASSERT_NO_FATAL_FAILURE(KilledAfter(path, nullptr, [](OggVorbisFile& f) {
        f.AddMarker(f.GetLength(), 1800000900, true);
        Record(f, 10, 10);
        f.update();
        Record(f, 10, 20);
    }));
    DWORD length = 0;
    {
        OggVorbisFile g(path.c_str(), nullptr, 4, MMIO_READWRITE);
        ASSERT_TRUE(g.open());
        length = g.GetLength();
        EXPECT_GT(length, 20u * 8820);
        ASSERT_EQ(g.GetMarkerCount(), 2);
        EXPECT_EQ(g.GetMarkerTime(0), 1800000000);
        EXPECT_EQ(g.GetMarkerPosition(1), 10u * 8820);
        EXPECT_EQ(g.GetMarkerTime(1), 1800000900);
        EXPECT_TRUE(g.close());
    }
    ExpectWholeOggStream(path, length);
    std::int64_t frames = 0;
    EXPECT_LT(DecodedError(path, &frames), 2000.0);
}

// A full disk during an append: the refused pages never damage the stream
// or its old end, the comment rewrite keeps the old text, close reports the
// failure, and the companion file keeps the markers.
TEST_F(OggVorbisFileTest, RefusedWritesLeaveTheFileWholeAndKeepTheJournal)
{
    const std::string path = dir.file("full.ogg");
    RecordFile(path, 10, 1800000000);
    const std::vector<std::uint8_t> before = testsupport::ReadAll(path);
    const int result = childtest::RunWithFileLimit(before.size(), [&] {
        OggVorbisFile f(path.c_str(), nullptr, 4, MMIO_READWRITE);
        if (!f.open()) {
            return 2;
        }
        f.AddMarker(f.GetLength(), 1800000777, true);
        // A text that makes the rewritten file larger than the old one.
        f.SetInfo("title", std::string(300, 't').c_str());
        bool refused = false;
        for (int i = 0; i < 15; ++i) {
            const std::vector<short> pcm = Buffer(10 + i);
            refused = f.WriteSamples(pcm.data(), static_cast<LONG>(pcm.size() * 2)) < 0 || refused;
        }
        if (!refused) {
            return 3;
        }
        return f.close() ? 4 : 0;
    });
    ASSERT_EQ(result, 0);
    EXPECT_EQ(testsupport::ReadAll(path), before);
    ExpectWholeOggStream(path, 10 * 8820);
    const std::vector<std::uint8_t> journal = testsupport::ReadAll(dir.file("full.~gg"));
    const std::string text(journal.begin(), journal.end());
    EXPECT_NE(text.find("1800000777"), std::string::npos);
    EXPECT_NE(text.find("1800000000"), std::string::npos);
}

// Pages refused while the disk is full go out once there is room again:
// the stream has no gap and no sample of the session is lost.
TEST_F(OggVorbisFileTest, RefusedPagesAreWrittenOnceThereIsRoom)
{
    const std::string path = dir.file("later.ogg");
    RecordFile(path, 10);
    const std::size_t size = testsupport::ReadAll(path).size();
    const int result = childtest::RunWithFileLimit(size + 6000, [&] {
        OggVorbisFile f(path.c_str(), nullptr, 4, MMIO_READWRITE);
        if (!f.open()) {
            return 2;
        }
        int refused = 0;
        for (int i = 0; i < 20; ++i) {
            const std::vector<short> pcm = Buffer(10 + i);
            refused += f.WriteSamples(pcm.data(), static_cast<LONG>(pcm.size() * 2)) < 0;
        }
        if (refused == 0 || f.update()) {
            return 3;
        }
        if (!childtest::LiftFileLimit()) {
            return 90;
        }
        for (int i = 0; i < 5; ++i) {
            const std::vector<short> pcm = Buffer(30 + i);
            if (f.WriteSamples(pcm.data(), static_cast<LONG>(pcm.size() * 2)) != 8820) {
                return 4;
            }
        }
        return f.close() ? 0 : 5;
    });
    ASSERT_EQ(result, 0);
    ExpectWholeOggStream(path, 35 * 8820);
    std::int64_t frames = 0;
    EXPECT_LT(DecodedError(path, &frames), 2000.0);
}

// The stream's last pages and the comment header cannot be written: the file
// stays open with them until a later close, once there is room, finishes it.
TEST_P(OggFullDisk, ACloseThatFailedStaysOpenAndFinishesOnceThereIsRoom)
{
    const std::string path = In("take.ogg");
    {
        const WAVEFORMATEX fmt = StereoCd();
        OggVorbisFile f(path.c_str(), &fmt, 4, MMIO_READWRITE);
        ASSERT_TRUE(f.open());
        f.AddMarker(0, 1800000000, true);
        Record(f, 10);
        ASSERT_TRUE(f.update());
        ASSERT_TRUE(f.SetInfo("title", "Finished later"));
        f.AddComment("the end", 8 * 8820, 0, true);
        space->Exhaust(FileSizeOf(path.c_str()));
        CloseOnceThereIsRoom(f);
    }
    EXPECT_FALSE(FileExists(In("take.~gg").c_str()));
    ExpectWholeOggStream(path, 10 * 8820);
    if (testsupport::HaveTool("vorbiscomment")) {
        const std::string listed = ToolOutput("vorbiscomment -l '" + path + "'");
        EXPECT_NE(listed.find("=Finished later"), std::string::npos) << listed;
    }
    OggVorbisFile r(path.c_str(), nullptr, 4, MMIO_READ);
    ASSERT_TRUE(r.open());
    EXPECT_EQ(r.GetLength(), 10u * 8820);
    EXPECT_EQ(r.GetMarkerCount(), 1);
    EXPECT_EQ(r.GetCommentCount(), 1);
    // The signature was made over the whole stream, not what was on disk at the first close.
    EXPECT_FALSE(r.VerifySignature());
}

INSTANTIATE_TEST_SUITE_P(Disks, OggFullDisk, ::testing::Values("tmpfs", "filesize"));

// While the disk refuses pages they are held, but only up to a cap: past it
// the audio is refused before the encoder takes it, so memory stays bounded,
// and what was taken is written once there is room.
TEST_F(OggVorbisFileTest, HeldPagesAreCappedAndWhatWasTakenIsWrittenLater)
{
    const std::string path = dir.file("capped.ogg");
    const std::string taken = dir.file("taken");
    constexpr rlim_t kLimit = 64 * 1024;
    const int result = childtest::RunWithFileLimit(kLimit, [&] {
        // Noise at the highest quality: the most bytes for each buffer of audio.
        const WAVEFORMATEX fmt = StereoCd();
        OggVorbisFile f(path.c_str(), &fmt, 10, MMIO_READWRITE);
        if (!f.open()) {
            return 2;
        }
        std::vector<short> pcm(2 * 8820);
        unsigned seed = 1;
        auto noise = [&] {
            for (short& s : pcm) {
                seed = seed * 1103515245u + 12345u;
                s = static_cast<short>((seed >> 16) & 0x3FFF) - 0x2000;
            }
            return f.WriteSamples(pcm.data(), static_cast<LONG>(pcm.size() * 2));
        };
        // Far more than the cap holds, at any bitrate above 64 kbit/s.
        const int most = static_cast<int>(OggFile::kMaxQueuedPageBytes / 1600);
        int refused = 0;
        bool full = false;
        for (int i = 0; i < most && refused < 20; ++i) {
            const DWORD before = f.GetLength();
            const LONG n = noise();
            if (n != -1 && full) {
                return 3;  // nothing reaches the disk past the limit
            }
            full = n == -1;
            if (f.GetLength() == before) {
                ++refused;
            } else if (refused > 0) {
                return 4;  // once full, the file stays full while the disk is
            }
        }
        if (refused == 0) {
            return 5;
        }
        const DWORD length = f.GetLength();
        // Copied packets are refused as well.
        std::vector<BYTE> packet(kOggPacketRecordSize + 100);
        if (f.Write(packet.data(), static_cast<LONG>(packet.size())) != -1 || f.GetLength() != length) {
            return 8;
        }
        if (!childtest::LiftFileLimit()) {
            return 90;
        }
        for (int i = 0; i < 5; ++i) {
            if (noise() != 8820) {
                return 6;
            }
        }
        const std::string count = std::to_string(length + 5 * 8820);
        testsupport::WriteAll(taken, std::vector<std::uint8_t>(count.begin(), count.end()));
        return f.close() ? 0 : 7;
    });
    ASSERT_EQ(result, 0);
    const std::vector<std::uint8_t> text = testsupport::ReadAll(taken);
    const std::int64_t samples = std::atoll(std::string(text.begin(), text.end()).c_str());
    ExpectWholeOggStream(path, samples);
    // Held at most the cap and the pages of one buffer; the rest went out later.
    const std::size_t size = testsupport::ReadAll(path).size();
    EXPECT_GT(size, OggFile::kMaxQueuedPageBytes);
    EXPECT_LT(size, kLimit + OggFile::kMaxQueuedPageBytes + 6 * 64 * 1024);
}

TEST_F(OggVorbisFileTest, BadInputOpensOrFailsCleanly)
{
    const WAVEFORMATEX fmt = StereoCd();
    const std::string good = dir.file("good.ogg");
    {
        OggVorbisFile f(good.c_str(), &fmt, 4, MMIO_READWRITE);
        ASSERT_TRUE(f.open());
        Record(f, 10);
        f.close();
    }
    const std::vector<std::uint8_t> bytes = testsupport::ReadAll(good);
    auto tryOpen = [&](const std::string& name, const std::vector<std::uint8_t>& content, DWORD flags) {
        const std::string path = dir.file(name);
        testsupport::WriteAll(path, content);
        testsupport::SaveSeedBytes("ogg_reader", name, content);
        OggVorbisFile f(path.c_str(), nullptr, 4, flags);
        const bool opened = f.open();
        if (opened) {
            std::vector<short> pcm(8192);
            while (f.ReadSamples(pcm.data(), 16384) > 0) {
            }
            f.position(f.GetLength() / 2);
            std::vector<short> more(4410);
            f.WriteSamples(more.data(), static_cast<LONG>(more.size() * 2));
            f.close();
        }
        return opened ? 0 : f.GetOpenError();
    };
    // Cut inside the headers: no format, open error 2.
    EXPECT_EQ(tryOpen("headers.ogg", std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 100), MMIO_READ), 2);
    // Not Ogg at all.
    EXPECT_EQ(tryOpen("text.ogg", std::vector<std::uint8_t>(5000, 'x'), MMIO_READWRITE), 2);
    // Cut in the audio: opens what is there, even for appending.
    EXPECT_EQ(tryOpen("cut.ogg", std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + static_cast<long>(bytes.size() / 2)),
                      MMIO_READWRITE),
              0);
    // Damaged bytes in the middle: the bad pages are skipped.
    std::vector<std::uint8_t> damaged = bytes;
    for (std::size_t i = bytes.size() * 2 / 3; i < bytes.size() * 2 / 3 + 300; ++i) {
        damaged[i] ^= 0xA5;
    }
    EXPECT_EQ(tryOpen("damaged.ogg", damaged, MMIO_READ), 0);
    // An existing empty file is a new recording.
    EXPECT_EQ(tryOpen("empty.ogg", {}, MMIO_READWRITE), 0);
    // A format the encoder refuses: open fails and leaves no file.
    const WAVEFORMATEX silly{WAVE_FORMAT_OGG_VORBIS, 6, 44100, 5, 12, 16, 0};
    OggVorbisFile s(dir.file("silly.ogg").c_str(), &silly, 4, MMIO_READWRITE);
    EXPECT_FALSE(s.open());
    EXPECT_EQ(s.GetOpenError(), 2);
    EXPECT_NE(access(dir.file("silly.ogg").c_str(), F_OK), 0);
}
