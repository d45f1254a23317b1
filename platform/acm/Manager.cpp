// Driver and format queries of the compression manager: metrics, driver
// enumeration and details, format tag and format details, format enumeration
// and suggestions.
#include "platform/acm/Handles.h"
#include "platform/core/Strings.h"

#include <algorithm>
#include <cstddef>
#include <deque>
#include <mutex>
#include <set>

namespace platform::acm {
namespace {
std::mutex& RegistryMutex()
{
    static std::mutex m;
    return m;
}
std::set<const Object*>& Live()
{
    static std::set<const Object*> live;
    return live;
}
} // namespace

void Register(Object* o)
{
    std::lock_guard<std::mutex> lock(RegistryMutex());
    Live().insert(o);
}

void Unregister(Object* o)
{
    std::lock_guard<std::mutex> lock(RegistryMutex());
    Live().erase(o);
}

Object* Lookup(const void* handle, Kind k)
{
    if (!handle) {
        return nullptr;
    }
    DriverIds(); // the identifiers exist before any handle is checked
    std::lock_guard<std::mutex> lock(RegistryMutex());
    auto it = Live().find(static_cast<const Object*>(handle));
    if (it == Live().end() || (*it)->kind != k) {
        return nullptr;
    }
    return const_cast<Object*>(*it);
}

const std::vector<DriverIdObject*>& DriverIds()
{
    static std::deque<DriverIdObject> storage;
    static const std::vector<DriverIdObject*> ids = [] {
        std::vector<DriverIdObject*> v;
        for (const Driver* d : InstalledDrivers()) {
            DriverIdObject* id = &storage.emplace_back(d);
            {
                std::lock_guard<std::mutex> lock(RegistryMutex());
                Live().insert(id);
            }
            v.push_back(id);
        }
        return v;
    }();
    return ids;
}

} // namespace platform::acm

using namespace platform::acm;

namespace {
HACMDRIVERID ToHandle(DriverIdObject* id) { return reinterpret_cast<HACMDRIVERID>(id); }

// The drivers a call with driver handle `had` (or none) looks at.
MMRESULT DriversFor(HACMDRIVER had, std::vector<DriverIdObject*>* out)
{
    if (!had) {
        *out = DriverIds();
        return MMSYSERR_NOERROR;
    }
    auto* inst = LookupAs<DriverInstanceObject>(had, Kind::DriverInstance);
    if (!inst) {
        return MMSYSERR_INVALHANDLE;
    }
    *out = {inst->id};
    return MMSYSERR_NOERROR;
}

// A structure field is written only when it lies inside the caller's cbStruct.
#define ACM_FIELD_FITS(ptr, field) \
    (offsetof(std::remove_pointer_t<decltype(ptr)>, field) + sizeof((ptr)->field) <= (ptr)->cbStruct)

template <std::size_t N>
void PutText(char (&field)[N], std::size_t offset, DWORD cbStruct, std::string_view text)
{
    if (cbStruct <= offset) {
        return;
    }
    platform::CopyBounded(field, std::min<std::size_t>(N, cbStruct - offset), text);
}

// The template record of a format enumeration or details call, read within
// the caller's cbwfx.
bool ReadCallerFormat(const WAVEFORMATEX* p, DWORD cb, Format* out, std::size_t* bytesRead)
{
    if (!p || cb < sizeof(PCMWAVEFORMAT)) {
        return false;
    }
    if (p->wFormatTag == WAVE_FORMAT_PCM) {
        *bytesRead = std::min<std::size_t>(cb, sizeof(WAVEFORMATEX));
        return Format::FromCaller(p, out);
    }
    if (cb < sizeof(WAVEFORMATEX) || sizeof(WAVEFORMATEX) + p->cbSize > cb) {
        return false;
    }
    *bytesRead = sizeof(WAVEFORMATEX) + p->cbSize;
    return Format::FromCaller(p, out);
}

bool WellFormed(const Format& f)
{
    const WAVEFORMATEX& w = f.wfx();
    return w.wFormatTag != 0 && w.nChannels >= 1 && w.nSamplesPerSec >= 1 && w.nBlockAlign >= 1;
}

std::string DescribeOr(const Driver& d, const Format& f)
{
    std::string text;
    d.Describe(f, &text);
    return text;
}

DWORD LargestSize(const Driver& d)
{
    DWORD largest = 0;
    for (WORD t : d.Tags()) {
        largest = std::max(largest, d.LargestFormatSize(t));
    }
    return largest;
}

void FillTagDetails(LPACMFORMATTAGDETAILSA p, const Driver& d, WORD tag, DWORD index)
{
    if (ACM_FIELD_FITS(p, dwFormatTagIndex)) p->dwFormatTagIndex = index;
    if (ACM_FIELD_FITS(p, dwFormatTag)) p->dwFormatTag = tag;
    if (ACM_FIELD_FITS(p, cbFormatSize)) p->cbFormatSize = d.LargestFormatSize(tag);
    if (ACM_FIELD_FITS(p, fdwSupport)) p->fdwSupport = d.Support();
    if (ACM_FIELD_FITS(p, cStandardFormats)) p->cStandardFormats = static_cast<DWORD>(StandardFormatsOf(d, tag).size());
    PutText(p->szFormatTag, offsetof(ACMFORMATTAGDETAILSA, szFormatTag), p->cbStruct, d.TagName(tag));
}

void FillFormatDetails(LPACMFORMATDETAILSA p, const Driver& d, const Format& f, DWORD index)
{
    std::memcpy(p->pwfx, f.data(), f.size());
    p->cbwfx = static_cast<DWORD>(f.size());
    p->dwFormatIndex = index;
    p->dwFormatTag = f.tag();
    p->fdwSupport = d.Support();
    PutText(p->szFormat, offsetof(ACMFORMATDETAILSA, szFormat), p->cbStruct, DescribeOr(d, f));
}

bool FormatDetailsUsable(LPACMFORMATDETAILSA p)
{
    return p && p->cbStruct >= offsetof(ACMFORMATDETAILSA, szFormat) && p->pwfx &&
           p->cbwfx >= sizeof(PCMWAVEFORMAT);
}
} // namespace

