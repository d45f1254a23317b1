// The contract of the recording-file slots, the same for every file type and
// codec the engine records in, each with its codec's tolerance; an independent
// reader decodes every file it can read.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "files/FileNames.h"
#include "platform/kernel/Clock.h"
#include "tests/files/OggPages.h"
#include "tests/files/RecordingTakes.h"
#include "tests/support/TestSupport.h"

using namespace takes;

namespace {
constexpr __time64_t kStart = 1800000000;
constexpr int kMarkBuffer = 6;      // a marker and the start of a comment
constexpr int kUpdateBuffer = 12;   // the end of the comment, then an update
constexpr const char* kNote = "second half";

// Why these tolerances (SNR of the decoded audio against the source, found
// at the best lag): PCM comes back exactly, 8 bits with the quantisation of
// the source (about 34 dB on this signal). G.711 keeps about 38 dB at any
// level; ADPCM reaches 35-57 dB on steady tones, GSM 6.10, a speech codec,
// about 19 dB; MPEG Layer-3 about 26 dB behind its 1105-frame delay and
// Vorbis about 40 dB. Each limit leaves room below what the codec does; a
// lost or swapped channel, a wrong rate or a dropped buffer gives below 3 dB.
// The slack is what a codec pads at the end: a block, or two MPEG frames.
const CodecCase kCases[] = {
    {"Pcm8Mono", Container::Wave, WAVE_FORMAT_PCM, 1, 11025, 8, 0, 30, 0, 0},
    {"Pcm8Stereo", Container::Wave, WAVE_FORMAT_PCM, 2, 22050, 8, 0, 30, 0, 0},
    {"Pcm16Mono", Container::Wave, WAVE_FORMAT_PCM, 1, 16000, 16, 0, 80, 0, 0},
    {"Pcm16Stereo", Container::Wave, WAVE_FORMAT_PCM, 2, 44100, 16, 0, 80, 0, 0},
    {"Pcm24Stereo", Container::Wave, WAVE_FORMAT_PCM, 2, 48000, 24, 0, 80, 0, 0},
    {"ImaAdpcmStereo", Container::Wave, WAVE_FORMAT_IMA_ADPCM, 2, 22050, 16, 0, 25, 0, 1017},
    {"MsAdpcmMono", Container::Wave, WAVE_FORMAT_ADPCM, 1, 44100, 16, 0, 30, 0, 2036},
    {"Gsm610", Container::Wave, WAVE_FORMAT_GSM610, 1, 8000, 16, 0, 12, 0, 320},
    {"ALawMono", Container::Wave, WAVE_FORMAT_ALAW, 1, 8000, 16, 0, 33, 0, 0},
    {"MuLawStereo", Container::Wave, WAVE_FORMAT_MULAW, 2, 11025, 16, 0, 33, 0, 0},
    {"Mp3InWav", Container::Wave, WAVE_FORMAT_MPEGLAYER3, 2, 44100, 16, 128, 18, 1500, 2304},
    {"Mp3Stereo44k", Container::Mp3, WAVE_FORMAT_MPEGLAYER3, 2, 44100, 16, 128, 18, 1500, 2304},
    {"Mp3Mono22k", Container::Mp3, WAVE_FORMAT_MPEGLAYER3, 1, 22050, 16, 32, 18, 1500, 2304},
    {"Mp3Mono11k", Container::Mp3, WAVE_FORMAT_MPEGLAYER3, 1, 11025, 16, 32, 18, 1500, 2304},
    {"VorbisStereo44k", Container::Ogg, WAVE_FORMAT_OGG_VORBIS, 2, 44100, 16, 0, 25, 0, 2048},
    {"VorbisMono8k", Container::Ogg, WAVE_FORMAT_OGG_VORBIS, 1, 8000, 16, 0, 25, 0, 2048},
};

// Ogg Vorbis positions move page by page: a seek ends at the granule of the
// first page that reaches the target.
DWORD PageReaching(const std::string& path, DWORD target)
{
    for (const RawOggPage& page : OggPages(testsupport::ReadAll(path))) {
        if (page.granule >= static_cast<std::int64_t>(target)) {
            return static_cast<DWORD>(page.granule);
        }
    }
    return DWORD(-1);
}

std::string Tool(const std::string& command, int* status = nullptr)
{
    return testsupport::RunCapture(command + " 2>&1", status);
}

// What a recording left behind, in the units of the file's positions.
struct Marks {
    DWORD marker = 0;      // the second marker, at kMarkBuffer
    DWORD commentEnd = 0;  // at kUpdateBuffer, where the update runs
};

class MediaFileContract : public ::testing::TestWithParam<CodecCase> {
protected:
    void SetUp() override
    {
        platform::UseManualClock(kStart);
        format = FileFormat(c);
        ASSERT_GE(format.size(), sizeof(WAVEFORMATEX)) << "no format for " << c.name;
        source = SourceSamples(c);
        take = EngineBuffers(c, format, source);
        ASSERT_EQ(take.buffers.size(), static_cast<std::size_t>(kBuffers));
        path = dir.file(std::string("take") + Extension(c));
    }
    void TearDown() override { platform::UseSystemClock(); }

