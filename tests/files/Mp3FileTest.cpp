#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include "files/Id3Tag.h"
#include "files/Mp3File.h"
#include "files/Mp3TagSwitch.h"
#include "tests/files/Mp3TestUtil.h"
#include "platform/acm/Acm.h"
#include "platform/kernel/Clock.h"
#include "tests/support/TestSupport.h"

using namespace mp3test;

namespace {
std::string Tool(const std::string& command, int* status = nullptr)
{
    return testsupport::RunCapture(command + " 2>&1", status);
}

std::string Text(Mp3File& f, const char* item)
{
    std::unique_ptr<char[]> t(f.GetInfo(item));
    return t ? std::string(t.get()) : std::string("<null>");
}

class Mp3FileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::UseManualClock(1800000000);
        Mp3EnableTagSwitch = true;
    }
    void TearDown() override
    {
        platform::UseSystemClock();
        Mp3EnableTagSwitch = true;
    }
    testsupport::TempDir dir;
};
}

TEST_F(Mp3FileTest, RecordingReadsBackInIndependentTools)
{
    TAPVOX_REQUIRE_TOOL("mpg123");
    TAPVOX_REQUIRE_TOOL("id3v2");
    const std::string path = dir.file("take.mp3");
    const MPEGLAYER3WAVEFORMAT fmt = Mp3Format(2, 44100, 128);
    const std::vector<Bytes> parts = Encode(2, 44100, 128, 15);
    {
        Mp3File f(path.c_str(), &fmt.wfx, MMIO_READWRITE);
        ASSERT_TRUE(f.open());
        EXPECT_TRUE(f.IsSigning());
        f.AddMarker(0, 1800000000, true);
        for (std::size_t i = 0; i < parts.size(); ++i) {
            if (i == 8) {
                f.AddMarker(f.GetDataSize(), 1800000200, true);
            }
            ASSERT_EQ(f.Write(parts[i].data(), static_cast<LONG>(parts[i].size())), static_cast<LONG>(parts[i].size()));
        }
        ASSERT_TRUE(f.SetInfo("title", "Morning take"));
        EXPECT_FALSE(f.SetInfo("name", "Other"));  // TIT2 exists: not replaced
        ASSERT_TRUE(f.update());
        ASSERT_TRUE(f.close());
    }
    int status = 0;
    const std::string listing = Tool("id3v2 -l '" + path + "'", &status);
    EXPECT_NE(listing.find("TIT2"), std::string::npos) << listing;
    EXPECT_NE(listing.find("Morning take"), std::string::npos) << listing;
    EXPECT_NE(listing.find("PRIV"), std::string::npos) << listing;
    EXPECT_NE(listing.find("id3v1"), std::string::npos) << listing;

    Tool("mpg123 -q -w '" + dir.file("take.wav") + "' '" + path + "'", &status);
    EXPECT_EQ(status, 0);
    if (testsupport::HaveTool("soxi")) {
        EXPECT_EQ(Tool("soxi -r '" + dir.file("take.wav") + "'"), "44100\n");
        EXPECT_EQ(Tool("soxi -c '" + dir.file("take.wav") + "'"), "2\n");
        const double seconds = std::atof(Tool("soxi -D '" + dir.file("take.wav") + "'").c_str());
        EXPECT_NEAR(seconds, 3.0, 0.06);
    }
    testsupport::SaveSeed("mp3_scanner", path);

    Mp3File g(path.c_str(), nullptr, MMIO_READ);
    ASSERT_TRUE(g.open());
    EXPECT_TRUE(g.IsReadOnly());
    EXPECT_EQ(g.GetFormat()->wFormatTag, WAVE_FORMAT_MPEGLAYER3);
    EXPECT_EQ(g.GetFormat()->nChannels, 2);
    EXPECT_EQ(g.GetFormat()->nSamplesPerSec, 44100u);
    EXPECT_EQ(g.GetBytesPerSecond(), 16000u);
    EXPECT_EQ(g.GetDataSize(), Joined(parts).size());
    EXPECT_TRUE(g.HasId3v1());
    EXPECT_EQ(Text(g, "TITLE"), "Morning take");
    EXPECT_EQ(Text(g, "name"), "Morning take");
    char field[259];
    ASSERT_TRUE(g.GetId3v1Field("title", field));
    EXPECT_STREQ(field, "Morning take");
    ASSERT_EQ(g.GetMarkerCount(), 2);
    EXPECT_EQ(g.GetMarkerTime(1), 1800000200);
    EXPECT_FALSE(g.VerifySignature());
    // The audio read back is exactly what was written, and nothing of the tags.
    Bytes back(g.GetDataSize() + 1000);
    ASSERT_TRUE(g.position(0));
    EXPECT_EQ(g.Read(back.data(), static_cast<LONG>(back.size())), static_cast<LONG>(g.GetDataSize()));
    back.resize(g.GetDataSize());
    EXPECT_EQ(back, Joined(parts));
    // Seeking lands on frame starts and never past the data.
    ASSERT_TRUE(g.position(1000));
    BYTE sync[2];
    EXPECT_EQ(g.Read(sync, 2), 2);
    EXPECT_EQ(sync[0], 0xFF);
    ASSERT_TRUE(g.position(g.GetDataSize() + 5000));
    EXPECT_EQ(g.GetPosition(), g.GetDataSize());
}