MMRESULT acmMetrics(HACMOBJ hao, UINT uMetric, LPVOID pMetric)
{
    if (!pMetric) {
        return MMSYSERR_INVALPARAM;
    }
    std::vector<DriverIdObject*> drivers;
    if (!hao) {
        drivers = DriverIds();
    } else if (auto* id = LookupAs<DriverIdObject>(hao, Kind::DriverId)) {
        drivers = {id};
    } else if (auto* inst = LookupAs<DriverInstanceObject>(hao, Kind::DriverInstance)) {
        drivers = {inst->id};
    } else {
        return MMSYSERR_INVALHANDLE;
    }
    DWORD value = 0;
    switch (uMetric) {
    case ACM_METRIC_MAX_SIZE_FORMAT:
        for (auto* id : drivers) {
            value = std::max(value, LargestSize(*id->driver));
        }
        break;
    case ACM_METRIC_COUNT_DRIVERS:
    case ACM_METRIC_COUNT_CODECS:
    case ACM_METRIC_COUNT_CONVERTERS:
        if (hao) {
            return MMSYSERR_NOTSUPPORTED;
        }
        for (auto* id : drivers) {
            const DWORD support = id->driver->Support();
            value += uMetric == ACM_METRIC_COUNT_DRIVERS ||
                     (uMetric == ACM_METRIC_COUNT_CODECS && (support & ACMDRIVERDETAILS_SUPPORTF_CODEC)) ||
                     (uMetric == ACM_METRIC_COUNT_CONVERTERS && (support & ACMDRIVERDETAILS_SUPPORTF_CONVERTER));
        }
        break;
    default:
        return MMSYSERR_NOTSUPPORTED;
    }
    std::memcpy(pMetric, &value, sizeof value);
    return MMSYSERR_NOERROR;
}

MMRESULT acmDriverEnum(ACMDRIVERENUMCB fnCallback, DWORD_PTR dwInstance, DWORD fdwEnum)
{
    if (fdwEnum & ~(ACM_DRIVERENUMF_NOLOCAL | ACM_DRIVERENUMF_DISABLED)) {
        return MMSYSERR_INVALFLAG;
    }
    if (!fnCallback) {
        return MMSYSERR_INVALPARAM;
    }
    for (auto* id : DriverIds()) {
        if (!fnCallback(ToHandle(id), dwInstance, id->driver->Support())) {
            break;
        }
    }
    return MMSYSERR_NOERROR;
}