    const WAVEFORMATEX* Format() const { return reinterpret_cast<const WAVEFORMATEX*>(format.data()); }
    std::unique_ptr<RecFile> Open(DWORD flags, const std::string& name = {})
    {
        auto f = MakeFile(c, name.empty() ? path : name, nullptr, flags);
        EXPECT_TRUE(f->open()) << c.name << " open error " << f->GetOpenError();
        return f;
    }
    // The length the whole take gives: bytes written, or samples for Ogg Vorbis.
    DWORD TakeLength() const { return TakesSamples(c) ? TakeFrames(c) : static_cast<DWORD>(take.all.size()); }
    // Positions of one second.
    DWORD Second(MediaFile& f) const { return TakesSamples(c) ? c.rate : f.GetBytesPerSecond(); }

    // Records the take the engine's way: a name before the audio, a marker at
    // the start and one later with a comment from there, an update in the
    // middle (then `afterUpdate` runs); the file is left open.
    std::unique_ptr<RecFile> Record(Marks* marks, const std::function<void()>& afterUpdate = {})
    {
        auto f = MakeFile(c, path, Format(), MMIO_READWRITE);
        MediaFile& slots = *f;
        EXPECT_TRUE(f->open());
        EXPECT_TRUE(slots.IsOpen());
        EXPECT_EQ(slots.GetOpenError(), 0);
        EXPECT_EQ(slots.GetFileType(), FileTypeOf(c));
        EXPECT_EQ(slots.GetLength(), 0u);
        if (TakesSamples(c)) {
            // Variable bitrate: the file's byte rate is the encoder's nominal one.
            EXPECT_EQ(slots.GetBytesPerSecond(), static_cast<DWORD>(VorbisQualityToBitrate(4, c.rate, c.channels) / 8));
        }
        EXPECT_TRUE(slots.SetInfo("name", "Morning take"));
        for (int i = 0; i < kBuffers; ++i) {
            if (i == 0) {
                f->AddMarker(slots.GetLength(), kStart);
            } else if (i == kMarkBuffer) {
                marks->marker = slots.GetLength();
                f->AddMarker(marks->marker, kStart + 100);
            } else if (i == kUpdateBuffer) {
                marks->commentEnd = slots.GetLength();
                f->AddComment(kNote, marks->marker, marks->commentEnd);
                EXPECT_TRUE(slots.update());
                EXPECT_FALSE(slots.IsDirty());
                if (afterUpdate) {
                    afterUpdate();
                }
            }
            EXPECT_TRUE(WriteBuffer(slots, c, take.buffers[static_cast<std::size_t>(i)])) << "buffer " << i;
        }
        EXPECT_TRUE(slots.IsDirty());
        return f;
    }
    void RecordAndClose(Marks* marks)
    {
        auto f = Record(marks);
        EXPECT_TRUE(f->close());
        EXPECT_FALSE(f->IsOpen());
    }

