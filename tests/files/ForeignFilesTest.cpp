// Recordings that other programs wrote, opened and appended to as the engine
// does: every independent reader sees the whole length, the files' own tags
// survive, and the markers read back.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "files/OggVorbisFile.h"
#include "files/WaveFile.h"
#include "platform/kernel/Clock.h"
#include "tests/files/OggTestUtil.h"
#include "tests/files/WaveTestUtil.h"
#include "tests/support/TestSupport.h"

namespace {
struct Foreign {
    const char* name;
    const char* tool;  // the program that writes it
    // Shell command that writes the file; {} stands for its path.
    std::string make;
    int rate;
    int channels;
    int bits;      // sample size of a WAV file; 0 for Ogg Vorbis
    WORD formatTag;
    // Tags the maker wrote, as NAME=value.
    std::vector<std::string> tags;
};

std::string Fill(std::string command, const std::string& path)
{
    for (std::size_t at; (at = command.find("{}")) != std::string::npos;) {
        command.replace(at, 2, "'" + path + "'");
    }
    return command;
}

std::string Trim(std::string s)
{
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) {
        s.pop_back();
    }
    return s;
}

// A Python interpreter that has mutagen, or "" when none has.
std::string MutagenPython()
{
    for (const char* python : {"python3", "/usr/bin/python3"}) {
        int status = 0;
        testsupport::RunCapture(std::string(python) + " -c 'import mutagen' 2>/dev/null", &status);
        if (status == 0) {
            return python;
        }
    }
    return "";
}

// Sine bytes of the file's sample format: 440 Hz left, 550 Hz right.
std::vector<BYTE> PcmBytes(std::int64_t first, int frames, int rate, int channels, int bits)
{
    const int width = bits / 8;
    std::vector<BYTE> out(static_cast<std::size_t>(frames * channels * width));
    std::size_t at = 0;
    for (int i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            const double v = 0.25 * std::sin(2 * M_PI * (440 + 110 * c) * static_cast<double>(first + i) / rate);
            const auto sample = static_cast<std::int32_t>(v * ((1 << (bits - 1)) - 1));
            for (int b = 0; b < width; ++b) {
                out[at++] = static_cast<BYTE>(static_cast<std::uint32_t>(sample) >> (8 * b));
            }
        }
    }
    return out;
}

void PrintTo(const Foreign& c, std::ostream* os) { *os << c.name; }

std::vector<Foreign> Cases()
{
    const std::string sine = " synth 4 sine 440 sine 550 vol 0.25";
    return {
        {"sox16.wav", "sox", "sox -n -r 44100 -c 2 -b 16 {}" + sine, 44100, 2, 16, WAVE_FORMAT_PCM, {}},
        // 24 bits: sox writes the extensible format record (tag 0xFFFE).
        {"sox24.wav", "sox", "sox -n -r 48000 -c 2 -b 24 {}" + sine, 48000, 2, 24, 0xFFFE, {}},
        {"ffmpeg.wav", "ffmpeg",
         "ffmpeg -nostdin -v error -y -f lavfi -i sine=frequency=440:sample_rate=44100:duration=4 -ac 2 "
         "-metadata title='Made elsewhere' -metadata artist=Someone {}",
         44100, 2, 16, WAVE_FORMAT_PCM, {"title=Made elsewhere", "artist=Someone"}},
        {"oggenc.ogg", "oggenc",
         "sox -n -r 44100 -c 2 -b 16 {}.wav" + sine +
             " && oggenc -Q -c ARTIST=Someone -c 'COMMENT=with = sign' -t 'Made elsewhere' -o {} {}.wav",
         44100, 2, 0, WAVE_FORMAT_OGG_VORBIS, {"TITLE=Made elsewhere", "ARTIST=Someone", "COMMENT=with = sign"}},
    };
}