MMRESULT acmDriverDetailsA(HACMDRIVERID hadid, LPACMDRIVERDETAILSA padd, DWORD fdwDetails)
{
    if (fdwDetails) {
        return MMSYSERR_INVALFLAG;
    }
    auto* id = LookupAs<DriverIdObject>(hadid, Kind::DriverId);
    if (!id) {
        return MMSYSERR_INVALHANDLE;
    }
    if (!padd || padd->cbStruct < offsetof(ACMDRIVERDETAILSA, szShortName)) {
        return MMSYSERR_INVALPARAM;
    }
    const Driver& d = *id->driver;
    const DWORD cb = padd->cbStruct;
    padd->fccType = ACMDRIVERDETAILS_FCCTYPE_AUDIOCODEC;
    padd->fccComp = 0;
    padd->wMid = 0;
    padd->wPid = 0;
    padd->vdwACM = 0x04000000;
    padd->vdwDriver = 0x01000000;
    padd->fdwSupport = d.Support();
    padd->cFormatTags = static_cast<DWORD>(d.Tags().size());
    padd->cFilterTags = 0;
    if (ACM_FIELD_FITS(padd, hicon)) padd->hicon = nullptr;
    PutText(padd->szShortName, offsetof(ACMDRIVERDETAILSA, szShortName), cb, d.ShortName());
    PutText(padd->szLongName, offsetof(ACMDRIVERDETAILSA, szLongName), cb, d.LongName());
    PutText(padd->szCopyright, offsetof(ACMDRIVERDETAILSA, szCopyright), cb, "");
    PutText(padd->szLicensing, offsetof(ACMDRIVERDETAILSA, szLicensing), cb, "");
    PutText(padd->szFeatures, offsetof(ACMDRIVERDETAILSA, szFeatures), cb, "");
    return MMSYSERR_NOERROR;
}

MMRESULT acmDriverOpen(LPHACMDRIVER phad, HACMDRIVERID hadid, DWORD fdwOpen)
{
    if (fdwOpen) {
        return MMSYSERR_INVALFLAG;
    }
    if (!phad) {
        return MMSYSERR_INVALPARAM;
    }
    auto* id = LookupAs<DriverIdObject>(hadid, Kind::DriverId);
    if (!id) {
        return MMSYSERR_INVALHANDLE;
    }
    auto* inst = new DriverInstanceObject(id);
    Register(inst);
    *phad = reinterpret_cast<HACMDRIVER>(inst);
    return MMSYSERR_NOERROR;
}

// Streams keep their driver identifier, not the driver handle, so a handle
// may be closed while a stream opened through it runs on.
MMRESULT acmDriverClose(HACMDRIVER had, DWORD fdwClose)
{
    if (fdwClose) {
        return MMSYSERR_INVALFLAG;
    }
    auto* inst = LookupAs<DriverInstanceObject>(had, Kind::DriverInstance);
    if (!inst) {
        return MMSYSERR_INVALHANDLE;
    }
    Unregister(inst);
    delete inst;
    return MMSYSERR_NOERROR;
}

MMRESULT acmDriverID(HACMOBJ hao, LPHACMDRIVERID phadid, DWORD fdwDriverID)
{
    if (fdwDriverID) {
        return MMSYSERR_INVALFLAG;
    }
    if (!phadid) {
        return MMSYSERR_INVALPARAM;
    }
    if (auto* s = LookupAs<StreamObject>(hao, Kind::Stream)) {
        *phadid = ToHandle(s->id);
    } else if (auto* inst = LookupAs<DriverInstanceObject>(hao, Kind::DriverInstance)) {
        *phadid = ToHandle(inst->id);
    } else if (auto* id = LookupAs<DriverIdObject>(hao, Kind::DriverId)) {
        *phadid = ToHandle(id);
    } else {
        return MMSYSERR_INVALHANDLE;
    }
    return MMSYSERR_NOERROR;
}

