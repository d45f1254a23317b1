#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h>

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

TEST_F(Wave, IndependentReadersSeeOurPcm)
{
    TAPVOX_REQUIRE_TOOL("soxi");
    TAPVOX_REQUIRE_TOOL("sox");
    struct Case {
        WORD channels;
        DWORD rate;
        WORD bits;
    };
    for (const Case c : {Case{1, 8000, 8}, Case{2, 44100, 16}, Case{2, 48000, 24}, Case{1, 22050, 16}}) {
        const std::string path = dir.file("sox" + std::to_string(c.bits) + "_" + std::to_string(c.channels) + ".wav");
        const WAVEFORMATEX f = Pcm(c.channels, c.rate, c.bits);
        const auto audio = Pattern(std::size_t(f.nBlockAlign) * 12345);
        {
            WaveFile w(path.c_str(), &f, MMIO_READWRITE);
            ASSERT_TRUE(w.open());
            w.Write(audio.data(), static_cast<LONG>(audio.size() / 2));
            w.AddMarker(DWORD(-1), -1);
            w.Write(audio.data() + audio.size() / 2, static_cast<LONG>(audio.size() - audio.size() / 2));
            ASSERT_TRUE(w.close());
        }
        EXPECT_EQ(Soxi("-r", path), std::to_string(c.rate));
        EXPECT_EQ(Soxi("-c", path), std::to_string(c.channels));
        EXPECT_EQ(Soxi("-b", path), std::to_string(c.bits));
        EXPECT_EQ(Soxi("-s", path), "12345");
        // The audio bytes round-trip exactly through sox.
        const std::string raw = dir.file("out.raw");
        int status = -1;
        testsupport::RunCapture("sox '" + path + "' -t raw '" + raw + "' 2>&1", &status);
        ASSERT_EQ(status, 0);
        const auto back = testsupport::ReadAll(raw);
        EXPECT_EQ(back, audio);
    }
}

TEST_F(Wave, SndfileReadsOurPcm)
{
    TAPVOX_REQUIRE_TOOL("sndfile-info");
    const std::string path = dir.file("sf.wav");
    const WAVEFORMATEX f = Pcm(2, 44100, 16);
    const auto audio = Pattern(4 * 1000);
    {
        WaveFile w(path.c_str(), &f, MMIO_READWRITE);
        ASSERT_TRUE(w.open());
        w.Write(audio.data(), static_cast<LONG>(audio.size()));
        w.AddComment("note", 0, 400);
        ASSERT_TRUE(w.close());
    }
    testsupport::SaveSeed("wavefile", path);
    const std::string out = testsupport::RunCapture("sndfile-info '" + path + "' 2>&1");
    EXPECT_NE(out.find("Sample Rate : 44100"), std::string::npos) << out;
    EXPECT_NE(out.find("Frames      : 1000"), std::string::npos) << out;
    EXPECT_NE(out.find("Channels    : 2"), std::string::npos) << out;
}

