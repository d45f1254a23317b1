// G.711, IMA ADPCM, MS ADPCM and GSM 6.10: quality of a round trip, buffers
// against one conversion, WAV files read by sox, damaged blocks.
#include "tests/platform/acm/AcmTestUtil.h"
#include "tests/support/TestSupport.h"

#include <sstream>

using namespace acmtest;

namespace {

// The driver's own format for a PCM shape, by suggestion.
Bytes FormatFor(WORD tag, const WAVEFORMATEX& pcm)
{
    Bytes f(64, 0);
    auto* w = reinterpret_cast<LPWAVEFORMATEX>(f.data());
    w->wFormatTag = tag;
    w->nChannels = pcm.nChannels;
    w->nSamplesPerSec = pcm.nSamplesPerSec;
    const MMRESULT r = acmFormatSuggest(nullptr, const_cast<LPWAVEFORMATEX>(&pcm), w, 64, 0x70000);
    EXPECT_EQ(r, MMSYSERR_NOERROR) << tag;
    f.resize(18 + w->cbSize);
    return f;
}

const WAVEFORMATEX& Wfx(const Bytes& f) { return *reinterpret_cast<const WAVEFORMATEX*>(f.data()); }

struct Codec {
    WORD tag;
    const char* name;
    double minSnrDb; // against the source, decoded by us and by sox
};

// Why these figures: G.711 quantises each sample on a logarithmic scale with
// 16 steps per segment, about 38 dB SNR for any level in its range, so 33 dB
// leaves room for the quiet passages. 4-bit ADPCM gets ~6 dB per bit plus the
// predictor's gain on this low-pitched material, less what the step
// adaptation loses at attacks: 4-bit codecs of this kind reach 20-30 dB on
// speech, so 18 dB marks a working codec and fails on a wrong nibble order,
// a lost block or a step-table error (those give < 5 dB).
const Codec kCodecs[] = {
    {WAVE_FORMAT_ALAW, "A-law", 33.0},
    {WAVE_FORMAT_MULAW, "u-law", 33.0},
    {WAVE_FORMAT_IMA_ADPCM, "IMA ADPCM", 18.0},
    {WAVE_FORMAT_ADPCM, "MS ADPCM", 18.0},
};

std::vector<WAVEFORMATEX> Shapes(WORD tag)
{
    if (tag == WAVE_FORMAT_GSM610) {
        return {Pcm(1, 8000), Pcm(1, 22050)};
    }
    return {Pcm(1, 8000), Pcm(2, 22050), Pcm(2, 44100), Pcm(1, 11025)};
}


} // namespace

TEST(AcmBlockCodecs, RoundTripQuality)
{
    for (const Codec& c : kCodecs) {
        for (const WAVEFORMATEX& pcm : Shapes(c.tag)) {
            const Bytes fmt = FormatFor(c.tag, pcm);
            const auto audio = SpeechLike(pcm.nSamplesPerSec, pcm.nChannels, 4.0);
            const Converted enc = ConvertAll(&pcm, fmt.data(), ToBytes(audio), pcm.nAvgBytesPerSec / 5);
            ASSERT_TRUE(enc.ok);
            EXPECT_FALSE(enc.anyError);
            EXPECT_EQ(enc.out.size() % Wfx(fmt).nBlockAlign, 0u);
            // The compressed size is what nAvgBytesPerSec promises.
            EXPECT_NEAR(static_cast<double>(enc.out.size()), 4.0 * Wfx(fmt).nAvgBytesPerSec,
                        Wfx(fmt).nBlockAlign + 4.0 * Wfx(fmt).nAvgBytesPerSec * 0.01)
                << c.name;
            const Converted dec = ConvertAll(fmt.data(), &pcm, enc.out, Wfx(fmt).nAvgBytesPerSec / 5 /
                                                                           Wfx(fmt).nBlockAlign * Wfx(fmt).nBlockAlign);
            ASSERT_TRUE(dec.ok);
            EXPECT_FALSE(dec.anyError);
            const auto back = ToSamples(dec.out);
            // Every frame comes back; the last block is padded with silence.
            EXPECT_GE(back.size(), audio.size());
            const double snr = SnrDb(audio, back);
            EXPECT_GT(snr, c.minSnrDb) << c.name << " " << pcm.nSamplesPerSec << "x" << pcm.nChannels;
            std::printf("%s %u Hz %u ch: SNR %.1f dB\n", c.name, static_cast<unsigned>(pcm.nSamplesPerSec),
                        static_cast<unsigned>(pcm.nChannels), snr);
        }
    }
}

