// The PCM converter: sample rate, channel count and 8/16-bit conversion
// between PCM formats.
#include "platform/acm/Samples.h"

#include <cstdio>

namespace platform::acm {
namespace {

constexpr DWORD kStandardRates[] = {8000, 11025, 22050, 44100};

std::string PcmText(const Format& f)
{
    char buf[96];
    std::snprintf(buf, sizeof buf, "%s, %u Bit, %s", RateText(f.rate()).c_str(), static_cast<unsigned>(f.bits()),
                  ChannelText(f.channels()));
    return buf;
}

// Rate conversion by linear interpolation. Output frame k sits at input
// position k * in / out; positions are counted from the start of the stream,
// so the result does not depend on how the input is cut into buffers.
class PcmStream : public Stream {
public:
    PcmStream(const Format& src, const Format& dst) : src_(src), dst_(dst) {}

    DWORD SourceBlock() const override { return src_.wfx().nBlockAlign; }

    MMRESULT Convert(const BYTE* src, std::size_t len, DWORD flags, Sink& out) override
    {
        const std::size_t frames = len / src_.wfx().nBlockAlign;
        in_.clear();
        AppendSamples(src, frames * src_.channels(), src_.bits(), &in_);
        Remix(frames);
        if (src_.rate() == dst_.rate()) {
            WriteSamples(mixed_.data(), mixed_.size(), dst_.bits(), out);
            return MMSYSERR_NOERROR;
        }
        Resample(frames, flags & ACM_STREAMCONVERTF_END, out);
        return MMSYSERR_NOERROR;
    }

    std::size_t MaxOutput(std::size_t len) const override
    {
        const std::uint64_t frames = len / src_.wfx().nBlockAlign + 2;
        return static_cast<std::size_t>((frames * dst_.rate() / src_.rate() + 2) * dst_.wfx().nBlockAlign);
    }

    void Reset() override
    {
        inCount_ = 0;
        outCount_ = 0;
        history_.clear();
    }

private:
    // Source channels to destination channels, into mixed_.
    void Remix(std::size_t frames)
    {
        const WORD from = src_.channels();
        const WORD to = dst_.channels();
        if (from == to) {
            mixed_.swap(in_);
            return;
        }
        mixed_.resize(frames * to);
        for (std::size_t i = 0; i < frames; ++i) {
            if (from == 1) {
                mixed_[2 * i] = mixed_[2 * i + 1] = in_[i];
            } else {
                mixed_[i] = static_cast<std::int16_t>((in_[2 * i] + in_[2 * i + 1]) >> 1);
            }
        }
    }

    void Resample(std::size_t frames, bool end, Sink& out)
    {
        const std::size_t ch = dst_.channels();
        // Frames available: the last frame of the previous call, then these.
        const std::uint64_t base = inCount_ - history_.size() / ch;
        history_.insert(history_.end(), mixed_.begin(), mixed_.end());
        inCount_ += frames;
        const std::uint64_t rin = src_.rate();
        const std::uint64_t rout = dst_.rate();
        const std::uint64_t total = (inCount_ * rout + rin - 1) / rin; // frames the whole input makes
        result_.clear();
        for (;; ++outCount_) {
            const std::uint64_t pos = outCount_ * rin;
            const std::uint64_t i = pos / rout;
            const std::uint64_t frac = pos % rout;
            const bool haveNext = i + 1 < inCount_;
            if (!(haveNext || (frac == 0 && i < inCount_) || (end && outCount_ < total && i < inCount_ + 1))) {
                break;
            }
            const std::uint64_t a = std::min<std::uint64_t>(i, inCount_ - 1) - base;
            const std::uint64_t b = (haveNext ? i + 1 : inCount_ - 1) - base;
            for (std::size_t c = 0; c < ch; ++c) {
                const std::int64_t va = history_[a * ch + c];
                const std::int64_t vb = history_[b * ch + c];
                const std::int64_t v = (va * static_cast<std::int64_t>(rout - frac) + vb * static_cast<std::int64_t>(frac) +
                                        static_cast<std::int64_t>(rout / 2)) /
                                       static_cast<std::int64_t>(rout);
                result_.push_back(static_cast<std::int16_t>(v));
            }
        }
        WriteSamples(result_.data(), result_.size(), dst_.bits(), out);
        // Keep only the frames later output may still need.
        const std::uint64_t need = std::min<std::uint64_t>(outCount_ * rin / rout, inCount_ ? inCount_ - 1 : 0);
        const std::uint64_t drop = need > base ? need - base : 0;
        history_.erase(history_.begin(), history_.begin() + static_cast<std::ptrdiff_t>(drop * ch));
        if (end) {
            Reset();
        }
    }

