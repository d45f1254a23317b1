// Recording through the compression manager (IMA ADPCM WAV and MP3) and into Ogg
// Vorbis: the encoder's tail reaches the file, burst markers land where their
// audio does, and independent readers take the files.
#include "tests/recorder/RecorderFixture.h"

#include "files/Mp3File.h"
#include "files/OggVorbisFile.h"
#include "platform/acm/Acm.h"

namespace {
using Bytes = std::vector<std::uint8_t>;

// What the engine's stream gives for the same buffers, converted one by one and ended.
Bytes ConvertLikeTheEngine(const WAVEFORMATEX& pcm, const WAVEFORMATEX* compressed, const std::vector<Bytes>& buffers,
                           bool end, std::vector<std::size_t>* sizes = nullptr)
{
    HACMSTREAM s = nullptr;
    WAVEFORMATEX src = pcm;
    EXPECT_EQ(acmStreamOpen(&s, nullptr, &src, const_cast<WAVEFORMATEX*>(compressed), nullptr, 0, 0, 0), MMSYSERR_NOERROR);
    Bytes in(200000);
    Bytes out(200000);
    ACMSTREAMHEADER h{};
    h.cbStruct = ACMSTREAMHEADER_DOCUMENTED_SIZE;
    h.pbSrc = in.data();
    h.cbSrcLength = static_cast<DWORD>(in.size());
    h.pbDst = out.data();
    h.cbDstLength = static_cast<DWORD>(out.size());
    EXPECT_EQ(acmStreamPrepareHeader(s, &h, 0), MMSYSERR_NOERROR);
    Bytes all;
    for (const Bytes& b : buffers) {
        std::memcpy(in.data(), b.data(), b.size());
        h.cbSrcLength = static_cast<DWORD>(b.size());
        EXPECT_EQ(acmStreamConvert(s, &h, ACM_STREAMCONVERTF_BLOCKALIGN), MMSYSERR_NOERROR);
        all.insert(all.end(), out.begin(), out.begin() + h.cbDstLengthUsed);
        if (sizes) {
            sizes->push_back(all.size());
        }
    }
    if (end) {
        h.cbSrcLength = 0;
        acmStreamConvert(s, &h, ACM_STREAMCONVERTF_END);
        all.insert(all.end(), out.begin(), out.begin() + h.cbDstLengthUsed);
    }
    h.cbSrcLength = static_cast<DWORD>(in.size());
    acmStreamUnprepareHeader(s, &h, 0);
    acmStreamClose(s, 0);
    return all;
}

Bytes FileData(MediaFile& f)
{
    f.position(0);
    Bytes data(f.GetDataSize());
    EXPECT_EQ(f.Read(data.data(), static_cast<LONG>(data.size())), static_cast<LONG>(data.size()));
    return data;
}

// A compressed WAV format of the codecs the engine records through, as the Wave page stores it.
struct WavCodec {
    WORD tag;
    const char* driver;
    WORD channels;
    const char* name;
};

class Compressed : public RecorderTest {
protected:
    void UseWavCodec(const WavCodec& codec)
    {
        Stereo = codec.channels == 2;
        const WAVEFORMATEX pcm = MakePcmFormat(codec.channels, 8000, 16);
        std::memset(RecordFormatBuffer, 0, FormatBufferBytes());
        RecordFormatBuffer->wFormatTag = codec.tag;
        RecordFormatBuffer->nChannels = codec.channels;
        RecordFormatBuffer->nSamplesPerSec = 8000;
        WAVEFORMATEX src = pcm;
        ASSERT_EQ(acmFormatSuggest(nullptr, &src, RecordFormatBuffer, 2000,
                                   ACM_FORMATSUGGESTF_WFORMATTAG | ACM_FORMATSUGGESTF_NCHANNELS |
                                       ACM_FORMATSUGGESTF_NSAMPLESPERSEC),
                  MMSYSERR_NOERROR);
        std::snprintf(ACMDriver, sizeof ACMDriver, "%s", codec.driver);
        ACMFormatTag = codec.tag;
    }
    void UseImaAdpcm() { UseWavCodec({WAVE_FORMAT_IMA_ADPCM, "IMA ADPCM", 2, "ImaAdpcm"}); }
    std::vector<Bytes> FedBuffers(int first, int count, std::uint32_t tailFrames = 0) const
    {
        std::vector<Bytes> v;
        for (int i = 0; i < count; ++i) {
            v.push_back(FedFrames((first + i) * FramesPerBuffer(), FramesPerBuffer()));
        }
        if (tailFrames) {
            v.push_back(FedFrames((first + count) * FramesPerBuffer(), tailFrames));
        }
        return v;
    }
    // Two bursts: buffers 0-1 loud, 2-8 quiet (sound ends on the fifth), 9 loud, 10-15 quiet.
    void RecordTwoBursts()
    {
        SoundLevel = 20;
        Open();
        ClickRecord();
        ASSERT_TRUE(dialog->IsRecording());
        Feed(2, true);
        Feed(7, false);
        Feed(1, true);
        Feed(6, false);
        ClickStop();
    }
};
}