MMRESULT acmFormatTagDetailsA(HACMDRIVER had, LPACMFORMATTAGDETAILSA paftd, DWORD fdwDetails)
{
    if (fdwDetails > ACM_FORMATTAGDETAILSF_LARGESTSIZE) {
        return MMSYSERR_INVALFLAG;
    }
    if (!paftd || paftd->cbStruct < offsetof(ACMFORMATTAGDETAILSA, szFormatTag)) {
        return MMSYSERR_INVALPARAM;
    }
    std::vector<DriverIdObject*> drivers;
    if (MMRESULT r = DriversFor(had, &drivers)) {
        return r;
    }
    switch (fdwDetails) {
    case ACM_FORMATTAGDETAILSF_FORMATTAG: {
        const DWORD tag = paftd->dwFormatTag;
        if (tag == 0 || tag > 0xFFFF) {
            return MMSYSERR_INVALPARAM;
        }
        for (auto* id : drivers) {
            const auto tags = id->driver->Tags();
            auto it = std::find(tags.begin(), tags.end(), static_cast<WORD>(tag));
            if (it != tags.end()) {
                FillTagDetails(paftd, *id->driver, static_cast<WORD>(tag), static_cast<DWORD>(it - tags.begin()));
                return MMSYSERR_NOERROR;
            }
        }
        return ACMERR_NOTPOSSIBLE;
    }
    case ACM_FORMATTAGDETAILSF_INDEX: {
        DWORD index = paftd->dwFormatTagIndex;
        for (auto* id : drivers) {
            const auto tags = id->driver->Tags();
            if (index < tags.size()) {
                FillTagDetails(paftd, *id->driver, tags[index], paftd->dwFormatTagIndex);
                return MMSYSERR_NOERROR;
            }
            index -= static_cast<DWORD>(tags.size());
        }
        return ACMERR_NOTPOSSIBLE;
    }
    default: { // ACM_FORMATTAGDETAILSF_LARGESTSIZE
        const DWORD want = paftd->dwFormatTag;
        const Driver* best = nullptr;
        WORD bestTag = 0;
        DWORD bestIndex = 0;
        for (auto* id : drivers) {
            const auto tags = id->driver->Tags();
            for (std::size_t i = 0; i < tags.size(); ++i) {
                if ((want == 0 || tags[i] == want) &&
                    (!best || id->driver->LargestFormatSize(tags[i]) > best->LargestFormatSize(bestTag))) {
                    best = id->driver;
                    bestTag = tags[i];
                    bestIndex = static_cast<DWORD>(i);
                }
            }
        }
        if (!best) {
            return ACMERR_NOTPOSSIBLE;
        }
        FillTagDetails(paftd, *best, bestTag, bestIndex);
        return MMSYSERR_NOERROR;
    }
    }
}

MMRESULT acmFormatDetailsA(HACMDRIVER had, LPACMFORMATDETAILSA pafd, DWORD fdwDetails)
{
    if (fdwDetails > ACM_FORMATDETAILSF_FORMAT) {
        return MMSYSERR_INVALFLAG;
    }
    if (!FormatDetailsUsable(pafd) || pafd->dwFormatTag == 0 || pafd->dwFormatTag > 0xFFFF) {
        return MMSYSERR_INVALPARAM;
    }
    std::vector<DriverIdObject*> drivers;
    if (MMRESULT r = DriversFor(had, &drivers)) {
        return r;
    }
    const WORD tag = static_cast<WORD>(pafd->dwFormatTag);
    if (fdwDetails == ACM_FORMATDETAILSF_INDEX) {
        for (auto* id : drivers) {
            if (!id->driver->HasTag(tag)) {
                continue;
            }
            const auto& formats = StandardFormatsOf(*id->driver, tag);
            if (pafd->dwFormatIndex >= formats.size()) {
                return ACMERR_NOTPOSSIBLE;
            }
            const Format& f = formats[pafd->dwFormatIndex];
            if (f.size() > pafd->cbwfx) {
                return ACMERR_NOTPOSSIBLE;
            }
            FillFormatDetails(pafd, *id->driver, f, pafd->dwFormatIndex);
            return MMSYSERR_NOERROR;
        }
        return ACMERR_NOTPOSSIBLE;
    }
    Format f;
    std::size_t read = 0;
    if (!ReadCallerFormat(pafd->pwfx, pafd->cbwfx, &f, &read) || f.tag() != tag) {
        return MMSYSERR_INVALPARAM;
    }
    for (auto* id : drivers) {
        std::string text;
        if (id->driver->HasTag(tag) && id->driver->Describe(f, &text)) {
            pafd->fdwSupport = id->driver->Support();
            PutText(pafd->szFormat, offsetof(ACMFORMATDETAILSA, szFormat), pafd->cbStruct, text);
            return MMSYSERR_NOERROR;
        }
    }
    return ACMERR_NOTPOSSIBLE;
}

