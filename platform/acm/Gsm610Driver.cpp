// GSM 6.10 (tag 0x31) in the WAV layout: 65-byte blocks of two frames
// (320 samples, mono), on libgsm's WAV49 packing.
#include "platform/acm/BlockDriver.h"

#include <gsm.h>

#include <cstdio>

namespace platform::acm {
namespace {

constexpr WORD kGsmBlockBytes = 65;
constexpr WORD kGsmBlockFrames = 320;

class GsmCodec : public BlockCodec {
public:
    GsmCodec() { Reset(); }
    ~GsmCodec() override { Close(); }
    std::size_t BlockBytes() const override { return kGsmBlockBytes; }
    std::size_t FramesPerBlock() const override { return kGsmBlockFrames; }

    void Encode(const std::int16_t* pcm, std::size_t blocks, BYTE* out) override
    {
        gsm_signal frame[160];
        for (std::size_t b = 0; b < blocks; ++b) {
            // libgsm takes non-const input; the first frame packs into 32
            // bytes and the second into the following 33.
            std::memcpy(frame, pcm + b * kGsmBlockFrames, sizeof frame);
            gsm_encode(encoder_, frame, out + b * kGsmBlockBytes);
            std::memcpy(frame, pcm + b * kGsmBlockFrames + 160, sizeof frame);
            gsm_encode(encoder_, frame, out + b * kGsmBlockBytes + 32);
        }
    }

    bool Decode(const BYTE* in, std::size_t blocks, std::int16_t* pcm) override
    {
        bool ok = true;
        gsm_byte block[kGsmBlockBytes];
        for (std::size_t b = 0; b < blocks; ++b) {
            std::memcpy(block, in + b * kGsmBlockBytes, sizeof block);
            std::int16_t* out = pcm + b * kGsmBlockFrames;
            if (gsm_decode(decoder_, block, out) < 0 || gsm_decode(decoder_, block + 33, out + 160) < 0) {
                std::memset(out, 0, kGsmBlockFrames * sizeof(std::int16_t));
                ok = false;
            }
        }
        return ok;
    }

    void Reset() override
    {
        Close();
        int wav49 = 1;
        encoder_ = gsm_create();
        decoder_ = gsm_create();
        gsm_option(encoder_, GSM_OPT_WAV49, &wav49);
        gsm_option(decoder_, GSM_OPT_WAV49, &wav49);
    }

private:
    void Close()
    {
        if (encoder_) {
            gsm_destroy(encoder_);
        }
        if (decoder_) {
            gsm_destroy(decoder_);
        }
        encoder_ = decoder_ = nullptr;
    }

    gsm encoder_ = nullptr;
    gsm decoder_ = nullptr;
};

class Gsm610 : public BlockDriver {
public:
    const char* ShortName() const override { return "GSM 6.10"; }
    const char* LongName() const override { return "GSM 6.10 full-rate speech codec"; }
    std::vector<WORD> Tags() const override { return {WAVE_FORMAT_GSM610}; }
    const char* TagName(WORD) const override { return "GSM 6.10"; }
    DWORD LargestFormatSize(WORD) const override { return sizeof(GSM610WAVEFORMAT); }

protected:
    std::vector<WORD> Channels() const override { return {1}; }

    bool MakeFormat(WORD tag, WORD channels, DWORD rate, Format* out) const override
    {
        GSM610WAVEFORMAT f{};
        f.wfx.wFormatTag = tag;
        f.wfx.nChannels = channels;
        f.wfx.nSamplesPerSec = rate;
        f.wfx.nAvgBytesPerSec = static_cast<DWORD>((std::uint64_t{rate} * kGsmBlockBytes + kGsmBlockFrames / 2) /
                                                   kGsmBlockFrames);
        f.wfx.nBlockAlign = kGsmBlockBytes;
        f.wfx.wBitsPerSample = 0;
        f.wSamplesPerBlock = kGsmBlockFrames;
        *out = Format(f.wfx, &f.wSamplesPerBlock, sizeof f.wSamplesPerBlock);
        return Valid(*out);
    }

    bool Valid(const Format& f) const override
    {
        GSM610WAVEFORMAT g{};
        return f.Read(&g) && f.extraSize() >= 2 && f.channels() == 1 && f.rate() >= 1 && f.rate() <= kMaxSampleRate &&
               f.wfx().nBlockAlign == kGsmBlockBytes && g.wSamplesPerBlock == kGsmBlockFrames;
    }

    std::string Text(const Format& f) const override
    {
        char buf[96];
        std::snprintf(buf, sizeof buf, "%s, %s", RateText(f.rate()).c_str(), ChannelText(f.channels()));
        return buf;
    }

    std::unique_ptr<BlockCodec> MakeCodec(const Format&) const override { return std::make_unique<GsmCodec>(); }
};

} // namespace

const Driver& Gsm610Driver()
{
    static const Gsm610 driver;
    return driver;
}

} // namespace platform::acm
