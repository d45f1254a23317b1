// WAV recordings on disk: chunk layout, fact counts, read-only beside a writer, temp files, a byte that breaks the signature.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "files/FileNames.h"
#include "files/WaveFile.h"
#include "platform/kernel/Clock.h"
#include "tests/files/WaveTestUtil.h"
#include "tests/support/TestSupport.h"

namespace {
class Wave : public ::testing::Test {
protected:
    void SetUp() override { platform::UseManualClock(1700000000); }
    void TearDown() override { platform::UseSystemClock(); }
    testsupport::TempDir dir;
};

std::string Soxi(const std::string& option, const std::string& path)
{
    std::string out = testsupport::RunCapture("soxi " + option + " '" + path + "' 2>/dev/null");
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) {
        out.pop_back();
    }
    return out;
}
}

TEST_F(Wave, NewFileHasFormatFactAndEmptyData)
{
    const std::string path = dir.file("new.wav");
    const WAVEFORMATEX f = Pcm(2, 44100, 16);
    {
        WaveFile w(path.c_str(), &f, MMIO_READWRITE);
        ASSERT_TRUE(w.open());
        EXPECT_TRUE(w.IsSigning());
        EXPECT_FALSE(w.IsReadOnly());
        EXPECT_EQ(w.GetDataSize(), 0u);
        ASSERT_TRUE(w.close());
    }
    const auto b = testsupport::ReadAll(path);
    EXPECT_EQ(ChunkOrder(b), "fmt ,fact,data,DISP");
    const auto chunks = RiffChunks(b);
    EXPECT_EQ(chunks[0].size, 18u);  // the whole record with cbSize
    EXPECT_EQ(chunks[1].size, 4u);
    EXPECT_EQ(Le32(b, chunks[1].dataOffset), 0u);
    EXPECT_EQ(chunks[2].size, 0u);
    EXPECT_EQ(Le32(b, 4), b.size() - 8);  // the RIFF size covers the DISP chunk
}

TEST_F(Wave, LayoutOfARecordingWithInfoMarkersAndText)
{
    const std::string path = dir.file("rec.wav");
    const WAVEFORMATEX f = Pcm(2, 44100, 16);
    const auto audio = Pattern(3528000);
    {
        WaveFile w(path.c_str(), &f, MMIO_READWRITE);
        ASSERT_TRUE(w.open());
        ASSERT_TRUE(w.SetInfo("comment", "hi there"));
        ASSERT_EQ(w.Write(audio.data(), 1764000), 1764000);
        EXPECT_FALSE(w.SetInfo("artist", "too late"));  // only before the audio
        w.AddMarker(0, 1000);
        ASSERT_EQ(w.Write(audio.data() + 1764000, 1764000), 1764000);
        w.AddMarker(1764000, 1010);
        w.AddComment("odd", 4, 8);
        ASSERT_TRUE(w.update());
        EXPECT_EQ(w.GetFactCount(), 882000u);
        ASSERT_TRUE(w.close());
    }
    const auto b = testsupport::ReadAll(path);
    EXPECT_EQ(ChunkOrder(b), "fmt ,fact,LIST,data,DISP");
    const auto chunks = RiffChunks(b);
    EXPECT_EQ(Le32(b, FindChunk(chunks, "fact")->dataOffset), 882000u);
    const RawChunk* list = FindChunk(chunks, "LIST");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[list->dataOffset]), 8), "INFOICMT");
    EXPECT_EQ(Le32(b, list->dataOffset + 8), 9u);  // text and its NUL
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[list->dataOffset + 12])), "hi there");
    EXPECT_EQ(list->size, 4u + 8 + 10);  // padded item
    const RawChunk* data = FindChunk(chunks, "data");
    ASSERT_EQ(data->size, audio.size());
    EXPECT_TRUE(std::equal(audio.begin(), audio.end(), b.begin() + static_cast<long>(data->dataOffset)));
    const RawChunk* disp = FindChunk(chunks, "DISP");
    EXPECT_EQ(Le32(b, disp->dataOffset), 1u);
    const std::string text(reinterpret_cast<const char*>(&b[disp->dataOffset + 4]), disp->size - 4);
    EXPECT_EQ(text.back(), '\0');
    EXPECT_EQ(text.substr(0, 39), "SAMPLE TIMECODE\r\n0 1000\r\n1764000 1010\r\n");
    EXPECT_NE(text.find("COMMENT 4\t8\todd\r\n"), std::string::npos);
    EXPECT_NE(text.find("SIGNATURE "), std::string::npos);
    EXPECT_EQ(Le32(b, 4), b.size() - 8);
    EXPECT_EQ(b.size() % 2, 0u);
    // A normal end leaves no journal behind.
    EXPECT_FALSE(FileExists(dir.file("rec.~av").c_str()));
}