MMRESULT acmFormatEnumA(HACMDRIVER had, LPACMFORMATDETAILSA pafd, ACMFORMATENUMCBA fnCallback, DWORD_PTR dwInstance,
                        DWORD fdwEnum)
{
    constexpr DWORD known = ACM_FORMATENUMF_WFORMATTAG | ACM_FORMATENUMF_NCHANNELS | ACM_FORMATENUMF_NSAMPLESPERSEC |
                            ACM_FORMATENUMF_WBITSPERSAMPLE | ACM_FORMATENUMF_CONVERT | ACM_FORMATENUMF_SUGGEST |
                            ACM_FORMATENUMF_HARDWARE | ACM_FORMATENUMF_INPUT | ACM_FORMATENUMF_OUTPUT;
    if ((fdwEnum & ~known) ||
        ((fdwEnum & ACM_FORMATENUMF_CONVERT) && (fdwEnum & ACM_FORMATENUMF_SUGGEST))) {
        return MMSYSERR_INVALFLAG;
    }
    std::vector<DriverIdObject*> drivers;
    if (MMRESULT r = DriversFor(had, &drivers)) {
        return r;
    }
    if (!fnCallback || !FormatDetailsUsable(pafd)) {
        return MMSYSERR_INVALPARAM;
    }
    constexpr DWORD usesTemplate = ACM_FORMATENUMF_WFORMATTAG | ACM_FORMATENUMF_NCHANNELS |
                                   ACM_FORMATENUMF_NSAMPLESPERSEC | ACM_FORMATENUMF_WBITSPERSAMPLE |
                                   ACM_FORMATENUMF_CONVERT | ACM_FORMATENUMF_SUGGEST;
    Format tmpl;
    std::size_t tmplBytes = 0;
    std::vector<BYTE> tmplRaw;
    if (fdwEnum & usesTemplate) {
        if (!ReadCallerFormat(pafd->pwfx, pafd->cbwfx, &tmpl, &tmplBytes)) {
            return MMSYSERR_INVALPARAM;
        }
        const auto* raw = reinterpret_cast<const BYTE*>(pafd->pwfx);
        tmplRaw.assign(raw, raw + tmplBytes);
        if ((fdwEnum & ACM_FORMATENUMF_WFORMATTAG) && pafd->dwFormatTag != 0 && pafd->dwFormatTag != tmpl.tag()) {
            return MMSYSERR_INVALPARAM;
        }
        if ((fdwEnum & (ACM_FORMATENUMF_CONVERT | ACM_FORMATENUMF_SUGGEST)) && !WellFormed(tmpl)) {
            return MMSYSERR_INVALPARAM;
        }
    }
    // The caller's record is given back as it came: callers run several
    // passes with one record and expect the same template in each. Saved
    // field by field, as the record may be only its documented size.
    const DWORD savedIndex = pafd->dwFormatIndex;
    const DWORD savedTag = pafd->dwFormatTag;
    const DWORD savedSupport = pafd->fdwSupport;
    const DWORD savedCbwfx = pafd->cbwfx;
    const LPWAVEFORMATEX savedPwfx = pafd->pwfx;
    const std::string savedText(pafd->szFormat,
                                std::min<std::size_t>(ACMFORMATDETAILS_FORMAT_CHARS,
                                                      pafd->cbStruct - offsetof(ACMFORMATDETAILSA, szFormat)));
    const DWORD room = pafd->cbwfx;
    const DWORD onlyTag = pafd->dwFormatTag;

    if (!(fdwEnum & (ACM_FORMATENUMF_HARDWARE | ACM_FORMATENUMF_INPUT | ACM_FORMATENUMF_OUTPUT))) {
        bool stop = false;
        for (auto* id : drivers) {
            const Driver& d = *id->driver;
            std::vector<Format> candidates;
            if (fdwEnum & ACM_FORMATENUMF_CONVERT) {
                candidates = d.ConvertibleFrom(tmpl);
            } else if (fdwEnum & ACM_FORMATENUMF_SUGGEST) {
                Format f;
                if (d.Suggest(tmpl, tmpl.wfx(), (fdwEnum & ACM_FORMATSUGGESTF_TYPEMASK) & ~ACM_FORMATENUMF_SUGGEST, &f)) {
                    candidates.push_back(f);
                }
            } else {
                for (WORD t : d.Tags()) {
                    const auto& standard = StandardFormatsOf(d, t);
                    candidates.insert(candidates.end(), standard.begin(), standard.end());
                }
            }
            DWORD index = 0;
            WORD lastTag = 0;
            for (const Format& f : candidates) {
                index = f.tag() == lastTag ? index + 1 : 0;
                lastTag = f.tag();
                if ((onlyTag && f.tag() != onlyTag) ||
                    ((fdwEnum & ACM_FORMATENUMF_WFORMATTAG) && f.tag() != tmpl.tag()) ||
                    ((fdwEnum & ACM_FORMATENUMF_NCHANNELS) && f.channels() != tmpl.channels()) ||
                    ((fdwEnum & ACM_FORMATENUMF_NSAMPLESPERSEC) && f.rate() != tmpl.rate()) ||
                    ((fdwEnum & ACM_FORMATENUMF_WBITSPERSAMPLE) && f.bits() != tmpl.bits()) || f.size() > room) {
                    continue;
                }
                pafd->cbwfx = room;
                FillFormatDetails(pafd, d, f, index);
                if (!fnCallback(ToHandle(id), pafd, dwInstance, d.Support())) {
                    stop = true;
                    break;
                }
            }
            if (stop) {
                break;
            }
        }
    }
    pafd->dwFormatIndex = savedIndex;
    pafd->dwFormatTag = savedTag;
    pafd->fdwSupport = savedSupport;
    pafd->cbwfx = savedCbwfx;
    pafd->pwfx = savedPwfx;
    if (!tmplRaw.empty()) {
        std::memcpy(pafd->pwfx, tmplRaw.data(), tmplRaw.size());
    }
    std::memcpy(pafd->szFormat, savedText.data(), savedText.size());
    return MMSYSERR_NOERROR;
}