    Format src_;
    Format dst_;
    std::vector<std::int16_t> in_;
    std::vector<std::int16_t> mixed_;
    std::vector<std::int16_t> history_;
    std::vector<std::int16_t> result_;
    std::uint64_t inCount_ = 0;
    std::uint64_t outCount_ = 0;
};

class PcmConverter : public Driver {
public:
    const char* ShortName() const override { return "PCM Converter"; }
    const char* LongName() const override { return "PCM converter: sample rate, channels and sample size"; }
    DWORD Support() const override { return ACMDRIVERDETAILS_SUPPORTF_CONVERTER; }
    std::vector<WORD> Tags() const override { return {WAVE_FORMAT_PCM}; }
    const char* TagName(WORD) const override { return "PCM"; }
    DWORD LargestFormatSize(WORD) const override { return sizeof(WAVEFORMATEX); }

    std::vector<Format> StandardFormats(WORD tag) const override
    {
        std::vector<Format> v;
        if (tag == WAVE_FORMAT_PCM) {
            for (DWORD rate : kStandardRates) {
                AddRate(rate, &v);
            }
        }
        return v;
    }

    std::vector<Format> ConvertibleFrom(const Format& src) const override
    {
        std::vector<Format> v;
        if (!IsCodecPcm(src)) {
            return v;
        }
        bool standard = false;
        for (DWORD rate : kStandardRates) {
            if (RatioOk(src.rate(), rate)) {
                AddRate(rate, &v);
            }
            standard = standard || rate == src.rate();
        }
        if (!standard) {
            AddRate(src.rate(), &v);
        }
        return v;
    }

    bool Describe(const Format& f, std::string* text) const override
    {
        if (!IsPcm(f)) {
            return false;
        }
        *text = PcmText(f);
        return true;
    }

    bool Suggest(const Format& src, const WAVEFORMATEX& want, DWORD flags, Format* out) const override
    {
        if (!IsCodecPcm(src) || ((flags & ACM_FORMATSUGGESTF_WFORMATTAG) && want.wFormatTag != WAVE_FORMAT_PCM)) {
            return false;
        }
        const WORD ch = (flags & ACM_FORMATSUGGESTF_NCHANNELS) ? want.nChannels : src.channels();
        const DWORD rate = (flags & ACM_FORMATSUGGESTF_NSAMPLESPERSEC) ? want.nSamplesPerSec : src.rate();
        const WORD bits = (flags & ACM_FORMATSUGGESTF_WBITSPERSAMPLE) ? want.wBitsPerSample : src.bits();
        const Format f = Format::Pcm(ch, rate, bits);
        if (!IsCodecPcm(f) || !RatioOk(src.rate(), rate)) {
            return false;
        }
        *out = f;
        return true;
    }

    MMRESULT Open(const Format& src, const Format& dst, std::unique_ptr<Stream>* stream) const override
    {
        if (!IsCodecPcm(src) || !IsCodecPcm(dst) || !RatioOk(src.rate(), dst.rate())) {
            return ACMERR_NOTPOSSIBLE;
        }
        if (stream) {
            *stream = std::make_unique<PcmStream>(src, dst);
        }
        return MMSYSERR_NOERROR;
    }

private:
    // Up-sampling further than this only multiplies a buffer into an
    // unreasonable amount of output.
    static bool RatioOk(DWORD from, DWORD to) { return std::uint64_t{to} <= std::uint64_t{from} * kMaxUpsampling; }
    static constexpr DWORD kMaxUpsampling = 32;

    static void AddRate(DWORD rate, std::vector<Format>* v)
    {
        for (WORD bits : {8, 16}) {
            for (WORD ch : {1, 2}) {
                v->push_back(Format::Pcm(ch, rate, bits));
            }
        }
    }
};

} // namespace

const Driver& PcmConverterDriver()
{
    static const PcmConverter driver;
    return driver;
}

} // namespace platform::acm
