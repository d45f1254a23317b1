// Damaged files open with an open error, never crash or hang, and are never written.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <sys/stat.h>

#include "files/FileNames.h"
#include "files/WaveFile.h"
#include "tests/files/WaveTestUtil.h"
#include "tests/support/TestSupport.h"

namespace {
std::vector<std::uint8_t> GoodFile(const testsupport::TempDir& dir)
{
    const std::string path = dir.file("good.wav");
    const WAVEFORMATEX f = Pcm(1, 8000, 16);
    const auto audio = Pattern(2000);
    {
        WaveFile w(path.c_str(), &f, MMIO_READWRITE);
        w.open();
        w.Write(audio.data(), 2000);
        w.AddMarker(0, 7);
        w.close();
    }
    auto b = testsupport::ReadAll(path);
    std::remove(path.c_str());
    return b;
}

void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) {
        b[at + std::size_t(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

void Put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v)
{
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

// Opens the bytes read-write and expects the given open error; the file stays as it was.
void ExpectRefused(const std::string& name, const std::vector<std::uint8_t>& bytes, int error)
{
    testsupport::TempDir dir;
    const std::string path = dir.file(name + ".wav");
    testsupport::WriteAll(path, bytes);
    testsupport::SaveSeedBytes("wavefile", name, bytes);
    {
        WaveFile w(path.c_str(), nullptr, MMIO_READWRITE);
        EXPECT_FALSE(w.open()) << name;
        EXPECT_EQ(w.GetOpenError(), error) << name;
        EXPECT_FALSE(w.IsOpen());
    }
    EXPECT_EQ(testsupport::ReadAll(path), bytes) << name;
    EXPECT_FALSE(FileExists(dir.file(name + ".~av").c_str())) << name;
}
}

TEST(BadInput, DamagedFilesAreRefusedUntouched)
{
    testsupport::TempDir dir;
    const auto good = GoodFile(dir);
    const std::size_t fmtAt = 12;  // "fmt " header; its record begins at 20

    ExpectRefused("empty", {}, 2);
    ExpectRefused("garbage", Pattern(3000, 9), 2);
    ExpectRefused("truncatedHeader", std::vector<std::uint8_t>(good.begin(), good.begin() + 30), 2);

    auto notWave = good;
    std::memcpy(&notWave[8], "AVI ", 4);
    ExpectRefused("notWave", notWave, 2);

    auto oversized = good;
    Put32(oversized, fmtAt + 4, 0xFFFFFFF0u);
    ExpectRefused("oversizedFmt", oversized, 2);

    auto bigCbSize = good;
    Put16(bigCbSize, 20 + 16, 500);  // extra bytes the chunk does not hold
    ExpectRefused("cbSizeBeyondChunk", bigCbSize, 2);

    auto noChannels = good;
    Put16(noChannels, 20 + 2, 0);
    ExpectRefused("noChannels", noChannels, 2);

    auto noRate = good;
    Put32(noRate, 20 + 4, 0);
    ExpectRefused("noRate", noRate, 2);

    auto noAlign = good;
    Put16(noAlign, 20 + 12, 0);
    ExpectRefused("noBlockAlign", noAlign, 2);

    auto shortFmt = good;
    Put32(shortFmt, fmtAt + 4, 10);
    ExpectRefused("shortFmt", shortFmt, 2);

    // Format and fact, but no audio chunk.
    const auto chunks = RiffChunks(good);
    const std::size_t dataHeader = FindChunk(chunks, "data")->dataOffset - 8;
    auto noData = std::vector<std::uint8_t>(good.begin(), good.begin() + long(dataHeader));
    Put32(noData, 4, static_cast<std::uint32_t>(noData.size() - 8));
    ExpectRefused("noDataChunk", noData, 2);
}

TEST(BadInput, MissingFileFailsWithOpenErrorOne)
{
    testsupport::TempDir dir;
    WaveFile w(dir.file("nofolder/x.wav").c_str(), nullptr, MMIO_READWRITE);
    EXPECT_FALSE(w.open());
    EXPECT_EQ(w.GetOpenError(), 1);
}

TEST(BadInput, SixteenBytePcmRecordCountsAsNoExtraBytes)
{
    testsupport::TempDir dir;
    auto b = GoodFile(dir);
    // Rebuild the file with a 16-byte "fmt " chunk, as many programs write it.
    std::vector<std::uint8_t> out(b.begin(), b.begin() + 20 + 16);
    Put32(out, 16, 16);
    const auto chunks = RiffChunks(b);
    out.insert(out.end(), b.begin() + long(FindChunk(chunks, "fact")->dataOffset - 8), b.end());
    Put32(out, 4, static_cast<std::uint32_t>(out.size() - 8));
    const std::string path = dir.file("pcm16.wav");
    testsupport::WriteAll(path, out);
    WaveFile w(path.c_str(), nullptr, MMIO_READ);
    ASSERT_TRUE(w.open());
    EXPECT_EQ(w.GetFormat()->cbSize, 0u);
    EXPECT_EQ(w.GetDataSize(), 2000u);
    EXPECT_EQ(w.GetMarkerCount(), 1);
}

TEST(BadInput, AudioCutShortReadsWhatIsThere)
{
    testsupport::TempDir dir;
    auto b = GoodFile(dir);
    const auto chunks = RiffChunks(b);
    const std::size_t dataAt = FindChunk(chunks, "data")->dataOffset;
    b.resize(dataAt + 1000);
    const std::string path = dir.file("cut.wav");
    testsupport::WriteAll(path, b);
    {
        WaveFile w(path.c_str(), nullptr, MMIO_READWRITE);
        ASSERT_TRUE(w.open());
        EXPECT_EQ(w.GetDataSize(), 1000u);
        std::vector<std::uint8_t> buf(4000);
        EXPECT_EQ(w.Read(buf.data(), 4000), 1000);
        EXPECT_EQ(w.Read(buf.data(), 4000), 0);
        EXPECT_FALSE(w.IsDirty());
    }
    EXPECT_EQ(testsupport::ReadAll(path), b);
}