    void ExpectSourceMatches(const std::vector<std::int16_t>& decoded, const char* who)
    {
        const std::size_t frames = decoded.size() / c.channels;
        EXPECT_GE(frames + c.lengthSlackFrames, TakeFrames(c)) << who;
        EXPECT_LE(frames, TakeFrames(c) + c.lengthSlackFrames + c.maxLagFrames) << who;
        const Match m = BestMatch(source, decoded, c.channels, c.maxLagFrames);
        EXPECT_GE(m.snrDb, c.minSnrDb) << who << " at a lag of " << m.lagFrames << " frames";
    }

    const CodecCase& c = GetParam();
    testsupport::TempDir dir;
    std::string path;
    Bytes format;
    std::vector<std::int16_t> source;
    Take take;
};
}

TEST_P(MediaFileContract, WriteCloseReopenAndRead)
{
    Marks marks;
    {
        auto f = Record(&marks);
        EXPECT_EQ(f->GetLength(), TakeLength());
        EXPECT_TRUE(f->close());
        EXPECT_FALSE(f->IsOpen());
        EXPECT_TRUE(f->close()) << "closing a closed file";
    }
    auto f = Open(MMIO_READ);
    MediaFile& slots = *f;
    EXPECT_TRUE(slots.IsOpen());
    EXPECT_EQ(slots.GetFileType(), FileTypeOf(c));
    EXPECT_EQ(slots.GetOpenError(), 0);
    const WAVEFORMATEX* back = slots.GetFormat();
    EXPECT_EQ(back->nChannels, c.channels);
    EXPECT_EQ(back->nSamplesPerSec, c.rate);
    if (c.container == Container::Wave) {
        EXPECT_EQ(std::memcmp(back, format.data(), format.size()), 0) << "the whole format record with its extra bytes";
        // The header's sample count: what AddSampleCount reported, or (PCM) what the size holds.
        EXPECT_EQ(static_cast<WaveFile&>(*f).GetFactCount(), TakeFrames(c));
    } else if (c.container == Container::Mp3) {
        EXPECT_EQ(back->wFormatTag, WAVE_FORMAT_MPEGLAYER3);
        EXPECT_EQ(slots.GetBytesPerSecond(), c.kbps * 125);
    }
    EXPECT_EQ(slots.GetLength(), TakeLength());
    EXPECT_EQ(slots.GetSeconds(DWORD(-1)), 3u);  // 3.6 s, truncated
    EXPECT_EQ(slots.GetSeconds(2 * Second(slots)), 2u);
    if (!TakesSamples(c)) {
        EXPECT_EQ(slots.GetDataSize(), take.all.size());
        Bytes bytes(take.all.size() + 1000);
        ASSERT_TRUE(slots.position(0));
        EXPECT_EQ(slots.Read(bytes.data(), static_cast<LONG>(bytes.size())), static_cast<LONG>(take.all.size()));
        bytes.resize(take.all.size());
        EXPECT_TRUE(bytes == take.all) << "Read gives back exactly what Write got";
        EXPECT_EQ(slots.Read(bytes.data(), 16), 0) << "at the end";
    }
    ExpectSourceMatches(DecodeThroughFile(slots, c), "decoded through the file");
}