class CompressedWav : public Compressed, public ::testing::WithParamInterface<WavCodec> {};

TEST_P(CompressedWav, HoldsEveryConversionAndTheLastBlockAndIndependentReadersTakeIt)
{
    TAPVOX_REQUIRE_TOOL("sox");
    TAPVOX_REQUIRE_TOOL("sndfile-info");
    UseWavCodec(GetParam());
    Open();
    ClickRecord();
    ASSERT_TRUE(dialog->IsRecording());
    EXPECT_EQ(dialog->GetConversionMode(), TAppDialog::ModeEncode);
    Feed(8, true);
    FeedFrames(300, true);
    ClickStop();
    EXPECT_EQ(dialog->GetConversionStream(), nullptr);

    const WORD channels = GetParam().channels;
    const WAVEFORMATEX pcm = MakePcmFormat(channels, 8000, 16);
    const Bytes expected = ConvertLikeTheEngine(pcm, RecordFormatBuffer, FedBuffers(0, 8, 300), true);
    auto f = ReadWave(CurrentName());
    EXPECT_EQ(f->GetFormat()->wFormatTag, GetParam().tag);
    EXPECT_EQ(FileData(*f), expected);
    // The counted stream's frames are four bytes: two samples of mono, one frame of stereo.
    const std::size_t samples = fed.size() / (2 * channels);
    EXPECT_EQ(f->GetFactCount(), samples);

    // sox decodes every sample that went in (the last block padded with silence).
    const std::string raw = dir.file("decoded.raw");
    int status = -1;
    const std::string said = testsupport::RunCapture(
        "sox '" + CurrentName() + "' -t raw -e signed-integer -b 16 '" + raw + "' 2>&1", &status);
    ASSERT_EQ(status, 0) << said;
    const std::size_t decoded = testsupport::ReadAll(raw).size() / (2 * channels);
    EXPECT_GE(decoded, samples);
    EXPECT_LT(decoded, samples + 2048);
    const std::string info = testsupport::RunCapture("sndfile-info '" + CurrentName() + "' 2>&1", &status);
    EXPECT_EQ(status, 0) << info;
    EXPECT_NE(info.find("Channels    : " + std::to_string(channels)), std::string::npos) << info;
    EXPECT_EQ(info.find("rror"), std::string::npos) << info;
}

INSTANTIATE_TEST_SUITE_P(EveryCodec, CompressedWav,
                         ::testing::Values(WavCodec{WAVE_FORMAT_ALAW, "CCITT G.711", 2, "ALaw"},
                                           WavCodec{WAVE_FORMAT_MULAW, "CCITT G.711", 2, "MuLaw"},
                                           WavCodec{WAVE_FORMAT_IMA_ADPCM, "IMA ADPCM", 2, "ImaAdpcm"},
                                           WavCodec{WAVE_FORMAT_ADPCM, "MS ADPCM", 2, "MsAdpcm"},
                                           WavCodec{WAVE_FORMAT_GSM610, "GSM 6.10", 1, "Gsm610"}),
                         [](const ::testing::TestParamInfo<WavCodec>& i) { return std::string(i.param.name); });

