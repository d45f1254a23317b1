// The WAV reader: odd chunk layouts, sizes beyond the file, unplayable input, the extensible form.
#include <cerrno>
#include <sys/stat.h>

#include "platform/wave/WavReader.h"
#include "tests/platform/wave/WaveTestSupport.h"
#include "tests/support/TestSupport.h"

using namespace wavetest;
using platform::wave::WavReader;

namespace {
std::vector<std::uint8_t> Chunk(const char* id, const std::vector<std::uint8_t>& body)
{
    std::vector<std::uint8_t> v(id, id + 4);
    const auto n = static_cast<std::uint32_t>(body.size());
    for (int i = 0; i < 4; ++i) {
        v.push_back(static_cast<std::uint8_t>(n >> (8 * i)));
    }
    v.insert(v.end(), body.begin(), body.end());
    if (body.size() & 1) {
        v.push_back(0);
    }
    return v;
}

std::vector<std::uint8_t> Riff(std::initializer_list<std::vector<std::uint8_t>> chunks)
{
    std::vector<std::uint8_t> v = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    for (const auto& c : chunks) {
        v.insert(v.end(), c.begin(), c.end());
    }
    return v;
}

std::vector<std::uint8_t> Fmt(const WAVEFORMATEX& f)
{
    const auto whole = WavBytes(f, {});
    return {whole.begin() + 20, whole.begin() + 36};
}

struct WavReaderFile : ::testing::Test {
    bool Open(const std::vector<std::uint8_t>& bytes)
    {
        testsupport::WriteAll(dir.file("f.wav"), bytes);
        testsupport::SaveSeed("wav_reader", dir.file("f.wav"));
        return reader.Open(dir.file("f.wav"));
    }
    testsupport::TempDir dir;
    WavReader reader;
};
}

TEST_F(WavReaderFile, WalksPastOtherChunksOddPaddingAndDataBeforeFormat)
{
    const WAVEFORMATEX f = Pcm(2, 8000, 8);
    const auto samples = Pattern(402, 1);
    ASSERT_TRUE(Open(Riff({Chunk("LIST", Pattern(7, 2)), Chunk("data", samples), Chunk("fmt ", Fmt(f))})));
    EXPECT_EQ(reader.Format().nChannels, 2);
    EXPECT_EQ(reader.Format().nAvgBytesPerSec, 16000u);
    EXPECT_EQ(reader.DataBytes(), 402u);
    std::vector<std::uint8_t> got(1000);
    ASSERT_EQ(reader.Read(got.data(), 101), 100u);  // whole frames only
    ASSERT_EQ(reader.Read(got.data() + 100, 1000), 302u);
    got.resize(402);
    EXPECT_EQ(got, samples);
    EXPECT_EQ(reader.Read(got.data(), 10), 0u);
    ASSERT_TRUE(reader.Seek(3));
    EXPECT_EQ(reader.Position(), 2u);
}

TEST_F(WavReaderFile, ADataSizeBeyondTheFileIsCutToTheWholeFramesPresent)
{
    auto bytes = WavBytes(Pcm(1, 22050, 16), Pattern(1001, 3));
    bytes.resize(bytes.size() - 1);  // the pad byte
    bytes[40] = 0xFF;                // data size far beyond the end
    bytes[41] = 0xFF;
    ASSERT_TRUE(Open(bytes));
    EXPECT_EQ(reader.DataBytes(), 1000u);
}

TEST_F(WavReaderFile, RefusesWhatTheInputCannotPlay)
{
    const auto samples = Pattern(100, 4);
    EXPECT_FALSE(Open(WavBytes(Pcm(2, 44100, 24), samples)));
    EXPECT_FALSE(Open(WavBytes(Pcm(3, 44100, 16), samples)));
    EXPECT_FALSE(Open(WavBytes(Pcm(1, 0, 16), samples)));
    WAVEFORMATEX alaw = Pcm(1, 8000, 8);
    alaw.wFormatTag = WAVE_FORMAT_ALAW;
    EXPECT_FALSE(Open(WavBytes(alaw, samples)));
    WAVEFORMATEX badAlign = Pcm(2, 8000, 16);
    badAlign.nBlockAlign = 0;
    EXPECT_FALSE(Open(WavBytes(badAlign, samples)));
    EXPECT_FALSE(Open(Riff({Chunk("fmt ", Fmt(Pcm(1, 8000, 8)))})));  // no data
    EXPECT_FALSE(Open(Riff({Chunk("data", samples)})));               // no format
    auto shortFmt = Fmt(Pcm(1, 8000, 8));
    shortFmt.resize(14);
    EXPECT_FALSE(Open(Riff({Chunk("fmt ", shortFmt), Chunk("data", samples)})));
    EXPECT_FALSE(Open({'R', 'I', 'F', 'F'}));
    EXPECT_FALSE(reader.Open(dir.file("missing.wav")));
    EXPECT_FALSE(reader.IsOpen());
    EXPECT_EQ(reader.Read(nullptr, 10), 0u);
}

TEST_F(WavReaderFile, AcceptsTheExtensibleFormWithThePcmSubFormat)
{
    TAPVOX_REQUIRE_TOOL("sox");
    int status = -1;
    // sox writes the extensible form for more than 16 bits or 2 channels; ask for it with 16 bits.
    testsupport::RunCapture("sox -n -r 16000 -c 2 -b 16 -e signed-integer -t wavpcm " + dir.file("plain.wav") +
                                " synth 0.1 sine 440 >/dev/null 2>&1",
                            &status);
    ASSERT_EQ(status, 0);
    auto bytes = testsupport::ReadAll(dir.file("plain.wav"));
    ASSERT_TRUE(Open(bytes));
    const std::uint64_t size = reader.DataBytes();
    EXPECT_EQ(size, 16000u * 4 / 10);
    // Rebuild it as the extensible form: the same samples must come out.
    std::vector<std::uint8_t> ext = Fmt(Pcm(2, 16000, 16));
    ext[0] = 0xFE;
    ext[1] = 0xFF;
    const std::uint8_t tail[] = {22, 0, 16, 0, 3, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
    ext.insert(ext.end(), std::begin(tail), std::end(tail));
    std::vector<std::uint8_t> samples(size);
    reader.Read(samples.data(), samples.size());
    ASSERT_TRUE(Open(Riff({Chunk("fmt ", ext), Chunk("data", samples)})));
    EXPECT_EQ(reader.DataBytes(), size);
    ext[24] = 3;  // float sub-format
    EXPECT_FALSE(Open(Riff({Chunk("fmt ", ext), Chunk("data", samples)})));
}

// Only a regular file is read; a FIFO is refused without waiting for a writer (in a child, so a wait fails the case).
TEST_F(WavReaderFile, SaysWhyAPathIsNotRead)
{
    ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0600), 0);
    ASSERT_EQ(mkdir(dir.file("folder").c_str(), 0700), 0);
    testsupport::WriteAll(dir.file("text"), {'n', 'o', 't', ' ', 'a', ' ', 'W', 'A', 'V', 'E', ' ', 'f', 'i', 'l', 'e'});
    const struct {
        std::string path;
        int error;
    } cases[] = {{dir.file("missing"), ENOENT}, {dir.file("folder"), EISDIR}, {dir.file("fifo"), EINVAL},
                 {dir.file("text"), 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(testsupport::RunInChild([&] { return reader.Open(c.path) ? 100 : reader.OpenError(); }, 5), c.error)
            << c.path;
    }
}
