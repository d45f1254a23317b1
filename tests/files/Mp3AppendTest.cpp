// Appending to MP3 files that other programs wrote (ffmpeg with its LAME
// encoder, lame itself; ID3v2.3 and ID3v2.4 tags; Info and Xing frames): every
// reader sees the whole length, their tags survive, our markers read back.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "files/Mp3File.h"
#include "files/Mp3InfoFrame.h"
#include "platform/kernel/Clock.h"
#include "tests/files/Mp3TestUtil.h"
#include "tests/support/TestSupport.h"

using namespace mp3test;

namespace {
constexpr double kFrame = 1152.0 / 44100;

struct Maker {
    const char* name;
    const char* tool;
    std::string command;  // %s: source WAV, %d: target MP3
    int tagVersion;
};

// Test names and messages print the maker's name rather than its bytes.
void PrintTo(const Maker& m, std::ostream* os) { *os << m.name; }

std::string Fill(std::string c, const std::string& wav, const std::string& mp3)
{
    c.replace(c.find("%s"), 2, "'" + wav + "'");
    c.replace(c.find("%d"), 2, "'" + mp3 + "'");
    return c;
}

double Number(const std::string& text) { return std::atof(text.c_str()); }

// Every frame mutagen lists, one "ID=text" line each, sorted.
std::string MutagenFrames(const std::string& path)
{
    return testsupport::RunCapture(
        "/usr/bin/python3 -c \"import sys\nfrom mutagen.id3 import ID3\nt = ID3(sys.argv[1])\n"
        "print('version', t.version[1])\n"
        "for k in sorted(t.keys()):\n    print(k + '=' + str(t[k])[:60].replace(chr(10), ' '))\" '" +
        path + "' 2>&1");
}

double MutagenLength(const std::string& path)
{
    return Number(testsupport::RunCapture(
        "/usr/bin/python3 -c \"import sys\nfrom mutagen.mp3 import MP3\nprint(MP3(sys.argv[1]).info.length)\" '" + path +
        "' 2>&1"));
}

class Mp3Append : public ::testing::TestWithParam<Maker> {
protected:
    void SetUp() override { platform::UseManualClock(1800000000); }
    void TearDown() override { platform::UseSystemClock(); }
    // Their 4 s of a stereo sine pair at 44.1 kHz, as the maker encodes it.
    void MakeTheirs(const std::string& path)
    {
        const std::string wav = dir.file("source.wav");
        int status = 0;
        testsupport::RunCapture("sox -n -r 44100 -c 2 -b 16 '" + wav + "' synth 4 sine 440 sine 660 2>&1", &status);
        ASSERT_EQ(status, 0);
        const std::string made = testsupport::RunCapture(Fill(GetParam().command, wav, path) + " 2>&1", &status);
        ASSERT_EQ(status, 0) << made;
    }
    testsupport::TempDir dir;
};

// 16-bit samples as a gapless decoder gives them, interleaved.
std::vector<std::int16_t> Decoded(const std::string& decoder, const std::string& mp3, const std::string& raw)
{
    const std::string command = decoder == "mpg123" ? "mpg123 -q -s '" + mp3 + "' > '" + raw + "'"
                                                    : "ffmpeg -v error -y -i '" + mp3 + "' -f s16le -c:a pcm_s16le '" + raw + "'";
    int status = 0;
    const std::string log = testsupport::RunCapture(command + " 2>&1", &status);
    EXPECT_EQ(status, 0) << log;
    const std::vector<std::uint8_t> bytes = testsupport::ReadAll(raw);
    std::vector<std::int16_t> out(bytes.size() / 2);
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = static_cast<std::int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    }
    return out;
}

// Stereo frames behind the last one that still carries the sine: how much of
// the encoder's quiet end follows the last sound.
std::size_t QuietEnd(const std::vector<std::int16_t>& s)
{
    std::size_t last = s.size();
    while (last > 0 && std::abs(s[last - 1]) < 2000) {
        --last;
    }
    return (s.size() - last) / 2;
}
}

