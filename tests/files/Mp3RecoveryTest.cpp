// MP3 recordings killed mid-recording, tags that cannot be written on a full
// disk, and tags of other programs that id3lib must not be given.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "files/FileNames.h"
#include "files/Id3Tag.h"
#include "files/Mp3File.h"
#include "platform/kernel/Clock.h"
#include "tests/files/ChildProcess.h"
#include "tests/files/Id3TagBuilder.h"
#include "tests/files/Mp3TestUtil.h"
#include "tests/support/TestSupport.h"

using namespace mp3test;

namespace {
class Mp3Recovery : public ::testing::Test {
protected:
    void SetUp() override { platform::UseManualClock(1800000000); }
    void TearDown() override { platform::UseSystemClock(); }
    testsupport::TempDir dir;
};

std::string Text(Mp3File& f, const char* item)
{
    std::unique_ptr<char[]> t(f.GetInfo(item));
    return t ? std::string(t.get()) : std::string("<null>");
}

double DecodedSeconds(const std::string& mp3, const std::string& wav)
{
    int status = 0;
    testsupport::RunCapture("mpg123 -q -w '" + wav + "' '" + mp3 + "' 2>&1", &status);
    EXPECT_EQ(status, 0);
    return std::atof(testsupport::RunCapture("soxi -D '" + wav + "' 2>/dev/null").c_str());
}
}

TEST_F(Mp3Recovery, KilledSignedRecordingComesBackSignedWithItsJournalledMarkers)
{
    const std::string path = dir.file("crash.mp3");
    const std::vector<Bytes> parts = Encode(2, 44100, 128, 20);
    childtest::RunAndKill([&] {
        const MPEGLAYER3WAVEFORMAT fmt = Mp3WaveFormat(2, 44100, 128);
        // Never destroyed: the process dies with the file open.
        auto* f = new Mp3File(path.c_str(), &fmt.wfx, MMIO_READWRITE);
        f->open();
        f->AddMarker(0, 1800000000, true);
        for (int i = 0; i < 10; ++i) {
            f->Write(parts[i].data(), static_cast<LONG>(parts[i].size()));
        }
        f->AddMarker(f->GetDataSize(), 1800000300, true);
        f->AddComment("first burst", 0, 0, true);
        for (int i = 10; i < 15; ++i) {
            f->Write(parts[i].data(), static_cast<LONG>(parts[i].size()));
        }
        f->update();  // tag, signature and journal of the first 3 s
        for (int i = 15; i < 20; ++i) {
            f->Write(parts[i].data(), static_cast<LONG>(parts[i].size()));
        }
    });
    const std::string journal = dir.file("crash.~p3");
    ASSERT_TRUE(FileExists(journal.c_str()));
    {
        // Read-only, it shows the text of the last save and changes nothing.
        Mp3File r(path.c_str(), nullptr, MMIO_READ);
        ASSERT_TRUE(r.open());
        EXPECT_EQ(r.GetMarkerCount(), 2);
        EXPECT_FALSE(r.IsDirty());
    }
    ASSERT_TRUE(FileExists(journal.c_str()));
    {
        Mp3File r(path.c_str(), nullptr, MMIO_READWRITE);
        ASSERT_TRUE(r.open());
        EXPECT_EQ(r.GetDataSize(), Joined(parts).size());
        ASSERT_EQ(r.GetMarkerCount(), 2);
        EXPECT_EQ(r.GetMarkerTime(1), 1800000300);
        ASSERT_EQ(r.GetCommentCount(), 1);
        EXPECT_TRUE(r.IsDirty());
        ASSERT_TRUE(r.close());
    }
    EXPECT_FALSE(FileExists(journal.c_str()));
    Mp3File g(path.c_str(), nullptr, MMIO_READ);
    ASSERT_TRUE(g.open());
    EXPECT_EQ(g.GetMarkerCount(), 2);
    EXPECT_EQ(g.GetCommentCount(), 1);
    // The signature covers all the audio again: the file is not "tampered".
    EXPECT_NE(Text(g, "fennwicke timecode").find("SIGNATURE "), std::string::npos);
    EXPECT_FALSE(g.VerifySignature());
    g.close();
    if (testsupport::HaveTool("mpg123") && testsupport::HaveTool("soxi")) {
        EXPECT_NEAR(DecodedSeconds(path, dir.file("crash.wav")), 4.0, 0.05);
    }
}