TEST_P(MediaFileContract, SeekAndPositionInBytesAndSeconds)
{
    Marks marks;
    RecordAndClose(&marks);
    auto f = Open(MMIO_READ);
    MediaFile& slots = *f;
    const DWORD length = slots.GetLength();
    ASSERT_EQ(length, TakeLength());

    for (const DWORD target : {length / 2 + 1, length / 3 + 5, length / 5 + 3}) {  // inside a block or frame
        ASSERT_TRUE(slots.position(target));
        const DWORD at = slots.GetPosition();
        if (c.container == Container::Wave) {
            EXPECT_EQ(at, target - target % slots.GetFormat()->nBlockAlign) << "down to a whole block";
        } else if (c.container == Container::Mp3) {
            EXPECT_GE(at, target) << "on to the next frame";
            EXPECT_LE(at, target + 144 * c.kbps * 1000 / c.rate + 1);
        } else {
            EXPECT_EQ(at, PageReaching(path, target));
        }
        if (TakesSamples(c)) {
            continue;
        }
        Bytes bytes(4096);
        const LONG n = slots.Read(bytes.data(), static_cast<LONG>(bytes.size()));
        ASSERT_EQ(n, static_cast<LONG>(std::min<std::size_t>(bytes.size(), take.all.size() - at)));
        EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + n, take.all.begin() + at)) << "read from " << at;
        if (c.container == Container::Mp3) {
            EXPECT_EQ(bytes[0], 0xFF) << "a frame starts at " << at;
            EXPECT_EQ(bytes[1] & 0xE0, 0xE0) << "a frame starts at " << at;
        }
    }

    // Back to the start: everything again.
    ASSERT_TRUE(slots.position(0));
    EXPECT_EQ(slots.GetPosition(), 0u);
    ExpectSourceMatches(DecodeThroughFile(slots, c), "decoded after seeking back");

    // Past the end: at the end, nothing more to read.
    slots.position(length + 100000);
    EXPECT_EQ(slots.GetPosition(), length);
    short tail[64];
    EXPECT_EQ(TakesSamples(c) ? slots.ReadSamples(tail, sizeof tail) : slots.Read(tail, sizeof tail), 0);

    ASSERT_TRUE(slots.position(0));
    EXPECT_EQ(f->SecondsToPosition(1), Second(slots));
    EXPECT_EQ(f->SecondsToPosition(-5), 0u);
    EXPECT_EQ(f->SecondsToPosition(100), length);
}

TEST_P(MediaFileContract, MarkersCommentsTimecodeTextAndNamedItems)
{
    Marks marks;
    RecordAndClose(&marks);
    const Bytes closed = testsupport::ReadAll(path);
    {
        auto f = Open(MMIO_READ);
        ASSERT_EQ(f->GetMarkerCount(), 2);
        EXPECT_EQ(f->GetMarkerPosition(0), 0u);
        EXPECT_EQ(f->GetMarkerTime(0), kStart);
        EXPECT_EQ(f->GetMarkerPosition(1), marks.marker);
        EXPECT_EQ(f->GetMarkerTime(1), kStart + 100);
        ASSERT_EQ(f->GetCommentCount(), 1);
        EXPECT_EQ(f->GetCommentStart(0), marks.marker);
        EXPECT_EQ(f->GetCommentEndAt(0), marks.commentEnd);
        EXPECT_STREQ(f->GetCommentTextAt(0), kNote);

        std::unique_ptr<char[]> text(f->GetInfo("fennwicke timecode"));
        ASSERT_TRUE(text);
        const std::string t = text.get();
        const std::string lines = "SAMPLE TIMECODE\r\n0 " + std::to_string(kStart) + "\r\n" +
                                  std::to_string(marks.marker) + " " + std::to_string(kStart + 100) + "\r\n";
        EXPECT_EQ(t.substr(0, lines.size()), lines) << t;
        EXPECT_NE(t.find("COMMENT " + std::to_string(marks.marker) + "\t" + std::to_string(marks.commentEnd) + "\t" +
                         kNote + "\r\n"),
                  std::string::npos)
            << t;
        EXPECT_NE(t.find("SIGNATURE "), std::string::npos) << t;
        EXPECT_FALSE(f->VerifySignature()) << "an untouched recording matches its signature";

        std::unique_ptr<char[]> name(f->GetInfo("name"));
        ASSERT_TRUE(name);
        EXPECT_STREQ(name.get(), "Morning take");
        EXPECT_EQ(f->GetInfo("no such item"), nullptr);
    }
    {
        // Opened to play it, read through and closed: the file stays as it was.
        auto f = Open(MMIO_READWRITE);
        EXPECT_FALSE(f->IsReadOnly());
        EXPECT_FALSE(f->IsDirty());
        DecodeThroughFile(*f, c);
        EXPECT_TRUE(f->close());
    }
    EXPECT_TRUE(testsupport::ReadAll(path) == closed) << "playing changed the file";
}

