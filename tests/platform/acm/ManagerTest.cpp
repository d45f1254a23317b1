// Driver and format queries as the format pages, the MP3 codec search and the
// MP3 file's frame scan use them.
#include "tests/platform/acm/AcmTestUtil.h"

#include "platform/acm/Driver.h"

#include <cstdlib>
#include <map>
#include <set>
#include <thread>

using namespace acmtest;

namespace {

struct DriverInfo {
    HACMDRIVERID id;
    std::string shortName;
    DWORD support;
};

BOOL CollectDriver(HACMDRIVERID id, DWORD_PTR inst, DWORD support)
{
    auto* v = reinterpret_cast<std::vector<DriverInfo>*>(inst);
    ACMDRIVERDETAILSA d{};
    d.cbStruct = ACMDRIVERDETAILS_DOCUMENTED_SIZE;
    EXPECT_EQ(acmDriverDetailsA(id, &d, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(d.fdwSupport, support);
    v->push_back({id, d.szShortName, support});
    return TRUE;
}

std::vector<DriverInfo> Drivers()
{
    std::vector<DriverInfo> v;
    EXPECT_EQ(acmDriverEnum(CollectDriver, reinterpret_cast<DWORD_PTR>(&v), 0), MMSYSERR_NOERROR);
    return v;
}

struct Listed {
    HACMDRIVERID id;
    Bytes format;
    std::string text;
    DWORD cbwfx;
};

BOOL CollectFormat(HACMDRIVERID id, LPACMFORMATDETAILSA d, DWORD_PTR inst, DWORD)
{
    auto* v = reinterpret_cast<std::vector<Listed>*>(inst);
    const auto* p = reinterpret_cast<const BYTE*>(d->pwfx);
    v->push_back({id, Bytes(p, p + d->cbwfx), d->szFormat, d->cbwfx});
    return TRUE;
}

std::vector<Listed> Enumerate(HACMDRIVER had, const WAVEFORMATEX& source, DWORD flags, MMRESULT* result = nullptr)
{
    DWORD max = 0;
    EXPECT_EQ(acmMetrics(nullptr, ACM_METRIC_MAX_SIZE_FORMAT, &max), MMSYSERR_NOERROR);
    Bytes tmpl(max, 0);
    std::memcpy(tmpl.data(), &source, sizeof source);
    ACMFORMATDETAILSA d{};
    d.cbStruct = ACMFORMATDETAILS_DOCUMENTED_SIZE;
    d.pwfx = reinterpret_cast<LPWAVEFORMATEX>(tmpl.data());
    d.cbwfx = max;
    std::vector<Listed> v;
    const MMRESULT r = acmFormatEnumA(had, &d, CollectFormat, reinterpret_cast<DWORD_PTR>(&v), flags);
    if (result) {
        *result = r;
    } else {
        EXPECT_EQ(r, MMSYSERR_NOERROR);
    }
    // The caller's record comes back as it went in.
    EXPECT_EQ(d.cbwfx, max);
    EXPECT_EQ(std::memcmp(tmpl.data(), &source, sizeof source), 0);
    return v;
}

constexpr DWORD kPageFlags = ACM_FORMATENUMF_CONVERT | ACM_FORMATENUMF_NSAMPLESPERSEC | ACM_FORMATENUMF_NCHANNELS;

} // namespace

TEST(AcmManager, MetricsAndDriverDetails)
{
    DWORD max = 0;
    ASSERT_EQ(acmMetrics(nullptr, ACM_METRIC_MAX_SIZE_FORMAT, &max), MMSYSERR_NOERROR);
    EXPECT_GE(max, sizeof(MPEGLAYER3WAVEFORMAT));
    EXPECT_EQ(acmMetrics(nullptr, ACM_METRIC_MAX_SIZE_FORMAT, nullptr), MMSYSERR_INVALPARAM);
    EXPECT_EQ(acmMetrics(reinterpret_cast<HACMOBJ>(&max), ACM_METRIC_MAX_SIZE_FORMAT, &max), MMSYSERR_INVALHANDLE);

    const auto drivers = Drivers();
    ASSERT_GE(drivers.size(), 2u);
    std::set<std::string> names;
    for (const auto& d : drivers) {
        EXPECT_FALSE(d.shortName.empty());
        names.insert(d.shortName);
        HACMDRIVER had = nullptr;
        ASSERT_EQ(acmDriverOpen(&had, d.id, 0), MMSYSERR_NOERROR);
        HACMDRIVERID back = nullptr;
        EXPECT_EQ(acmDriverID(reinterpret_cast<HACMOBJ>(had), &back, 0), MMSYSERR_NOERROR);
        EXPECT_EQ(back, d.id);
        EXPECT_EQ(acmDriverClose(had, 0), MMSYSERR_NOERROR);
        EXPECT_EQ(acmDriverClose(had, 0), MMSYSERR_INVALHANDLE);
    }
    EXPECT_EQ(names.size(), drivers.size());
    EXPECT_TRUE(names.count("MPEG Layer-3"));
    EXPECT_TRUE(names.count("PCM Converter"));

    // Details are never written past a short cbStruct.
    ACMDRIVERDETAILSA small{};
    std::memset(&small, 0x5A, sizeof small);
    small.cbStruct = offsetof(ACMDRIVERDETAILSA, szShortName) + 4;
    ASSERT_EQ(acmDriverDetailsA(drivers[0].id, &small, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(small.szShortName[3], '\0');
    EXPECT_EQ(static_cast<unsigned char>(small.szShortName[4]), 0x5Au);
    EXPECT_EQ(acmDriverDetailsA(drivers[0].id, &small, 1), MMSYSERR_INVALFLAG);
    EXPECT_EQ(acmDriverDetailsA(nullptr, &small, 0), MMSYSERR_INVALHANDLE);
}

// The MP3 codec search: every driver opens, and exactly the MPEG Layer-3 one
// answers tag 85, with a name the format text shows.
TEST(AcmManager, Mp3CodecSearch)
{
    int found = 0;
    for (const auto& d : Drivers()) {
        HACMDRIVER had = nullptr;
        ASSERT_EQ(acmDriverOpen(&had, d.id, 0), MMSYSERR_NOERROR);
        ACMFORMATTAGDETAILSA t{};
        t.cbStruct = ACMFORMATTAGDETAILS_DOCUMENTED_SIZE;
        t.dwFormatTag = WAVE_FORMAT_MPEGLAYER3;
        const MMRESULT r = acmFormatTagDetailsA(had, &t, ACM_FORMATTAGDETAILSF_FORMATTAG);
        if (r == MMSYSERR_NOERROR) {
            ++found;
            EXPECT_STREQ(t.szFormatTag, "MPEG Layer-3");
            EXPECT_GT(t.cStandardFormats, 100u);
            EXPECT_EQ(t.cbFormatSize, sizeof(MPEGLAYER3WAVEFORMAT));
            EXPECT_TRUE(t.fdwSupport & ACMDRIVERDETAILS_SUPPORTF_CODEC);
        } else {
            EXPECT_EQ(r, ACMERR_NOTPOSSIBLE);
        }
        acmDriverClose(had, 0);
    }
    EXPECT_EQ(found, 1);

    ACMFORMATTAGDETAILSA t{};
    t.cbStruct = ACMFORMATTAGDETAILS_DOCUMENTED_SIZE;
    t.dwFormatTag = 0x1A73; // never a manager format
    EXPECT_EQ(acmFormatTagDetailsA(nullptr, &t, ACM_FORMATTAGDETAILSF_FORMATTAG), ACMERR_NOTPOSSIBLE);
    t.dwFormatTag = WAVE_FORMAT_PCM;
    ASSERT_EQ(acmFormatTagDetailsA(nullptr, &t, ACM_FORMATTAGDETAILSF_FORMATTAG), MMSYSERR_NOERROR);
    EXPECT_STREQ(t.szFormatTag, "PCM");
    EXPECT_EQ(acmFormatTagDetailsA(nullptr, &t, 7), MMSYSERR_INVALFLAG);
}

// What the format pages list is what a conversion test accepts, for every
// driver and a few sources; the MP3 page sees only table bit rates.
TEST(AcmManager, EnumeratedFormatsOpenFromTheSource)
{
    const DWORD table[] = {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 288, 320,
                           352, 384, 416, 448};
    for (const WAVEFORMATEX& src : {Pcm(2, 44100), Pcm(1, 22050), Pcm(1, 8000), Pcm(2, 11025, 8), Pcm(1, 16000)}) {
        std::map<HACMDRIVERID, int> perDriver;
        const auto all = Enumerate(nullptr, src, kPageFlags);
        for (const auto& f : all) {
            const auto* w = reinterpret_cast<const WAVEFORMATEX*>(f.format.data());
            EXPECT_EQ(+w->nChannels, +src.nChannels);
            EXPECT_EQ(+w->nSamplesPerSec, +src.nSamplesPerSec);
            EXPECT_EQ(f.cbwfx, w->wFormatTag == WAVE_FORMAT_PCM ? 18u : 18u + w->cbSize);
            EXPECT_GT(f.text.size(), 4u) << f.text;
            EXPECT_EQ(acmStreamOpen(nullptr, nullptr, const_cast<LPWAVEFORMATEX>(&src),
                                    reinterpret_cast<LPWAVEFORMATEX>(const_cast<BYTE*>(f.format.data())), nullptr, 0,
                                    0, ACM_STREAMOPENF_QUERY),
                      MMSYSERR_NOERROR)
                << f.text;
            if (w->wFormatTag == WAVE_FORMAT_MPEGLAYER3) {
                const DWORD kbps = w->nAvgBytesPerSec * 8 / 1000;
                EXPECT_NE(std::find(std::begin(table), std::end(table), kbps), std::end(table)) << f.text;
            }
            ++perDriver[f.id];
        }
        // The per-driver pass lists the same formats again, driver by driver.
        std::size_t again = 0;
        for (const auto& d : Drivers()) {
            HACMDRIVER had = nullptr;
            ASSERT_EQ(acmDriverOpen(&had, d.id, 0), MMSYSERR_NOERROR);
            const auto mine = Enumerate(had, src, kPageFlags);
            for (const auto& f : mine) {
                EXPECT_EQ(f.id, d.id);
            }
            EXPECT_EQ(static_cast<int>(mine.size()), perDriver[d.id]) << d.shortName;
            again += mine.size();
            acmDriverClose(had, 0);
        }
        EXPECT_EQ(again, all.size());
    }
    // 44.1 kHz stereo offers 128 kbit/s MP3.
    bool has128 = false;
    for (const auto& f : Enumerate(nullptr, Pcm(2, 44100), kPageFlags)) {
        has128 = has128 || f.text == "128 kBit/s, 44,100 Hz, Stereo";
    }
    EXPECT_TRUE(has128);
}

TEST(AcmManager, EnumerationRejectsBadCalls)
{
    MMRESULT r = 0;
    Enumerate(nullptr, Pcm(1, 8000), 0x80000000u, &r);
    EXPECT_EQ(r, MMSYSERR_INVALFLAG);
    WAVEFORMATEX zero = Pcm(1, 8000);
    zero.nSamplesPerSec = 0;
    EXPECT_TRUE(Enumerate(nullptr, zero, kPageFlags, &r).empty());
    EXPECT_EQ(r, MMSYSERR_INVALPARAM);
    zero = Pcm(1, 8000);
    zero.nChannels = 0;
    Enumerate(nullptr, zero, kPageFlags, &r);
    EXPECT_EQ(r, MMSYSERR_INVALPARAM);
    ACMFORMATDETAILSA d{};
    d.cbStruct = ACMFORMATDETAILS_DOCUMENTED_SIZE;
    EXPECT_EQ(acmFormatEnumA(nullptr, &d, CollectFormat, 0, 0), MMSYSERR_INVALPARAM); // no format buffer
    EXPECT_EQ(acmFormatEnumA(reinterpret_cast<HACMDRIVER>(&d), &d, CollectFormat, 0, 0), MMSYSERR_INVALHANDLE);
}

// The MP3 file's frame scan: suggest, open, find the driver, walk its
// standard formats for the one of the file's bit rate.
TEST(AcmManager, Mp3StandardFormatForABitRate)
{
    struct Case {
        WORD ch;
        DWORD rate;
        DWORD kbps;
    };
    for (const Case c : {Case{2, 44100, 128}, Case{1, 22050, 32}, Case{1, 8000, 8}, Case{2, 48000, 320},
                         Case{1, 12000, 64}}) {
        WAVEFORMATEX pcm = Pcm(c.ch, c.rate);
        Bytes buffer(2000, 0);
        auto* f = reinterpret_cast<LPWAVEFORMATEX>(buffer.data());
        f->wFormatTag = WAVE_FORMAT_MPEGLAYER3;
        f->nChannels = c.ch;
        f->nSamplesPerSec = c.rate;
        f->nAvgBytesPerSec = c.kbps * 125;
        f->wBitsPerSample = 16;
        ASSERT_EQ(acmFormatSuggest(nullptr, &pcm, f, 2000,
                                   ACM_FORMATSUGGESTF_WFORMATTAG | ACM_FORMATSUGGESTF_NCHANNELS |
                                       ACM_FORMATSUGGESTF_NSAMPLESPERSEC),
                  MMSYSERR_NOERROR);
        EXPECT_EQ(+f->wFormatTag, WAVE_FORMAT_MPEGLAYER3);
        EXPECT_EQ(+f->cbSize, MPEGLAYER3_WFX_EXTRA_BYTES);
        HACMSTREAM s = Open(&pcm, f);
        ASSERT_NE(s, nullptr);
        HACMDRIVERID id = nullptr;
        ASSERT_EQ(acmDriverID(reinterpret_cast<HACMOBJ>(s), &id, 0), MMSYSERR_NOERROR);
        HACMDRIVER had = nullptr;
        ASSERT_EQ(acmDriverOpen(&had, id, 0), MMSYSERR_NOERROR);
        ACMFORMATTAGDETAILSA t{};
        t.cbStruct = ACMFORMATTAGDETAILS_DOCUMENTED_SIZE;
        t.dwFormatTag = WAVE_FORMAT_MPEGLAYER3;
        ASSERT_EQ(acmFormatTagDetailsA(nullptr, &t, ACM_FORMATTAGDETAILSF_FORMATTAG), MMSYSERR_NOERROR);
        bool found = false;
        for (DWORD i = 0; i < t.cStandardFormats && !found; ++i) {
            ACMFORMATDETAILSA d{};
            d.cbStruct = ACMFORMATDETAILS_DOCUMENTED_SIZE;
            d.dwFormatTag = WAVE_FORMAT_MPEGLAYER3;
            d.dwFormatIndex = i;
            d.pwfx = f;
            d.cbwfx = 2000;
            ASSERT_EQ(acmFormatDetailsA(had, &d, ACM_FORMATDETAILSF_INDEX), MMSYSERR_NOERROR);
            found = f->nChannels == c.ch && f->nSamplesPerSec == c.rate && f->nAvgBytesPerSec * 8 == c.kbps * 1000;
        }
        EXPECT_TRUE(found) << c.rate << " " << c.kbps;
        MPEGLAYER3WAVEFORMAT m{};
        std::memcpy(&m, f, sizeof m);
        EXPECT_EQ(+m.wID, MPEGLAYER3_ID_MPEG);
        EXPECT_EQ(+m.nFramesPerBlock, 1);
        EXPECT_EQ(+m.nBlockSize, (c.rate >= 32000 ? 144 : 72) * c.kbps * 1000 / c.rate);
        EXPECT_EQ(acmDriverClose(had, 0), MMSYSERR_NOERROR);
        // The stream keeps working after its driver handle is closed.
        ASSERT_EQ(acmStreamClose(s, 0), MMSYSERR_NOERROR);
        EXPECT_EQ(acmStreamClose(s, 0), MMSYSERR_INVALHANDLE);
    }
    ACMFORMATDETAILSA d{};
    Bytes buffer(64);
    d.cbStruct = ACMFORMATDETAILS_DOCUMENTED_SIZE;
    d.dwFormatTag = WAVE_FORMAT_MPEGLAYER3;
    d.dwFormatIndex = 100000;
    d.pwfx = reinterpret_cast<LPWAVEFORMATEX>(buffer.data());
    d.cbwfx = 64;
    EXPECT_EQ(acmFormatDetailsA(nullptr, &d, ACM_FORMATDETAILSF_INDEX), ACMERR_NOTPOSSIBLE);
    d.dwFormatIndex = 0;
    d.cbwfx = 20; // too small for the format
    EXPECT_EQ(acmFormatDetailsA(nullptr, &d, ACM_FORMATDETAILSF_INDEX), ACMERR_NOTPOSSIBLE);
}

TEST(AcmManager, SuggestionsKeepTheFixedFieldsAndFitTheBuffer)
{
    WAVEFORMATEX pcm = Pcm(2, 44100);
    Bytes out(64, 0xEE);
    auto* f = reinterpret_cast<LPWAVEFORMATEX>(out.data());
    f->wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    f->nChannels = 2;
    f->nSamplesPerSec = 44100;
    ASSERT_EQ(acmFormatSuggest(nullptr, &pcm, f, 64, 0x70000), MMSYSERR_NOERROR);
    EXPECT_EQ(+f->nAvgBytesPerSec, 16000u); // 128 kbit/s
    EXPECT_EQ(out[30], 0xEE);
    // The retry without the rate: same result, rate of the source.
    f->nSamplesPerSec = 0;
    ASSERT_EQ(acmFormatSuggest(nullptr, &pcm, f, 64, 0x30000), MMSYSERR_NOERROR);
    EXPECT_EQ(+f->nSamplesPerSec, 44100u);
    // A rate MPEG audio lacks, fixed: impossible.
    f->nSamplesPerSec = 96000;
    EXPECT_EQ(acmFormatSuggest(nullptr, &pcm, f, 64, 0x70000), ACMERR_NOTPOSSIBLE);
    // Too small a destination for the 30-byte format.
    f->nSamplesPerSec = 44100;
    EXPECT_EQ(acmFormatSuggest(nullptr, &pcm, f, 20, 0x70000), ACMERR_NOTPOSSIBLE);
    EXPECT_EQ(acmFormatSuggest(nullptr, &pcm, f, 64, 0x01000000), MMSYSERR_INVALFLAG);
    // Decoding: from the MP3 format to 18 bytes of PCM.
    ASSERT_EQ(acmFormatSuggest(nullptr, &pcm, f, 64, 0x70000), MMSYSERR_NOERROR);
    WAVEFORMATEX dev = Pcm(2, 44100, 8);
    ASSERT_EQ(acmFormatSuggest(nullptr, f, &dev, sizeof dev, 0x70000), MMSYSERR_NOERROR);
    EXPECT_EQ(+dev.wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(+dev.wBitsPerSample, 16);
    EXPECT_EQ(+dev.nBlockAlign, 4);
    EXPECT_EQ(+dev.cbSize, 0);
    // PCM to PCM at another rate through the converter.
    WAVEFORMATEX other = Pcm(1, 8000, 8);
    ASSERT_EQ(acmFormatSuggest(nullptr, &pcm, &other, sizeof other, 0x70000 | ACM_FORMATSUGGESTF_WBITSPERSAMPLE),
              MMSYSERR_NOERROR);
    EXPECT_EQ(+other.nAvgBytesPerSec, 8000u);
}

// Details of a given format, the largest format, and tags by index.
TEST(AcmManager, FormatAndTagDetails)
{
    WAVEFORMATEX pcm = Pcm(1, 22050);
    Bytes f(64, 0);
    auto* w = reinterpret_cast<LPWAVEFORMATEX>(f.data());
    w->wFormatTag = WAVE_FORMAT_IMA_ADPCM;
    w->nChannels = 1;
    ASSERT_EQ(acmFormatSuggest(nullptr, &pcm, w, 64, 0x30000), MMSYSERR_NOERROR);
    ACMFORMATDETAILSA d{};
    d.cbStruct = ACMFORMATDETAILS_DOCUMENTED_SIZE;
    d.dwFormatTag = WAVE_FORMAT_IMA_ADPCM;
    d.pwfx = w;
    d.cbwfx = 64;
    ASSERT_EQ(acmFormatDetailsA(nullptr, &d, ACM_FORMATDETAILSF_FORMAT), MMSYSERR_NOERROR);
    EXPECT_STREQ(d.szFormat, "22,050 Hz, 4 Bit, Mono");
    d.dwFormatTag = WAVE_FORMAT_GSM610; // does not match the record
    EXPECT_EQ(acmFormatDetailsA(nullptr, &d, ACM_FORMATDETAILSF_FORMAT), MMSYSERR_INVALPARAM);
    d.dwFormatTag = WAVE_FORMAT_IMA_ADPCM;
    w->nBlockAlign = 7;
    EXPECT_EQ(acmFormatDetailsA(nullptr, &d, ACM_FORMATDETAILSF_FORMAT), ACMERR_NOTPOSSIBLE);
    EXPECT_EQ(acmFormatDetailsA(nullptr, &d, 5), MMSYSERR_INVALFLAG);

    DWORD max = 0;
    acmMetrics(nullptr, ACM_METRIC_MAX_SIZE_FORMAT, &max);
    ACMFORMATTAGDETAILSA t{};
    t.cbStruct = ACMFORMATTAGDETAILS_DOCUMENTED_SIZE;
    ASSERT_EQ(acmFormatTagDetailsA(nullptr, &t, ACM_FORMATTAGDETAILSF_LARGESTSIZE), MMSYSERR_NOERROR);
    EXPECT_EQ(t.cbFormatSize, max);
    std::set<DWORD> tags;
    for (t.dwFormatTagIndex = 0; acmFormatTagDetailsA(nullptr, &t, ACM_FORMATTAGDETAILSF_INDEX) == MMSYSERR_NOERROR;
         ++t.dwFormatTagIndex) {
        tags.insert(t.dwFormatTag);
        EXPECT_GT(t.cStandardFormats, 0u);
        EXPECT_GT(std::strlen(t.szFormatTag), 2u);
    }
    EXPECT_EQ(tags, (std::set<DWORD>{1, 2, 6, 7, 0x11, 0x31, 0x55}));
}

// Records allocated at their documented sizes (smaller than ours on 64-bit
// systems) are neither read nor written past their end.
TEST(AcmManager, DocumentedSizeRecordsAreNotOverrun)
{
    DWORD max = 0;
    acmMetrics(nullptr, ACM_METRIC_MAX_SIZE_FORMAT, &max);
    std::vector<BYTE> tmpl(max, 0);
    const WAVEFORMATEX src = Pcm(2, 44100);
    std::memcpy(tmpl.data(), &src, sizeof src);
    void* raw = std::malloc(ACMFORMATDETAILS_DOCUMENTED_SIZE);
    std::memset(raw, 0, ACMFORMATDETAILS_DOCUMENTED_SIZE);
    auto* d = static_cast<LPACMFORMATDETAILSA>(raw);
    d->cbStruct = ACMFORMATDETAILS_DOCUMENTED_SIZE;
    d->pwfx = reinterpret_cast<LPWAVEFORMATEX>(tmpl.data());
    d->cbwfx = max;
    std::vector<Listed> v;
    EXPECT_EQ(acmFormatEnumA(nullptr, d, CollectFormat, reinterpret_cast<DWORD_PTR>(&v), kPageFlags),
              MMSYSERR_NOERROR);
    EXPECT_FALSE(v.empty());
    d->dwFormatTag = WAVE_FORMAT_MPEGLAYER3;
    d->dwFormatIndex = 3;
    EXPECT_EQ(acmFormatDetailsA(nullptr, d, ACM_FORMATDETAILSF_INDEX), MMSYSERR_NOERROR);
    std::free(raw);

    void* rawDriver = std::malloc(ACMDRIVERDETAILS_DOCUMENTED_SIZE);
    auto* dd = static_cast<LPACMDRIVERDETAILSA>(rawDriver);
    dd->cbStruct = ACMDRIVERDETAILS_DOCUMENTED_SIZE;
    EXPECT_EQ(acmDriverDetailsA(Drivers()[0].id, dd, 0), MMSYSERR_NOERROR);
    std::free(rawDriver);

    void* rawHeader = std::malloc(ACMSTREAMHEADER_DOCUMENTED_SIZE);
    std::memset(rawHeader, 0, ACMSTREAMHEADER_DOCUMENTED_SIZE);
    auto* h = static_cast<LPACMSTREAMHEADER>(rawHeader);
    Bytes in(4000);
    Bytes out(4000);
    h->cbStruct = ACMSTREAMHEADER_DOCUMENTED_SIZE;
    h->pbSrc = in.data();
    h->cbSrcLength = 4000;
    h->pbDst = out.data();
    h->cbDstLength = 4000;
    const WAVEFORMATEX a = Pcm(1, 8000);
    const WAVEFORMATEX b = Pcm(1, 8000, 8);
    HACMSTREAM s = Open(&a, &b);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(acmStreamPrepareHeader(s, h, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(acmStreamConvert(s, h, ACM_STREAMCONVERTF_BLOCKALIGN), MMSYSERR_NOERROR);
    EXPECT_EQ(h->cbDstLengthUsed, 2000u);
    EXPECT_EQ(acmStreamUnprepareHeader(s, h, 0), MMSYSERR_NOERROR);
    acmStreamClose(s, 0);
    std::free(rawHeader);
}

namespace {
// The standard formats of a tag as the manager hands them out one index at a time.
std::vector<platform::acm::Format> ListedByIndex(WORD tag)
{
    ACMFORMATTAGDETAILSA t{};
    t.cbStruct = ACMFORMATTAGDETAILS_DOCUMENTED_SIZE;
    t.dwFormatTag = tag;
    std::vector<platform::acm::Format> out;
    if (acmFormatTagDetailsA(nullptr, &t, ACM_FORMATTAGDETAILSF_FORMATTAG) != MMSYSERR_NOERROR) {
        return out;
    }
    Bytes buffer(2000);
    auto* f = reinterpret_cast<LPWAVEFORMATEX>(buffer.data());
    for (DWORD i = 0; i < t.cStandardFormats; ++i) {
        ACMFORMATDETAILSA d{};
        d.cbStruct = ACMFORMATDETAILS_DOCUMENTED_SIZE;
        d.dwFormatTag = tag;
        d.dwFormatIndex = i;
        d.pwfx = f;
        d.cbwfx = static_cast<DWORD>(buffer.size());
        if (acmFormatDetailsA(nullptr, &d, ACM_FORMATDETAILSF_INDEX) != MMSYSERR_NOERROR) {
            break;
        }
        out.emplace_back(*f, buffer.data() + sizeof(WAVEFORMATEX), f->cbSize);
    }
    return out;
}
}

// The lists are made once and kept; what the manager hands out stays what
// each driver makes, first use from several threads at once included.
TEST(AcmManager, StandardFormatListsAreMadeOnceAndStayWhatTheDriversMake)
{
    std::vector<std::vector<platform::acm::Format>> seen(4);
    std::vector<std::thread> threads;
    for (auto& list : seen) {
        threads.emplace_back([&list] { list = ListedByIndex(WAVE_FORMAT_MPEGLAYER3); });
    }
    for (auto& t : threads) {
        t.join();
    }
    const platform::acm::Driver& mp3 = platform::acm::MpegLayer3Driver();
    for (const auto& list : seen) {
        EXPECT_EQ(mp3.StandardFormats(WAVE_FORMAT_MPEGLAYER3), list);
    }
    std::set<WORD> tagsSeen;
    for (const platform::acm::Driver* d : platform::acm::InstalledDrivers()) {
        for (const WORD tag : d->Tags()) {
            const auto& kept = platform::acm::StandardFormatsOf(*d, tag);
            const auto made = d->StandardFormats(tag);
            EXPECT_FALSE(made.empty()) << d->ShortName() << " " << tag;
            EXPECT_EQ(made, kept) << d->ShortName() << " " << tag;
            if (tagsSeen.insert(tag).second) {  // by index, the first driver with the tag answers
                EXPECT_EQ(made, ListedByIndex(tag)) << d->ShortName() << " " << tag;
            }
            EXPECT_EQ(&kept, &platform::acm::StandardFormatsOf(*d, tag));
            EXPECT_EQ(made, kept);
        }
    }
}
