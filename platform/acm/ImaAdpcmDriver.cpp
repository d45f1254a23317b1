// IMA ADPCM (tag 0x11): 4 bits per sample in WAV blocks.
#include "platform/acm/BlockDriver.h"
#include "platform/acm/ImaAdpcm.h"

#include <cstdio>

namespace platform::acm {
namespace {

class ImaCodec : public BlockCodec {
public:
    ImaCodec(unsigned channels, std::size_t blockBytes)
        : channels_(channels), blockBytes_(blockBytes), frames_(ima::FramesPerBlock(blockBytes, channels))
    {
    }
    std::size_t BlockBytes() const override { return blockBytes_; }
    std::size_t FramesPerBlock() const override { return frames_; }
    void Encode(const std::int16_t* pcm, std::size_t blocks, BYTE* out) override
    {
        for (std::size_t b = 0; b < blocks; ++b) {
            ima::EncodeBlock(pcm + b * frames_ * channels_, channels_, blockBytes_, state_, out + b * blockBytes_);
        }
    }
    bool Decode(const BYTE* in, std::size_t blocks, std::int16_t* pcm) override
    {
        bool ok = true;
        for (std::size_t b = 0; b < blocks; ++b) {
            ok = ima::DecodeBlock(in + b * blockBytes_, channels_, blockBytes_, pcm + b * frames_ * channels_) && ok;
        }
        return ok;
    }
    void Reset() override { state_[0] = state_[1] = ima::ChannelState{}; }

private:
    unsigned channels_;
    std::size_t blockBytes_;
    std::size_t frames_;
    ima::ChannelState state_[2];
};

class ImaAdpcm : public BlockDriver {
public:
    const char* ShortName() const override { return "IMA ADPCM"; }
    const char* LongName() const override { return "IMA ADPCM codec, 4 bits per sample"; }
    std::vector<WORD> Tags() const override { return {WAVE_FORMAT_IMA_ADPCM}; }
    const char* TagName(WORD) const override { return "IMA ADPCM"; }
    DWORD LargestFormatSize(WORD) const override { return sizeof(IMAADPCMWAVEFORMAT); }

protected:
    bool MakeFormat(WORD tag, WORD channels, DWORD rate, Format* out) const override
    {
        IMAADPCMWAVEFORMAT f{};
        f.wfx.wFormatTag = tag;
        f.wfx.nChannels = channels;
        f.wfx.nSamplesPerSec = rate;
        f.wfx.nBlockAlign = static_cast<WORD>((rate <= 11025 ? 256 : rate <= 22050 ? 512 : 1024) * channels);
        f.wfx.wBitsPerSample = 4;
        f.wSamplesPerBlock = static_cast<WORD>(ima::FramesPerBlock(f.wfx.nBlockAlign, channels));
        f.wfx.nAvgBytesPerSec = static_cast<DWORD>(std::uint64_t{rate} * f.wfx.nBlockAlign / f.wSamplesPerBlock);
        *out = Format(f.wfx, &f.wSamplesPerBlock, sizeof f.wSamplesPerBlock);
        return Valid(*out);
    }

    bool Valid(const Format& f) const override
    {
        IMAADPCMWAVEFORMAT ima{};
        if (!f.Read(&ima) || f.extraSize() < 2) {
            return false;
        }
        const WAVEFORMATEX& w = f.wfx();
        return (w.nChannels == 1 || w.nChannels == 2) && w.nSamplesPerSec >= 1 && w.nSamplesPerSec <= kMaxSampleRate &&
               w.wBitsPerSample == 4 && ima::FramesPerBlock(w.nBlockAlign, w.nChannels) != 0 &&
               ima.wSamplesPerBlock == ima::FramesPerBlock(w.nBlockAlign, w.nChannels);
    }

    std::string Text(const Format& f) const override
    {
        char buf[96];
        std::snprintf(buf, sizeof buf, "%s, 4 Bit, %s", RateText(f.rate()).c_str(), ChannelText(f.channels()));
        return buf;
    }

    std::unique_ptr<BlockCodec> MakeCodec(const Format& f) const override
    {
        return std::make_unique<ImaCodec>(f.channels(), f.wfx().nBlockAlign);
    }
};

} // namespace

const Driver& ImaAdpcmDriver()
{
    static const ImaAdpcm driver;
    return driver;
}

} // namespace platform::acm
