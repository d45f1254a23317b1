// MS ADPCM (tag 2): 4-bit codes against a two-tap predictor chosen per block
// and channel from the format's coefficient pairs (the standard 7).
#include "platform/acm/BlockDriver.h"
#include "platform/core/Bytes.h"

#include <algorithm>
#include <cstdio>
#include <limits>

namespace platform::acm {
namespace {

constexpr ADPCMCOEFSET kStandardCoefs[7] = {{256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208},
                                            {392, -232}};
constexpr int kAdapt[16] = {230, 230, 230, 230, 307, 409, 512, 614, 768, 614, 512, 409, 307, 230, 230, 230};
// Caps the step so that damaged blocks cannot overflow; real streams stay
// far below it.
constexpr std::int64_t kMaxDelta = 0x7FFFFF;
constexpr WORD kMaxCoefs = 256;

std::size_t MsFramesPerBlock(std::size_t blockBytes, unsigned channels)
{
    if (channels == 0 || blockBytes <= 7u * channels || ((blockBytes - 7u * channels) * 2) % channels) {
        return 0;
    }
    return (blockBytes - 7u * channels) * 2 / channels + 2;
}

struct Channel {
    std::int64_t samp1 = 0;
    std::int64_t samp2 = 0;
    std::int64_t delta = 16;
    std::int64_t c1 = 256;
    std::int64_t c2 = 0;

    // The next sample for `code` (a signed 4-bit value), and the step update.
    std::int16_t Step(int code)
    {
        const std::int64_t pred = (samp1 * c1 + samp2 * c2) >> 8;
        const auto s = static_cast<std::int16_t>(std::clamp<std::int64_t>(pred + code * delta, -32768, 32767));
        samp2 = samp1;
        samp1 = s;
        delta = std::clamp<std::int64_t>((kAdapt[code & 0x0F] * delta) >> 8, 16, kMaxDelta);
        return s;
    }

    int Quantise(int sample) const
    {
        const std::int64_t pred = (samp1 * c1 + samp2 * c2) >> 8;
        const std::int64_t err = sample - pred;
        const std::int64_t q = err >= 0 ? (err + delta / 2) / delta : -((-err + delta / 2) / delta);
        return static_cast<int>(std::clamp<std::int64_t>(q, -8, 7));
    }
};

class MsCodec : public BlockCodec {
public:
    MsCodec(unsigned channels, std::size_t blockBytes, std::vector<ADPCMCOEFSET> coefs)
        : channels_(channels), blockBytes_(blockBytes), frames_(MsFramesPerBlock(blockBytes, channels)),
          coefs_(std::move(coefs))
    {
    }
    std::size_t BlockBytes() const override { return blockBytes_; }
    std::size_t FramesPerBlock() const override { return frames_; }

    void Encode(const std::int16_t* pcm, std::size_t blocks, BYTE* out) override
    {
        for (std::size_t b = 0; b < blocks; ++b) {
            EncodeBlock(pcm + b * frames_ * channels_, out + b * blockBytes_);
        }
    }

    bool Decode(const BYTE* in, std::size_t blocks, std::int16_t* pcm) override
    {
        bool ok = true;
        for (std::size_t b = 0; b < blocks; ++b) {
            std::int16_t* frame = pcm + b * frames_ * channels_;
            if (!DecodeBlock(in + b * blockBytes_, frame)) {
                std::fill(frame, frame + frames_ * channels_, 0);
                ok = false;
            }
        }
        return ok;
    }

private:
    static std::int16_t Get16(const BYTE* p) { return static_cast<std::int16_t>(platform::LoadLe16(p)); }
    static void Put16(BYTE* p, std::int64_t v)
    {
        platform::StoreLe16(p, static_cast<std::uint16_t>(static_cast<std::int16_t>(v)));
    }

    bool DecodeBlock(const BYTE* in, std::int16_t* pcm) const
    {
        const unsigned ch = channels_;
        Channel state[2];
        for (unsigned c = 0; c < ch; ++c) {
            const BYTE predictor = in[c];
            if (predictor >= coefs_.size()) {
                return false;
            }
            state[c].c1 = coefs_[predictor].iCoef1;
            state[c].c2 = coefs_[predictor].iCoef2;
            state[c].delta = Get16(in + ch + 2 * c);
            state[c].samp1 = Get16(in + 3 * ch + 2 * c);
            state[c].samp2 = Get16(in + 5 * ch + 2 * c);
            pcm[c] = static_cast<std::int16_t>(state[c].samp2);
            pcm[ch + c] = static_cast<std::int16_t>(state[c].samp1);
        }
        const BYTE* p = in + 7 * ch;
        for (std::size_t i = 2 * ch; i < frames_ * ch; ++i) {
            const int nibble = (i % 2 == 0) ? (p[(i - 2 * ch) / 2] >> 4) : (p[(i - 2 * ch) / 2] & 0x0F);
            const int code = nibble >= 8 ? nibble - 16 : nibble;
            pcm[i] = state[i % ch].Step(code);
        }
        return true;
    }