TEST_F(Mp3FileTest, LowRateFilesReopenWithTheirFrameLength)
{
    for (const DWORD rate : {22050u, 11025u, 16000u}) {
        const std::string path = dir.file("low" + std::to_string(rate) + ".mp3");
        const MPEGLAYER3WAVEFORMAT fmt = Mp3Format(1, rate, 32);
        {
            Mp3File f(path.c_str(), &fmt.wfx, MMIO_READWRITE);
            ASSERT_TRUE(f.open());
            for (const Bytes& b : Encode(1, rate, 32, 10)) {
                f.Write(b.data(), static_cast<LONG>(b.size()));
            }
            f.close();
        }
        Mp3File g(path.c_str(), nullptr, MMIO_READ);
        ASSERT_TRUE(g.open()) << rate << " error " << g.GetOpenError();
        EXPECT_EQ(g.GetFormat()->nSamplesPerSec, rate);
        EXPECT_EQ(g.GetBytesPerSecond(), 4000u);
        EXPECT_EQ(g.GetSeconds(DWORD(-1)), 2u);
        testsupport::SaveSeed("mp3_scanner", path);
    }
}

TEST_F(Mp3FileTest, OnlyOurPrivFrameIsTheTimecodeText)
{
    const std::string path = dir.file("foreign.mp3");
    // Another program's PRIV frame in front of the audio.
    const std::string body = std::string("other.example") + '\0' + "PRIVATE";
    Bytes frame = {'P', 'R', 'I', 'V', 0, 0, 0, static_cast<BYTE>(body.size()), 0, 0};
    Append(frame, Bytes(body.begin(), body.end()));
    Bytes file = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, static_cast<BYTE>(frame.size())};
    Append(file, frame);
    const Bytes audio = Joined(Encode(2, 44100, 128, 5));
    Append(file, audio);
    testsupport::WriteAll(path, file);
    {
        Mp3File f(path.c_str(), nullptr, MMIO_READWRITE);
        ASSERT_TRUE(f.open());
        EXPECT_EQ(f.GetDataOffset(), 10u + frame.size());
        EXPECT_EQ(f.GetDataSize(), audio.size());
        // Not our text: the lists stay empty and the file is not taken as journalled.
        EXPECT_EQ(Text(f, "fennwicke timecode"), "<null>");
        f.AddMarker(0, 1800000000, true);
        f.AddMarker(40000, 1800000010, true);
        f.close();
    }
    const std::vector<std::uint8_t> bytes = testsupport::ReadAll(path);
    const std::string all(bytes.begin(), bytes.end());
    EXPECT_NE(all.find("other.example"), std::string::npos);
    EXPECT_NE(all.find("PRIVATE"), std::string::npos);
    Mp3File g(path.c_str(), nullptr, MMIO_READ);
    ASSERT_TRUE(g.open());
    EXPECT_EQ(g.GetMarkerCount(), 2);
    EXPECT_EQ(Text(g, "fennwicke timecode").rfind("SAMPLE TIMECODE", 0), 0u);
    EXPECT_EQ(g.GetDataSize(), audio.size());
}