// Both ADPCM codecs grow their block with the rate; the samples per block in
// the record and the byte rate follow from it.
TEST(AcmBlockCodecs, AdpcmBlocksFollowTheRate)
{
    struct Shape {
        WORD tag;
        WORD channels;
        DWORD rate;
        WORD blockAlign;
        WORD samplesPerBlock;
        DWORD bytesPerSecond;
    };
    for (const Shape s : {Shape{WAVE_FORMAT_IMA_ADPCM, 1, 8000, 256, 505, 4055},
                          Shape{WAVE_FORMAT_IMA_ADPCM, 1, 11025, 256, 505, 5588},
                          Shape{WAVE_FORMAT_IMA_ADPCM, 2, 22050, 1024, 1017, 22201},
                          Shape{WAVE_FORMAT_IMA_ADPCM, 2, 44100, 2048, 2041, 44251},
                          Shape{WAVE_FORMAT_ADPCM, 1, 8000, 256, 500, 4096},
                          Shape{WAVE_FORMAT_ADPCM, 2, 22050, 1024, 1012, 22311},
                          Shape{WAVE_FORMAT_ADPCM, 1, 44100, 1024, 2036, 22179}}) {
        const Bytes fmt = FormatFor(s.tag, Pcm(s.channels, s.rate));
        ASSERT_GE(fmt.size(), 20u);
        EXPECT_EQ(Wfx(fmt).nBlockAlign, s.blockAlign) << s.tag << " " << s.rate;
        EXPECT_EQ(fmt[18] | fmt[19] << 8, s.samplesPerBlock) << s.tag << " " << s.rate;
        EXPECT_EQ(Wfx(fmt).nAvgBytesPerSec, s.bytesPerSecond) << s.tag << " " << s.rate;
        EXPECT_EQ(Wfx(fmt).wBitsPerSample, 4);
    }
}

TEST(AcmBlockCodecs, GsmRoundTrip)
{
    const WAVEFORMATEX pcm = Pcm(1, 8000);
    const Bytes fmt = FormatFor(WAVE_FORMAT_GSM610, pcm);
    EXPECT_EQ(fmt.size(), sizeof(GSM610WAVEFORMAT));
    EXPECT_EQ(+Wfx(fmt).nBlockAlign, 65);
    EXPECT_EQ(+Wfx(fmt).nAvgBytesPerSec, 1625u);
    const auto audio = SpeechLike(8000, 1, 4.0);
    const Converted enc = ConvertAll(&pcm, fmt.data(), ToBytes(audio), 1600);
    ASSERT_TRUE(enc.ok);
    EXPECT_EQ(enc.out.size(), (32000 + 319) / 320 * 65u);
    const Converted dec = ConvertAll(fmt.data(), &pcm, enc.out, 325);
    const auto back = ToSamples(dec.out);
    EXPECT_EQ(back.size(), (32000 + 319) / 320 * 320u);
    // A speech codec keeps the waveform only roughly: it must follow the
    // source closely in shape, not in every sample.
    const double corr = Correlation(audio, back, 0, 1, 0);
    std::printf("GSM correlation %.3f SNR %.1f dB\n", corr, SnrDb(audio, back));
    EXPECT_GT(corr, 0.8);
    // Stereo is not a GSM 6.10 format.
    WAVEFORMATEX stereo = Pcm(2, 8000);
    Bytes f(64, 0);
    reinterpret_cast<LPWAVEFORMATEX>(f.data())->wFormatTag = WAVE_FORMAT_GSM610;
    reinterpret_cast<LPWAVEFORMATEX>(f.data())->nChannels = 2;
    EXPECT_EQ(acmFormatSuggest(nullptr, &stereo, reinterpret_cast<LPWAVEFORMATEX>(f.data()), 64, 0x30000),
              ACMERR_NOTPOSSIBLE);
}