TEST_F(Mp3Recovery, TagWriteOnAFullDiskFailsKeepsTheOldTagAndTheJournal)
{
    const std::string path = dir.file("full.mp3");
    const std::string journal = dir.file("full.~p3");
    const MPEGLAYER3WAVEFORMAT fmt = Mp3WaveFormat(1, 22050, 32);
    const Bytes audio = Joined(Encode(1, 22050, 32, 10));
    {
        Mp3File f(path.c_str(), &fmt.wfx, MMIO_READWRITE);
        ASSERT_TRUE(f.open());
        f.AddMarker(0, 1800000000, true);
        f.Write(audio.data(), static_cast<LONG>(audio.size()));
        ASSERT_TRUE(f.close());
    }
    const Bytes before = testsupport::ReadAll(path);
    {
        Mp3File r(path.c_str(), nullptr, MMIO_READ);
        ASSERT_TRUE(r.open());
        ASSERT_EQ(r.GetMarkerCount(), 1);
    }
    // Comments that outgrow the tag's padding: the tag must move the audio,
    // and the disk has no room for the copy.
    const int result = childtest::RunWithFileLimit(before.size() + 512, [&] {
        Mp3File f(path.c_str(), nullptr, MMIO_READWRITE);
        if (!f.open()) {
            return 10;
        }
        for (int i = 0; i < 30; ++i) {
            f.AddComment((std::to_string(i) + std::string(200, 'c')).c_str(), 100u * (i + 1), 0, true);
        }
        if (f.update()) {
            return 11;
        }
        if (!f.IsDirty() || f.close()) {
            return 12;
        }
        return 0;
    });
    ASSERT_EQ(result, 0);
    EXPECT_EQ(testsupport::ReadAll(path), before);
    ASSERT_TRUE(FileExists(journal.c_str()));
    {
        // With room again, the journal's comments go into the tag.
        Mp3File f(path.c_str(), nullptr, MMIO_READWRITE);
        ASSERT_TRUE(f.open());
        EXPECT_EQ(f.GetCommentCount(), 30);
        ASSERT_TRUE(f.close());
    }
    EXPECT_FALSE(FileExists(journal.c_str()));
    Mp3File g(path.c_str(), nullptr, MMIO_READ);
    ASSERT_TRUE(g.open());
    EXPECT_EQ(g.GetCommentCount(), 30);
    EXPECT_EQ(g.GetDataSize(), audio.size());
}

