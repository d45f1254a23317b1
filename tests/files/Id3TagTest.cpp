// ID3v2 items: only our own PRIV frame is read and replaced, others and the audio stay, another reader agrees.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "files/Id3Tag.h"
#include "files/Id3v2Scan.h"
#include "tests/files/Id3TagBuilder.h"
#include "tests/support/TestSupport.h"

namespace {
std::vector<std::uint8_t> SomeFrames()
{
    std::vector<std::uint8_t> out;
    for (int i = 0; i < 10; ++i) {
        std::vector<std::uint8_t> f(417, 0);
        f[0] = 0xFF;
        f[1] = 0xFB;
        f[2] = 0x90;
        out.insert(out.end(), f.begin(), f.end());
    }
    return out;
}

void PutBE32(std::vector<std::uint8_t>& v, std::uint32_t x)
{
    for (int i = 3; i >= 0; --i) {
        v.push_back(static_cast<std::uint8_t>(x >> (8 * i)));
    }
}

// An ID3v2.3 tag holding one PRIV frame of another program, then audio.
std::vector<std::uint8_t> FileWithForeignPriv(const std::string& owner, const std::string& data)
{
    std::vector<std::uint8_t> frame = {'P', 'R', 'I', 'V'};
    const std::uint32_t size = static_cast<std::uint32_t>(owner.size() + 1 + data.size());
    PutBE32(frame, size);
    frame.push_back(0);
    frame.push_back(0);
    frame.insert(frame.end(), owner.begin(), owner.end());
    frame.push_back(0);
    frame.insert(frame.end(), data.begin(), data.end());
    const std::uint32_t tagSize = static_cast<std::uint32_t>(frame.size() + 64);  // with padding
    const auto audio = SomeFrames();
    // Sized once and filled in place: GCC 12 misreads inserts into small vectors.
    std::vector<std::uint8_t> out(10 + tagSize + audio.size(), 0);
    const std::uint8_t header[10] = {'I', 'D', '3', 3, 0, 0,
                                     static_cast<std::uint8_t>((tagSize >> 21) & 0x7F),
                                     static_cast<std::uint8_t>((tagSize >> 14) & 0x7F),
                                     static_cast<std::uint8_t>((tagSize >> 7) & 0x7F),
                                     static_cast<std::uint8_t>(tagSize & 0x7F)};
    std::copy(std::begin(header), std::end(header), out.begin());
    std::copy(frame.begin(), frame.end(), out.begin() + 10);
    std::copy(audio.begin(), audio.end(), out.begin() + 10 + tagSize);
    return out;
}

std::string Read(const std::string& path, Mp3TagItem item)
{
    std::unique_ptr<char[]> text(ReadId3v2Item(path.c_str(), item));
    return text ? std::string(text.get()) : std::string("<null>");
}
}

TEST(Id3Tag, ItemTable)
{
    Mp3TagItem item;
    ASSERT_TRUE(FindMp3TagItem("TITLE", item));
    EXPECT_EQ(item, Mp3TagItem::Title);
    ASSERT_TRUE(FindMp3TagItem("name", item));
    EXPECT_EQ(item, Mp3TagItem::Title);
    ASSERT_TRUE(FindMp3TagItem("Fennwicke Timecode", item));
    EXPECT_EQ(item, Mp3TagItem::Timecode);
    EXPECT_FALSE(FindMp3TagItem("genre", item));
    EXPECT_FALSE(FindMp3TagItem(nullptr, item));
    EXPECT_STREQ(Mp3TagItemId3v1Field(Mp3TagItem::Year), "year");
    EXPECT_EQ(Mp3TagItemId3v1Field(Mp3TagItem::Software), nullptr);
    EXPECT_EQ(std::strlen(kTimecodeOwner), 24u);
}