// The engine's fifth-of-a-second buffers (not whole blocks) give exactly the
// bytes of one large conversion, and so does decoding in buffers.
TEST(AcmBlockCodecs, BuffersGiveTheSameResultAsOneConversion)
{
    for (WORD tag : {WAVE_FORMAT_ALAW, WAVE_FORMAT_MULAW, WAVE_FORMAT_IMA_ADPCM, WAVE_FORMAT_ADPCM, WAVE_FORMAT_GSM610}) {
        for (const WAVEFORMATEX& pcm : Shapes(tag)) {
            const Bytes fmt = FormatFor(tag, pcm);
            const Bytes in = ToBytes(SpeechLike(pcm.nSamplesPerSec, pcm.nChannels, 2.0));
            const Converted whole = ConvertAll(&pcm, fmt.data(), in, in.size());
            const Converted parts = ConvertAll(&pcm, fmt.data(), in, pcm.nAvgBytesPerSec / 5);
            ASSERT_TRUE(whole.ok && parts.ok);
            EXPECT_EQ(whole.out, parts.out) << tag;
            const WORD block = Wfx(fmt).nBlockAlign;
            const Converted decWhole = ConvertAll(fmt.data(), &pcm, whole.out, whole.out.size());
            const Converted decParts =
                ConvertAll(fmt.data(), &pcm, whole.out, std::max<std::size_t>(block, Wfx(fmt).nAvgBytesPerSec / 5 / block * block));
            EXPECT_EQ(decWhole.out, decParts.out) << tag;
        }
    }
}

// Compressed WAV files of each format are read by sox with the right rate,
// channels and length, and sound like the source.
TEST(AcmBlockCodecs, SoxReadsTheWavFiles)
{
    TAPVOX_REQUIRE_TOOL("sox");
    testsupport::TempDir dir;
    for (WORD tag : {WAVE_FORMAT_ALAW, WAVE_FORMAT_MULAW, WAVE_FORMAT_IMA_ADPCM, WAVE_FORMAT_ADPCM, WAVE_FORMAT_GSM610}) {
        for (const WAVEFORMATEX& pcm : {Shapes(tag)[0], Shapes(tag)[1]}) {
            const Bytes fmt = FormatFor(tag, pcm);
            const double seconds = 2.0;
            const auto audio = SpeechLike(pcm.nSamplesPerSec, pcm.nChannels, seconds);
            const Converted enc = ConvertAll(&pcm, fmt.data(), ToBytes(audio), pcm.nAvgBytesPerSec / 5);
            ASSERT_TRUE(enc.ok);
            const std::string name =
                dir.file(std::string("t").append(std::to_string(tag)) + "_" + std::to_string(pcm.nSamplesPerSec) + ".wav");
            testsupport::WriteAll(name, WavFile(fmt.data(), fmt.size(), enc.out,
                                                static_cast<DWORD>(audio.size() / pcm.nChannels)));
            testsupport::SaveSeed("acm_decoders", name);
            int status = 0;
            const std::string rate = testsupport::RunCapture("soxi -r '" + name + "' 2>&1", &status);
            ASSERT_EQ(status, 0) << rate;
            const std::string channels = testsupport::RunCapture("soxi -c '" + name + "' 2>&1", &status);
            EXPECT_EQ(std::stoul(rate), +pcm.nSamplesPerSec);
            EXPECT_EQ(std::stoul(channels), +pcm.nChannels);
            const std::string raw = name + ".raw";
            testsupport::RunCapture("sox '" + name + "' -t raw -e signed -b 16 -L '" + raw + "' 2>&1", &status);
            ASSERT_EQ(status, 0) << tag;
            const auto decoded = ToSamples(testsupport::ReadAll(raw));
            const double got = static_cast<double>(decoded.size()) / pcm.nChannels / pcm.nSamplesPerSec;
            EXPECT_NEAR(got, seconds, 0.05) << tag;
            if (tag == WAVE_FORMAT_GSM610) {
                EXPECT_GT(Correlation(audio, decoded, 0, 1, 0), 0.8);
            } else {
                EXPECT_GT(SnrDb(audio, decoded), tag == WAVE_FORMAT_ALAW || tag == WAVE_FORMAT_MULAW ? 33.0 : 18.0)
                    << tag << " " << pcm.nSamplesPerSec;
            }
        }
    }
}

