// The stream calls' contract: prepared headers, synchronous completion, the
// caller's fields left alone, destinations never overrun, bad calls refused.
#include "tests/platform/acm/AcmTestUtil.h"

using namespace acmtest;

namespace {

struct Header {
    Bytes src;
    Bytes dst;
    ACMSTREAMHEADER h{};
    Header(std::size_t s, std::size_t d, std::size_t guard = 16) : src(s), dst(d + guard, 0xA5)
    {
        h.cbStruct = ACMSTREAMHEADER_DOCUMENTED_SIZE;
        h.pbSrc = src.data();
        h.cbSrcLength = static_cast<DWORD>(s);
        h.pbDst = dst.data();
        h.cbDstLength = static_cast<DWORD>(d);
    }
    bool GuardIntact(std::size_t d) const
    {
        for (std::size_t i = d; i < dst.size(); ++i) {
            if (dst[i] != 0xA5) {
                return false;
            }
        }
        return true;
    }
};

} // namespace

TEST(AcmStream, ConversionIsSynchronousAndLeavesCallerFieldsAlone)
{
    const WAVEFORMATEX a = Pcm(2, 22050);
    const WAVEFORMATEX b = Pcm(1, 22050, 8);
    HACMSTREAM s = Open(&a, &b);
    ASSERT_NE(s, nullptr);
    Header x(8820, 45000);
    x.h.dwUser = 0x1234;
    x.h.dwSrcUser = 0x5678;
    x.h.dwDstUser = 0x9ABC;
    ASSERT_EQ(acmStreamConvert(s, &x.h, ACM_STREAMCONVERTF_BLOCKALIGN), ACMERR_UNPREPARED);
    ASSERT_EQ(acmStreamPrepareHeader(s, &x.h, 0), MMSYSERR_NOERROR);
    EXPECT_TRUE(x.h.fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED);
    const auto audio = ToBytes(SpeechLike(22050, 2, 0.1));
    std::memcpy(x.src.data(), audio.data(), 8820);
    ASSERT_EQ(acmStreamConvert(s, &x.h, ACM_STREAMCONVERTF_BLOCKALIGN | ACM_STREAMCONVERTF_START),
              MMSYSERR_NOERROR);
    EXPECT_TRUE(x.h.fdwStatus & ACMSTREAMHEADER_STATUSF_DONE);
    EXPECT_FALSE(x.h.fdwStatus & ACMSTREAMHEADER_STATUSF_INQUEUE);
    EXPECT_EQ(x.h.cbSrcLengthUsed, 8820u);
    EXPECT_EQ(x.h.cbDstLengthUsed, 2205u);
    EXPECT_EQ(x.h.dwUser, 0x1234u);
    EXPECT_EQ(x.h.dwSrcUser, 0x5678u);
    EXPECT_EQ(x.h.dwDstUser, 0x9ABCu);
    // The engine shortens cbSrcLength per buffer; longer than prepared is refused.
    x.h.cbSrcLength = 8821;
    EXPECT_EQ(acmStreamConvert(s, &x.h, 0), MMSYSERR_INVALPARAM);
    x.h.cbSrcLength = 8820;
    EXPECT_EQ(acmStreamConvert(s, &x.h, 0x100), MMSYSERR_INVALFLAG);
    EXPECT_EQ(acmStreamReset(s, 0), MMSYSERR_NOERROR);
    ASSERT_EQ(acmStreamUnprepareHeader(s, &x.h, 0), MMSYSERR_NOERROR);
    EXPECT_FALSE(x.h.fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED);
    EXPECT_EQ(acmStreamUnprepareHeader(s, &x.h, 0), ACMERR_UNPREPARED);
    EXPECT_EQ(x.h.dwUser, 0x1234u);
    ASSERT_EQ(acmStreamClose(s, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(acmStreamConvert(s, &x.h, 0), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(acmStreamPrepareHeader(s, &x.h, 0), MMSYSERR_INVALHANDLE);
}

// Output that does not fit waits in the stream and comes out first next time;
// no byte lands past cbDstLength.
TEST(AcmStream, SmallDestinationsAreNeverOverrun)
{
    const WAVEFORMATEX a = Pcm(1, 8000, 8);
    const WAVEFORMATEX b = Pcm(2, 44100, 16); // 22x the bytes
    const Bytes in = ToBytes(SpeechLike(8000, 1, 0.5));
    Bytes in8(in.size() / 2);
    for (std::size_t i = 0; i < in8.size(); ++i) {
        in8[i] = static_cast<BYTE>(in[2 * i + 1] + 128);
    }
    const Converted big = ConvertAll(&a, &b, in8, in8.size());
    HACMSTREAM s = Open(&a, &b);
    ASSERT_NE(s, nullptr);
    Header x(1600, 1000);
    ASSERT_EQ(acmStreamPrepareHeader(s, &x.h, 0), MMSYSERR_NOERROR);
    Bytes out;
    std::size_t pos = 0;
    int calls = 0;
    bool endSent = false;
    while (calls++ < 10000) {
        const std::size_t n = std::min<std::size_t>(1600, in8.size() - pos);
        std::memcpy(x.src.data(), in8.data() + pos, n);
        x.h.cbSrcLength = static_cast<DWORD>(n);
        const bool last = pos + n == in8.size();
        const DWORD flags = ACM_STREAMCONVERTF_BLOCKALIGN | (last && !endSent ? ACM_STREAMCONVERTF_END : 0);
        ASSERT_EQ(acmStreamConvert(s, &x.h, flags), MMSYSERR_NOERROR);
        ASSERT_LE(x.h.cbDstLengthUsed, 1000u);
        ASSERT_TRUE(x.GuardIntact(1000));
        out.insert(out.end(), x.dst.begin(), x.dst.begin() + x.h.cbDstLengthUsed);
        pos += x.h.cbSrcLengthUsed;
        if (last && x.h.cbSrcLengthUsed == n) {
            endSent = endSent || (flags & ACM_STREAMCONVERTF_END);
            if (x.h.cbDstLengthUsed < 1000) {
                break;
            }
        }
    }
    EXPECT_EQ(out, big.out);
    DWORD need = 0;
    EXPECT_EQ(acmStreamSize(s, 1600, &need, ACM_STREAMSIZEF_SOURCE), MMSYSERR_NOERROR);
    EXPECT_GE(need, 1600u * 22);
    DWORD fits = 0;
    EXPECT_EQ(acmStreamSize(s, 45000, &fits, ACM_STREAMSIZEF_DESTINATION), MMSYSERR_NOERROR);
    EXPECT_GT(fits, 0u);
    EXPECT_LE(fits, 45000u / 22);
    EXPECT_EQ(acmStreamSize(s, 4, &fits, ACM_STREAMSIZEF_DESTINATION), ACMERR_NOTPOSSIBLE);
    acmStreamUnprepareHeader(s, &x.h, 0);
    acmStreamClose(s, 0);
}

// Impossible format records are refused by every driver with an error code.
TEST(AcmStream, ImpossibleFormatsAreRefused)
{
    const WAVEFORMATEX pcm = Pcm(1, 8000);
    DWORD max = 0;
    ASSERT_EQ(acmMetrics(nullptr, ACM_METRIC_MAX_SIZE_FORMAT, &max), MMSYSERR_NOERROR);
    // Start from every standard format of every tag and break one field.
    for (DWORD tagIndex = 0;; ++tagIndex) {
        ACMFORMATTAGDETAILSA t{};
        t.cbStruct = ACMFORMATTAGDETAILS_DOCUMENTED_SIZE;
        t.dwFormatTagIndex = tagIndex;
        HACMDRIVER none = nullptr;
        if (acmFormatTagDetailsA(none, &t, ACM_FORMATTAGDETAILSF_INDEX) != MMSYSERR_NOERROR) {
            break;
        }
        for (DWORD i = 0; i < t.cStandardFormats; i += 7) {
            Bytes f(max + 2048, 0);
            ACMFORMATDETAILSA d{};
            d.cbStruct = ACMFORMATDETAILS_DOCUMENTED_SIZE;
            d.dwFormatTag = t.dwFormatTag;
            d.dwFormatIndex = i;
            d.pwfx = reinterpret_cast<LPWAVEFORMATEX>(f.data());
            d.cbwfx = max;
            ASSERT_EQ(acmFormatDetailsA(nullptr, &d, ACM_FORMATDETAILSF_INDEX), MMSYSERR_NOERROR);
            const WAVEFORMATEX good = *d.pwfx;
            const WAVEFORMATEX peer = good.wFormatTag == WAVE_FORMAT_PCM ? pcm : Pcm(good.nChannels, good.nSamplesPerSec);
            EXPECT_EQ(acmStreamOpen(nullptr, nullptr, const_cast<LPWAVEFORMATEX>(&peer), d.pwfx, nullptr, 0, 0,
                                    ACM_STREAMOPENF_QUERY),
                      MMSYSERR_NOERROR)
                << d.szFormat;
            auto broken = [&](auto change) {
                *d.pwfx = good;
                change(*d.pwfx);
                const MMRESULT enc = acmStreamOpen(nullptr, nullptr, const_cast<LPWAVEFORMATEX>(&peer), d.pwfx,
                                                   nullptr, 0, 0, ACM_STREAMOPENF_QUERY);
                const MMRESULT dec = acmStreamOpen(nullptr, nullptr, d.pwfx, const_cast<LPWAVEFORMATEX>(&peer),
                                                   nullptr, 0, 0, ACM_STREAMOPENF_QUERY);
                EXPECT_EQ(enc, ACMERR_NOTPOSSIBLE) << d.szFormat;
                EXPECT_EQ(dec, ACMERR_NOTPOSSIBLE) << d.szFormat;
                Bytes out(64);
                EXPECT_NE(acmFormatSuggest(nullptr, d.pwfx, reinterpret_cast<LPWAVEFORMATEX>(out.data()), 64, 0),
                          MMSYSERR_NOERROR)
                    << d.szFormat;
            };
            broken([](WAVEFORMATEX& w) { w.nChannels = 0; });
            broken([](WAVEFORMATEX& w) { w.nSamplesPerSec = 0; });
            broken([](WAVEFORMATEX& w) { w.nBlockAlign = 0; });
            if (good.wFormatTag != WAVE_FORMAT_PCM) {
                broken([](WAVEFORMATEX& w) { w.cbSize = 0xFFFF; });
            }
        }
    }
}

TEST(AcmStream, OpenRefusesWhatItCannotDo)
{
    WAVEFORMATEX a = Pcm(2, 44100);
    WAVEFORMATEX b = Pcm(1, 8000);
    HACMSTREAM s = nullptr;
    EXPECT_EQ(acmStreamOpen(&s, nullptr, &a, &b, nullptr, 0, 0, 0x80), MMSYSERR_INVALFLAG);
    EXPECT_EQ(acmStreamOpen(&s, nullptr, &a, &b, nullptr, 0, 0, ACM_STREAMOPENF_ASYNC), ACMERR_NOTPOSSIBLE);
    EXPECT_EQ(acmStreamOpen(&s, nullptr, &a, nullptr, nullptr, 0, 0, 0), MMSYSERR_INVALPARAM);
    EXPECT_EQ(acmStreamOpen(nullptr, nullptr, &a, &b, nullptr, 0, 0, 0), MMSYSERR_INVALPARAM);
    EXPECT_EQ(acmStreamOpen(&s, reinterpret_cast<HACMDRIVER>(&a), &a, &b, nullptr, 0, 0, 0), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(s, nullptr);
    WAVEFORMATEX vorbis = a;
    vorbis.wFormatTag = 0x1A73;
    EXPECT_EQ(acmStreamOpen(&s, nullptr, &a, &vorbis, nullptr, 0, 0, 0), ACMERR_NOTPOSSIBLE);
    WAVEFORMATEX odd = a;
    odd.wBitsPerSample = 12;
    EXPECT_EQ(acmStreamOpen(&s, nullptr, &a, &odd, nullptr, 0, 0, 0), ACMERR_NOTPOSSIBLE);
    // A 16-byte PCM record is fine: cbSize is not read for PCM.
    PCMWAVEFORMAT shortPcm{};
    std::memcpy(&shortPcm, &b, sizeof shortPcm);
    EXPECT_EQ(acmStreamOpen(nullptr, nullptr, &a, reinterpret_cast<LPWAVEFORMATEX>(&shortPcm), nullptr, 0, 0,
                            ACM_STREAMOPENF_QUERY),
              MMSYSERR_NOERROR);
}

// A partial source block: converted up to the last whole block with
// BLOCKALIGN, refused without it.
TEST(AcmStream, PartialSourceBlocks)
{
    const WAVEFORMATEX a = Pcm(2, 8000);
    const WAVEFORMATEX b = Pcm(2, 8000, 8);
    HACMSTREAM s = Open(&a, &b);
    ASSERT_NE(s, nullptr);
    Header x(4003, 4000);
    ASSERT_EQ(acmStreamPrepareHeader(s, &x.h, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(acmStreamConvert(s, &x.h, 0), ACMERR_NOTPOSSIBLE);
    EXPECT_FALSE(x.h.fdwStatus & ACMSTREAMHEADER_STATUSF_DONE);
    ASSERT_EQ(acmStreamConvert(s, &x.h, ACM_STREAMCONVERTF_BLOCKALIGN), MMSYSERR_NOERROR);
    EXPECT_EQ(x.h.cbSrcLengthUsed, 4000u);
    EXPECT_EQ(x.h.cbDstLengthUsed, 2000u);
    acmStreamUnprepareHeader(s, &x.h, 0);
    acmStreamClose(s, 0);
}
