// Format records as callers pass them, PCM checks, format texts and suggestion; codecs come before the PCM converter.
#include "platform/acm/Driver.h"

#include <cstdio>
#include <map>
#include <utility>

namespace platform::acm {

Format::Format() : bytes_(sizeof(WAVEFORMATEX), 0) {}

Format::Format(const WAVEFORMATEX& header, const void* extra, WORD extraSize)
    : bytes_(sizeof(WAVEFORMATEX) + extraSize, 0)
{
    std::memcpy(bytes_.data(), &header, sizeof(WAVEFORMATEX));
    wfx().cbSize = extraSize;
    if (extraSize && extra) {
        std::memcpy(bytes_.data() + sizeof(WAVEFORMATEX), extra, extraSize);
    }
}

Format Format::Pcm(WORD channels, DWORD rate, WORD bits)
{
    WAVEFORMATEX w{};
    w.wFormatTag = WAVE_FORMAT_PCM;
    w.nChannels = channels;
    w.nSamplesPerSec = rate;
    w.wBitsPerSample = bits;
    w.nBlockAlign = static_cast<WORD>(channels * bits / 8);
    w.nAvgBytesPerSec = w.nBlockAlign * rate;
    return Format(w);
}

bool Format::FromCaller(const WAVEFORMATEX* p, Format* out)
{
    if (!p) {
        return false;
    }
    WAVEFORMATEX head{};
    if (p->wFormatTag == WAVE_FORMAT_PCM) {
        std::memcpy(&head, p, sizeof(PCMWAVEFORMAT));
        *out = Format(head);
        return true;
    }
    std::memcpy(&head, p, sizeof(WAVEFORMATEX));
    if (head.cbSize > kMaxExtraBytes) {
        return false;
    }
    *out = Format(head, reinterpret_cast<const BYTE*>(p) + sizeof(WAVEFORMATEX), head.cbSize);
    return true;
}

bool IsPcm(const Format& f)
{
    const WAVEFORMATEX& w = f.wfx();
    return w.wFormatTag == WAVE_FORMAT_PCM && w.nChannels >= 1 && w.nSamplesPerSec >= 1 &&
           w.nSamplesPerSec <= kMaxSampleRate && (w.wBitsPerSample == 8 || w.wBitsPerSample == 16) &&
           w.nBlockAlign == w.nChannels * w.wBitsPerSample / 8;
}

bool IsCodecPcm(const Format& f) { return IsPcm(f) && f.channels() <= 2; }

std::string RateText(DWORD rate)
{
    char buf[32];
    if (rate >= 1000) {
        std::snprintf(buf, sizeof buf, "%u,%03u Hz", static_cast<unsigned>(rate / 1000),
                      static_cast<unsigned>(rate % 1000));
    } else {
        std::snprintf(buf, sizeof buf, "%u Hz", static_cast<unsigned>(rate));
    }
    return buf;
}

const char* ChannelText(WORD channels) { return channels == 1 ? "Mono" : channels == 2 ? "Stereo" : "Multichannel"; }

bool SuggestMatches(const Format& f, const WAVEFORMATEX& want, DWORD flags)
{
    if ((flags & ACM_FORMATSUGGESTF_WFORMATTAG) && f.tag() != want.wFormatTag) {
        return false;
    }
    if ((flags & ACM_FORMATSUGGESTF_NCHANNELS) && f.channels() != want.nChannels) {
        return false;
    }
    if ((flags & ACM_FORMATSUGGESTF_NSAMPLESPERSEC) && f.rate() != want.nSamplesPerSec) {
        return false;
    }
    if ((flags & ACM_FORMATSUGGESTF_WBITSPERSAMPLE) && f.bits() != want.wBitsPerSample) {
        return false;
    }
    return true;
}

bool Driver::Suggest(const Format& src, const WAVEFORMATEX& want, DWORD flags, Format* out) const
{
    for (const Format& f : ConvertibleFrom(src)) {
        if (SuggestMatches(f, want, flags)) {
            *out = f;
            return true;
        }
    }
    return false;
}

bool Driver::HasTag(WORD tag) const
{
    for (WORD t : Tags()) {
        if (t == tag) {
            return true;
        }
    }
    return false;
}

const std::vector<const Driver*>& InstalledDrivers()
{
    // Codecs first, the PCM converter last, so a search without a driver
    // finds the codec for a compressed format.
    static const std::vector<const Driver*> drivers = {
        &ImaAdpcmDriver(), &MsAdpcmDriver(), &Gsm610Driver(), &G711Driver(), &MpegLayer3Driver(), &PcmConverterDriver(),
    };
    return drivers;
}

const std::vector<Format>& StandardFormatsOf(const Driver& d, WORD tag)
{
    static const std::map<std::pair<const Driver*, WORD>, std::vector<Format>> lists = [] {
        std::map<std::pair<const Driver*, WORD>, std::vector<Format>> m;
        for (const Driver* driver : InstalledDrivers()) {
            for (WORD t : driver->Tags()) {
                m[{driver, t}] = driver->StandardFormats(t);
            }
        }
        return m;
    }();
    static const std::vector<Format> none;
    const auto it = lists.find({&d, tag});
    return it == lists.end() ? none : it->second;
}

} // namespace platform::acm
