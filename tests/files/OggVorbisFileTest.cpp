#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <csignal>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include "files/OggPacketRecord.h"
#include "files/OggPage.h"
#include "files/OggVorbisFile.h"
#include "platform/core/Bytes.h"
#include "platform/kernel/Clock.h"
#include "tests/files/OggPages.h"
#include "tests/support/TestSupport.h"

namespace {
WAVEFORMATEX StereoCd()
{
    return WAVEFORMATEX{WAVE_FORMAT_OGG_VORBIS, 2, 44100, 176400, 4, 16, 0};
}

// One engine buffer (a fifth of a second) of a stereo sine.
std::vector<short> Buffer(int index, int rate = 44100, int channels = 2)
{
    const int frames = rate / 5;
    std::vector<short> pcm(static_cast<std::size_t>(frames * channels));
    for (int i = 0; i < frames; ++i) {
        const double t = static_cast<double>(index * frames + i) / rate;
        for (int c = 0; c < channels; ++c) {
            pcm[static_cast<std::size_t>(i * channels + c)] =
                static_cast<short>(8000 * std::sin(2 * M_PI * (440 + 110 * c) * t));
        }
    }
    return pcm;
}

void Record(OggVorbisFile& f, int buffers, int first = 0)
{
    for (int i = 0; i < buffers; ++i) {
        const std::vector<short> pcm = Buffer(first + i);
        ASSERT_EQ(f.WriteSamples(pcm.data(), static_cast<LONG>(pcm.size() * 2)), static_cast<LONG>(pcm.size() / 2));
    }
}

std::string Tool(const std::string& command, int* status = nullptr)
{
    return testsupport::RunCapture(command + " 2>&1", status);
}

// Granule positions of the pages, in file order, and how many streams they belong to.
std::vector<std::int64_t> Granules(const std::string& path, int* streams)
{
    std::vector<std::int64_t> out;
    std::vector<int> serials;
    for (const RawOggPage& page : OggPages(testsupport::ReadAll(path))) {
        if (std::find(serials.begin(), serials.end(), page.serial) == serials.end()) {
            serials.push_back(page.serial);
        }
        out.push_back(page.granule);
    }
    *streams = static_cast<int>(serials.size());
    return out;
}

class OggVorbisFileTest : public ::testing::Test {
protected:
    void SetUp() override { platform::UseManualClock(1800000000); }
    void TearDown() override { platform::UseSystemClock(); }
    testsupport::TempDir dir;
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
    EXPECT_NE(Tool("vorbiscomment -l '" + path + "'").find("FOO=bar"), std::string::npos);
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
        f.close();

        int status = 0;
        const std::string info = Tool("ogginfo '" + path + "'", &status);
        EXPECT_EQ(status, 0) << info;
        EXPECT_EQ(info.find("WARNING"), std::string::npos) << info;
        EXPECT_EQ(info.find("New logical stream (#2"), std::string::npos) << info;
        EXPECT_NE(Tool("vorbiscomment -l '" + path + "'").find("FENNWICKE TIMECODE=SAMPLE"), std::string::npos);
    }
    const std::string info = Tool("ogginfo '" + path + "'");
    EXPECT_NE(info.find("Playback length: 0m:04.000s"), std::string::npos) << info;
    int streams = 0;
    const std::vector<std::int64_t> granules = Granules(path, &streams);
    EXPECT_EQ(streams, 1);
    for (std::size_t i = 1; i < granules.size(); ++i) {
        if (granules[i] != -1) {
            EXPECT_GE(granules[i], granules[i - 1]) << "page " << i;
        }
    }
    EXPECT_EQ(granules.back(), 4 * 5 * 8820);

    OggVorbisFile g(path.c_str(), nullptr, 4, MMIO_READ);
    ASSERT_TRUE(g.open());
    ASSERT_EQ(g.GetMarkerCount(), 4);
    ASSERT_EQ(g.GetCommentCount(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(g.GetMarkerPosition(i), static_cast<DWORD>(i * 44100));
        EXPECT_EQ(g.GetMarkerTime(i), 1800000000 + 100 * i);
        EXPECT_EQ(std::string(g.GetCommentTextAt(i)), "take " + std::to_string(i));
    }
    if (testsupport::HaveTool("oggdec") && testsupport::HaveTool("soxi")) {
        // Each join may add up to a block of the encoders' padding to what a
        // decoder plays; the granules (the duration) stay exact.
        Tool("oggdec -Q -o '" + dir.file("appended.wav") + "' '" + path + "'");
        const long decoded = std::atol(Tool("soxi -s '" + dir.file("appended.wav") + "'").c_str());
        EXPECT_NEAR(static_cast<double>(decoded), 176400.0, 3 * 2048.0);
    }
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
    const std::string info = Tool("ogginfo '" + dst + "'", &status);
    EXPECT_EQ(status, 0) << info;
}

TEST_F(OggVorbisFileTest, KilledRecorderLeavesPagesAndJournal)
{
    TAPVOX_REQUIRE_TOOL("oggdec");
    const std::string path = dir.file("crash.ogg");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const WAVEFORMATEX fmt = StereoCd();
        auto* f = new OggVorbisFile(path.c_str(), &fmt, 4, MMIO_READWRITE);
        if (!f->open()) {
            _exit(2);
        }
        f->AddMarker(0, 1800000000, true);
        Record(*f, 10);
        f->AddMarker(f->GetLength(), 1800000500, true);
        Record(*f, 10, 10);
        f->update();  // the journal holds both markers now
        Record(*f, 10, 20);
        raise(SIGKILL);
        _exit(3);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    ASSERT_TRUE(testsupport::ReadAll(dir.file("crash.~gg")).size() > 4);

    // Whatever pages reached the disk decode.
    Tool("oggdec -Q -o '" + dir.file("crash.wav") + "' '" + path + "'", &status);
    EXPECT_EQ(status, 0);
    {
        OggVorbisFile g(path.c_str(), nullptr, 4, MMIO_READWRITE);
        ASSERT_TRUE(g.open());
        EXPECT_GT(g.GetLength(), 20u * 8820 - 4096);
        ASSERT_EQ(g.GetMarkerCount(), 2);
        EXPECT_EQ(g.GetMarkerTime(1), 1800000500);
        // Recording goes on after the crash, past the cut-off page.
        Record(g, 5, 30);
        g.close();
    }
    if (testsupport::HaveTool("ogginfo")) {
        const std::string info = Tool("ogginfo '" + path + "'", &status);
        EXPECT_EQ(info.find("New logical stream (#2"), std::string::npos) << info;
        EXPECT_EQ(status, 0) << info;
    }
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
