#pragma once
// Recordings as the engine makes them, for the file tests: one case per file
// type and codec, its source audio, what the engine hands the file for each
// fifth of a second, and the audio decoded back with the tolerance of the codec.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "files/Mp3File.h"
#include "files/OggVorbisFile.h"
#include "files/WaveFile.h"
#include "platform/acm/Acm.h"
#include "tests/platform/acm/AcmTestUtil.h"

namespace takes {
using acmtest::Bytes;

enum class Container { Wave, Mp3, Ogg };

struct CodecCase {
    const char* name;
    Container container;
    WORD tag;  // of the file's format record
    WORD channels;
    DWORD rate;
    WORD pcmBits;  // the PCM file's sample size; 16 (the device format) for every codec
    DWORD kbps;    // MPEG Layer-3 only
    // Tolerance of the codec: the decoded audio against the source, at the
    // best lag up to maxLagFrames; how many frames the decoded length may
    // differ from what was recorded (blocks padded at the end, encoder delay).
    double minSnrDb;
    std::size_t maxLagFrames;
    std::size_t lengthSlackFrames;
};

// Test names print the case's name rather than its bytes.
inline void PrintTo(const CodecCase& c, std::ostream* os) { *os << c.name; }

inline const char* Extension(const CodecCase& c)
{
    return c.container == Container::Mp3 ? ".mp3" : c.container == Container::Ogg ? ".ogg" : ".wav";
}
inline int FileTypeOf(const CodecCase& c)
{
    return c.container == Container::Mp3 ? 1 : c.container == Container::Ogg ? 3 : 0;
}
inline bool TakesSamples(const CodecCase& c) { return c.container == Container::Ogg; }

// Engine buffers: a fifth of a second each, 18 of them (3.6 s).
constexpr int kBuffers = 18;
inline DWORD BufferFrames(const CodecCase& c) { return c.rate / 5; }
inline DWORD TakeFrames(const CodecCase& c) { return BufferFrames(c) * kBuffers; }

// Two tones a channel, other ones in each channel, so that a lost or swapped
// channel, a wrong rate or a dropped buffer shows in the comparison.
inline std::vector<std::int16_t> SourceSamples(const CodecCase& c)
{
    const std::size_t frames = TakeFrames(c);
    std::vector<std::int16_t> out(frames * c.channels);
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / c.rate;
        for (WORD ch = 0; ch < c.channels; ++ch) {
            const double f1 = ch == 0 ? 330 : 495;
            const double f2 = ch == 0 ? 1210 : 770;
            const double v = 0.3 * std::sin(2 * M_PI * f1 * t) + 0.15 * std::sin(2 * M_PI * f2 * t);
            out[i * c.channels + ch] = static_cast<std::int16_t>(std::lround(v * 32767));
        }
    }
    return out;
}

inline WAVEFORMATEX DevicePcm(const CodecCase& c)
{
    return MakePcmFormat(c.channels, c.rate, c.container == Container::Wave && c.tag == WAVE_FORMAT_PCM ? c.pcmBits : 16);
}

// An MPEG Layer-3 record of a constant bitrate, as the codec accepts it.
inline MPEGLAYER3WAVEFORMAT Mp3WaveFormat(WORD channels, DWORD rate, DWORD kbps)
{
    MPEGLAYER3WAVEFORMAT m{};
    m.wfx = WAVEFORMATEX{WAVE_FORMAT_MPEGLAYER3, channels, rate, kbps * 125, 1, 0, MPEGLAYER3_WFX_EXTRA_BYTES};
    m.wID = MPEGLAYER3_ID_MPEG;
    m.nFramesPerBlock = 1;
    return m;
}

// The file's format record as the engine gives it to a new file.
inline Bytes FileFormat(const CodecCase& c)
{
    const WAVEFORMATEX pcm = DevicePcm(c);
    const auto bytesOf = [](const void* p, std::size_t n) {
        return Bytes(static_cast<const BYTE*>(p), static_cast<const BYTE*>(p) + n);
    };
    if (c.container == Container::Ogg) {
        const WAVEFORMATEX f{WAVE_FORMAT_OGG_VORBIS, c.channels, c.rate, pcm.nAvgBytesPerSec, pcm.nBlockAlign, 16, 0};
        return bytesOf(&f, sizeof f);
    }
    if (c.tag == WAVE_FORMAT_PCM) {
        return bytesOf(&pcm, sizeof pcm);
    }
    if (c.tag == WAVE_FORMAT_MPEGLAYER3) {
        const MPEGLAYER3WAVEFORMAT m = Mp3WaveFormat(c.channels, c.rate, c.kbps);
        return bytesOf(&m, sizeof m);
    }
    // The codec's own format for the device shape, by suggestion.
    Bytes f(64, 0);
    auto* w = reinterpret_cast<LPWAVEFORMATEX>(f.data());
    w->wFormatTag = c.tag;
    w->nChannels = c.channels;
    w->nSamplesPerSec = c.rate;
    WAVEFORMATEX src = pcm;
    if (acmFormatSuggest(nullptr, &src, w, static_cast<DWORD>(f.size()), 0x70000) != MMSYSERR_NOERROR) {
        return {};
    }
    f.resize(sizeof(WAVEFORMATEX) + w->cbSize);
    return f;
}