TEST_P(MediaFileContract, UpdateAfterWriteAndAppendAfterReopen)
{
    Marks marks;
    // While the recording is open, what the update saved is there for another reader.
    const auto readAfterUpdate = [&] {
        auto reader = MakeFile(c, path, nullptr, MMIO_READ);
        ASSERT_TRUE(reader->open());
        EXPECT_TRUE(reader->IsReadOnly());
        // A second writer only reads a file another handle records into.
        auto second = MakeFile(c, path, nullptr, MMIO_READWRITE);
        ASSERT_TRUE(second->open());
        EXPECT_TRUE(second->IsReadOnly());
        if (TakesSamples(c)) {
            // Pages reach the disk as the encoder fills them, and the text
            // reaches the comment header when the file closes.
            EXPECT_LE(reader->GetLength(), marks.commentEnd);
            return;
        }
        EXPECT_EQ(reader->GetLength(), marks.commentEnd);
        EXPECT_EQ(reader->GetMarkerCount(), 2);
        EXPECT_EQ(reader->GetCommentCount(), 1);
    };
    {
        auto writer = Record(&marks, readAfterUpdate);
        EXPECT_TRUE(writer->close());
    }
    // Reopened for recording, the file goes on at its end.
    const int more = 5;
    DWORD before = 0;
    Bytes appended;
    {
        auto f = Open(MMIO_READWRITE);
        EXPECT_FALSE(f->IsReadOnly());
        before = f->GetLength();
        ASSERT_EQ(before, TakeLength());
        f->AddMarker(before, kStart + 200);
        for (int i = 0; i < more; ++i) {
            const Bytes& b = take.buffers[static_cast<std::size_t>(i)];
            EXPECT_TRUE(WriteBuffer(*f, c, b));
            appended.insert(appended.end(), b.begin(), b.end());
        }
        EXPECT_TRUE(f->close());
    }
    auto f = Open(MMIO_READ);
    const DWORD added = TakesSamples(c) ? more * BufferFrames(c) : static_cast<DWORD>(appended.size());
    EXPECT_EQ(f->GetLength(), before + added);
    EXPECT_EQ(f->GetSeconds(DWORD(-1)), 4u);  // 4.6 s
    ASSERT_EQ(f->GetMarkerCount(), 3);
    EXPECT_EQ(f->GetMarkerPosition(2), before);
    EXPECT_EQ(f->GetMarkerTime(2), kStart + 200);
    EXPECT_EQ(f->GetCommentCount(), 1);
    if (!TakesSamples(c)) {
        Bytes all = take.all;
        all.insert(all.end(), appended.begin(), appended.end());
        Bytes back(all.size());
        ASSERT_TRUE(f->position(0));
        EXPECT_EQ(f->Read(back.data(), static_cast<LONG>(back.size())), static_cast<LONG>(all.size()));
        EXPECT_TRUE(back == all);
    } else {
        const std::size_t frames = DecodeThroughFile(*f, c).size() / c.channels;
        EXPECT_NEAR(static_cast<double>(frames), static_cast<double>(before + added), 3.0 * c.lengthSlackFrames);
    }
}

TEST_P(MediaFileContract, OverwriteModeWritesInPlaceAppendModeAtTheEnd)
{
    Marks marks;
    RecordAndClose(&marks);
    auto f = Open(MMIO_READWRITE);
    MediaFile& slots = *f;
    EXPECT_FALSE(slots.GetOverwrite());
    if (!slots.CanOverwrite()) {
        EXPECT_TRUE(TakesSamples(c)) << "only Ogg Vorbis files are appended to only";
        return;
    }
    Bytes expected = take.all;
    const Bytes& b = take.buffers[1];
    slots.SetOverwrite(true);
    EXPECT_TRUE(slots.GetOverwrite());
    ASSERT_TRUE(slots.position(static_cast<DWORD>(expected.size() / 3)));
    const DWORD at = slots.GetPosition();
    ASSERT_EQ(slots.Write(b.data(), static_cast<LONG>(b.size())), static_cast<LONG>(b.size()));
    std::copy(b.begin(), b.end(), expected.begin() + at);
    EXPECT_EQ(slots.GetLength(), expected.size()) << "written over, not added";
    EXPECT_EQ(slots.GetPosition(), at + b.size());

    slots.SetOverwrite(false);
    ASSERT_TRUE(slots.position(0));
    ASSERT_EQ(slots.Write(b.data(), static_cast<LONG>(b.size())), static_cast<LONG>(b.size()));
    expected.insert(expected.end(), b.begin(), b.end());
    EXPECT_EQ(slots.GetLength(), expected.size()) << "appended whatever the position";
    EXPECT_TRUE(slots.close());

    auto r = Open(MMIO_READ);
    Bytes back(expected.size() + 100);
    ASSERT_TRUE(r->position(0));
    EXPECT_EQ(r->Read(back.data(), static_cast<LONG>(back.size())), static_cast<LONG>(expected.size()));
    back.resize(expected.size());
    EXPECT_TRUE(back == expected);
}

