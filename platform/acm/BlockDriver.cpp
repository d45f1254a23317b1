// The streams every block driver shares, and the one ADPCM block-size rule: 256, 512 or 1024 bytes by rate.
#include "platform/acm/BlockDriver.h"

#include "platform/acm/Samples.h"

#include <cstdio>

namespace platform::acm {
namespace {

class BlockEncoder : public Stream {
public:
    BlockEncoder(const Format& pcm, std::unique_ptr<BlockCodec> codec) : pcm_(pcm), codec_(std::move(codec)) {}

    DWORD SourceBlock() const override { return pcm_.wfx().nBlockAlign; }

    MMRESULT Convert(const BYTE* src, std::size_t len, DWORD flags, Sink& out) override
    {
        const std::size_t ch = pcm_.channels();
        const std::size_t blockSamples = codec_->FramesPerBlock() * ch;
        AppendSamples(src, len / pcm_.wfx().nBlockAlign * ch, pcm_.bits(), &carry_);
        if ((flags & ACM_STREAMCONVERTF_END) && carry_.size() % blockSamples) {
            carry_.resize(carry_.size() + blockSamples - carry_.size() % blockSamples, 0); // silence to a whole block
        }
        const std::size_t blocks = carry_.size() / blockSamples;
        if (blocks) {
            coded_.resize(blocks * codec_->BlockBytes());
            codec_->Encode(carry_.data(), blocks, coded_.data());
            out.Write(coded_.data(), coded_.size());
            carry_.erase(carry_.begin(), carry_.begin() + static_cast<std::ptrdiff_t>(blocks * blockSamples));
        }
        return MMSYSERR_NOERROR;
    }

    std::size_t MaxOutput(std::size_t len) const override
    {
        const std::size_t frames = carry_.size() / pcm_.channels() + len / pcm_.wfx().nBlockAlign;
        return (frames / codec_->FramesPerBlock() + 1) * codec_->BlockBytes();
    }

    void Reset() override
    {
        carry_.clear();
        codec_->Reset();
    }

private:
    Format pcm_;
    std::unique_ptr<BlockCodec> codec_;
    std::vector<std::int16_t> carry_;
    std::vector<BYTE> coded_;
};

class BlockDecoder : public Stream {
public:
    BlockDecoder(const Format& pcm, std::unique_ptr<BlockCodec> codec) : pcm_(pcm), codec_(std::move(codec)) {}

    DWORD SourceBlock() const override { return static_cast<DWORD>(codec_->BlockBytes()); }

    MMRESULT Convert(const BYTE* src, std::size_t len, DWORD flags, Sink& out) override
    {
        if (flags & ACM_STREAMCONVERTF_START) {
            codec_->Reset();
        }
        const std::size_t blocks = len / codec_->BlockBytes();
        samples_.resize(blocks * codec_->FramesPerBlock() * pcm_.channels());
        const bool ok = codec_->Decode(src, blocks, samples_.data());
        WriteSamples(samples_.data(), samples_.size(), pcm_.bits(), out);
        return ok ? MMSYSERR_NOERROR : ACMERR_NOTPOSSIBLE;
    }

    std::size_t MaxOutput(std::size_t len) const override
    {
        return len / codec_->BlockBytes() * codec_->FramesPerBlock() * pcm_.wfx().nBlockAlign;
    }

    void Reset() override { codec_->Reset(); }

private:
    Format pcm_;
    std::unique_ptr<BlockCodec> codec_;
    std::vector<std::int16_t> samples_;
};

bool SameShape(const Format& pcm, const Format& coded)
{
    return IsCodecPcm(pcm) && pcm.rate() == coded.rate() && pcm.channels() == coded.channels();
}

} // namespace

const std::vector<DWORD>& StandardBlockRates()
{
    static const std::vector<DWORD> rates = {8000, 11025, 22050, 44100};
    return rates;
}

WAVEFORMATEX AdpcmShape(WORD tag, WORD channels, DWORD rate, AdpcmFramesRule frames, WORD* samplesPerBlock)
{
    WAVEFORMATEX w{};
    w.wFormatTag = tag;
    w.nChannels = channels;
    w.nSamplesPerSec = rate;
    w.nBlockAlign = static_cast<WORD>((rate <= 11025 ? 256 : rate <= 22050 ? 512 : 1024) * channels);
    w.wBitsPerSample = 4;
    *samplesPerBlock = static_cast<WORD>(frames(w.nBlockAlign, channels));
    w.nAvgBytesPerSec = *samplesPerBlock ? static_cast<DWORD>(std::uint64_t{rate} * w.nBlockAlign / *samplesPerBlock) : 0;
    return w;
}

bool AdpcmShapeValid(const WAVEFORMATEX& w, WORD samplesPerBlock, AdpcmFramesRule frames)
{
    const std::size_t held = frames(w.nBlockAlign, w.nChannels);
    return (w.nChannels == 1 || w.nChannels == 2) && w.nSamplesPerSec >= 1 && w.nSamplesPerSec <= kMaxSampleRate &&
           w.wBitsPerSample == 4 && held != 0 && samplesPerBlock == held;
}

std::string AdpcmText(const Format& f)
{
    char buf[96];
    std::snprintf(buf, sizeof buf, "%s, 4 Bit, %s", RateText(f.rate()).c_str(), ChannelText(f.channels()));
    return buf;
}

std::vector<Format> BlockDriver::StandardFormats(WORD tag) const
{
    std::vector<Format> v;
    if (!HasTag(tag)) {
        return v;
    }
    for (DWORD rate : StandardBlockRates()) {
        for (WORD ch : Channels()) {
            Format f;
            if (MakeFormat(tag, ch, rate, &f)) {
                v.push_back(f);
            }
        }
    }
    return v;
}

std::vector<Format> BlockDriver::ConvertibleFrom(const Format& src) const
{
    std::vector<Format> v;
    if (IsCodecPcm(src)) {
        for (WORD tag : Tags()) {
            Format f;
            if (MakeFormat(tag, src.channels(), src.rate(), &f)) {
                v.push_back(f);
            }
        }
    } else if (HasTag(src.tag()) && Valid(src)) {
        v.push_back(Format::Pcm(src.channels(), src.rate(), 16));
        v.push_back(Format::Pcm(src.channels(), src.rate(), 8));
    }
    return v;
}

bool BlockDriver::Describe(const Format& f, std::string* text) const
{
    if (!HasTag(f.tag()) || !Valid(f)) {
        return false;
    }
    *text = Text(f);
    return true;
}

MMRESULT BlockDriver::Open(const Format& src, const Format& dst, std::unique_ptr<Stream>* stream) const
{
    if (HasTag(dst.tag()) && Valid(dst) && SameShape(src, dst)) {
        if (stream) {
            *stream = std::make_unique<BlockEncoder>(src, MakeCodec(dst));
        }
        return MMSYSERR_NOERROR;
    }
    if (HasTag(src.tag()) && Valid(src) && SameShape(dst, src)) {
        if (stream) {
            *stream = std::make_unique<BlockDecoder>(dst, MakeCodec(src));
        }
        return MMSYSERR_NOERROR;
    }
    return ACMERR_NOTPOSSIBLE;
}

} // namespace platform::acm