TEST_F(Compressed, ImaAdpcmBurstMarkersLandWhereTheirConvertedAudioBegins)
{
    UseImaAdpcm();
    RecordTwoBursts();
    const WAVEFORMATEX pcm = MakePcmFormat(2, 8000, 16);
    std::vector<std::size_t> sizes;
    // Written: the first burst (2 loud + 4 hang-over), then the second (1 + 4).
    std::vector<Bytes> written = FedBuffers(0, 6);
    const auto second = FedBuffers(9, 5);
    written.insert(written.end(), second.begin(), second.end());
    const Bytes expected = ConvertLikeTheEngine(pcm, RecordFormatBuffer, written, true, &sizes);
    auto f = ReadWave(CurrentName());
    EXPECT_EQ(FileData(*f), expected);
    ASSERT_EQ(f->GetMarkerCount(), 2);
    EXPECT_EQ(f->GetMarkerPosition(0), 0u);
    EXPECT_EQ(f->GetMarkerPosition(1), sizes[5]);
    // With the time the burst's first buffer was taken in, not when its conversion was collected.
    EXPECT_EQ(f->GetMarkerTime(1), kStartTime + (200 * (9 + 2)) / 1000);
}

TEST_F(Compressed, Mp3KeepsTheEncodersLastFramesAndItsMarkers)
{
    TAPVOX_REQUIRE_TOOL("mpg123");
    DefaultAudioFormat = 1;
    Mp3Stereo = false;
    Mp3SampleRate = 16000;
    RecordTwoBursts();
    ASSERT_EQ(CurrentName(), folder + "/take_1.mp3");
    const WAVEFORMATEX pcm = MakePcmFormat(1, 16000, 16);
    // Mono: the counted stream's frames are two mono samples each; the written buffers are what counts.
    std::vector<std::size_t> sizes;
    std::vector<Bytes> written = FedBuffers(0, 6);
    const auto second = FedBuffers(9, 5);
    written.insert(written.end(), second.begin(), second.end());
    const Bytes expected = ConvertLikeTheEngine(pcm, Mp3FormatBuffer, written, true, &sizes);
    Mp3File f(CurrentName().c_str(), nullptr, MMIO_READ);
    ASSERT_TRUE(f.open());
    EXPECT_EQ(FileData(f), expected);
    ASSERT_EQ(f.GetMarkerCount(), 2);
    EXPECT_EQ(f.GetMarkerPosition(1), sizes[5]);
    EXPECT_EQ(f.GetMarkerTime(0), kStartTime + (200 * 2) / 1000);
    EXPECT_EQ(f.GetMarkerTime(1), kStartTime + (200 * (9 + 2)) / 1000);

    int status = -1;
    const std::string raw = dir.file("mp3.raw");
    testsupport::RunCapture("mpg123 -q -s '" + CurrentName() + "' > '" + raw + "' 2>/dev/null", &status);
    EXPECT_EQ(status, 0);
    // Every written sample comes out (behind the codec's delay), none are cut off.
    EXPECT_GE(testsupport::ReadAll(raw).size(), 11 * BufferBytes());
}

TEST_F(Compressed, OggVorbisKeepsOneMarkerPerBurstAtItsSample)
{
    TAPVOX_REQUIRE_TOOL("ogginfo");
    DefaultAudioFormat = 3;
    VorStereo = 1;
    VorSampleRate = 8000;
    RecordTwoBursts();
    ASSERT_EQ(CurrentName(), folder + "/take_1.ogg");
    const std::string name = CurrentName();
    ASSERT_TRUE(dialog->savefile(nullptr, true));
    OggVorbisFile f(name.c_str(), nullptr, VorQ, MMIO_READ);
    ASSERT_TRUE(f.open());
    EXPECT_EQ(f.GetLength(), 11 * FramesPerBuffer());
    ASSERT_EQ(f.GetMarkerCount(), 2);
    EXPECT_EQ(f.GetMarkerPosition(0), 0u);
    EXPECT_EQ(f.GetMarkerPosition(1), 6 * FramesPerBuffer());
    EXPECT_EQ(f.GetMarkerTime(0), kStartTime + (200 * 2) / 1000);
    EXPECT_EQ(f.GetMarkerTime(1), kStartTime + (200 * (9 + 2)) / 1000);
    int status = -1;
    const std::string info = testsupport::RunCapture("ogginfo '" + name + "' 2>&1", &status);
    EXPECT_EQ(status, 0) << info;
    EXPECT_NE(info.find("Playback length: 0m:02.2"), std::string::npos) << info;
}