TEST_F(Mp3FileTest, TagSwitchOffWritesOnlyTheId3v1Record)
{
    const std::string path = dir.file("notag.mp3");
    const MPEGLAYER3WAVEFORMAT fmt = Mp3Format(1, 22050, 32);
    const Bytes audio = Joined(Encode(1, 22050, 32, 5));
    Mp3EnableTagSwitch = false;
    {
        Mp3File f(path.c_str(), &fmt.wfx, MMIO_READWRITE);
        ASSERT_TRUE(f.open());
        f.Write(audio.data(), static_cast<LONG>(audio.size()));
        EXPECT_TRUE(f.SetInfo("title", std::string(30, 'T').c_str()));
        EXPECT_TRUE(f.SetInfo("artist", "Someone"));
        f.close();
    }
    const std::vector<std::uint8_t> bytes = testsupport::ReadAll(path);
    ASSERT_EQ(bytes.size(), audio.size() + 128);
    EXPECT_NE(std::memcmp(bytes.data(), "ID3", 3), 0);
    EXPECT_EQ(std::memcmp(&bytes[bytes.size() - 128], "TAG", 3), 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[bytes.size() - 125]), 30), std::string(30, 'T'));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[bytes.size() - 95])), "Someone");
    if (testsupport::HaveTool("mutagen-inspect")) {
        // An unset genre is none, not the first genre of the list.
        const std::string listing = Tool("mutagen-inspect '" + path + "'");
        EXPECT_NE(listing.find("TIT2=" + std::string(30, 'T')), std::string::npos) << listing;
        EXPECT_EQ(listing.find("TCON"), std::string::npos) << listing;
    }

    // Appending later: the audio goes where the record was, the record behind it.
    Mp3File g(path.c_str(), nullptr, MMIO_READWRITE);
    ASSERT_TRUE(g.open());
    EXPECT_EQ(g.GetDataSize(), audio.size());
    g.Write(audio.data(), 100);
    g.close();
    const std::vector<std::uint8_t> after = testsupport::ReadAll(path);
    ASSERT_EQ(after.size(), audio.size() + 100 + 128);
    EXPECT_EQ(std::memcmp(&after[after.size() - 128], "TAG", 3), 0);
    EXPECT_TRUE(std::equal(audio.begin(), audio.begin() + 100, after.begin() + static_cast<long>(audio.size())));
}

TEST_F(Mp3FileTest, EdgeCasesOfOpenAndPosition)
{
    // An existing empty file: no scan, nothing in it.
    const std::string empty = dir.file("empty.mp3");
    testsupport::WriteAll(empty, {});
    {
        Mp3File f(empty.c_str(), nullptr, MMIO_READWRITE);
        ASSERT_TRUE(f.open());
        EXPECT_EQ(f.GetDataOffset(), 0u);
        EXPECT_EQ(f.GetDataSize(), 0u);
        EXPECT_EQ(f.GetFileType(), 1);
    }
    // Broken frame headers everywhere: ten tries, then the format error.
    Bytes broken;
    for (int i = 0; i < 3000; ++i) {
        broken.insert(broken.end(), {0xFF, 0xFB, 0xF0, 0x00});
    }
    const std::string bad = dir.file("broken.mp3");
    testsupport::WriteAll(bad, broken);
    testsupport::SaveSeedBytes("mp3_scanner", "broken.mp3", broken);
    {
        Mp3File f(bad.c_str(), nullptr, MMIO_READ);
        EXPECT_FALSE(f.open());
        EXPECT_EQ(f.GetOpenError(), 2);
        EXPECT_FALSE(f.IsOpen());
    }
    // An ID3v2 size that points past the end.
    Bytes past = {'I', 'D', '3', 3, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F};
    const Bytes audio = Joined(Encode(2, 44100, 128, 2));
    Append(past, audio);
    const std::string pastPath = dir.file("past.mp3");
    testsupport::WriteAll(pastPath, past);
    {
        Mp3File f(pastPath.c_str(), nullptr, MMIO_READ);
        EXPECT_FALSE(f.open());
        EXPECT_EQ(f.GetOpenError(), 2);
    }
    // "TAG" 128 bytes before the end of a tiny file, but inside its ID3v2 tag:
    // not an ID3v1 record behind the audio.
    Bytes shortFile = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 0x78};  // 120-byte tag
    shortFile.resize(130, 0);
    const Bytes frame(audio.begin(), audio.begin() + 104);
    Append(shortFile, frame);
    std::memcpy(&shortFile[shortFile.size() - 128], "TAG", 3);
    const std::string tinyPath = dir.file("tiny.mp3");
    testsupport::WriteAll(tinyPath, shortFile);
    {
        Mp3File f(tinyPath.c_str(), nullptr, MMIO_READ);
        ASSERT_TRUE(f.open());
        EXPECT_FALSE(f.HasId3v1());
        EXPECT_EQ(f.GetDataOffset(), 130u);
        EXPECT_EQ(f.GetDataSize(), 104u);
    }
    // A file that is "TAG" and nothing else.
    Bytes onlyTag(128, 0);
    std::memcpy(onlyTag.data(), "TAG", 3);
    const std::string onlyPath = dir.file("onlytag.mp3");
    testsupport::WriteAll(onlyPath, onlyTag);
    {
        Mp3File f(onlyPath.c_str(), nullptr, MMIO_READ);
        EXPECT_FALSE(f.open());
        EXPECT_EQ(f.GetOpenError(), 2);
    }
    // Write with overwrite off appends whatever the position.
    const std::string app = dir.file("append.mp3");
    const MPEGLAYER3WAVEFORMAT fmt = Mp3Format(2, 44100, 128);
    Mp3File f(app.c_str(), &fmt.wfx, MMIO_READWRITE);
    ASSERT_TRUE(f.open());
    f.Write(audio.data(), static_cast<LONG>(audio.size()));
    ASSERT_TRUE(f.position(500));
    f.Write(audio.data(), 417);
    EXPECT_EQ(f.GetDataSize(), audio.size() + 417);
    EXPECT_EQ(f.GetPosition(), audio.size() + 417);
}

