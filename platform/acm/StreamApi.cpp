// Conversion streams: opening on the first driver that can convert, prepared
// headers, and synchronous conversion that never writes past a destination.
#include "platform/acm/Handles.h"

#include <algorithm>

using namespace platform::acm;

namespace {
constexpr DWORD kCallbackTypeMask = 0x00070000; // CALLBACK_WINDOW, _TASK, _FUNCTION, _EVENT

StreamObject* FindStream(HACMSTREAM has) { return LookupAs<StreamObject>(has, Kind::Stream); }

bool HeaderUsable(const ACMSTREAMHEADER* h) { return h && h->cbStruct >= ACMSTREAMHEADER_DOCUMENTED_SIZE; }
} // namespace

MMRESULT acmStreamOpen(LPHACMSTREAM phas, HACMDRIVER had, LPWAVEFORMATEX pwfxSrc, LPWAVEFORMATEX pwfxDst,
                       LPWAVEFILTER pwfltr, DWORD_PTR dwCallback, DWORD_PTR /*dwInstance*/, DWORD fdwOpen)
{
    constexpr DWORD known = ACM_STREAMOPENF_QUERY | ACM_STREAMOPENF_ASYNC | ACM_STREAMOPENF_NONREALTIME |
                            kCallbackTypeMask;
    if (fdwOpen & ~known) {
        return MMSYSERR_INVALFLAG;
    }
    const bool query = fdwOpen & ACM_STREAMOPENF_QUERY;
    if (!pwfxSrc || !pwfxDst || (!phas && !query)) {
        return MMSYSERR_INVALPARAM;
    }
    if (phas) {
        *phas = nullptr;
    }
    if (pwfltr) {
        return MMSYSERR_NOTSUPPORTED; // no filter drivers are installed
    }
    // Conversions finish inside acmStreamConvert; there is nothing to notify.
    if ((fdwOpen & (ACM_STREAMOPENF_ASYNC | kCallbackTypeMask)) || dwCallback) {
        return ACMERR_NOTPOSSIBLE;
    }
    std::vector<DriverIdObject*> drivers;
    if (!had) {
        drivers = DriverIds();
    } else if (auto* inst = LookupAs<DriverInstanceObject>(had, Kind::DriverInstance)) {
        drivers = {inst->id};
    } else {
        return MMSYSERR_INVALHANDLE;
    }
    Format src;
    Format dst;
    if (!Format::FromCaller(pwfxSrc, &src) || !Format::FromCaller(pwfxDst, &dst)) {
        return ACMERR_NOTPOSSIBLE;
    }
    for (auto* id : drivers) {
        if (query) {
            if (id->driver->Open(src, dst, nullptr) == MMSYSERR_NOERROR) {
                return MMSYSERR_NOERROR;
            }
            continue;
        }
        std::unique_ptr<Stream> stream;
        if (id->driver->Open(src, dst, &stream) == MMSYSERR_NOERROR && stream) {
            auto* s = new StreamObject;
            s->id = id;
            s->stream = std::move(stream);
            Register(s);
            *phas = reinterpret_cast<HACMSTREAM>(s);
            return MMSYSERR_NOERROR;
        }
    }
    return ACMERR_NOTPOSSIBLE;
}

MMRESULT acmStreamClose(HACMSTREAM has, DWORD fdwClose)
{
    if (fdwClose) {
        return MMSYSERR_INVALFLAG;
    }
    StreamObject* s = FindStream(has);
    if (!s) {
        return MMSYSERR_INVALHANDLE;
    }
    Unregister(s);
    delete s;
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamSize(HACMSTREAM has, DWORD cbInput, LPDWORD pdwOutputBytes, DWORD fdwSize)
{
    if (fdwSize > ACM_STREAMSIZEF_DESTINATION) {
        return MMSYSERR_INVALFLAG;
    }
    StreamObject* s = FindStream(has);
    if (!s) {
        return MMSYSERR_INVALHANDLE;
    }
    if (!pdwOutputBytes || cbInput == 0) {
        return MMSYSERR_INVALPARAM;
    }
    const std::size_t block = s->stream->SourceBlock();
    if (fdwSize == ACM_STREAMSIZEF_SOURCE) {
        const std::size_t n = s->stream->MaxOutput(cbInput - cbInput % block) + s->pending.size();
        if (n == 0 || n > 0xFFFFFFFFu) {
            return ACMERR_NOTPOSSIBLE;
        }
        *pdwOutputBytes = static_cast<DWORD>(n);
        return MMSYSERR_NOERROR;
    }
    // The most whole source blocks whose largest output fits cbInput bytes.
    std::size_t lo = 0;
    std::size_t hi = 0xFFFFFFFFu / block;
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo + 1) / 2;
        if (s->stream->MaxOutput(mid * block) + s->pending.size() <= cbInput) {
            lo = mid;
        } else {
            hi = mid - 1;
        }
    }
    if (lo == 0) {
        return ACMERR_NOTPOSSIBLE;
    }
    *pdwOutputBytes = static_cast<DWORD>(lo * block);
    return MMSYSERR_NOERROR;
}