    // Tries each predictor with a few starting steps and keeps the one with
    // the smallest error for this block and channel.
    void EncodeBlock(const std::int16_t* pcm, BYTE* out)
    {
        const unsigned ch = channels_;
        for (unsigned c = 0; c < ch; ++c) {
            const std::int64_t x0 = pcm[c];
            const std::int64_t x1 = pcm[ch + c];
            std::int64_t bestErr = std::numeric_limits<std::int64_t>::max();
            Channel best;
            for (const ADPCMCOEFSET& coef : coefs_) {
                Channel probe;
                probe.c1 = coef.iCoef1;
                probe.c2 = coef.iCoef2;
                // Mean prediction error of the first samples sets the scale.
                std::int64_t s1 = x1;
                std::int64_t s2 = x0;
                std::int64_t sum = 0;
                const std::size_t n = std::min<std::size_t>(16, frames_ - 2);
                for (std::size_t i = 0; i < n; ++i) {
                    const std::int64_t x = pcm[(i + 2) * ch + c];
                    sum += std::llabs(x - ((s1 * probe.c1 + s2 * probe.c2) >> 8));
                    s2 = s1;
                    s1 = x;
                }
                const std::int64_t mean = n ? sum / static_cast<std::int64_t>(n) : 16;
                for (const std::int64_t start : {mean / 4, mean / 2, mean}) {
                    Channel trial = probe;
                    trial.samp1 = x1;
                    trial.samp2 = x0;
                    trial.delta = std::clamp<std::int64_t>(start, 16, 0x7FFF);
                    const Channel initial = trial;
                    std::int64_t err = 0;
                    for (std::size_t i = 2; i < frames_ && err < bestErr; ++i) {
                        const int x = pcm[i * ch + c];
                        const std::int64_t d = x - trial.Step(trial.Quantise(x));
                        err += d * d;
                    }
                    if (err < bestErr) {
                        bestErr = err;
                        best = initial;
                    }
                }
            }
            std::size_t index = 0;
            for (; index < coefs_.size(); ++index) {
                if (coefs_[index].iCoef1 == best.c1 && coefs_[index].iCoef2 == best.c2) {
                    break;
                }
            }
            out[c] = static_cast<BYTE>(index);
            Put16(out + ch + 2 * c, best.delta);
            Put16(out + 3 * ch + 2 * c, x1);
            Put16(out + 5 * ch + 2 * c, x0);
            state_[c] = best;
        }
        BYTE* p = out + 7 * ch;
        for (std::size_t i = 2 * ch; i < frames_ * ch; ++i) {
            Channel& s = state_[i % ch];
            const int code = s.Quantise(pcm[i]);
            s.Step(code);
            const std::size_t at = (i - 2 * ch) / 2;
            if (i % 2 == 0) {
                p[at] = static_cast<BYTE>((code & 0x0F) << 4);
            } else {
                p[at] = static_cast<BYTE>(p[at] | (code & 0x0F));
            }
        }
    }

    unsigned channels_;
    std::size_t blockBytes_;
    std::size_t frames_;
    std::vector<ADPCMCOEFSET> coefs_;
    Channel state_[2];
};

bool ReadCoefs(const Format& f, WORD* samplesPerBlock, std::vector<ADPCMCOEFSET>* coefs)
{
    if (f.extraSize() < 4) {
        return false;
    }
    const BYTE* e = f.extra();
    *samplesPerBlock = platform::LoadLe16(e);
    const WORD n = platform::LoadLe16(e + 2);
    if (n == 0 || n > kMaxCoefs || f.extraSize() < 4 + 4 * n) {
        return false;
    }
    coefs->resize(n);
    std::memcpy(coefs->data(), e + 4, 4u * n);
    return true;
}

class MsAdpcm : public BlockDriver {
public:
    const char* ShortName() const override { return "MS ADPCM"; }
    const char* LongName() const override { return "MS ADPCM codec, 4 bits per sample"; }
    std::vector<WORD> Tags() const override { return {WAVE_FORMAT_ADPCM}; }
    const char* TagName(WORD) const override { return "MS ADPCM"; }
    DWORD LargestFormatSize(WORD) const override { return sizeof(ADPCMWAVEFORMAT); }

protected:
    bool MakeFormat(WORD tag, WORD channels, DWORD rate, Format* out) const override
    {
        ADPCMWAVEFORMAT f{};
        WORD samplesPerBlock = 0;
        f.wfx = AdpcmShape(tag, channels, rate, MsFramesPerBlock, &samplesPerBlock);
        f.wSamplesPerBlock = samplesPerBlock;
        f.wNumCoef = 7;
        std::copy(std::begin(kStandardCoefs), std::end(kStandardCoefs), f.aCoef);
        *out = Format(f.wfx, reinterpret_cast<const BYTE*>(&f) + sizeof(WAVEFORMATEX),
                      sizeof(ADPCMWAVEFORMAT) - sizeof(WAVEFORMATEX));
        return Valid(*out);
    }

    bool Valid(const Format& f) const override
    {
        WORD samplesPerBlock = 0;
        std::vector<ADPCMCOEFSET> coefs;
        return ReadCoefs(f, &samplesPerBlock, &coefs) && AdpcmShapeValid(f.wfx(), samplesPerBlock, MsFramesPerBlock);
    }

    std::string Text(const Format& f) const override { return AdpcmText(f); }

    std::unique_ptr<BlockCodec> MakeCodec(const Format& f) const override
    {
        WORD samplesPerBlock = 0;
        std::vector<ADPCMCOEFSET> coefs;
        ReadCoefs(f, &samplesPerBlock, &coefs);
        return std::make_unique<MsCodec>(f.channels(), f.wfx().nBlockAlign, std::move(coefs));
    }
};

} // namespace

const Driver& MsAdpcmDriver()
{
    static const MsAdpcm driver;
    return driver;
}

} // namespace platform::acm