TEST_F(Mp3FileTest, RenameMovesTheOpenFile)
{
    const std::string from = dir.file("from.mp3");
    const std::string to = dir.file("to.mp3");
    testsupport::WriteAll(to, {1, 2, 3});
    const MPEGLAYER3WAVEFORMAT fmt = Mp3Format(2, 44100, 128);
    const Bytes audio = Joined(Encode(2, 44100, 128, 5));
    Mp3File f(from.c_str(), &fmt.wfx, MMIO_READWRITE);
    ASSERT_TRUE(f.open());
    f.Write(audio.data(), static_cast<LONG>(audio.size()));
    ASSERT_TRUE(f.position(4000));
    const DWORD at = f.GetPosition();
    ASSERT_TRUE(f.rename(to.c_str()));
    EXPECT_TRUE(f.IsOpen());
    EXPECT_EQ(f.GetPosition(), at);
    EXPECT_EQ(access(from.c_str(), F_OK), -1);
    EXPECT_EQ(f.GetDataSize(), audio.size());
}

TEST_F(Mp3FileTest, KilledRecorderLeavesFramesAndJournal)
{
    TAPVOX_REQUIRE_TOOL("mpg123");
    const std::string path = dir.file("crash.mp3");
    const std::vector<Bytes> parts = Encode(2, 44100, 128, 20);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const MPEGLAYER3WAVEFORMAT fmt = Mp3Format(2, 44100, 128);
        auto* f = new Mp3File(path.c_str(), &fmt.wfx, MMIO_READWRITE);
        if (!f->open()) {
            _exit(2);
        }
        f->AddMarker(0, 1800000000, true);
        for (int i = 0; i < 10; ++i) {
            f->Write(parts[i].data(), static_cast<LONG>(parts[i].size()));
        }
        f->AddMarker(f->GetDataSize(), 1800000300, true);
        for (int i = 10; i < 15; ++i) {
            f->Write(parts[i].data(), static_cast<LONG>(parts[i].size()));
        }
        f->update();  // the journal holds both markers now
        for (int i = 15; i < 20; ++i) {
            f->Write(parts[i].data(), static_cast<LONG>(parts[i].size()) - (i == 19 ? 100 : 0));
        }
        raise(SIGKILL);
        _exit(3);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    Tool("mpg123 -q -w '" + dir.file("crash.wav") + "' '" + path + "'", &status);
    EXPECT_EQ(status, 0);
    if (testsupport::HaveTool("soxi")) {
        EXPECT_NEAR(std::atof(Tool("soxi -D '" + dir.file("crash.wav") + "'").c_str()), 4.0, 0.1);
    }
    Mp3File g(path.c_str(), nullptr, MMIO_READWRITE);
    ASSERT_TRUE(g.open());
    ASSERT_EQ(g.GetMarkerCount(), 2);
    EXPECT_EQ(g.GetMarkerTime(1), 1800000300);
}