TEST(Id3Tag, OnlyOurOwnPrivFrameIsReadAndReplaced)
{
    testsupport::TempDir dir;
    const std::string path = dir.file("foreign.mp3");
    testsupport::WriteAll(path, FileWithForeignPriv("other.example/app", "THEIR DATA"));

    // Another program's PRIV frame is not our timecode text.
    EXPECT_EQ(Read(path, Mp3TagItem::Timecode), "<null>");

    ASSERT_EQ(WriteId3v2Item(path.c_str(), Mp3TagItem::Timecode, "SAMPLE TIMECODE\r\n0 5\r\n", true),
              Id3WriteResult::Written);
    EXPECT_EQ(Read(path, Mp3TagItem::Timecode), "SAMPLE TIMECODE\r\n0 5\r\n");
    ASSERT_EQ(WriteId3v2Item(path.c_str(), Mp3TagItem::Timecode, "SAMPLE TIMECODE\r\n", true),
              Id3WriteResult::Written);
    EXPECT_EQ(Read(path, Mp3TagItem::Timecode), "SAMPLE TIMECODE\r\n");

    // The foreign frame is still there, once, with its data; ours is there once.
    const std::vector<std::uint8_t> bytes = testsupport::ReadAll(path);
    const std::string all(bytes.begin(), bytes.end());
    EXPECT_NE(all.find("other.example/app"), std::string::npos);
    EXPECT_NE(all.find("THEIR DATA"), std::string::npos);
    const std::size_t ours = all.find(kTimecodeOwner);
    ASSERT_NE(ours, std::string::npos);
    EXPECT_EQ(all.find(kTimecodeOwner, ours + 1), std::string::npos);
    testsupport::SaveSeed("mp3_scanner", path);
}

TEST(Id3Tag, TextFramesAreNotReplacedAndIndependentReaderAgrees)
{
    TAPVOX_REQUIRE_TOOL("id3v2");
    testsupport::TempDir dir;
    const std::string path = dir.file("tags.mp3");
    testsupport::WriteAll(path, SomeFrames());
    EXPECT_EQ(Read(path, Mp3TagItem::Title), "<null>");
    ASSERT_EQ(WriteId3v2Item(path.c_str(), Mp3TagItem::Title, "My Title", true), Id3WriteResult::Written);
    EXPECT_EQ(WriteId3v2Item(path.c_str(), Mp3TagItem::Title, "Other", true), Id3WriteResult::Exists);
    ASSERT_EQ(WriteId3v2Item(path.c_str(), Mp3TagItem::Artist, "Me", true), Id3WriteResult::Written);
    ASSERT_EQ(WriteId3v2Item(path.c_str(), Mp3TagItem::Timecode, "SAMPLE TIMECODE\r\n", true),
              Id3WriteResult::Written);
    EXPECT_EQ(Read(path, Mp3TagItem::Title), "My Title");
    EXPECT_EQ(Read(path, Mp3TagItem::Artist), "Me");

    int status = 0;
    const std::string listing = testsupport::RunCapture("id3v2 -l '" + path + "' 2>&1", &status);
    EXPECT_NE(listing.find("TIT2"), std::string::npos) << listing;
    EXPECT_NE(listing.find("My Title"), std::string::npos) << listing;
    EXPECT_NE(listing.find("TPE1"), std::string::npos) << listing;
    EXPECT_NE(listing.find("PRIV"), std::string::npos) << listing;

    // Audio bytes behind the tag are untouched.
    const auto bytes = testsupport::ReadAll(path);
    const auto audio = SomeFrames();
    ASSERT_GE(bytes.size(), audio.size());
    EXPECT_TRUE(std::equal(audio.begin(), audio.end(), bytes.end() - static_cast<long>(audio.size())));
}

TEST(Id3Tag, RenderOffWritesNothingAndBadFilesFailQuietly)
{
    testsupport::TempDir dir;
    const std::string path = dir.file("plain.mp3");
    testsupport::WriteAll(path, SomeFrames());
    EXPECT_EQ(WriteId3v2Item(path.c_str(), Mp3TagItem::Title, "x", false), Id3WriteResult::NotRendered);
    EXPECT_EQ(testsupport::ReadAll(path), SomeFrames());

    // A tag header whose size runs past the end of the file.
    std::vector<std::uint8_t> broken = {'I', 'D', '3', 3, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F, 'T', 'I', 'T', '2'};
    const std::string bad = dir.file("broken.mp3");
    testsupport::WriteAll(bad, broken);
    EXPECT_EQ(Read(bad, Mp3TagItem::Title), "<null>");
    EXPECT_EQ(Read(dir.file("missing.mp3"), Mp3TagItem::Title), "<null>");
}

