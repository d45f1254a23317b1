// CCITT G.711 A-law and u-law: 8-bit logarithmic samples, one byte per
// sample and channel.
#include "platform/acm/BlockDriver.h"

#include <array>
#include <cstdio>

namespace platform::acm {
namespace {

int Segment(int value, const int (&ends)[8])
{
    for (int i = 0; i < 8; ++i) {
        if (value <= ends[i]) {
            return i;
        }
    }
    return 8;
}

BYTE LinearToALaw(std::int16_t sample)
{
    static const int ends[8] = {0x1F, 0x3F, 0x7F, 0xFF, 0x1FF, 0x3FF, 0x7FF, 0xFFF};
    int v = sample >> 3;
    int mask = 0xD5;
    if (v < 0) {
        mask = 0x55;
        v = -v - 1;
    }
    const int seg = Segment(v, ends);
    if (seg >= 8) {
        return static_cast<BYTE>(0x7F ^ mask);
    }
    int a = seg << 4;
    a |= seg < 2 ? (v >> 1) & 0x0F : (v >> seg) & 0x0F;
    return static_cast<BYTE>(a ^ mask);
}

std::int16_t ALawToLinear(BYTE code)
{
    const int a = code ^ 0x55;
    int t = (a & 0x0F) << 4;
    const int seg = (a & 0x70) >> 4;
    if (seg == 0) {
        t += 8;
    } else {
        t = (t + 0x108) << (seg - 1);
    }
    return static_cast<std::int16_t>((a & 0x80) ? t : -t);
}

BYTE LinearToULaw(std::int16_t sample)
{
    static const int ends[8] = {0x3F, 0x7F, 0xFF, 0x1FF, 0x3FF, 0x7FF, 0xFFF, 0x1FFF};
    constexpr int kBias = 0x84;
    constexpr int kClip = 8159;
    int v = sample >> 2;
    int mask = 0xFF;
    if (v < 0) {
        v = -v;
        mask = 0x7F;
    }
    if (v > kClip) {
        v = kClip;
    }
    v += kBias >> 2;
    const int seg = Segment(v, ends);
    if (seg >= 8) {
        return static_cast<BYTE>(0x7F ^ mask);
    }
    return static_cast<BYTE>(((seg << 4) | ((v >> (seg + 1)) & 0x0F)) ^ mask);
}

std::int16_t ULawToLinear(BYTE code)
{
    constexpr int kBias = 0x84;
    const int u = ~code & 0xFF;
    int t = ((u & 0x0F) << 3) + kBias;
    t <<= (u & 0x70) >> 4;
    return static_cast<std::int16_t>((u & 0x80) ? (kBias - t) : (t - kBias));
}

struct Tables {
    std::array<BYTE, 65536> encode;
    std::array<std::int16_t, 256> decode;
};

const Tables& TablesFor(WORD tag)
{
    static const auto make = [](bool alaw) {
        auto t = std::make_unique<Tables>();
        for (int s = -32768; s <= 32767; ++s) {
            const auto v = static_cast<std::int16_t>(s);
            t->encode[static_cast<std::uint16_t>(v)] = alaw ? LinearToALaw(v) : LinearToULaw(v);
        }
        for (int c = 0; c < 256; ++c) {
            t->decode[c] = alaw ? ALawToLinear(static_cast<BYTE>(c)) : ULawToLinear(static_cast<BYTE>(c));
        }
        return t;
    };
    static const auto alaw = make(true);
    static const auto ulaw = make(false);
    return tag == WAVE_FORMAT_ALAW ? *alaw : *ulaw;
}

class G711Codec : public BlockCodec {
public:
    G711Codec(WORD tag, WORD channels) : tables_(TablesFor(tag)), channels_(channels) {}
    std::size_t BlockBytes() const override { return channels_; }
    std::size_t FramesPerBlock() const override { return 1; }
    void Encode(const std::int16_t* pcm, std::size_t blocks, BYTE* out) override
    {
        for (std::size_t i = 0; i < blocks * channels_; ++i) {
            out[i] = tables_.encode[static_cast<std::uint16_t>(pcm[i])];
        }
    }
    bool Decode(const BYTE* in, std::size_t blocks, std::int16_t* pcm) override
    {
        for (std::size_t i = 0; i < blocks * channels_; ++i) {
            pcm[i] = tables_.decode[in[i]];
        }
        return true;
    }

private:
    const Tables& tables_;
    std::size_t channels_;
};

class G711 : public BlockDriver {
public:
    const char* ShortName() const override { return "CCITT G.711"; }
    const char* LongName() const override { return "CCITT G.711 A-law and u-law codec"; }
    std::vector<WORD> Tags() const override { return {WAVE_FORMAT_ALAW, WAVE_FORMAT_MULAW}; }
    const char* TagName(WORD tag) const override { return tag == WAVE_FORMAT_ALAW ? "CCITT A-Law" : "CCITT u-Law"; }
    DWORD LargestFormatSize(WORD) const override { return sizeof(WAVEFORMATEX); }

protected:
    bool MakeFormat(WORD tag, WORD channels, DWORD rate, Format* out) const override
    {
        WAVEFORMATEX w{};
        w.wFormatTag = tag;
        w.nChannels = channels;
        w.nSamplesPerSec = rate;
        w.nAvgBytesPerSec = rate * channels;
        w.nBlockAlign = channels;
        w.wBitsPerSample = 8;
        *out = Format(w);
        return Valid(*out);
    }

    bool Valid(const Format& f) const override
    {
        return (f.channels() == 1 || f.channels() == 2) && f.rate() >= 1 && f.rate() <= kMaxSampleRate &&
               f.bits() == 8 && f.wfx().nBlockAlign == f.channels();
    }

    std::string Text(const Format& f) const override
    {
        char buf[96];
        std::snprintf(buf, sizeof buf, "%s, 8 Bit, %s", RateText(f.rate()).c_str(), ChannelText(f.channels()));
        return buf;
    }

    std::unique_ptr<BlockCodec> MakeCodec(const Format& f) const override
    {
        return std::make_unique<G711Codec>(f.tag(), f.channels());
    }
};

} // namespace

const Driver& G711Driver()
{
    static const G711 driver;
    return driver;
}

} // namespace platform::acm