// Blocks with impossible headers are reported; the stream goes on and the
// rest of the data still decodes.
TEST(AcmBlockCodecs, DamagedBlocksAreReported)
{
    for (WORD tag : {WAVE_FORMAT_IMA_ADPCM, WAVE_FORMAT_ADPCM}) {
        const WAVEFORMATEX pcm = Pcm(1, 8000);
        const Bytes fmt = FormatFor(tag, pcm);
        const Converted enc = ConvertAll(&pcm, fmt.data(), ToBytes(SpeechLike(8000, 1, 1.0)), 1600);
        Bytes bad = enc.out;
        // IMA: step index 200 in block 1; MS ADPCM: predictor 9 of 7.
        bad[Wfx(fmt).nBlockAlign + (tag == WAVE_FORMAT_IMA_ADPCM ? 2 : 0)] = tag == WAVE_FORMAT_IMA_ADPCM ? 200 : 9;
        const Converted good = ConvertAll(fmt.data(), &pcm, enc.out, enc.out.size());
        const Converted dec = ConvertAll(fmt.data(), &pcm, bad, enc.out.size());
        EXPECT_TRUE(dec.anyError);
        ASSERT_EQ(dec.out.size(), good.out.size());
        const std::size_t blockBytes = dec.out.size() / (enc.out.size() / Wfx(fmt).nBlockAlign);
        EXPECT_TRUE(std::equal(dec.out.begin(), dec.out.begin() + blockBytes, good.out.begin()));
        EXPECT_TRUE(std::equal(dec.out.begin() + 2 * blockBytes, dec.out.end(), good.out.begin() + 2 * blockBytes));
        for (std::size_t i = blockBytes; i < 2 * blockBytes; ++i) {
            ASSERT_EQ(dec.out[i], 0);
        }
    }
}

// Files written by another program: formats with their own block sizes
// encode and decode as well as ours.
TEST(AcmBlockCodecs, OtherBlockSizesWork)
{
    const WAVEFORMATEX pcm = Pcm(2, 8000);
    IMAADPCMWAVEFORMAT ima{};
    ima.wfx = {WAVE_FORMAT_IMA_ADPCM, 2, 8000, 0, 2048, 4, 2};
    ima.wSamplesPerBlock = (2048 - 8) * 8 / 8 + 1;
    ima.wfx.nAvgBytesPerSec = 8000 * 2048 / ima.wSamplesPerBlock;
    const auto audio = SpeechLike(8000, 2, 2.0);
    const Converted enc = ConvertAll(&pcm, &ima, ToBytes(audio), 3200);
    const Converted dec = ConvertAll(&ima, &pcm, enc.out, 2048);
    EXPECT_GT(SnrDb(audio, ToSamples(dec.out)), 18.0);
    ima.wSamplesPerBlock = 100; // does not match the block size
    EXPECT_EQ(acmStreamOpen(nullptr, nullptr, const_cast<LPWAVEFORMATEX>(&pcm), &ima.wfx, nullptr, 0, 0,
                            ACM_STREAMOPENF_QUERY),
              ACMERR_NOTPOSSIBLE);
    ima.wSamplesPerBlock = (2048 - 8) * 8 / 8 + 1;
    ima.wfx.cbSize = 1; // its extra word cut off
    EXPECT_EQ(acmStreamOpen(nullptr, nullptr, &ima.wfx, const_cast<LPWAVEFORMATEX>(&pcm), nullptr, 0, 0,
                            ACM_STREAMOPENF_QUERY),
              ACMERR_NOTPOSSIBLE);
}