// Conversions are synchronous, so nothing is ever queued; a reset drops what
// the stream held back for the next buffer.
MMRESULT acmStreamReset(HACMSTREAM has, DWORD fdwReset)
{
    if (fdwReset) {
        return MMSYSERR_INVALFLAG;
    }
    StreamObject* s = FindStream(has);
    if (!s) {
        return MMSYSERR_INVALHANDLE;
    }
    s->stream->Reset();
    s->pending.clear();
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamPrepareHeader(HACMSTREAM has, LPACMSTREAMHEADER pash, DWORD fdwPrepare)
{
    if (fdwPrepare) {
        return MMSYSERR_INVALFLAG;
    }
    StreamObject* s = FindStream(has);
    if (!s) {
        return MMSYSERR_INVALHANDLE;
    }
    if (!HeaderUsable(pash) || (!pash->pbSrc && pash->cbSrcLength) || (!pash->pbDst && pash->cbDstLength)) {
        return MMSYSERR_INVALPARAM;
    }
    if (s->prepared.count(pash)) {
        return MMSYSERR_NOERROR;
    }
    s->prepared[pash] = PreparedHeader{pash->pbSrc, pash->cbSrcLength, pash->pbDst, pash->cbDstLength};
    pash->fdwStatus = (pash->fdwStatus & ~ACMSTREAMHEADER_STATUSF_INQUEUE) | ACMSTREAMHEADER_STATUSF_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamUnprepareHeader(HACMSTREAM has, LPACMSTREAMHEADER pash, DWORD fdwUnprepare)
{
    if (fdwUnprepare) {
        return MMSYSERR_INVALFLAG;
    }
    StreamObject* s = FindStream(has);
    if (!s) {
        return MMSYSERR_INVALHANDLE;
    }
    if (!HeaderUsable(pash)) {
        return MMSYSERR_INVALPARAM;
    }
    auto it = s->prepared.find(pash);
    if (it == s->prepared.end()) {
        return ACMERR_UNPREPARED;
    }
    s->prepared.erase(it);
    pash->fdwStatus &= ~(ACMSTREAMHEADER_STATUSF_PREPARED | ACMSTREAMHEADER_STATUSF_INQUEUE);
    return MMSYSERR_NOERROR;
}

// Errors about the call itself leave the header as it was. Damaged source
// data is reported by the result, but the header is still marked done with
// what could be converted, so a caller waiting for DONE never waits forever.
MMRESULT acmStreamConvert(HACMSTREAM has, LPACMSTREAMHEADER pash, DWORD fdwConvert)
{
    if (fdwConvert & ~(ACM_STREAMCONVERTF_BLOCKALIGN | ACM_STREAMCONVERTF_START | ACM_STREAMCONVERTF_END)) {
        return MMSYSERR_INVALFLAG;
    }
    StreamObject* s = FindStream(has);
    if (!s) {
        return MMSYSERR_INVALHANDLE;
    }
    if (!HeaderUsable(pash)) {
        return MMSYSERR_INVALPARAM;
    }
    auto it = s->prepared.find(pash);
    if (it == s->prepared.end()) {
        return ACMERR_UNPREPARED;
    }
    const PreparedHeader& p = it->second;
    if (pash->pbSrc != p.pbSrc || pash->pbDst != p.pbDst || pash->cbSrcLength > p.cbSrcLength ||
        pash->cbDstLength > p.cbDstLength) {
        return MMSYSERR_INVALPARAM;
    }
    const DWORD block = s->stream->SourceBlock();
    const DWORD whole = pash->cbSrcLength - pash->cbSrcLength % block;
    if (whole != pash->cbSrcLength && !(fdwConvert & ACM_STREAMCONVERTF_BLOCKALIGN)) {
        return ACMERR_NOTPOSSIBLE; // a partial block cannot be converted
    }

    pash->fdwStatus &= ~ACMSTREAMHEADER_STATUSF_DONE;
    std::vector<BYTE> spill;
    Sink sink(pash->pbDst, pash->cbDstLength, &spill);
    // Output held back from the last call goes out first.
    if (!s->pending.empty()) {
        sink.Write(s->pending.data(), s->pending.size());
        s->pending.swap(spill);
        spill.clear();
    }
    MMRESULT result = MMSYSERR_NOERROR;
    DWORD used = 0;
    // While older output is still waiting, no new source is taken: what is
    // held back stays bounded by one buffer's worth.
    if (s->pending.empty()) {
        result = s->stream->Convert(pash->pbSrc, whole, fdwConvert & (ACM_STREAMCONVERTF_START | ACM_STREAMCONVERTF_END),
                                    sink);
        used = whole;
        s->pending.swap(spill);
    }
    pash->cbSrcLengthUsed = used;
    pash->cbDstLengthUsed = static_cast<DWORD>(sink.used());
    pash->fdwStatus |= ACMSTREAMHEADER_STATUSF_DONE;
    return result;
}