class ForeignFiles : public ::testing::TestWithParam<Foreign> {
protected:
    void SetUp() override { platform::UseManualClock(1800000000); }
    void TearDown() override { platform::UseSystemClock(); }
    testsupport::TempDir dir;
};

std::unique_ptr<RecFile> OpenFile(const Foreign& c, const std::string& path, DWORD flags)
{
    if (c.bits == 0) {
        return std::make_unique<OggVorbisFile>(path.c_str(), nullptr, 3, flags);
    }
    return std::make_unique<WaveFile>(path.c_str(), nullptr, flags);
}

// Appends `frames` frames of the signal as the engine would for the file type.
void Append(RecFile& f, const Foreign& c, std::int64_t first, int frames)
{
    if (c.bits == 0) {
        std::vector<BYTE> bytes = PcmBytes(first, frames, c.rate, c.channels, 16);
        ASSERT_EQ(f.WriteSamples(reinterpret_cast<const short*>(bytes.data()), static_cast<LONG>(bytes.size())), frames);
    } else {
        const std::vector<BYTE> bytes = PcmBytes(first, frames, c.rate, c.channels, c.bits);
        ASSERT_EQ(f.Write(bytes.data(), static_cast<LONG>(bytes.size())), static_cast<LONG>(bytes.size()));
    }
}
}

