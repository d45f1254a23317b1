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

class Compressed : public RecorderTest {
protected:
    void UseImaAdpcm()
    {
        const WAVEFORMATEX pcm = MakePcmFormat(2, 8000, 16);
        std::memset(RecordFormatBuffer, 0, FormatBufferBytes());
        RecordFormatBuffer->wFormatTag = WAVE_FORMAT_IMA_ADPCM;
        RecordFormatBuffer->nChannels = 2;
        RecordFormatBuffer->nSamplesPerSec = 8000;
        WAVEFORMATEX src = pcm;
        ASSERT_EQ(acmFormatSuggest(nullptr, &src, RecordFormatBuffer, 2000,
                                   ACM_FORMATSUGGESTF_WFORMATTAG | ACM_FORMATSUGGESTF_NCHANNELS |
                                       ACM_FORMATSUGGESTF_NSAMPLESPERSEC),
                  MMSYSERR_NOERROR);
        std::snprintf(ACMDriver, sizeof ACMDriver, "IMA ADPCM");
        ACMFormatTag = WAVE_FORMAT_IMA_ADPCM;
    }
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

TEST_F(Compressed, ImaAdpcmWavHoldsEveryConversionAndTheLastBlock)
{
    TAPVOX_REQUIRE_TOOL("sox");
    UseImaAdpcm();
    Open();
    ClickRecord();
    ASSERT_TRUE(dialog->IsRecording());
    EXPECT_EQ(dialog->GetConversionMode(), TAppDialog::ModeEncode);
    Feed(8, true);
    FeedFrames(300, true);
    ClickStop();
    EXPECT_EQ(dialog->GetConversionStream(), nullptr);

    const WAVEFORMATEX pcm = MakePcmFormat(2, 8000, 16);
    const Bytes expected = ConvertLikeTheEngine(pcm, RecordFormatBuffer, FedBuffers(0, 8, 300), true);
    auto f = ReadWave(CurrentName());
    EXPECT_EQ(FileData(*f), expected);
    EXPECT_EQ(f->GetFactCount(), 8 * FramesPerBuffer() + 300);
    // sox decodes every frame that went in (the last block padded with silence).
    const std::size_t decodedFrames = SoxSamples(CurrentName()).size() / 4;
    EXPECT_GE(decodedFrames, 8 * FramesPerBuffer() + 300);
    EXPECT_LT(decodedFrames, 8 * FramesPerBuffer() + 300 + 1024);
}

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
    int status = -1;
    const std::string info = testsupport::RunCapture("ogginfo '" + name + "' 2>&1", &status);
    EXPECT_EQ(status, 0) << info;
    EXPECT_NE(info.find("Playback length: 0m:02.2"), std::string::npos) << info;
}
