// MPEG Layer-3: constant bit rate encoding with libmp3lame, decoding with
// libmpg123. Both run as one continuous stream across buffers: the encoder's
// look-ahead (its delay) stays inside it until ACM_STREAMCONVERTF_END flushes
// it, and the decoder carries partial frames over to the next buffer.
#include "platform/acm/Mp3Codec.h"
#include "platform/acm/Samples.h"

#include <lame/lame.h>
#include <mpg123.h>

#include <algorithm>
#include <cstdio>

namespace platform::acm {

const std::vector<DWORD>& Mp3SampleRates()
{
    static const std::vector<DWORD> rates = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
    return rates;
}

int Mp3Version(DWORD rate)
{
    if (rate == 32000 || rate == 44100 || rate == 48000) {
        return 1;
    }
    if (rate == 16000 || rate == 22050 || rate == 24000) {
        return 2;
    }
    if (rate == 8000 || rate == 11025 || rate == 12000) {
        return 3; // MPEG-2.5
    }
    return 0;
}

std::vector<DWORD> Mp3Bitrates(DWORD rate)
{
    switch (Mp3Version(rate)) {
    case 1:
        return {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    case 2:
        return {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
    case 3:
        return {8, 16, 24, 32, 40, 48, 56, 64};
    default:
        return {};
    }
}

Format Mp3Format(WORD channels, DWORD rate, DWORD kbps)
{
    MPEGLAYER3WAVEFORMAT m{};
    m.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    m.wfx.nChannels = channels;
    m.wfx.nSamplesPerSec = rate;
    m.wfx.nAvgBytesPerSec = kbps * 1000 / 8;
    m.wfx.nBlockAlign = 1;
    m.wfx.wBitsPerSample = 0;
    m.wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
    m.wID = MPEGLAYER3_ID_MPEG;
    m.fdwFlags = MPEGLAYER3_FLAG_PADDING_ISO;
    m.nBlockSize = static_cast<WORD>((Mp3Version(rate) == 1 ? 144 : 72) * kbps * 1000 / rate);
    m.nFramesPerBlock = 1;
    m.nCodecDelay = kMp3CodecDelay;
    return Format(m.wfx, reinterpret_cast<const BYTE*>(&m) + sizeof(WAVEFORMATEX), MPEGLAYER3_WFX_EXTRA_BYTES);
}

namespace {

bool IsMp3(const Format& f)
{
    return f.tag() == WAVE_FORMAT_MPEGLAYER3 && (f.channels() == 1 || f.channels() == 2) && Mp3Version(f.rate()) != 0 &&
           f.wfx().nBlockAlign >= 1;
}

// The bit rate of an MP3 format the encoder can produce exactly, or 0.
DWORD EncodableKbps(const Format& f)
{
    if (!IsMp3(f) || f.extraSize() < MPEGLAYER3_WFX_EXTRA_BYTES) {
        return 0;
    }
    MPEGLAYER3WAVEFORMAT m{};
    f.Read(&m);
    if (m.wID != MPEGLAYER3_ID_MPEG || (f.wfx().nAvgBytesPerSec * 8) % 1000 != 0) {
        return 0;
    }
    const DWORD kbps = f.wfx().nAvgBytesPerSec * 8 / 1000;
    const auto rates = Mp3Bitrates(f.rate());
    return std::find(rates.begin(), rates.end(), kbps) != rates.end() ? kbps : 0;
}

bool SameShape(const Format& pcm, const Format& mp3)
{
    return IsCodecPcm(pcm) && pcm.rate() == mp3.rate() && pcm.channels() == mp3.channels();
}

lame_global_flags* NewEncoder(WORD channels, DWORD rate, DWORD kbps)
{
    lame_global_flags* gf = lame_init();
    if (!gf) {
        return nullptr;
    }
    lame_set_num_channels(gf, channels);
    lame_set_in_samplerate(gf, static_cast<int>(rate));
    lame_set_out_samplerate(gf, static_cast<int>(rate));
    lame_set_brate(gf, static_cast<int>(kbps));
    lame_set_VBR(gf, vbr_off);
    lame_set_mode(gf, channels == 1 ? MONO : JOINT_STEREO);
    // A stream has no place for a header frame or tags: frames only.
    lame_set_bWriteVbrTag(gf, 0);
    lame_set_write_id3tag_automatic(gf, 0);
    if (lame_init_params(gf) < 0 || lame_get_brate(gf) != static_cast<int>(kbps) ||
        lame_get_out_samplerate(gf) != static_cast<int>(rate)) {
        lame_close(gf);
        return nullptr;
    }
    return gf;
}

class Mp3Encoder : public Stream {
public:
    Mp3Encoder(const Format& src, DWORD kbps) : src_(src), kbps_(kbps) {}
    ~Mp3Encoder() override { Close(); }

    DWORD SourceBlock() const override { return src_.wfx().nBlockAlign; }

    MMRESULT Convert(const BYTE* src, std::size_t len, DWORD flags, Sink& out) override
    {
        if (!gf_ && len == 0) {
            return MMSYSERR_NOERROR; // nothing held, nothing to flush
        }
        if (!gf_ && !(gf_ = NewEncoder(src_.channels(), src_.rate(), kbps_))) {
            return ACMERR_NOTPOSSIBLE;
        }
        const std::size_t ch = src_.channels();
        const std::size_t frames = len / src_.wfx().nBlockAlign;
        // Cut large buffers into pieces so the output area stays small; an
        // engine buffer (a fifth of a second) goes in whole.
        constexpr std::size_t kPiece = 16384;
        for (std::size_t done = 0; done < frames;) {
            const std::size_t n = std::min(kPiece, frames - done);
            samples_.clear();
            AppendSamples(src + done * src_.wfx().nBlockAlign, n * ch, src_.bits(), &samples_);
            mp3_.resize(n * 5 / 4 + 7200);
            const int r = ch == 2 ? lame_encode_buffer_interleaved(gf_, samples_.data(), static_cast<int>(n),
                                                                   mp3_.data(), static_cast<int>(mp3_.size()))
                                  : lame_encode_buffer(gf_, samples_.data(), samples_.data(), static_cast<int>(n),
                                                       mp3_.data(), static_cast<int>(mp3_.size()));
            if (r < 0) {
                Close();
                return ACMERR_NOTPOSSIBLE;
            }
            out.Write(mp3_.data(), static_cast<std::size_t>(r));
            done += n;
        }
        if (flags & ACM_STREAMCONVERTF_END) {
            mp3_.resize(7200);
            const int r = lame_encode_flush(gf_, mp3_.data(), static_cast<int>(mp3_.size()));
            if (r > 0) {
                out.Write(mp3_.data(), static_cast<std::size_t>(r));
            }
            Close(); // the next data starts a new stream
        }
        return MMSYSERR_NOERROR;
    }

    std::size_t MaxOutput(std::size_t len) const override
    {
        return len / src_.wfx().nBlockAlign * 5 / 4 + 2 * 7200;
    }

    void Reset() override { Close(); }

private:
    void Close()
    {
        if (gf_) {
            lame_close(gf_);
            gf_ = nullptr;
        }
    }

    Format src_;
    DWORD kbps_;
    lame_global_flags* gf_ = nullptr;
    std::vector<std::int16_t> samples_;
    std::vector<unsigned char> mp3_;
};

void InitMpg123Once()
{
    static const int once = [] {
        mpg123_init();
        return 0;
    }();
    (void)once;
}

class Mp3Decoder : public Stream {
public:
    Mp3Decoder(const Format& src, const Format& dst) : src_(src), dst_(dst) {}
    ~Mp3Decoder() override { Close(); }

    DWORD SourceBlock() const override { return 1; }

    MMRESULT Convert(const BYTE* src, std::size_t len, DWORD flags, Sink& out) override
    {
        if (flags & ACM_STREAMCONVERTF_START) {
            Close(); // data from elsewhere: drop any partial frame
        }
        if (!mh_ && !Open()) {
            return ACMERR_NOTPOSSIBLE;
        }
        bool damaged = false;
        if (len && mpg123_feed(mh_, src, len) != MPG123_OK) {
            Close();
            return ACMERR_NOTPOSSIBLE;
        }
        for (;;) {
            std::size_t got = 0;
            const int r = mpg123_read(mh_, pcm_.data(), pcm_.size(), &got);
            if (got && formatOk_) {
                WriteSamples(reinterpret_cast<const std::int16_t*>(pcm_.data()), got / 2, dst_.bits(), out);
                junk_ = 0;
            }
            if (r == MPG123_NEW_FORMAT) {
                long rate = 0;
                int channels = 0;
                int encoding = 0;
                mpg123_getformat(mh_, &rate, &channels, &encoding);
                // Frames of another shape cannot go into this stream's PCM.
                formatOk_ = rate == static_cast<long>(src_.rate()) && channels == src_.channels() &&
                            encoding == MPG123_ENC_SIGNED_16;
                damaged = damaged || !formatOk_;
                continue;
            }
            if (r == MPG123_OK) {
                continue;
            }
            if (r == MPG123_NEED_MORE || r == MPG123_DONE) {
                break;
            }
            // Undecodable data: start afresh with the next buffer.
            Close();
            damaged = true;
            break;
        }
        // Far more bytes than the largest frame without a single one decoded:
        // this is not MPEG audio.
        junk_ += len;
        if (junk_ > kJunkLimit) {
            Close();
            damaged = true;
        }
        if (flags & ACM_STREAMCONVERTF_END) {
            Close();
        }
        return damaged ? ACMERR_NOTPOSSIBLE : MMSYSERR_NOERROR;
    }

    std::size_t MaxOutput(std::size_t len) const override
    {
        // Frames at the format's rate, twice over for safety, plus the
        // partial frame carried from before and one spare frame.
        const std::uint64_t avg = std::max<DWORD>(src_.wfx().nAvgBytesPerSec, 1000);
        const std::uint64_t samples = len * std::uint64_t{src_.rate()} * 2 / avg + 3 * 1152;
        return static_cast<std::size_t>(samples * dst_.wfx().nBlockAlign);
    }

    void Reset() override { Close(); }

private:
    bool Open()
    {
        InitMpg123Once();
        int err = 0;
        mh_ = mpg123_new(nullptr, &err);
        if (!mh_) {
            return false;
        }
        mpg123_param(mh_, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
        mpg123_param(mh_, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0);
        mpg123_format_none(mh_);
        for (DWORD rate : Mp3SampleRates()) {
            mpg123_format(mh_, static_cast<long>(rate), MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
        }
        if (mpg123_open_feed(mh_) != MPG123_OK) {
            Close();
            return false;
        }
        formatOk_ = false;
        pcm_.resize(1152 * 2 * 2 * 4);
        return true;
    }

    void Close()
    {
        if (mh_) {
            mpg123_delete(mh_);
            mh_ = nullptr;
        }
        junk_ = 0;
    }

    static constexpr std::size_t kJunkLimit = 16384;

    Format src_;
    Format dst_;
    std::size_t junk_ = 0;
    mpg123_handle* mh_ = nullptr;
    bool formatOk_ = false;
    std::vector<unsigned char> pcm_;
};

std::string Mp3Text(const Format& f)
{
    char buf[96];
    std::snprintf(buf, sizeof buf, "%u kBit/s, %s, %s", static_cast<unsigned>(f.wfx().nAvgBytesPerSec * 8 / 1000),
                  RateText(f.rate()).c_str(), ChannelText(f.channels()));
    return buf;
}

class MpegLayer3 : public Driver {
public:
    const char* ShortName() const override { return "MPEG Layer-3"; }
    const char* LongName() const override { return "MPEG Layer-3 audio codec"; }
    std::vector<WORD> Tags() const override { return {WAVE_FORMAT_MPEGLAYER3}; }
    const char* TagName(WORD) const override { return "MPEG Layer-3"; }
    DWORD LargestFormatSize(WORD) const override { return sizeof(MPEGLAYER3WAVEFORMAT); }

    std::vector<Format> StandardFormats(WORD tag) const override
    {
        std::vector<Format> v;
        if (tag != WAVE_FORMAT_MPEGLAYER3) {
            return v;
        }
        for (DWORD rate : Mp3SampleRates()) {
            for (WORD ch : {1, 2}) {
                for (DWORD kbps : Mp3Bitrates(rate)) {
                    v.push_back(Mp3Format(ch, rate, kbps));
                }
            }
        }
        return v;
    }

    std::vector<Format> ConvertibleFrom(const Format& src) const override
    {
        std::vector<Format> v;
        if (IsCodecPcm(src) && Mp3Version(src.rate())) {
            for (DWORD kbps : Mp3Bitrates(src.rate())) {
                v.push_back(Mp3Format(src.channels(), src.rate(), kbps));
            }
        } else if (IsMp3(src)) {
            v.push_back(Format::Pcm(src.channels(), src.rate(), 16));
            v.push_back(Format::Pcm(src.channels(), src.rate(), 8));
        }
        return v;
    }

    bool Describe(const Format& f, std::string* text) const override
    {
        if (!IsMp3(f)) {
            return false;
        }
        *text = Mp3Text(f);
        return true;
    }

    // From PCM: about 1.45 bits per sample (128 kbit/s for 44.1 kHz stereo),
    // the nearest bit rate below that the MPEG version offers.
    bool Suggest(const Format& src, const WAVEFORMATEX& want, DWORD flags, Format* out) const override
    {
        if (!IsCodecPcm(src)) {
            return Driver::Suggest(src, want, flags, out);
        }
        const auto all = ConvertibleFrom(src);
        const DWORD target = src.rate() * src.channels() * 16 / 11 / 1000;
        const Format* pick = nullptr;
        for (const Format& f : all) {
            if (SuggestMatches(f, want, flags) && (!pick || f.wfx().nAvgBytesPerSec * 8 / 1000 <= target)) {
                pick = &f;
            }
        }
        if (!pick) {
            return false;
        }
        *out = *pick;
        return true;
    }

    MMRESULT Open(const Format& src, const Format& dst, std::unique_ptr<Stream>* stream) const override
    {
        if (IsMp3(dst) && SameShape(src, dst)) {
            const DWORD kbps = EncodableKbps(dst);
            if (!kbps) {
                return ACMERR_NOTPOSSIBLE;
            }
            if (stream) {
                *stream = std::make_unique<Mp3Encoder>(src, kbps);
            }
            return MMSYSERR_NOERROR;
        }
        if (IsMp3(src) && SameShape(dst, src)) {
            if (stream) {
                *stream = std::make_unique<Mp3Decoder>(src, dst);
            }
            return MMSYSERR_NOERROR;
        }
        return ACMERR_NOTPOSSIBLE;
    }
};

} // namespace

const Driver& MpegLayer3Driver()
{
    static const MpegLayer3 driver;
    return driver;
}

} // namespace platform::acm