TEST_P(ForeignFiles, AppendKeepsLengthTagsAndMarkers)
{
    const Foreign& c = GetParam();
    TAPVOX_REQUIRE_TOOL(c.tool);
    TAPVOX_REQUIRE_TOOL("sox");
    const std::string path = dir.file(c.name);
    int status = 0;
    ToolOutput(Fill(c.make, path), &status);
    ASSERT_EQ(status, 0);
    if (c.bits != 0) {
        // The maker wrote the layout this case is about.
        const std::vector<std::uint8_t> bytes = testsupport::ReadAll(path);
        const std::vector<RawChunk> chunks = RiffChunks(bytes);
        const RawChunk* fmt = FindChunk(chunks, "fmt ");
        ASSERT_TRUE(fmt);
        EXPECT_EQ(bytes[fmt->dataOffset] | bytes[fmt->dataOffset + 1] << 8, c.formatTag);
        if (!c.tags.empty()) {
            EXPECT_EQ(ChunkOrder(bytes).find("LIST"), ChunkOrder(bytes).find("data") - 5) << ChunkOrder(bytes);
        }
    }

    const std::int64_t oldFrames = 4 * std::int64_t(c.rate);
    const std::int64_t total = oldFrames + 3 * std::int64_t(c.rate);
    // Positions count bytes in WAV files and samples in Ogg files.
    const DWORD unit = c.bits == 0 ? 1 : static_cast<DWORD>(c.channels * c.bits / 8);
    {
        std::unique_ptr<RecFile> f = OpenFile(c, path, MMIO_READWRITE);
        ASSERT_TRUE(f->open());
        ASSERT_FALSE(f->IsReadOnly());
        ASSERT_EQ(f->GetLength(), static_cast<DWORD>(oldFrames) * unit);
        f->AddMarker(f->GetLength(), 1800000100, true);
        Append(*f, c, oldFrames, c.rate * 3 / 2);
        f->AddMarker(f->GetLength(), 1800000200, true);
        f->AddComment("appended here", f->GetLength(), 0, true);
        Append(*f, c, oldFrames + c.rate * 3 / 2, c.rate * 3 / 2);
        EXPECT_EQ(f->GetLength(), static_cast<DWORD>(total) * unit);
        ASSERT_TRUE(f->close());
    }

    // Every reader: the whole length, within a frame (a millisecond where the
    // reader counts in milliseconds).
    const double seconds = static_cast<double>(total) / c.rate;
    const double frame = 1.0 / c.rate;
    EXPECT_NEAR(std::atof(ToolOutput("soxi -s '" + path + "'").c_str()), total, 1) << "sox";
    if (testsupport::HaveTool("sndfile-info")) {
        const std::string info = ToolOutput("sndfile-info '" + path + "'");
        const std::size_t at = info.find("Frames      :");
        ASSERT_NE(at, std::string::npos) << info;
        EXPECT_NEAR(std::atof(info.c_str() + at + 13), total, 1) << "sndfile-info";
    }
    if (testsupport::HaveTool("ffprobe")) {
        const std::string ts = ToolOutput("ffprobe -v error -select_streams a:0 -show_entries stream=duration_ts "
                                          "-of default=nw=1:nk=1 '" + path + "'");
        EXPECT_NEAR(std::atof(ts.c_str()), total, 1) << "ffprobe " << ts;
    }
    if (testsupport::HaveTool("mediainfo")) {
        const std::string ms = ToolOutput("mediainfo --Inform='Audio;%Duration%' '" + path + "'");
        EXPECT_NEAR(std::atof(ms.c_str()), seconds * 1000, 1.0) << "mediainfo " << ms;
    }
    const std::string python = MutagenPython();
    if (!python.empty()) {
        const std::string length =
            ToolOutput(python + " -c 'import mutagen,sys; print(mutagen.File(sys.argv[1]).info.length)' '" + path + "'");
        EXPECT_NEAR(std::atof(length.c_str()), seconds, frame + 1e-6) << "mutagen " << length;
    }
    if (c.bits == 0) {
        ExpectWholeOggStream(path, total);
        const std::string info = ToolOutput("ogginfo '" + path + "'");
        EXPECT_NE(info.find("Playback length: 0m:07.000s"), std::string::npos) << info;
    }

    // The maker's tags are still there.
    for (const std::string& tag : c.tags) {
        const std::string name = tag.substr(0, tag.find('='));
        const std::string value = tag.substr(tag.find('=') + 1);
        if (c.bits == 0) {
            EXPECT_NE(ToolOutput("vorbiscomment -l '" + path + "'").find(tag), std::string::npos) << tag;
            if (!python.empty()) {
                const std::string listed = Trim(ToolOutput(
                    python + " -c 'import mutagen,sys; print(mutagen.File(sys.argv[1]).tags[sys.argv[2]][0])' '" + path +
                    "' " + name));
                EXPECT_EQ(listed, value) << "mutagen " << name;
            }
        } else if (testsupport::HaveTool("ffprobe")) {
            const std::string listed = Trim(ToolOutput("ffprobe -v error -show_entries format_tags=" + name +
                                                       " -of default=nw=1:nk=1 '" + path + "'"));
            EXPECT_EQ(listed, value) << "ffprobe " << name;
        }
    }

    // The markers and the comment read back; the other program's audio
    // before them carries no time.
    std::unique_ptr<RecFile> g = OpenFile(c, path, MMIO_READ);
    ASSERT_TRUE(g->open());
    ASSERT_EQ(g->GetMarkerCount(), 3);
    EXPECT_EQ(g->GetMarkerPosition(0), 0u);
    EXPECT_EQ(g->GetMarkerTime(0), 0);
    EXPECT_EQ(g->GetMarkerPosition(1), static_cast<DWORD>(oldFrames) * unit);
    EXPECT_EQ(g->GetMarkerTime(1), 1800000100);
    EXPECT_EQ(g->GetMarkerPosition(2), static_cast<DWORD>(oldFrames + c.rate * 3 / 2) * unit);
    EXPECT_EQ(g->GetMarkerTime(2), 1800000200);
    ASSERT_EQ(g->GetCommentCount(), 1);
    EXPECT_STREQ(g->GetCommentTextAt(0), "appended here");
}

INSTANTIATE_TEST_SUITE_P(Makers, ForeignFiles, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<Foreign>& info) {
                             std::string n = info.param.name;
                             return n.substr(0, n.find('.')) + (info.param.bits ? "Wav" : "Ogg");
                         });