// The source as the device delivers it in the PCM file's sample size.
inline Bytes DeviceBytes(const CodecCase& c, const std::vector<std::int16_t>& source)
{
    const WORD bits = DevicePcm(c).wBitsPerSample;
    Bytes out;
    out.reserve(source.size() * bits / 8);
    for (const std::int16_t s : source) {
        const auto u = static_cast<std::uint16_t>(s);
        if (bits == 8) {
            out.push_back(static_cast<BYTE>((u >> 8) ^ 0x80));
        } else {
            if (bits == 24) {
                out.push_back(0);
            }
            out.push_back(static_cast<BYTE>(u));
            out.push_back(static_cast<BYTE>(u >> 8));
        }
    }
    return out;
}

inline std::vector<std::int16_t> ToPcm16(const Bytes& b, WORD bits)
{
    const std::size_t size = bits / 8u;
    std::vector<std::int16_t> out(b.size() / size);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const BYTE* p = b.data() + i * size;
        out[i] = bits == 8 ? static_cast<std::int16_t>((p[0] ^ 0x80) << 8)
                           : static_cast<std::int16_t>(p[size - 2] | p[size - 1] << 8);
    }
    return out;
}

// What the engine hands the file for each buffer: PCM as captured, the bytes a
// conversion stream made of it, or (Ogg Vorbis) the 16-bit PCM to encode.
struct Take {
    std::vector<Bytes> buffers;
    Bytes all;  // every byte Write got, in order (not for Ogg Vorbis)
};

// The device's buffers of `bufferBytes` through one conversion stream, as the
// engine converts them: block-aligned, the first one starting the stream and
// the last one ending it. Empty when the stream does not open.
inline std::vector<Bytes> ConvertBuffers(const WAVEFORMATEX& pcm, const void* dst, const Bytes& device,
                                         std::size_t bufferBytes)
{
    std::vector<Bytes> out;
    HACMSTREAM stream = nullptr;
    WAVEFORMATEX src = pcm;
    if (acmStreamOpen(&stream, nullptr, &src, static_cast<LPWAVEFORMATEX>(const_cast<void*>(dst)), nullptr, 0, 0, 0) !=
        MMSYSERR_NOERROR) {
        return out;
    }
    const std::size_t buffers = device.size() / bufferBytes;
    Bytes in(bufferBytes);
    Bytes coded(256 * 1024);
    for (std::size_t i = 0; i < buffers; ++i) {
        std::copy_n(device.begin() + static_cast<long>(i * bufferBytes), bufferBytes, in.begin());
        ACMSTREAMHEADER h{};
        h.cbStruct = ACMSTREAMHEADER_DOCUMENTED_SIZE;
        h.pbSrc = in.data();
        h.cbSrcLength = static_cast<DWORD>(in.size());
        h.pbDst = coded.data();
        h.cbDstLength = static_cast<DWORD>(coded.size());
        acmStreamPrepareHeader(stream, &h, 0);
        const DWORD flags = ACM_STREAMCONVERTF_BLOCKALIGN | (i == 0 ? ACM_STREAMCONVERTF_START : 0) |
                            (i + 1 == buffers ? ACM_STREAMCONVERTF_END : 0);
        acmStreamConvert(stream, &h, flags);
        out.emplace_back(coded.begin(), coded.begin() + h.cbDstLengthUsed);
        acmStreamUnprepareHeader(stream, &h, 0);
    }
    acmStreamClose(stream, 0);
    return out;
}