TEST_F(Wave, AppendingOverwritesTheOldTextChunk)
{
    const std::string path = dir.file("app.wav");
    const WAVEFORMATEX f = Pcm(1, 8000, 8);
    const auto audio = Pattern(3000);
    {
        WaveFile w(path.c_str(), &f, MMIO_READWRITE);
        ASSERT_TRUE(w.open());
        w.Write(audio.data(), 1001);  // odd: padded
        w.AddMarker(0, 1);
        ASSERT_TRUE(w.update());
        auto b = testsupport::ReadAll(path);
        EXPECT_EQ(ChunkOrder(b), "fmt ,fact,data,DISP");
        w.Write(audio.data() + 1001, 1999);
        ASSERT_TRUE(w.update());
        b = testsupport::ReadAll(path);
        EXPECT_EQ(ChunkOrder(b), "fmt ,fact,data,DISP");
        const auto chunks = RiffChunks(b);
        EXPECT_EQ(FindChunk(chunks, "data")->size, 3000u);
        EXPECT_TRUE(std::equal(audio.begin(), audio.end(), b.begin() + long(FindChunk(chunks, "data")->dataOffset)));
        ASSERT_TRUE(w.close());
    }
    WaveFile r(path.c_str(), nullptr, MMIO_READ);
    ASSERT_TRUE(r.open());
    EXPECT_EQ(r.GetDataSize(), 3000u);
    EXPECT_EQ(r.GetMarkerCount(), 1);
}

TEST_F(Wave, FileHeldByAWriterOpensReadOnly)
{
    const std::string path = dir.file("held.wav");
    const WAVEFORMATEX f = Pcm(1, 8000, 8);
    const auto audio = Pattern(800);
    WaveFile writer(path.c_str(), &f, MMIO_READWRITE);
    ASSERT_TRUE(writer.open());
    writer.Write(audio.data(), 800);
    writer.update();

    WaveFile reader(path.c_str(), nullptr, MMIO_READWRITE);
    ASSERT_TRUE(reader.open());
    EXPECT_TRUE(reader.IsReadOnly());
    EXPECT_EQ(reader.GetDataSize(), 800u);
    reader.AddMarker(100, 5);
    EXPECT_EQ(reader.GetMarkerCount(), 0);
    EXPECT_FALSE(reader.SetInfo("comment", "x"));
    EXPECT_FALSE(reader.Delete());
    EXPECT_EQ(reader.Write(audio.data(), 10), 0);
}

TEST_F(Wave, TemporaryFileGoesAwayWhenClosedUnwritten)
{
    testsupport::TempDir cache;
    setenv("XDG_CACHE_HOME", cache.path().c_str(), 1);
    const WAVEFORMATEX f = Pcm(1, 8000, 8);
    std::string name;
    {
        WaveFile w(&f, MMIO_READWRITE);
        ASSERT_TRUE(w.open());
        EXPECT_TRUE(w.HasTempName());
        name = w.GetName();
        EXPECT_EQ(name.rfind(cache.path() + "/tapvox/tmp/RIF", 0), 0u) << name;
        EXPECT_TRUE(w.update());
        EXPECT_TRUE(w.close());
    }
    EXPECT_FALSE(FileExists(name.c_str()));
    {
        WaveFile w(&f, MMIO_READWRITE);
        ASSERT_TRUE(w.open());
        name = w.GetName();
        const auto audio = Pattern(100);
        w.Write(audio.data(), 100);
        EXPECT_FALSE(w.close());  // unsaved data: kept
    }
    EXPECT_TRUE(FileExists(name.c_str()));
    unsetenv("XDG_CACHE_HOME");
}