TEST_P(MediaFileContract, RenameKeepsTheOpenFileAndDeleteRemovesIt)
{
    Marks marks;
    RecordAndClose(&marks);
    auto f = Open(MMIO_READWRITE);
    MediaFile& slots = *f;
    const std::string target = dir.file(std::string("renamed") + Extension(c));
    testsupport::WriteAll(target, {1, 2, 3});  // replaced
    ASSERT_TRUE(slots.position(slots.GetLength() / 3));
    const DWORD at = slots.GetPosition();
    ASSERT_TRUE(slots.rename(target.c_str()));
    EXPECT_TRUE(slots.IsOpen());
    EXPECT_STREQ(f->GetName(), target.c_str());
    EXPECT_FALSE(FileExists(path.c_str()));
    EXPECT_EQ(slots.GetLength(), TakeLength());
    EXPECT_EQ(slots.GetPosition(), at);
    EXPECT_EQ(f->GetMarkerCount(), 2);
    ASSERT_TRUE(slots.close());
    {
        auto r = Open(MMIO_READ, target);
        EXPECT_EQ(r->GetLength(), TakeLength());
        EXPECT_EQ(r->GetMarkerCount(), 2);
        EXPECT_FALSE(r->Delete()) << "read-only";
        EXPECT_TRUE(FileExists(target.c_str()));
    }

    // Onto another file system the file is copied and the old one stays.
    struct stat here, shm;
    if (stat("/dev/shm", &shm) == 0 && stat(dir.path().c_str(), &here) == 0 && here.st_dev != shm.st_dev) {
        char folder[] = "/dev/shm/tapvox-test-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        const std::string other = std::string(folder) + "/moved" + Extension(c);
        {
            auto w = Open(MMIO_READWRITE, target);
            ASSERT_TRUE(w->rename(other.c_str()));
            EXPECT_TRUE(w->IsOpen());
            EXPECT_EQ(w->GetLength(), TakeLength());
            EXPECT_TRUE(w->close());
        }
        EXPECT_TRUE(FileExists(target.c_str()));
        EXPECT_TRUE(testsupport::ReadAll(target) == testsupport::ReadAll(other));
        std::remove(other.c_str());
        rmdir(folder);
    }

    auto w = Open(MMIO_READWRITE, target);
    ASSERT_TRUE(w->Delete());
    EXPECT_FALSE(w->IsOpen());
    EXPECT_STREQ(w->GetName(), "");
    EXPECT_FALSE(FileExists(target.c_str()));
}

TEST_P(MediaFileContract, RenameReportsAReopenThatFails)
{
    Marks marks;
    RecordAndClose(&marks);
    auto f = Open(MMIO_READWRITE);
    // Another program spoils the file while it is open: the move succeeds,
    // the reopen under the new name cannot find a format.
    testsupport::WriteAll(path, Bytes(testsupport::ReadAll(path).size(), 0));
    const std::string target = dir.file(std::string("renamed") + Extension(c));
    EXPECT_FALSE(f->rename(target.c_str()));
    EXPECT_FALSE(f->IsOpen());
}