inline Take EngineBuffers(const CodecCase& c, const Bytes& fileFormat, const std::vector<std::int16_t>& source)
{
    Take take;
    const Bytes device = DeviceBytes(c, source);
    const std::size_t bufferBytes = device.size() / kBuffers;
    if (c.container == Container::Ogg || c.tag == WAVE_FORMAT_PCM) {
        for (int i = 0; i < kBuffers; ++i) {
            const auto from = device.begin() + static_cast<long>(i * bufferBytes);
            take.buffers.emplace_back(from, from + static_cast<long>(bufferBytes));
        }
    } else {
        take.buffers = ConvertBuffers(DevicePcm(c), fileFormat.data(), device, bufferBytes);
    }
    if (c.container != Container::Ogg) {
        for (const Bytes& b : take.buffers) {
            take.all.insert(take.all.end(), b.begin(), b.end());
        }
    }
    return take;
}

inline std::unique_ptr<RecFile> MakeFile(const CodecCase& c, const std::string& path, const WAVEFORMATEX* format,
                                         DWORD flags)
{
    switch (c.container) {
    case Container::Mp3:
        return std::make_unique<Mp3File>(path.c_str(), format, flags);
    case Container::Ogg:
        return std::make_unique<OggVorbisFile>(path.c_str(), format, 4, flags);
    case Container::Wave:
        break;
    }
    return std::make_unique<WaveFile>(path.c_str(), format, flags);
}

// One buffer through the slots the engine uses: Write (with the source frames
// for the header's sample count) or, for Ogg Vorbis, WriteSamples. True when
// the file took all of it.
inline bool WriteBuffer(MediaFile& f, const CodecCase& c, const Bytes& buffer)
{
    const auto size = static_cast<LONG>(buffer.size());
    if (TakesSamples(c)) {
        return f.WriteSamples(reinterpret_cast<const short*>(buffer.data()), size) == size / (2 * c.channels);
    }
    const LONG written = f.Write(buffer.data(), size);
    f.AddSampleCount(BufferFrames(c));
    return written == size;
}

// The whole audio from the start, as the engine plays it: the bytes through
// Read and a decoding stream of the file's own format, or ReadSamples.
inline std::vector<std::int16_t> DecodeThroughFile(MediaFile& f, const CodecCase& c)
{
    if (!f.position(0)) {
        return {};
    }
    if (TakesSamples(c)) {
        std::vector<std::int16_t> out;
        std::vector<short> buf(8192);
        LONG n;
        while ((n = f.ReadSamples(buf.data(), static_cast<LONG>(buf.size() * 2))) > 0) {
            out.insert(out.end(), buf.begin(), buf.begin() + n / 2);
        }
        return out;
    }
    Bytes bytes(f.GetDataSize());
    if (f.Read(bytes.data(), static_cast<LONG>(bytes.size())) != static_cast<LONG>(bytes.size())) {
        return {};
    }
    const WAVEFORMATEX* format = f.GetFormat();
    if (format->wFormatTag == WAVE_FORMAT_PCM) {
        return ToPcm16(bytes, format->wBitsPerSample);
    }
    const WAVEFORMATEX pcm = MakePcmFormat(format->nChannels, format->nSamplesPerSec, 16);
    const std::size_t chunk = std::max<std::size_t>(format->nBlockAlign, format->nAvgBytesPerSec / 5 /
                                                                             std::max<WORD>(format->nBlockAlign, 1) *
                                                                             format->nBlockAlign);
    return acmtest::ToSamples(acmtest::ConvertAll(format, &pcm, bytes, chunk).out);
}

struct Match {
    std::size_t lagFrames = 0;
    double snrDb = -100;
};

// Where the decoded audio lines up with the source (channel 0 over a window
// past the codec's start-up), and the SNR of all channels there.
inline Match BestMatch(const std::vector<std::int16_t>& source, const std::vector<std::int16_t>& decoded, WORD channels,
                       std::size_t maxLagFrames)
{
    Match m;
    const std::size_t window = std::min<std::size_t>(4096, source.size() / channels / 2);
    const std::size_t start = source.size() / channels / 4;
    double best = -2;
    for (std::size_t lag = 0; lag <= maxLagFrames; ++lag) {
        double ab = 0;
        double aa = 0;
        double bb = 0;
        for (std::size_t i = start; i < start + window && (i + lag) * channels < decoded.size(); ++i) {
            const double x = source[i * channels];
            const double y = decoded[(i + lag) * channels];
            ab += x * y;
            aa += x * x;
            bb += y * y;
        }
        const double corr = ab / std::sqrt(std::max(aa * bb, 1.0));
        if (corr > best) {
            best = corr;
            m.lagFrames = lag;
        }
    }
    m.snrDb = acmtest::SnrDb(source, decoded, m.lagFrames * channels);
    return m;
}
}
