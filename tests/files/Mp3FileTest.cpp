// MP3 recordings: tags another tool reads, the PRIV frame as the only timecode text, the tag switch off, a killed recorder.
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

#include "files/FileNames.h"
#include "files/Id3Tag.h"
#include "files/Mp3File.h"
#include "files/Mp3TagSwitch.h"
#include "tests/files/Mp3TestUtil.h"
#include "platform/acm/Acm.h"
#include "platform/kernel/Clock.h"
#include "tests/files/RecordingTakes.h"
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

TEST_F(Mp3FileTest, TagItemsReadBackInAnIndependentTool)
{
    TAPVOX_REQUIRE_TOOL("id3v2");
    const std::string path = dir.file("take.mp3");
    const MPEGLAYER3WAVEFORMAT fmt = Mp3WaveFormat(2, 44100, 128);
    const std::vector<Bytes> parts = Encode(2, 44100, 128, 15);
    {
        Mp3File f(path.c_str(), &fmt.wfx, MMIO_READWRITE);
        ASSERT_TRUE(f.open());
        f.AddMarker(0, 1800000000, true);
        for (std::size_t i = 0; i < parts.size(); ++i) {
            if (i == 8) {
                f.AddMarker(f.GetDataSize(), 1800000200, true);
            }
            ASSERT_EQ(f.Write(parts[i].data(), static_cast<LONG>(parts[i].size())), static_cast<LONG>(parts[i].size()));
        }
        ASSERT_TRUE(f.SetInfo("title", "Morning take"));
        EXPECT_FALSE(f.SetInfo("name", "Other"));  // TIT2 exists: not replaced
        ASSERT_TRUE(f.close());
    }
    int status = 0;
    const std::string listing = Tool("id3v2 -l '" + path + "'", &status);
    EXPECT_NE(listing.find("TIT2"), std::string::npos) << listing;
    EXPECT_NE(listing.find("Morning take"), std::string::npos) << listing;
    EXPECT_NE(listing.find("PRIV"), std::string::npos) << listing;
    EXPECT_NE(listing.find("id3v1"), std::string::npos) << listing;

    Mp3File g(path.c_str(), nullptr, MMIO_READ);
    ASSERT_TRUE(g.open());
    EXPECT_TRUE(g.HasId3v1());
    EXPECT_EQ(Text(g, "TITLE"), "Morning take");
    EXPECT_EQ(Text(g, "name"), "Morning take");
    char field[259];
    ASSERT_TRUE(g.GetId3v1Field("title", field));
    EXPECT_STREQ(field, "Morning take");
    // The tags hold nothing of the audio.
    EXPECT_EQ(g.GetDataSize(), Joined(parts).size());
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

TEST_F(Mp3FileTest, TagSwitchOffKeepsTheListsInTheCompanionFileWhereverTheFileGoes)
{
    const std::string path = dir.file("take.mp3");
    const std::string saved = dir.file("saved.mp3");
    const MPEGLAYER3WAVEFORMAT fmt = Mp3WaveFormat(1, 22050, 32);
    const std::vector<Bytes> parts = Encode(1, 22050, 32, 5);
    Mp3EnableTagSwitch = false;
    DWORD mid = 0;
    {
        Mp3File f(path.c_str(), &fmt.wfx, MMIO_READWRITE);
        ASSERT_TRUE(f.open());
        f.AddMarker(0, 1800000000, true);
        for (std::size_t i = 0; i < parts.size(); ++i) {
            if (i == 3) {
                mid = f.GetDataSize();
                f.AddMarker(mid, 1800000060, true);
                f.AddComment("kept aside", mid, 0, true);
            }
            ASSERT_EQ(f.Write(parts[i].data(), static_cast<LONG>(parts[i].size())), static_cast<LONG>(parts[i].size()));
        }
        EXPECT_FALSE(f.SetInfo("fennwicke timecode", "SAMPLE TIMECODE\r\n")) << "no tag: nothing stored in the file";
        EXPECT_FALSE(f.SetInfo("software", "Tapvox")) << "no ID3v1 field holds it";
        EXPECT_TRUE(f.update()) << "the companion file holds the lists";
        ASSERT_TRUE(f.rename(saved.c_str()));  // as saving a take does
        ASSERT_TRUE(f.close());
    }
    const Bytes bytes = testsupport::ReadAll(saved);
    ASSERT_GE(bytes.size(), 3u);
    EXPECT_NE(std::memcmp(bytes.data(), "ID3", 3), 0) << "the switch is kept: no tag";
    EXPECT_TRUE(FileExists(RecFile::MarkerFileNameFor(saved).c_str()));
    EXPECT_FALSE(FileExists(RecFile::MarkerFileNameFor(path).c_str()));
    for (DWORD flags : {DWORD(MMIO_READ), DWORD(MMIO_READWRITE)}) {
        Mp3File g(saved.c_str(), nullptr, flags);
        ASSERT_TRUE(g.open());
        ASSERT_EQ(g.GetMarkerCount(), 2) << flags;
        EXPECT_EQ(g.GetMarkerPosition(1), mid);
        EXPECT_EQ(g.GetMarkerTime(1), 1800000060);
        ASSERT_EQ(g.GetCommentCount(), 1);
        EXPECT_STREQ(g.GetCommentTextAt(0), "kept aside");
        EXPECT_TRUE(g.close());
    }
    EXPECT_TRUE(FileExists(RecFile::MarkerFileNameFor(saved).c_str()));

    // With the tag on again, the next save puts the lists into the file.
    Mp3EnableTagSwitch = true;
    {
        Mp3File h(saved.c_str(), nullptr, MMIO_READWRITE);
        ASSERT_TRUE(h.open());
        EXPECT_EQ(h.GetMarkerCount(), 2);
        EXPECT_TRUE(h.close());
    }
    EXPECT_FALSE(FileExists(RecFile::MarkerFileNameFor(saved).c_str()));
    Mp3File r(saved.c_str(), nullptr, MMIO_READ);
    ASSERT_TRUE(r.open());
    EXPECT_EQ(r.GetMarkerCount(), 2);
    EXPECT_EQ(r.GetCommentCount(), 1);
    EXPECT_NE(Text(r, "fennwicke timecode").find("COMMENT"), std::string::npos);
}

TEST_F(Mp3FileTest, TagSwitchOffSaysSoWhenNothingCanKeepTheLists)
{
    // A name without a three-letter extension has no companion file.
    const std::string path = dir.file("take.mpeg");
    const MPEGLAYER3WAVEFORMAT fmt = Mp3WaveFormat(1, 22050, 32);
    const Bytes audio = Joined(Encode(1, 22050, 32, 2));
    Mp3EnableTagSwitch = false;
    Mp3File f(path.c_str(), &fmt.wfx, MMIO_READWRITE);
    ASSERT_TRUE(f.open());
    f.AddMarker(0, 1800000000, true);
    ASSERT_EQ(f.Write(audio.data(), static_cast<LONG>(audio.size())), static_cast<LONG>(audio.size()));
    testing::internal::CaptureStderr();
    EXPECT_TRUE(f.update());
    f.AddMarker(f.GetDataSize() / 2, 1800000010, true);
    EXPECT_TRUE(f.IsDirty());
    EXPECT_TRUE(f.update());
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("Markers and comments are not kept"), std::string::npos) << said;
    EXPECT_EQ(said.find("not kept"), said.rfind("not kept")) << "said once: " << said;
    EXPECT_NE(said.find(path), std::string::npos) << said;
    EXPECT_TRUE(f.close());
}

TEST_F(Mp3FileTest, TagSwitchOffWritesOnlyTheId3v1Record)
{
    const std::string path = dir.file("notag.mp3");
    const MPEGLAYER3WAVEFORMAT fmt = Mp3WaveFormat(1, 22050, 32);
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
    Bytes shortFile(130, 0);
    const BYTE tagHeader[] = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 0x78};  // 120-byte tag
    std::memcpy(shortFile.data(), tagHeader, sizeof tagHeader);
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
}

TEST_F(Mp3FileTest, KilledRecorderLeavesFramesAndJournal)
{
    TAPVOX_REQUIRE_TOOL("mpg123");
    const std::string path = dir.file("crash.mp3");
    const std::vector<Bytes> parts = Encode(2, 44100, 128, 20);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const MPEGLAYER3WAVEFORMAT fmt = Mp3WaveFormat(2, 44100, 128);
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