TEST_P(Mp3Append, ThreeSecondsMoreReadEverywhereAndTheirTagsStay)
{
    const Maker& m = GetParam();
    TAPVOX_REQUIRE_TOOL(m.tool);
    TAPVOX_REQUIRE_TOOL("sox");
    const std::string path = dir.file("theirs.mp3");
    int status = 0;
    ASSERT_NO_FATAL_FAILURE(MakeTheirs(path));
    testsupport::SaveSeed("mp3_tags", path);
    const bool mutagen = testsupport::RunCapture("/usr/bin/python3 -c 'import mutagen' 2>&1").empty();
    const std::string framesBefore = mutagen ? MutagenFrames(path) : "";
    if (mutagen) {
        ASSERT_NE(framesBefore.find("version " + std::to_string(m.tagVersion)), std::string::npos) << framesBefore;
        ASSERT_NE(framesBefore.find("TIT2=Their title"), std::string::npos) << framesBefore;
    }

    const std::vector<Bytes> more = Encode(2, 44100, 128, 15);
    DWORD oldSize = 0;
    {
        Mp3File f(path.c_str(), nullptr, MMIO_READWRITE);
        ASSERT_TRUE(f.open()) << f.GetOpenError();
        oldSize = f.GetDataSize();
        f.AddMarker(0, 1800000000, true);
        f.AddMarker(oldSize, 1800000100, true);
        for (const Bytes& b : more) {
            ASSERT_EQ(f.Write(b.data(), static_cast<LONG>(b.size())), static_cast<LONG>(b.size()));
        }
        f.AddComment("appended", oldSize, 0, true);
        ASSERT_TRUE(f.close());
    }
    Mp3File g(path.c_str(), nullptr, MMIO_READ);
    ASSERT_TRUE(g.open());
    EXPECT_EQ(g.GetDataSize(), oldSize + Joined(more).size());
    ASSERT_EQ(g.GetMarkerCount(), 2);
    EXPECT_EQ(g.GetMarkerPosition(1), oldSize);
    EXPECT_EQ(g.GetMarkerTime(1), 1800000100);
    ASSERT_EQ(g.GetCommentCount(), 1);

    // 4 s of theirs and 3 s of ours, each with its encoder's start-up and
    // last frame. Readers that play gaplessly trim the delay the LAME tag
    // gives (the first session's) and no end padding; all within a frame.
    const Bytes bytes = testsupport::ReadAll(path);
    const std::size_t begin = g.GetDataOffset();
    const std::size_t end = begin + g.GetDataSize();
    std::size_t frames = 0;
    std::size_t infoAt = 0;
    for (std::size_t i = begin; i + 4 <= end;) {
        MpegFrameHeader h;
        if (bytes[i] == 0xFF && ParseMpegFrameHeader(&bytes[i], h) && i + h.frameLength <= end) {
            infoAt = frames == 0 ? i : infoAt;
            ++frames;
            i += h.frameLength;
        } else {
            ++i;
        }
    }
    const double full = (frames - 1) * kFrame;  // the information frame holds no audio
    const std::string first(bytes.begin() + static_cast<long>(infoAt), bytes.begin() + static_cast<long>(infoAt) + 417);
    const std::size_t lame = first.find("Info") != std::string::npos ? first.find("Info") : first.find("Xing");
    ASSERT_NE(lame, std::string::npos);
    const auto* tag = reinterpret_cast<const std::uint8_t*>(first.data()) + lame + 120;
    const int delay = (tag[21] << 4) | (tag[22] >> 4);
    const int padding = ((tag[22] & 0x0F) << 8) | tag[23];
    EXPECT_EQ(padding, 0) << "the end padding of the first session is inside the stream now";
    const double gapless = full - (delay + padding) / 44100.0;
    if (testsupport::HaveTool("mpg123") && testsupport::HaveTool("soxi")) {
        const std::string out = dir.file("decoded.wav");
        const std::string log = testsupport::RunCapture("mpg123 -w '" + out + "' '" + path + "' 2>&1", &status);
        EXPECT_EQ(status, 0) << log;
        EXPECT_EQ(log.find("Xing"), std::string::npos) << log;
        EXPECT_EQ(log.find("more data"), std::string::npos) << log;
        EXPECT_NEAR(Number(testsupport::RunCapture("soxi -D '" + out + "'")), gapless, kFrame) << m.name;
    }
    if (testsupport::HaveTool("ffprobe")) {
        const std::string d = testsupport::RunCapture(
            "ffprobe -v error -show_entries format=duration -of default=nw=1:nk=1 '" + path + "'");
        EXPECT_NEAR(Number(d), full, kFrame) << m.name;
    }
    if (testsupport::HaveTool("mediainfo")) {
        const std::string ms = testsupport::RunCapture("mediainfo --Inform='Audio;%Duration%' '" + path + "'");
        EXPECT_NEAR(Number(ms) / 1000, full, kFrame) << m.name;
    }
    if (mutagen) {
        // mutagen trims only behind a tag of LAME itself.
        const bool lameTag = std::string(reinterpret_cast<const char*>(tag), 4) == "LAME";
        EXPECT_NEAR(MutagenLength(path), lameTag ? gapless : full, kFrame) << m.name;
        // Their frames, as mutagen lists them, are all still there.
        const std::string after = MutagenFrames(path);
        std::size_t from = 0;
        for (std::size_t lf; (lf = framesBefore.find('\n', from)) != std::string::npos; from = lf + 1) {
            const std::string line = framesBefore.substr(from, lf - from);
            EXPECT_NE(after.find(line), std::string::npos) << m.name << ": " << line << "\n" << after;
        }
        EXPECT_NE(after.find("PRIV:"), std::string::npos) << after;
    }
    EXPECT_GE(full, 7.0);
    EXPECT_LE(full, 7.0 + 4 * kFrame);
}