// 8-bit devices: encoders take 8-bit PCM and decoders give it back.
TEST(AcmBlockCodecs, EightBitPcmOnBothSides)
{
    const WAVEFORMATEX pcm8 = Pcm(2, 11025, 8);
    const auto audio = SpeechLike(11025, 2, 1.0);
    Bytes in8(audio.size());
    std::vector<std::int16_t> ref(audio.size());
    for (std::size_t i = 0; i < audio.size(); ++i) {
        in8[i] = static_cast<BYTE>((audio[i] >> 8) + 128);
        ref[i] = static_cast<std::int16_t>((in8[i] - 128) * 256);
    }
    for (WORD tag : {WAVE_FORMAT_ALAW, WAVE_FORMAT_IMA_ADPCM, WAVE_FORMAT_ADPCM, WAVE_FORMAT_MPEGLAYER3}) {
        const Bytes fmt = FormatFor(tag, pcm8);
        const Converted enc = ConvertAll(&pcm8, fmt.data(), in8, 2205 * 2);
        ASSERT_FALSE(enc.out.empty()) << tag;
        const Converted dec = ConvertAll(fmt.data(), &pcm8, enc.out, Wfx(fmt).nBlockAlign * 4);
        ASSERT_FALSE(dec.anyError);
        std::vector<std::int16_t> back(dec.out.size());
        for (std::size_t i = 0; i < back.size(); ++i) {
            back[i] = static_cast<std::int16_t>((dec.out[i] - 128) * 256);
        }
        const std::size_t lag = tag == WAVE_FORMAT_MPEGLAYER3 ? 2 * 1105 : 0;
        EXPECT_GT(SnrDb(ref, back, lag), tag == WAVE_FORMAT_MPEGLAYER3 ? 8.0 : 15.0) << tag;
    }
}

// A reset drops the frames an encoder held back: nothing of them comes out.
TEST(AcmBlockCodecs, ResetDropsHeldBackFrames)
{
    const WAVEFORMATEX pcm = Pcm(1, 8000);
    const Bytes fmt = FormatFor(WAVE_FORMAT_IMA_ADPCM, pcm);
    HACMSTREAM s = nullptr;
    ASSERT_EQ(acmStreamOpen(&s, nullptr, const_cast<LPWAVEFORMATEX>(&pcm),
                            reinterpret_cast<LPWAVEFORMATEX>(const_cast<BYTE*>(fmt.data())), nullptr, 0, 0, 0),
              MMSYSERR_NOERROR);
    const Bytes in = ToBytes(SpeechLike(8000, 1, 0.05)); // 400 frames: less than a block
    const Converted first = acmtest::Run(s, in, in.size(), false);
    EXPECT_TRUE(first.out.empty());
    ASSERT_EQ(acmStreamReset(s, 0), MMSYSERR_NOERROR);
    const Converted flushed = acmtest::Run(s, Bytes{}, 16, true);
    EXPECT_TRUE(flushed.out.empty());
    const Converted again = acmtest::Run(s, in, in.size(), true);
    EXPECT_EQ(again.out.size(), +Wfx(fmt).nBlockAlign);
    acmStreamClose(s, 0);
}