TEST_F(Wave, ReopenReadsFormatAudioAndLists)
{
    const std::string path = dir.file("re.wav");
    const WAVEFORMATEX f = Pcm(1, 16000, 16);
    const auto audio = Pattern(32000);
    {
        WaveFile w(path.c_str(), &f, MMIO_READWRITE);
        ASSERT_TRUE(w.open());
        w.Write(audio.data(), 32000);
        w.AddMarker(0, 500);
        w.AddMarker(16000, 501);
        w.AddComment("mid", 8000, 24000);
        ASSERT_TRUE(w.close());
    }
    WaveFile r(path.c_str(), nullptr, MMIO_READ);
    ASSERT_TRUE(r.open());
    EXPECT_TRUE(r.IsReadOnly());
    EXPECT_EQ(r.GetFormat()->nSamplesPerSec, 16000u);
    EXPECT_EQ(r.GetDataSize(), 32000u);
    EXPECT_EQ(r.GetSeconds(DWORD(-1)), 1u);
    ASSERT_EQ(r.GetMarkerCount(), 2);
    EXPECT_EQ(r.GetMarkerTime(1), 501);
    EXPECT_STREQ(r.GetCommentText(9000), "mid");
    EXPECT_FALSE(r.VerifySignature());
    std::vector<std::uint8_t> back(40000);
    ASSERT_TRUE(r.position(1001));
    EXPECT_EQ(r.GetPosition(), 1000u);  // block-aligned
    EXPECT_EQ(r.Read(back.data(), 40000), 31000);
    EXPECT_TRUE(std::equal(back.begin(), back.begin() + 31000, audio.begin() + 1000));
    EXPECT_EQ(r.Read(back.data(), 10), 0);
    ASSERT_TRUE(r.position(99999));
    EXPECT_EQ(r.GetPosition(), 32000u);
    EXPECT_EQ(r.Write(audio.data(), 10), 0);  // read-only
    EXPECT_FALSE(r.SetInfo("fennwicke timecode", "x"));
    EXPECT_FALSE(r.Delete());
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

TEST_F(Wave, RenameOntoAnExistingFileReplacesIt)
{
    const std::string path = dir.file("a.wav");
    const std::string target = dir.file("b.wav");
    testsupport::WriteAll(target, {1, 2, 3});
    const WAVEFORMATEX f = Pcm(1, 8000, 8);
    const auto audio = Pattern(800);
    WaveFile w(path.c_str(), &f, MMIO_READWRITE);
    ASSERT_TRUE(w.open());
    w.Write(audio.data(), 800);
    ASSERT_TRUE(w.position(300));
    ASSERT_TRUE(w.rename(target.c_str()));
    EXPECT_TRUE(w.IsOpen());
    EXPECT_EQ(w.GetPosition(), 300u);
    EXPECT_STREQ(w.GetName(), target.c_str());
    EXPECT_FALSE(FileExists(path.c_str()));
    EXPECT_EQ(w.GetDataSize(), 800u);
    ASSERT_TRUE(w.close());
    WaveFile r(target.c_str(), nullptr, MMIO_READ);
    ASSERT_TRUE(r.open());
    EXPECT_EQ(r.GetDataSize(), 800u);
}

TEST_F(Wave, RenameAcrossFileSystemsCopies)
{
    struct stat a, b;
    if (stat("/dev/shm", &b) != 0 || stat(dir.path().c_str(), &a) != 0 || a.st_dev == b.st_dev) {
        GTEST_SKIP() << "no second file system";
    }
    char pattern[] = "/dev/shm/tapvox-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string other = std::string(pattern) + "/moved.wav";
    const std::string path = dir.file("src.wav");
    const WAVEFORMATEX f = Pcm(1, 8000, 8);
    const auto audio = Pattern(5000);
    WaveFile w(path.c_str(), &f, MMIO_READWRITE);
    ASSERT_TRUE(w.open());
    w.Write(audio.data(), 5000);
    ASSERT_TRUE(w.rename(other.c_str()));
    ASSERT_TRUE(w.close());
    EXPECT_TRUE(FileExists(path.c_str()));  // the old file stays
    EXPECT_EQ(testsupport::ReadAll(path), testsupport::ReadAll(other));
    std::remove(other.c_str());
    rmdir(pattern);
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

TEST_F(Wave, DeleteRemovesTheFile)
{
    const std::string path = dir.file("del.wav");
    WaveFile w(path.c_str(), nullptr, MMIO_READWRITE);
    ASSERT_TRUE(w.open());
    ASSERT_TRUE(w.Delete());
    EXPECT_FALSE(w.IsOpen());
    EXPECT_STREQ(w.GetName(), "");
    EXPECT_FALSE(FileExists(path.c_str()));
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

TEST_F(Wave, SignedRecordingOpenedAndClosedStaysByteIdentical)
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
    const auto before = testsupport::ReadAll(path);
    {
        WaveFile w(path.c_str(), nullptr, MMIO_READWRITE);  // opened to play it
        ASSERT_TRUE(w.open());
        EXPECT_FALSE(w.IsReadOnly());
        EXPECT_FALSE(w.IsDirty());
        EXPECT_FALSE(w.VerifySignature());
        std::vector<std::uint8_t> buf(1000);
        w.position(0);
        w.Read(buf.data(), 1000);
        ASSERT_TRUE(w.close());
    }
    EXPECT_EQ(testsupport::ReadAll(path), before);
    // A changed byte of audio is detected.
    auto changed = before;
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