TEST_P(Mp3Append, GaplessDecodersGiveEverySampleOfBothSessions)
{
    TAPVOX_REQUIRE_TOOL(GetParam().tool);
    TAPVOX_REQUIRE_TOOL("sox");
    const std::string path = dir.file("appended.mp3");
    ASSERT_NO_FATAL_FAILURE(MakeTheirs(path));
    const std::string theirs = dir.file("theirs.mp3");
    testsupport::WriteAll(theirs, testsupport::ReadAll(path));
    const std::vector<Bytes> more = Encode(2, 44100, 128, 15);
    const std::string ours = dir.file("ours.mp3");
    testsupport::WriteAll(ours, Joined(more));
    {
        Mp3File f(path.c_str(), nullptr, MMIO_READWRITE);
        ASSERT_TRUE(f.open()) << f.GetOpenError();
        for (const Bytes& b : more) {
            ASSERT_EQ(f.Write(b.data(), static_cast<LONG>(b.size())), static_cast<LONG>(b.size()));
        }
        ASSERT_TRUE(f.close());
    }
    for (const char* decoder : {"mpg123", "ffmpeg"}) {
        if (!testsupport::HaveTool(decoder)) {
            continue;
        }
        const std::vector<std::int16_t> first = Decoded(decoder, theirs, dir.file("theirs.raw"));
        const std::vector<std::int16_t> second = Decoded(decoder, ours, dir.file("ours.raw"));
        const std::vector<std::int16_t> both = Decoded(decoder, path, dir.file("both.raw"));
        EXPECT_EQ(first.size(), 4u * 44100 * 2) << decoder << ": their own file plays gaplessly";
        ASSERT_GE(both.size(), first.size() + second.size()) << decoder;
        // Theirs from its first sample; ours to its last, with the quiet our
        // encoder put behind it. Only our first frame decodes differently:
        // it overlaps their last one instead of silence.
        EXPECT_TRUE(std::equal(first.begin(), first.end(), both.begin())) << decoder;
        const std::size_t joint = 2 * 1152 * 2;
        EXPECT_TRUE(std::equal(second.begin() + joint, second.end(), both.end() - static_cast<long>(second.size() - joint)))
            << decoder << ": our session is not all there";
        EXPECT_GE(QuietEnd(both), QuietEnd(second)) << decoder << ": the end of ours was cut";
    }
}

INSTANTIATE_TEST_SUITE_P(
    OtherEncoders, Mp3Append,
    ::testing::Values(
        Maker{"ffmpeg_v23", "ffmpeg",
              "ffmpeg -v error -y -i %s -c:a libmp3lame -b:a 128k -id3v2_version 3 -metadata title='Their title' "
              "-metadata artist='Their artist' -metadata comment='Their note' %d",
              3},
        Maker{"ffmpeg_v24", "ffmpeg",
              "ffmpeg -v error -y -i %s -c:a libmp3lame -b:a 128k -id3v2_version 4 -metadata title='Their title' "
              "-metadata artist='Their artist' -metadata album='Their album' %d",
              4},
        Maker{"lame_cbr_v23", "lame", "lame --quiet -b 128 --add-id3v2 --tt 'Their title' --ta 'Their artist' %s %d",
              3},
        Maker{"lame_vbr_v23", "lame",
              "lame --quiet -V 2 --add-id3v2 --tt 'Their title' --tc 'Their comment' %s %d", 3}),
    [](const ::testing::TestParamInfo<Maker>& info) { return std::string(info.param.name); });