namespace {
// The "fmt " and "data" chunks of a RIFF WAVE file.
bool ReadWav(const Bytes& file, Bytes* format, Bytes* data)
{
    for (std::size_t at = 12; at + 8 <= file.size();) {
        DWORD len = 0;
        std::memcpy(&len, file.data() + at + 4, 4);
        const std::size_t have = std::min<std::size_t>(len, file.size() - at - 8);
        if (std::memcmp(file.data() + at, "fmt ", 4) == 0) {
            format->assign(file.begin() + static_cast<std::ptrdiff_t>(at + 8),
                           file.begin() + static_cast<std::ptrdiff_t>(at + 8 + have));
        } else if (std::memcmp(file.data() + at, "data", 4) == 0) {
            data->assign(file.begin() + static_cast<std::ptrdiff_t>(at + 8),
                         file.begin() + static_cast<std::ptrdiff_t>(at + 8 + have));
        }
        at += 8 + have + (have & 1);
    }
    return format->size() >= 18 && !data->empty();
}
} // namespace

// Files sox writes in each compressed format decode through our drivers.
TEST(AcmBlockCodecs, DecodesWhatSoxWrites)
{
    TAPVOX_REQUIRE_TOOL("sox");
    testsupport::TempDir dir;
    const auto audio = SpeechLike(8000, 1, 2.0);
    const std::string raw = dir.file("in.raw");
    testsupport::WriteAll(raw, ToBytes(audio));
    struct Case {
        const char* encoding;
        WORD tag;
        double minSnr;
    };
    for (const Case c : {Case{"a-law", WAVE_FORMAT_ALAW, 33}, Case{"u-law", WAVE_FORMAT_MULAW, 33},
                         Case{"ima-adpcm", WAVE_FORMAT_IMA_ADPCM, 18}, Case{"ms-adpcm", WAVE_FORMAT_ADPCM, 18},
                         Case{"gsm-full-rate", WAVE_FORMAT_GSM610, 0}}) {
        const std::string wav = dir.file(std::string(c.encoding) + ".wav");
        int status = 0;
        testsupport::RunCapture("sox -t raw -r 8000 -e signed -b 16 -c 1 '" + raw + "' -e " + c.encoding + " '" +
                                    wav + "' 2>&1",
                                &status);
        ASSERT_EQ(status, 0) << c.encoding;
        Bytes format;
        Bytes data;
        ASSERT_TRUE(ReadWav(testsupport::ReadAll(wav), &format, &data)) << c.encoding;
        format.resize(format.size() + 64, 0);
        ASSERT_EQ(Wfx(format).wFormatTag, c.tag) << c.encoding;
        const WAVEFORMATEX pcm = Pcm(1, 8000);
        const WORD block = Wfx(format).nBlockAlign;
        const Converted dec = ConvertAll(format.data(), &pcm, data, block * 8);
        ASSERT_TRUE(dec.ok) << c.encoding;
        // Appending to such a file encodes into its format.
        EXPECT_EQ(acmStreamOpen(nullptr, nullptr, const_cast<LPWAVEFORMATEX>(&pcm),
                                reinterpret_cast<LPWAVEFORMATEX>(format.data()), nullptr, 0, 0, ACM_STREAMOPENF_QUERY),
                  MMSYSERR_NOERROR)
            << c.encoding;
        EXPECT_FALSE(dec.anyError) << c.encoding;
        const auto back = ToSamples(dec.out);
        EXPECT_GE(back.size(), audio.size() - 320) << c.encoding;
        if (c.tag == WAVE_FORMAT_GSM610) {
            EXPECT_GT(Correlation(audio, back, 0, 1, 0), 0.8);
        } else {
            EXPECT_GT(SnrDb(audio, back), c.minSnr) << c.encoding;
        }
    }
}
