// The bounded ID3v2 reader and the frame-keeping writer over tags of every
// version, checked against their bytes and against mutagen.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "files/Id3Tag.h"
#include "files/Id3v2Scan.h"
#include "tests/files/Id3TagBuilder.h"
#include "tests/support/TestSupport.h"

using id3build::Bytes;
using id3build::Frame;
using id3build::Tag;

namespace {
Bytes FakeAudio()
{
    Bytes out;
    for (int i = 0; i < 10; ++i) {
        Bytes f(417, 0);
        f[0] = 0xFF;
        f[1] = 0xFB;
        f[2] = 0x90;
        out.insert(out.end(), f.begin(), f.end());
    }
    return out;
}

Bytes WithAudio(Bytes tag)
{
    const Bytes audio = FakeAudio();
    tag.insert(tag.end(), audio.begin(), audio.end());
    return tag;
}

bool Contains(const Bytes& hay, const Bytes& needle)
{
    return std::search(hay.begin(), hay.end(), needle.begin(), needle.end()) != hay.end();
}

std::string ReadItem(const std::string& path, Mp3TagItem item)
{
    std::unique_ptr<char[]> text(ReadId3v2Item(path.c_str(), item));
    return text ? std::string(text.get()) : std::string("<null>");
}

// Every frame mutagen finds, one "ID=text" line each (PRIV: owner and data).
std::string Mutagen(const std::string& path)
{
    const std::string script =
        "import sys\n"
        "from mutagen.id3 import ID3\n"
        "t = ID3(sys.argv[1])\n"
        "print('version', t.version[1])\n"
        "for f in t.getall('PRIV'): print('PRIV=' + f.owner + '=' + repr(f.data.rstrip(bytes(1))))\n"
        "for k in sorted(t.keys()):\n"
        "    if not k.startswith('PRIV'): print(k.split(':')[0] + '=' + str(t[k]))\n";
    testsupport::WriteAll(path + ".py", Bytes(script.begin(), script.end()));
    return testsupport::RunCapture("/usr/bin/python3 '" + path + ".py' '" + path + "' 2>&1");
}

bool HaveMutagen() { return testsupport::RunCapture("/usr/bin/python3 -c 'import mutagen' 2>&1").empty(); }

Frame Plain(const std::string& id, Bytes payload)
{
    Frame f;
    f.id = id;
    f.payload = std::move(payload);
    return f;
}
}

TEST(Id3v2Scan, VerdictsOverVersionsFlagsAndSizeLies)
{
    struct Case {
        const char* what;
        Tag tag;
        Id3v2Verdict verdict;
    };
    Frame compressed = Plain("TIT2", id3build::Text("Squeezed title"));
    compressed.compress = true;
    Frame encrypted = Plain("TPE1", id3build::Text("Hidden"));
    encrypted.encrypt = true;
    Frame lie = Plain("TIT2", id3build::Text("Liar"));
    lie.sizeLie = 400;
    Frame preserve = Plain("TALB", id3build::Text("Kept"));
    preserve.status = 0x80;
    const Frame title = Plain("TIT2", id3build::Text("Title"));
    const Frame ours = Plain("PRIV", id3build::Priv(kTimecodeOwner, "SAMPLE TIMECODE\r\n"));
    std::vector<Case> cases = {
        {"plain 2.3", Tag{3, {title, ours}, false, false, false, false, false, 64}, Id3v2Verdict::Id3libSafe},
        {"unsynchronised 2.3", Tag{3, {title, ours}, true, false, false, false, false, 8}, Id3v2Verdict::Id3libSafe},
        {"known 2.2", Tag{2, {Plain("TT2", id3build::Text("Old"))}}, Id3v2Verdict::Id3libSafe},
        {"compressed frame", Tag{3, {compressed, ours}}, Id3v2Verdict::Editable},
        {"encrypted frame", Tag{3, {title, encrypted}}, Id3v2Verdict::Editable},
        {"status flags", Tag{3, {preserve}}, Id3v2Verdict::Editable},
        {"unknown 2.3 frame", Tag{3, {Plain("XQZW", {1, 2, 3})}}, Id3v2Verdict::Editable},
        {"empty frame", Tag{3, {Plain("TIT2", {})}}, Id3v2Verdict::Editable},
        {"extended 2.3", Tag{3, {title}, false, true, false, false, false, 32}, Id3v2Verdict::Editable},
        {"2.4", Tag{4, {title}, false, false, false, false, false, 16}, Id3v2Verdict::Editable},
        {"2.4 footer", Tag{4, {title}, false, true, false, true}, Id3v2Verdict::Editable},
        {"unknown 2.2 frame", Tag{2, {Plain("TT2", id3build::Text("x")), Plain("XYZ", {9})}},
         Id3v2Verdict::Untouchable},
        {"2.3 checksum", Tag{3, {title}, false, true, true, false, false, 0}, Id3v2Verdict::Untouchable},
        {"2.4 checksum", Tag{4, {title}, false, true, true}, Id3v2Verdict::Untouchable},
        {"frame size past the tag", Tag{3, {title, lie}}, Id3v2Verdict::Untouchable},
        {"tag size past the file", Tag{3, {title}, false, false, false, false, false, 0, 5000},
         Id3v2Verdict::Untouchable},
    };
    for (const Case& c : cases) {
        const Bytes file = WithAudio(id3build::BuildTag(c.tag));
        testsupport::SaveSeedBytes("mp3_tags", "scan" + std::to_string(&c - cases.data()) + ".mp3", file);
        const Id3v2Scan scan = ScanId3v2(file);
        EXPECT_EQ(scan.verdict, c.verdict) << c.what << ": " << scan.problem;
        EXPECT_EQ(scan.problem.empty(), c.verdict == Id3v2Verdict::Id3libSafe) << c.what;
    }
    EXPECT_EQ(ScanId3v2(FakeAudio()).verdict, Id3v2Verdict::None);

    // Bytes after the frames that are not padding, a frame id of other
    // characters, unknown flags: nothing to be trusted.
    Bytes junk = id3build::BuildTag(Tag{3, {title}, false, false, false, false, false, 16});
    junk[junk.size() - 3] = 'x';
    EXPECT_EQ(ScanId3v2(WithAudio(junk)).verdict, Id3v2Verdict::Untouchable);
    Bytes badId = id3build::BuildTag(Tag{3, {title}});
    badId[10] = 't';
    EXPECT_EQ(ScanId3v2(WithAudio(badId)).verdict, Id3v2Verdict::Untouchable);
    Bytes badFlags = id3build::BuildTag(Tag{3, {title}});
    badFlags[19] = 0x01;
    EXPECT_EQ(ScanId3v2(WithAudio(badFlags)).verdict, Id3v2Verdict::Untouchable);
    Bytes version5 = id3build::BuildTag(Tag{3, {title}});
    version5[3] = 5;
    EXPECT_EQ(ScanId3v2(WithAudio(version5)).verdict, Id3v2Verdict::Untouchable);
}

TEST(Id3v2Scan, PayloadsAreUnsynchronisedAndStoredPositionsMapBack)
{
    // Bytes that unsynchronisation must change, in a 2.3 tag unsynchronised
    // as a whole and in 2.4 frames unsynchronised one by one.
    const Bytes tricky = {'a', 0xFF, 0x00, 'b', 0xFF, 0xE2, 'c', 0xFF};
    const std::string data(tricky.begin(), tricky.end());
    for (int version : {3, 4}) {
        Frame first = Plain("PRIV", id3build::Priv("other", data));
        first.unsync = version == 4;
        Frame ours = Plain("PRIV", id3build::Priv(kTimecodeOwner, data));
        ours.unsync = version == 4;
        ours.dataLength = version == 4;
        Frame grouped = Plain("TALB", id3build::Text("Grouped"));
        grouped.group = true;
        const Bytes tag = id3build::BuildTag(Tag{version, {first, grouped, ours}, version == 3, false, false, false,
                                                 false, 4});
        const Id3v2Scan scan = ScanId3v2(WithAudio(tag));
        ASSERT_EQ(scan.frames.size(), 3u) << version << " " << scan.problem;
        for (std::size_t i : {0u, 2u}) {
            const std::optional<Bytes> payload = Id3v2FramePayload(scan, scan.frames[i]);
            ASSERT_TRUE(payload) << version;
            EXPECT_TRUE(std::equal(tricky.begin(), tricky.end(), payload->end() - static_cast<long>(tricky.size())))
                << version;
        }
        EXPECT_EQ(*Id3v2FramePayload(scan, scan.frames[1]), id3build::Text("Grouped"));
        // The stored ranges cover the frames exactly, one after the other.
        EXPECT_EQ(scan.frames[0].rawBegin, 10u);
        EXPECT_EQ(scan.frames[0].rawEnd, scan.frames[1].rawBegin);
        EXPECT_EQ(scan.frames[2].rawEnd, scan.rawFramesEnd);
        EXPECT_EQ(scan.rawFramesEnd, tag.size() - 4);
        EXPECT_EQ(std::string(tag.begin() + static_cast<long>(scan.frames[1].rawBegin),
                              tag.begin() + static_cast<long>(scan.frames[1].rawBegin) + 4),
                  "TALB");
    }
    Frame compressed = Plain("PRIV", id3build::Priv(kTimecodeOwner, "x"));
    compressed.compress = true;
    const Id3v2Scan scan = ScanId3v2(WithAudio(id3build::BuildTag(Tag{3, {compressed}})));
    ASSERT_EQ(scan.frames.size(), 1u);
    EXPECT_EQ(Id3v2FramePayload(scan, scan.frames[0]), id3build::Priv(kTimecodeOwner, "x"));
    // Inflated bytes that are not the size the frame declares are not its payload.
    Bytes lying = WithAudio(id3build::BuildTag(Tag{3, {compressed}}));
    lying[10 + 10 + 3] += 1;
    const Id3v2Scan lied = ScanId3v2(lying);
    ASSERT_EQ(lied.frames.size(), 1u);
    EXPECT_FALSE(Id3v2FramePayload(lied, lied.frames[0]));
}

TEST(Id3v2Tag, TimecodeGoesIntoTagsOfOtherProgramsAndTheirFramesStayAsStored)
{
    testsupport::TempDir dir;
    Frame compressed = Plain("TIT2", id3build::Text("Squeezed title"));
    compressed.compress = true;
    Frame encrypted = Plain("TPE1", id3build::Text("Hidden"));
    encrypted.encrypt = true;
    Frame v4unsync = Plain("TALB", id3build::Text("Album \xFF\xE0 here"));
    v4unsync.unsync = true;
    // mutagen reads a 2.3 tag unsynchronised as a whole frame by frame, so
    // bytes that unsynchronisation changes stay in the 2.4 frames here.
    const Frame unknown = Plain("XQZW", {0xFE, 0x00, 1});
    const Frame theirPriv = Plain("PRIV", id3build::Priv("other.example", "THEIRS"));
    const Frame oldOurs = Plain("PRIV", id3build::Priv(kTimecodeOwner, "SAMPLE TIMECODE\r\n0 1\r\n"));
    struct Case {
        const char* what;
        Tag tag;
    };
    const std::vector<Case> cases = {
        {"2.3 compressed, unsynchronised, extended",
         Tag{3, {compressed, theirPriv, unknown, oldOurs, encrypted}, true, true, false, false, false, 40}},
        {"2.3 compressed, no padding", Tag{3, {compressed, oldOurs, theirPriv}}},
        {"2.4 unsynchronised, extended, footer", Tag{4, {v4unsync, theirPriv, oldOurs}, true, true, false, true}},
        {"2.4 padded", Tag{4, {Plain("TIT2", id3build::Text("Four")), v4unsync, theirPriv}, false, false, false,
                           false, false, 3000}},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string path = dir.file("other" + std::to_string(n++) + ".mp3");
        const Bytes original = WithAudio(id3build::BuildTag(c.tag));
        testsupport::WriteAll(path, original);
        testsupport::SaveSeed("mp3_tags", path);
        const Id3v2Scan before = ScanId3v2(original);
        ASSERT_EQ(before.verdict, Id3v2Verdict::Editable) << c.what << before.problem;
        const std::string text = "SAMPLE TIMECODE\r\n0 1800000000\r\n" + std::string(c.tag.version == 3 ? 4000 : 10, 'x');
        ASSERT_EQ(WriteId3v2Item(path.c_str(), Mp3TagItem::Timecode, text.c_str(), true), Id3WriteResult::Written)
            << c.what;
        EXPECT_EQ(WriteId3v2Item(path.c_str(), Mp3TagItem::Title, "Ours", true),
                  c.tag.frames[0].id == "TIT2" ? Id3WriteResult::Exists : Id3WriteResult::Written)
            << c.what;
        EXPECT_EQ(ReadItem(path, Mp3TagItem::Timecode), text) << c.what;

        const Bytes after = testsupport::ReadAll(path);
        const Id3v2Scan scan = ScanId3v2(after);
        EXPECT_EQ(scan.version, c.tag.version) << c.what;
        EXPECT_EQ(scan.flags, before.flags) << c.what;
        // Every frame of theirs is there as it was stored; our old text is not.
        for (const Id3v2Frame& f : before.frames) {
            const Bytes stored(original.begin() + static_cast<long>(f.rawBegin),
                               original.begin() + static_cast<long>(f.rawEnd));
            const bool ours = f.id == "PRIV" && Contains(stored, Bytes(kTimecodeOwner, kTimecodeOwner + 24));
            EXPECT_EQ(Contains(after, stored), !ours) << c.what << " " << f.id;
        }
        const Bytes audio = FakeAudio();
        EXPECT_TRUE(std::equal(audio.begin(), audio.end(), after.end() - static_cast<long>(audio.size()))) << c.what;
        if (HaveMutagen()) {
            testsupport::WriteAll(path + ".before", original);
            const std::string earlier = Mutagen(path + ".before");
            const std::string listing = Mutagen(path);
            // Each frame mutagen read before is read after, but our old text.
            std::size_t from = 0;
            for (std::size_t lf; (lf = earlier.find('\n', from)) != std::string::npos; from = lf + 1) {
                const std::string line = earlier.substr(from, lf - from);
                if (line.find(kTimecodeOwner) == std::string::npos) {
                    EXPECT_NE(listing.find(line), std::string::npos) << c.what << ": " << line << "\n" << listing;
                }
            }
            EXPECT_NE(listing.find("PRIV=other.example=b'THEIRS'"), std::string::npos) << c.what << listing;
            EXPECT_NE(listing.find(std::string("PRIV=") + kTimecodeOwner + "=b'SAMPLE TIMECODE"), std::string::npos)
                << c.what << listing;
            if (c.tag.frames[0].id == "TIT2") {
                EXPECT_NE(listing.find("TIT2=" + std::string(c.tag.version == 3 ? "Squeezed title" : "Four")),
                          std::string::npos)
                    << c.what << listing;
            }
        }
    }
}

TEST(Id3v2Tag, TagsThatCannotBeRewrittenAreLeftAsTheyWere)
{
    testsupport::TempDir dir;
    const Frame title = Plain("TIT2", id3build::Text("Title"));
    Frame lie = Plain("TALB", id3build::Text("Liar"));
    lie.sizeLie = 400;
    const std::vector<Tag> tags = {
        Tag{2, {Plain("TT2", id3build::Text("x")), Plain("XYZ", {9})}},
        Tag{3, {title}, false, true, true},
        Tag{3, {title, lie}},
    };
    int n = 0;
    for (const Tag& t : tags) {
        const std::string path = dir.file("keep" + std::to_string(n++) + ".mp3");
        const Bytes original = WithAudio(id3build::BuildTag(t));
        testsupport::WriteAll(path, original);
        testsupport::SaveSeed("mp3_tags", path);
        EXPECT_EQ(WriteId3v2Item(path.c_str(), Mp3TagItem::Timecode, "SAMPLE TIMECODE\r\n", true),
                  Id3WriteResult::Refused);
        EXPECT_EQ(testsupport::ReadAll(path), original);
    }
    // What was walked before the damage is still read.
    EXPECT_EQ(ReadItem(dir.file("keep2.mp3"), Mp3TagItem::Title), "Title");
}
