// Feeds arbitrary bytes to the compression manager's decoders: as a WAV
// file (its own format record and data), as a raw MP3 stream, or as data for
// a driver's standard format picked by the first bytes. Destinations are
// exact-size heap blocks of varying sizes, so a write past one is caught.
#include "platform/acm/Acm.h"
#include "platform/core/Bytes.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

const WORD kTags[] = {WAVE_FORMAT_MPEGLAYER3, WAVE_FORMAT_IMA_ADPCM, WAVE_FORMAT_ADPCM,
                      WAVE_FORMAT_GSM610,     WAVE_FORMAT_ALAW,      WAVE_FORMAT_MULAW};
const DWORD kRates[] = {8000, 11025, 16000, 22050, 32000, 44100, 48000, 12000};

void Decode(const std::vector<BYTE>& format, const std::uint8_t* data, std::size_t size, std::size_t chunk,
            std::size_t dstSize)
{
    auto* src = reinterpret_cast<LPWAVEFORMATEX>(const_cast<BYTE*>(format.data()));
    ACMFORMATDETAILSA d{};
    d.cbStruct = ACMFORMATDETAILS_DOCUMENTED_SIZE;
    d.dwFormatTag = src->wFormatTag;
    d.pwfx = src;
    d.cbwfx = static_cast<DWORD>(format.size());
    acmFormatDetailsA(nullptr, &d, ACM_FORMATDETAILSF_FORMAT);

    WAVEFORMATEX pcm{};
    pcm.wFormatTag = WAVE_FORMAT_PCM;
    pcm.nChannels = src->nChannels;
    pcm.nSamplesPerSec = src->nSamplesPerSec;
    acmFormatSuggest(nullptr, src, &pcm, sizeof pcm, ACM_FORMATSUGGESTF_WFORMATTAG | ACM_FORMATSUGGESTF_NCHANNELS);
    HACMSTREAM s = nullptr;
    if (acmStreamOpen(&s, nullptr, src, &pcm, nullptr, 0, 0, 0) != MMSYSERR_NOERROR) {
        return;
    }
    DWORD estimate = 0;
    acmStreamSize(s, static_cast<DWORD>(std::max<std::size_t>(chunk, 1)), &estimate, ACM_STREAMSIZEF_SOURCE);
    std::vector<BYTE> in(chunk);
    auto* out = new BYTE[dstSize]; // exact size: the sanitizer sees any overrun
    ACMSTREAMHEADER h{};
    h.cbStruct = ACMSTREAMHEADER_DOCUMENTED_SIZE;
    h.pbSrc = in.data();
    h.cbSrcLength = static_cast<DWORD>(chunk);
    h.pbDst = out;
    h.cbDstLength = static_cast<DWORD>(dstSize);
    if (acmStreamPrepareHeader(s, &h, 0) == MMSYSERR_NOERROR) {
        std::size_t pos = 0;
        for (int calls = 0; calls < 4000; ++calls) {
            const std::size_t n = std::min(chunk, size - pos);
            if (n) {
                std::memcpy(in.data(), data + pos, n);
            }
            h.cbSrcLength = static_cast<DWORD>(n);
            const bool last = pos + n == size;
            acmStreamConvert(s, &h, ACM_STREAMCONVERTF_BLOCKALIGN | (calls == 0 ? ACM_STREAMCONVERTF_START : 0) |
                                        (last ? ACM_STREAMCONVERTF_END : 0));
            if (h.cbDstLengthUsed > dstSize) {
                __builtin_trap();
            }
            pos += h.cbSrcLengthUsed;
            if (last && h.cbDstLengthUsed < dstSize) {
                break;
            }
        }
        h.cbSrcLength = static_cast<DWORD>(chunk);
        acmStreamUnprepareHeader(s, &h, 0);
    }
    delete[] out;
    acmStreamClose(s, 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 4) {
        return 0;
    }
    // A WAV file: its own format record, however odd, and its data.
    if (size >= 12 && std::memcmp(data, "RIFF", 4) == 0) {
        std::vector<BYTE> format;
        const std::uint8_t* audio = nullptr;
        std::size_t audioSize = 0;
        for (std::size_t at = 12; at + 8 <= size;) {
            const std::uint32_t len = platform::LoadLe32(data + at + 4);
            const std::size_t have = std::min<std::size_t>(len, size - at - 8);
            if (std::memcmp(data + at, "fmt ", 4) == 0) {
                format.assign(data + at + 8, data + at + 8 + have);
            } else if (std::memcmp(data + at, "data", 4) == 0) {
                audio = data + at + 8;
                audioSize = have;
            }
            at += 8 + have + (have & 1);
        }
        if (format.size() < sizeof(PCMWAVEFORMAT) || !audio) {
            return 0;
        }
        // The caller's side of the contract: the record holds its cbSize bytes.
        format.resize(std::max<std::size_t>(format.size(), sizeof(WAVEFORMATEX) + 0xFFFF), 0);
        Decode(format, audio, audioSize, 1 + audioSize % 9000, 45000);
        return 0;
    }
    std::size_t chunk = 1 + data[2] * 37;
    std::size_t dstSize = 1 + data[3] * 181;
    std::vector<BYTE> format(sizeof(WAVEFORMATEX) + 64, 0);
    auto* w = reinterpret_cast<LPWAVEFORMATEX>(format.data());
    WAVEFORMATEX pcm{};
    pcm.wFormatTag = WAVE_FORMAT_PCM;
    pcm.nChannels = static_cast<WORD>(1 + (data[1] & 1));
    pcm.nSamplesPerSec = kRates[(data[1] >> 1) % 8];
    pcm.wBitsPerSample = 16;
    pcm.nBlockAlign = static_cast<WORD>(pcm.nChannels * 2);
    pcm.nAvgBytesPerSec = pcm.nBlockAlign * pcm.nSamplesPerSec;
    // A raw MPEG stream (as the tests leave them): rate and channels from its
    // first header; otherwise a codec chosen by the first byte.
    if (data[0] == 0xFF && (data[1] & 0xE0) == 0xE0 && ((data[2] >> 2) & 3) != 3) {
        static const DWORD rates[3][3] = {{44100, 48000, 32000}, {22050, 24000, 16000}, {11025, 12000, 8000}};
        const int version = (data[1] & 0x08) ? 0 : (data[1] & 0x10) ? 1 : 2;
        pcm.nSamplesPerSec = rates[version][(data[2] >> 2) & 3];
        pcm.nChannels = static_cast<WORD>((data[3] >> 6) == 3 ? 1 : 2);
        pcm.nBlockAlign = static_cast<WORD>(pcm.nChannels * 2);
        pcm.nAvgBytesPerSec = pcm.nBlockAlign * pcm.nSamplesPerSec;
    }
    w->wFormatTag = (data[0] == 0xFF || data[0] == 'I') ? WAVE_FORMAT_MPEGLAYER3 : kTags[data[0] % 6];
    w->nChannels = pcm.nChannels;
    w->nSamplesPerSec = pcm.nSamplesPerSec;
    if (acmFormatSuggest(nullptr, &pcm, w, static_cast<DWORD>(format.size()), 0x70000) != MMSYSERR_NOERROR) {
        return 0;
    }
    const std::size_t skip = w->wFormatTag == WAVE_FORMAT_MPEGLAYER3 && data[0] == 0xFF ? 0 : 4;
    if (w->wFormatTag == WAVE_FORMAT_MPEGLAYER3 && skip == 0) {
        chunk = 3200;
        dstSize = 45000;
    }
    Decode(format, data + skip, size - skip, chunk, dstSize);
    return 0;
}