TEST_F(Wave, FactCountRules)
{
    WAVEFORMATEX gsm{};
    gsm.wFormatTag = WAVE_FORMAT_GSM610;
    gsm.nChannels = 1;
    gsm.nSamplesPerSec = 8000;
    gsm.nAvgBytesPerSec = 1625;
    gsm.nBlockAlign = 65;
    gsm.wBitsPerSample = 0;
    const std::string path = dir.file("gsm.wav");
    WaveFile w(path.c_str(), &gsm, MMIO_READWRITE);
    ASSERT_TRUE(w.open());
    const auto audio = Pattern(65 * 100);
    w.Write(audio.data(), static_cast<LONG>(audio.size()));
    EXPECT_EQ(w.GetFactCount(), 6500u * 8000 / 1625);
    w.AddSampleCount(441000);
    EXPECT_EQ(w.GetFactCount(), 441000u);
    EXPECT_TRUE(w.position(1001));
    EXPECT_EQ(w.GetPosition(), 975u);
}

TEST_F(Wave, AChangedAudioByteBreaksTheSignature)
{
    const std::string path = dir.file("signed.wav");
    const WAVEFORMATEX f = Pcm(2, 44100, 16);
    const auto audio = Pattern(176400);
    {
        WaveFile w(path.c_str(), &f, MMIO_READWRITE);
        ASSERT_TRUE(w.open());
        w.AddMarker(0, 1700000000);
        w.Write(audio.data(), 88200);
        w.AddMarker(88200, 1700000001);
        w.Write(audio.data() + 88200, 88200);
        w.AddMarker(176400, 1700000002);  // exactly at the end: not listed
        ASSERT_TRUE(w.close());
    }
    auto changed = testsupport::ReadAll(path);
    changed[FindChunk(RiffChunks(changed), "data")->dataOffset + 5] ^= 1;
    testsupport::WriteAll(path, changed);
    WaveFile r(path.c_str(), nullptr, MMIO_READ);
    ASSERT_TRUE(r.open());
    EXPECT_TRUE(r.VerifySignature());
}

TEST_F(Wave, InfoItemsAreStoredOnceBeforeTheAudio)
{
    const std::string path = dir.file("info.wav");
    const WAVEFORMATEX f = Pcm(1, 8000, 8);
    {
        WaveFile w(path.c_str(), &f, MMIO_READWRITE);
        ASSERT_TRUE(w.open());
        EXPECT_EQ(w.GetInfo("artist"), nullptr);
        ASSERT_TRUE(w.SetInfo("Artist", "someone"));
        ASSERT_TRUE(w.SetInfo("name", "a take"));
        EXPECT_FALSE(w.SetInfo("artist", "another"));  // an existing item is not replaced
        EXPECT_TRUE(w.SetInfo("nosuchitem", "ignored"));
        char* a = w.GetInfo("ARTIST");
        ASSERT_NE(a, nullptr);
        EXPECT_STREQ(a, "someone");
        delete[] a;
        EXPECT_EQ(w.GetInfo("nosuchitem"), nullptr);
        const auto audio = Pattern(500);
        EXPECT_EQ(w.Write(audio.data(), 500), 500);
        ASSERT_TRUE(w.close());
    }
    const auto b = testsupport::ReadAll(path);
    EXPECT_EQ(ChunkOrder(b), "fmt ,fact,LIST,data,DISP");
    WaveFile r(path.c_str(), nullptr, MMIO_READ);
    ASSERT_TRUE(r.open());
    char* n = r.GetInfo("name");
    ASSERT_NE(n, nullptr);
    EXPECT_STREQ(n, "a take");
    delete[] n;
    EXPECT_EQ(r.GetDataSize(), 500u);
    EXPECT_EQ(r.GetPosition(), 0u);
    if (testsupport::HaveTool("soxi")) {
        EXPECT_EQ(Soxi("-s", path), "500");
    }
}