TEST_F(Mp3Recovery, TagsIdNotTakeSafelyStillOpenAndKeepTheirFrames)
{
    using id3build::Frame;
    Frame compressed;
    compressed.id = "TIT2";
    compressed.payload = id3build::Text("Squeezed");
    compressed.compress = true;
    Frame theirs;
    theirs.id = "PRIV";
    theirs.payload = id3build::Priv("other.example", std::string(5000, 'z'));
    theirs.compress = true;
    Frame v22;
    v22.id = "XYZ";
    v22.payload = {1, 2, 3};
    Frame v22title;
    v22title.id = "TT2";
    v22title.payload = id3build::Text("Old");
    const Bytes audio = Joined(Encode(2, 44100, 128, 5));
    struct Case {
        const char* what;
        id3build::Tag tag;
        bool storesText;
    };
    const std::vector<Case> cases = {
        {"compressed frames", id3build::Tag{3, {compressed, theirs}, true, false, false, false, false, 100}, true},
        {"unknown 2.2 frame", id3build::Tag{2, {v22title, v22}}, false},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string path = dir.file("their" + std::to_string(n++) + ".mp3");
        Bytes file = id3build::BuildTag(c.tag);
        const std::size_t tagSize = file.size();
        Append(file, audio);
        testsupport::WriteAll(path, file);
        testsupport::SaveSeed("mp3_tags", path);
        {
            Mp3File f(path.c_str(), nullptr, MMIO_READWRITE);
            ASSERT_TRUE(f.open()) << c.what;
            EXPECT_EQ(f.GetDataOffset(), tagSize) << c.what;
            EXPECT_EQ(f.GetDataSize(), audio.size()) << c.what;
            EXPECT_EQ(Text(f, "title"), c.storesText ? "<null>" : "Old") << c.what;
            f.AddMarker(0, 1800000000, true);
            f.AddMarker(4000, 1800000010, true);
            EXPECT_EQ(f.close(), c.storesText) << c.what;
        }
        const Bytes after = testsupport::ReadAll(path);
        if (!c.storesText) {
            // Left as it was; the journal keeps the markers.
            EXPECT_EQ(after, file) << c.what;
            EXPECT_TRUE(FileExists(dir.file("their1.~p3").c_str()));
            continue;
        }
        Mp3File g(path.c_str(), nullptr, MMIO_READ);
        ASSERT_TRUE(g.open()) << c.what;
        EXPECT_EQ(g.GetMarkerCount(), 2) << c.what;
        EXPECT_EQ(g.GetDataSize(), audio.size()) << c.what;
        Bytes back(audio.size());
        ASSERT_TRUE(g.position(0));
        ASSERT_EQ(g.Read(back.data(), static_cast<LONG>(back.size())), static_cast<LONG>(audio.size()));
        EXPECT_EQ(back, audio);
        if (testsupport::HaveTool("mutagen-inspect")) {
            const std::string listing = testsupport::RunCapture("mutagen-inspect '" + path + "' 2>&1");
            EXPECT_NE(listing.find("TIT2=Squeezed"), std::string::npos) << listing;
            EXPECT_NE(listing.find("other.example"), std::string::npos) << listing;
            EXPECT_NE(listing.find(kTimecodeOwner), std::string::npos) << listing;
        }
    }
}

TEST_F(Mp3Recovery, AFalseSyncBehindTheTagStaysOutsideTheAudioWhenTheTagIsRewritten)
{
    const std::string path = dir.file("false.mp3");
    // A frame header that open passes over (its successor is missing) between
    // the tag and the real frames.
    Bytes junk(300, 0);
    junk[0] = 0xFF;
    junk[1] = 0xFB;
    junk[2] = 0x90;
    Bytes file = id3build::BuildTag(id3build::Tag{3, {}, false, false, false, false, false, 20});
    Append(file, junk);
    const Bytes audio = Joined(Encode(2, 44100, 128, 5));
    Append(file, audio);
    testsupport::WriteAll(path, file);
    DWORD size = 0;
    Bytes stream;
    {
        Mp3File f(path.c_str(), nullptr, MMIO_READWRITE);
        ASSERT_TRUE(f.open());
        ASSERT_GT(f.GetDataOffset(), 40u);
        size = f.GetDataSize();
        stream.assign(file.begin() + f.GetDataOffset(), file.end());
        ASSERT_TRUE(f.SetInfo("title", "Behind the junk"));
        f.AddMarker(0, 1800000000, true);
        ASSERT_TRUE(f.close());
    }
    // The stream as open found it is still whole, and the record behind it.
    const Bytes after = testsupport::ReadAll(path);
    ASSERT_GE(after.size(), stream.size() + 128);
    EXPECT_TRUE(std::equal(stream.begin(), stream.end(), after.end() - 128 - static_cast<long>(stream.size())));
    EXPECT_EQ(std::string(after.end() - 128, after.end() - 125), "TAG");
    Mp3File g(path.c_str(), nullptr, MMIO_READ);
    ASSERT_TRUE(g.open());
    EXPECT_EQ(g.GetDataSize(), size);
    EXPECT_EQ(Text(g, "title"), "Behind the junk");
    EXPECT_EQ(g.GetMarkerCount(), 1);
}