MMRESULT acmFormatSuggest(HACMDRIVER had, LPWAVEFORMATEX pwfxSrc, LPWAVEFORMATEX pwfxDst, DWORD cbwfxDst,
                          DWORD fdwSuggest)
{
    constexpr DWORD known = ACM_FORMATSUGGESTF_WFORMATTAG | ACM_FORMATSUGGESTF_NCHANNELS |
                            ACM_FORMATSUGGESTF_NSAMPLESPERSEC | ACM_FORMATSUGGESTF_WBITSPERSAMPLE;
    if (fdwSuggest & ~known) {
        return MMSYSERR_INVALFLAG;
    }
    if (!pwfxSrc || !pwfxDst || cbwfxDst < sizeof(PCMWAVEFORMAT)) {
        return MMSYSERR_INVALPARAM;
    }
    std::vector<DriverIdObject*> drivers;
    if (MMRESULT r = DriversFor(had, &drivers)) {
        return r;
    }
    Format src;
    if (!Format::FromCaller(pwfxSrc, &src) || !WellFormed(src)) {
        return ACMERR_NOTPOSSIBLE;
    }
    WAVEFORMATEX want{};
    std::memcpy(&want, pwfxDst, sizeof(PCMWAVEFORMAT)); // the fields a suggestion may keep
    for (auto* id : drivers) {
        Format out;
        if (!id->driver->Suggest(src, want, fdwSuggest, &out)) {
            continue;
        }
        // A PCM result fits a 16-byte record; everything else needs its extras.
        const std::size_t n =
            (out.tag() == WAVE_FORMAT_PCM && cbwfxDst < sizeof(WAVEFORMATEX)) ? sizeof(PCMWAVEFORMAT) : out.size();
        if (n <= cbwfxDst) {
            std::memcpy(pwfxDst, out.data(), n);
            return MMSYSERR_NOERROR;
        }
    }
    return ACMERR_NOTPOSSIBLE;
}
