// IMA ADPCM (tag 0x11): 4 bits per sample in WAV blocks.
#include "platform/acm/BlockDriver.h"
#include "platform/acm/ImaAdpcm.h"

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
        WORD samplesPerBlock = 0;
        f.wfx = AdpcmShape(tag, channels, rate, ima::FramesPerBlock, &samplesPerBlock);
        f.wSamplesPerBlock = samplesPerBlock;
        *out = Format(f.wfx, &f.wSamplesPerBlock, sizeof f.wSamplesPerBlock);
        return Valid(*out);
    }

    bool Valid(const Format& f) const override
    {
        IMAADPCMWAVEFORMAT ima{};
        return f.Read(&ima) && f.extraSize() >= 2 && AdpcmShapeValid(f.wfx(), ima.wSamplesPerBlock, ima::FramesPerBlock);
    }

    std::string Text(const Format& f) const override { return AdpcmText(f); }

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