TEST_P(MediaFileContract, ReadOnlyRefusesChanges)
{
    Marks marks;
    RecordAndClose(&marks);
    const Bytes closed = testsupport::ReadAll(path);
    {
        auto f = Open(MMIO_READ);
        MediaFile& slots = *f;
        EXPECT_TRUE(slots.IsReadOnly());
        const Bytes& b = take.buffers[0];
        if (TakesSamples(c)) {
            EXPECT_LE(slots.Write(b.data(), static_cast<LONG>(b.size())), 0);
        } else {
            EXPECT_EQ(slots.Write(b.data(), static_cast<LONG>(b.size())), 0);
        }
        EXPECT_EQ(slots.GetLength(), TakeLength());
        f->AddMarker(slots.GetLength() / 2, kStart + 300);
        EXPECT_EQ(f->GetMarkerCount(), 2);
        f->AddComment("not kept", 0, 10);
        EXPECT_EQ(f->GetCommentCount(), 1);
        EXPECT_FALSE(slots.SetInfo("name", "another"));
        EXPECT_FALSE(slots.IsDirty());
        EXPECT_TRUE(slots.close());
    }
    EXPECT_TRUE(testsupport::ReadAll(path) == closed);
}

// sox (WAV), ffmpeg (MPEG audio in WAV), mpg123 (MP3), oggdec and ogginfo
// (Ogg Vorbis) decode what we wrote to the same tolerance as our own
// decoders; sndfile-info reads the WAV headers.
TEST_P(MediaFileContract, IndependentReaderDecodesTheFile)
{
    Marks marks;
    RecordAndClose(&marks);
    const std::string raw = dir.file("decoded.raw");
    std::string command;
    switch (c.container) {
    case Container::Wave:
        if (testsupport::HaveTool("sndfile-info") && c.tag != WAVE_FORMAT_MPEGLAYER3) {
            const std::string info = Tool("sndfile-info '" + path + "'");
            EXPECT_NE(info.find("Sample Rate : " + std::to_string(c.rate)), std::string::npos) << info;
            EXPECT_NE(info.find("Channels    : " + std::to_string(c.channels)), std::string::npos) << info;
            EXPECT_EQ(info.find("Error"), std::string::npos) << info;
        }
        if (c.tag == WAVE_FORMAT_MPEGLAYER3) {
            TAPVOX_REQUIRE_TOOL("ffmpeg");  // sox reads no MPEG audio inside WAV
            command = "ffmpeg -v error -i '" + path + "' -f s16le -c:a pcm_s16le '" + raw + "'";
        } else {
            TAPVOX_REQUIRE_TOOL("sox");
            command = "sox -D '" + path + "' -t raw -e signed-integer -b 16 -L '" + raw + "'";
        }
        testsupport::SaveSeed("wavefile", path);
        break;
    case Container::Mp3:
        TAPVOX_REQUIRE_TOOL("mpg123");
        command = "mpg123 -q -e s16 -O '" + raw + "' '" + path + "'";
        testsupport::SaveSeed("mp3_scanner", path);
        break;
    case Container::Ogg: {
        TAPVOX_REQUIRE_TOOL("oggdec");
        TAPVOX_REQUIRE_TOOL("ogginfo");
        int status = -1;
        const std::string info = Tool("ogginfo '" + path + "'", &status);
        EXPECT_EQ(status, 0) << info;
        EXPECT_EQ(info.find("WARNING"), std::string::npos) << info;
        EXPECT_NE(info.find("Playback length: 0m:03.600s"), std::string::npos) << info;
        if (testsupport::HaveTool("vorbiscomment")) {
            const std::string listed = Tool("vorbiscomment -l '" + path + "'");
            EXPECT_NE(listed.find("FENNWICKE TIMECODE=SAMPLE TIMECODE"), std::string::npos) << listed;
            EXPECT_NE(listed.find("NAME=Morning take"), std::string::npos) << listed;
        }
        command = "oggdec -Q -R -o '" + raw + "' '" + path + "'";
        testsupport::SaveSeed("ogg_reader", path);
        testsupport::SaveSeed("vorbis_comments", path);
        break;
    }
    }
    int status = -1;
    const std::string out = Tool(command, &status);
    ASSERT_EQ(status, 0) << command << "\n" << out;
    ExpectSourceMatches(acmtest::ToSamples(testsupport::ReadAll(raw)), command.c_str());
}

INSTANTIATE_TEST_SUITE_P(EveryCodec, MediaFileContract, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });
