// The timecode text and its signature against hashlib, times past 2038, the companion journal, and SHA-1.
#include <gtest/gtest.h>

#include <string>

#include "files/FileNames.h"
#include "files/SigningSeed.h"
#include "platform/kernel/Clock.h"
#include "tests/files/MemoryRecFile.h"
#include "tests/files/WaveTestUtil.h"
#include "tests/support/TestSupport.h"

namespace {
class Timecode : public ::testing::Test {
protected:
    void SetUp() override { platform::UseManualClock(1700000000); }
    void TearDown() override { platform::UseSystemClock(); }
};

// A signing file (opened empty) holding n bytes of audio.
void Record(MemoryRecFile& f, std::size_t n)
{
    f.open();
    std::vector<std::uint8_t> bytes(n);
    for (std::size_t i = 0; i < n; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 7);
    }
    f.Write(bytes.data(), static_cast<LONG>(n));
}

std::string Hex(const std::uint8_t* d) { return testsupport::Hex(d, 20); }

// SHA-1 of seed + audio + the given markers, computed by python's hashlib.
std::string IndependentDigest(const std::vector<std::uint8_t>& audio, const std::vector<TimeMarker>& listed)
{
    testsupport::TempDir dir;
    std::vector<std::uint8_t> all;
    const std::string seed = SigningSeed();
    all.insert(all.end(), seed.begin(), seed.end());
    all.insert(all.end(), audio.begin(), audio.end());
    for (const auto& m : listed) {
        for (int i = 0; i < 4; ++i) {
            all.push_back(static_cast<std::uint8_t>(m.position >> (8 * i)));
        }
        all.insert(all.end(), 4, 0);
        for (int i = 0; i < 8; ++i) {
            all.push_back(static_cast<std::uint8_t>(static_cast<std::uint64_t>(m.time) >> (8 * i)));
        }
    }
    testsupport::WriteAll(dir.file("in"), all);
    std::string out = testsupport::RunCapture(
        "python3 -c 'import hashlib,sys; print(hashlib.sha1(open(sys.argv[1],\"rb\").read()).hexdigest())' " +
        dir.file("in"));
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) {
        out.pop_back();
    }
    return out;
}

std::vector<std::uint8_t> WithSelector(std::uint8_t selector, const std::vector<std::uint8_t>& bytes)
{
    std::vector<std::uint8_t> out(bytes.size() + 1);
    out[0] = selector;
    std::copy(bytes.begin(), bytes.end(), out.begin() + 1);
    return out;
}

std::string SignatureOf(const std::string& text)
{
    const std::size_t at = text.find("SIGNATURE ");
    return at == std::string::npos ? std::string() : text.substr(at + 10, 40);
}
}

TEST_F(Timecode, TextListsMarkersWithASpanAndComments)
{
    MemoryRecFile f;
    Record(f, 400);
    f.AddMarker(0, 1111);
    f.AddMarker(100, 2222);
    f.AddMarker(400, 3333);  // at the end: span 0, not listed
    f.AddComment("hello", 100, 0);
    f.update();
    const std::string& t = f.text;
    EXPECT_EQ(t.substr(0, 35), "SAMPLE TIMECODE\r\n0 1111\r\n100 2222\r\n");
    EXPECT_NE(t.find("COMMENT 100\t0\thello\r\n"), std::string::npos) << t;
    EXPECT_EQ(t.find("400 3333"), std::string::npos);
    EXPECT_EQ(SignatureOf(t).size(), 40u);
    EXPECT_EQ(t.substr(t.size() - 2), "\r\n");
}

TEST_F(Timecode, OpenCommentIsWrittenWithEndZero)
{
    MemoryRecFile f;
    Record(f, 400);
    f.SetText("SAMPLE TIMECODE\r\n");
    f.AddComment("hello", 100, 0);
    ASSERT_EQ(f.GetCommentEndAt(0), 0u);  // the only comment: open
    f.update();
    EXPECT_NE(f.text.find("COMMENT 100\t0\thello\r\n"), std::string::npos) << f.text;
}

TEST_F(Timecode, LoadSkipsEventAndStationLinesAndStopsAtUnknown)
{
    MemoryRecFile f;
    f.data.assign(1000, 1);
    f.SetText("SAMPLE TIMECODE\r\n0 10\r\nEVENT x\r\n200 20\r\nstation 4\r\n300 30\r\nCOMMENT 5\t50\tnote here\r\n"
              "bogus\r\n600 60\r\n");
    f.open();
    ASSERT_EQ(f.GetMarkerCount(), 3);
    EXPECT_EQ(f.GetMarkerTime(2), 30);
    ASSERT_EQ(f.GetCommentCount(), 1);
    EXPECT_STREQ(f.GetCommentTextAt(0), "note here");
    EXPECT_FALSE(f.IsSigning());
}

TEST_F(Timecode, ShortSignatureLoadsMissingBytesAsZero)
{
    MemoryRecFile f;
    f.data.assign(10, 1);
    f.SetText("SAMPLE TIMECODE\r\n0 10\r\nSIGNATURE 0102zz04\r\n");
    f.open();
    const std::uint8_t* d = f.GetDigest();
    EXPECT_EQ(d[0], 1);
    EXPECT_EQ(d[1], 2);
    EXPECT_EQ(d[2], 0);
    EXPECT_EQ(d[3], 4);
    EXPECT_EQ(d[4], 0);
    EXPECT_EQ(d[19], 0);
}

TEST_F(Timecode, TimesAfter2038ComeBackWhole)
{
    MemoryRecFile f;
    Record(f, 1000);
    const __time64_t late = 4102444800;  // 2100-01-01
    f.AddMarker(0, late);
    f.AddMarker(500, late + 1);
    f.update();
    EXPECT_NE(f.text.find("0 4102444800\r\n"), std::string::npos) << f.text;

    MemoryRecFile g;
    g.data = f.data;
    g.SetText(f.text);
    g.open();
    ASSERT_EQ(g.GetMarkerCount(), 2);
    EXPECT_EQ(g.GetMarkerTime(0), late);
    EXPECT_EQ(g.GetMarkerTime(1), late + 1);
}

TEST_F(Timecode, LongCommentIsCutButKeepsItsLineEnd)
{
    MemoryRecFile f;
    Record(f, 1000);
    f.AddMarker(0, 10);
    f.AddComment(std::string(400, 'x').c_str(), 100, 200);
    f.AddComment("after", 300, 400);
    f.update();
    std::size_t start = 0;
    while (start < f.text.size()) {
        const std::size_t lf = f.text.find('\n', start);
        ASSERT_NE(lf, std::string::npos);
        EXPECT_LE(lf + 1 - start, 258u);
        EXPECT_EQ(f.text[lf - 1], '\r');
        start = lf + 1;
    }
    MemoryRecFile g;
    g.data = f.data;
    g.SetText(f.text);
    g.open();
    ASSERT_EQ(g.GetCommentCount(), 2);
    EXPECT_STREQ(g.GetCommentTextAt(1), "after");
    EXPECT_EQ(std::string(g.GetCommentTextAt(0)), std::string(258 - 2 - 16, 'x'));
    EXPECT_EQ(Hex(g.GetDigest()), SignatureOf(f.text));
}

TEST_F(Timecode, DigestCoversExactlyTheListedMarkers)
{
    MemoryRecFile f;
    Record(f, 400);
    f.AddMarker(0, 1111);
    f.AddMarker(100, 2222);
    f.AddMarker(400, 3333);  // span 0: not in the text, so not in the digest
    f.update();
    EXPECT_FALSE(f.VerifySignature());
    EXPECT_EQ(SignatureOf(f.text), IndependentDigest(f.data, {{0, 0, 1111}, {100, 0, 2222}}));
    testsupport::SaveSeedBytes("timecode", "signed", WithSelector(0, {f.text.begin(), f.text.end()}));

    // The recording as found later: loaded from its text, untouched, it verifies.
    MemoryRecFile g;
    g.data = f.data;
    g.SetText(f.text);
    g.open();
    EXPECT_FALSE(g.VerifySignature());
    g.data[10] ^= 1;
    EXPECT_TRUE(g.VerifySignature());
}

TEST_F(Timecode, DigestFollowsTheAudioAsItStands)
{
    MemoryRecFile f;
    Record(f, 3000);
    f.AddMarker(0, 1111);
    f.update();
    EXPECT_EQ(SignatureOf(f.text), IndependentDigest(f.data, {{0, 0, 1111}}));

    // Loop mode overwrites audio that is already in the running digest.
    f.SetOverwrite(true);
    f.position(1000);
    std::vector<std::uint8_t> over(500, 0xAB);
    f.Write(over.data(), 500);
    f.SetOverwrite(false);
    f.update();
    EXPECT_EQ(SignatureOf(f.text), IndependentDigest(f.data, {{0, 0, 1111}}));

    // A cut, then more audio.
    f.SetDataSize(2000);
    std::vector<std::uint8_t> more(700, 0x11);
    f.Write(more.data(), 700);
    f.update();
    EXPECT_EQ(f.data.size(), 2700u);
    EXPECT_EQ(SignatureOf(f.text), IndependentDigest(f.data, {{0, 0, 1111}}));
    EXPECT_FALSE(f.VerifySignature());
}

TEST_F(Timecode, SignedRecordingLoadedAndSavedKeepsItsText)
{
    MemoryRecFile f;
    Record(f, 1000);
    f.AddMarker(0, 1111);
    f.AddMarker(300, 2222);
    f.update();
    ASSERT_FALSE(SignatureOf(f.text).empty());

    MemoryRecFile g;
    g.data = f.data;
    g.SetText(f.text);
    g.open();
    EXPECT_FALSE(g.IsDirty());  // markers without comments leave it clean
    g.update();
    EXPECT_EQ(g.text, f.text);
}

TEST_F(Timecode, CompanionFileJournalsTheLists)
{
    testsupport::TempDir dir;
    const std::string rec = dir.file("take.wav");
    {
        MemoryRecFile f(rec.c_str());
        Record(f, 1000);
        f.AddMarker(0, 1111);
        f.AddMarker(400, 2222);
        f.AddComment("c1", 10, 20);
        f.update();
        EXPECT_STREQ(f.GetMarkerFileName(), dir.file("take.~av").c_str());
        const auto b = testsupport::ReadAll(dir.file("take.~av"));
        ASSERT_GE(b.size(), 5u);
        EXPECT_EQ(b[0], 1);
        EXPECT_EQ(b[1] | b[2] | b[3], 0);
        const std::string text(b.begin() + 4, b.end());
        EXPECT_EQ(std::string(text.c_str()), "SAMPLE\tTIMECODE\r\n0\t1111\r\n400\t2222\r\nCOMMENT 10\t20\tc1\r\n");
        // Seeds of the fuzz target: a selector byte (1 companion, 0 text), then the bytes.
        testsupport::SaveSeedBytes("timecode", "companion", WithSelector(1, b));
    }
    // A normal end removes the journal.
    EXPECT_FALSE(FileExists(dir.file("take.~av").c_str()));
}

TEST_F(Timecode, ListsComeBackFromTheCompanionWhenTheTextIsMissing)
{
    testsupport::TempDir dir;
    const std::string rec = dir.file("take.wav");
    std::vector<std::uint8_t> journal = {1, 0, 0, 0};
    const std::string text = "SAMPLE\tTIMECODE\r\n0\t5\r\n600\t7\r\nCOMMENT 1\t2\tx\r\n";
    journal.insert(journal.end(), text.begin(), text.end());
    journal.push_back(0);
    journal.insert(journal.end(), {'9', '9', '\r', '\n'});  // an older, longer content after the NUL
    testsupport::WriteAll(dir.file("take.~av"), journal);
    MemoryRecFile f(rec.c_str());
    f.data.assign(1000, 3);
    f.open();
    ASSERT_EQ(f.GetMarkerCount(), 2);
    EXPECT_EQ(f.GetMarkerPosition(1), 600u);
    EXPECT_EQ(f.GetCommentCount(), 1);
    EXPECT_TRUE(f.IsDirty());  // restored lists go into the recording at the next update
}

TEST_F(Timecode, CompanionOfAnotherVersionIsIgnored)
{
    testsupport::TempDir dir;
    const std::string rec = dir.file("take.wav");
    std::vector<std::uint8_t> journal = {2, 0, 0, 0};
    const std::string text = "SAMPLE\tTIMECODE\r\n0\t5\r\n";
    journal.insert(journal.end(), text.begin(), text.end());
    journal.push_back(0);
    testsupport::WriteAll(dir.file("take.~av"), journal);
    MemoryRecFile f(rec.c_str());
    f.data.assign(1000, 3);
    f.open();
    EXPECT_EQ(f.GetMarkerCount(), 0);
    EXPECT_FALSE(f.ReadMarkerFile());
}

TEST_F(Timecode, NoCompanionWithoutAThreeLetterExtension)
{
    EXPECT_EQ(RecFile::MarkerFileNameFor("/a/b.mp3"), "/a/b.~p3");
    EXPECT_EQ(RecFile::MarkerFileNameFor("/a/b.flac"), "");
    EXPECT_EQ(RecFile::MarkerFileNameFor("/a/b"), "");
}

TEST(SigningSeedTest, SixLettersNotStoredWhole)
{
    const std::string seed = SigningSeed();
    ASSERT_EQ(seed.size(), 6u);
    for (char c : seed) {
        EXPECT_TRUE((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'));
    }
    EXPECT_EQ(SigningSeed(), seed);
}