namespace {
struct StoredPriv {
    const char* name;
    int version;
    id3build::Frame frame;  // our PRIV frame as another program stored it
    Id3WriteResult expected;
};

void PrintTo(const StoredPriv& c, std::ostream* os) { *os << c.name; }

class OwnPrivStored : public ::testing::TestWithParam<StoredPriv> {};

std::vector<std::uint8_t> TaggedFile(int version, const id3build::Frame& priv)
{
    id3build::Tag tag;
    tag.version = version;
    tag.frames = {id3build::Frame{"TIT2", id3build::Text("Their title")}, priv};
    tag.padding = 32;
    std::vector<std::uint8_t> out = id3build::BuildTag(tag);
    const std::vector<std::uint8_t> audio = SomeFrames();
    std::vector<std::uint8_t> all(out.size() + audio.size());
    std::copy(out.begin(), out.end(), all.begin());
    std::copy(audio.begin(), audio.end(), all.begin() + static_cast<long>(out.size()));
    return all;
}

int PrivFrames(const std::string& path)
{
    const std::vector<std::uint8_t> bytes = testsupport::ReadAll(path);
    const Id3v2Scan scan = ScanId3v2(bytes);
    return static_cast<int>(std::count_if(scan.frames.begin(), scan.frames.end(),
                                          [](const Id3v2Frame& f) { return f.id == "PRIV"; }));
}
}

TEST_P(OwnPrivStored, IsReadAndReplacedNeverDoubled)
{
    const StoredPriv& c = GetParam();
    testsupport::TempDir dir;
    const std::string path = dir.file("retagged.mp3");
    testsupport::WriteAll(path, TaggedFile(c.version, c.frame));
    const std::vector<std::uint8_t> before = testsupport::ReadAll(path);
    const std::string title = Read(path, Mp3TagItem::Title);
    ASSERT_EQ(PrivFrames(path), 1);
    if (c.expected == Id3WriteResult::Written) {
        EXPECT_EQ(Read(path, Mp3TagItem::Timecode), "SAMPLE TIMECODE\r\n0 5\r\n") << "read as stored";
    }

    const char* next = "SAMPLE TIMECODE\r\n0 9\r\n";
    EXPECT_EQ(WriteId3v2Item(path.c_str(), Mp3TagItem::Timecode, next, true), c.expected);
    EXPECT_EQ(PrivFrames(path), 1) << "one private frame of ours, whatever the write did";
    if (c.expected == Id3WriteResult::Written) {
        EXPECT_EQ(Read(path, Mp3TagItem::Timecode), next);
        EXPECT_EQ(Read(path, Mp3TagItem::Title), title);
        const std::vector<std::uint8_t> after = testsupport::ReadAll(path);
        EXPECT_NE(std::string(after.begin(), after.end()).find("Their title"), std::string::npos);
    } else {
        // A frame that may be ours and cannot be read: the tag stays as it was.
        EXPECT_EQ(testsupport::ReadAll(path), before);
    }
}

namespace {
id3build::Frame OwnPriv(bool compress, bool group = false, bool unsync = false, bool encrypt = false)
{
    id3build::Frame f{"PRIV", id3build::Priv(kTimecodeOwner, std::string("SAMPLE TIMECODE\r\n0 5\r\n") + '\0')};
    f.compress = compress;
    f.group = group;
    f.unsync = unsync;
    f.encrypt = encrypt;
    return f;
}
}

INSTANTIATE_TEST_SUITE_P(
    Flags, OwnPrivStored,
    ::testing::Values(StoredPriv{"Compressed23", 3, OwnPriv(true), Id3WriteResult::Written},
                      StoredPriv{"CompressedGrouped23", 3, OwnPriv(true, true), Id3WriteResult::Written},
                      StoredPriv{"Compressed24", 4, OwnPriv(true), Id3WriteResult::Written},
                      StoredPriv{"CompressedGroupedUnsync24", 4, OwnPriv(true, true, true), Id3WriteResult::Written},
                      StoredPriv{"Encrypted23", 3, OwnPriv(false, false, false, true), Id3WriteResult::Refused},
                      StoredPriv{"Encrypted24", 4, OwnPriv(false, false, false, true), Id3WriteResult::Refused}),
    [](const ::testing::TestParamInfo<StoredPriv>& info) { return std::string(info.param.name); });
