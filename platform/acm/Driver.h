#pragma once
// Internal to platform/acm: the interface every built-in driver
// implements, and the format record the manager passes around. Not for callers
// outside platform/acm (they use Acm.h).
#include "platform/acm/Acm.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace platform::acm {

// A complete format record owned by the manager: 18 + cbSize bytes.
class Format {
public:
    Format();
    explicit Format(const WAVEFORMATEX& header, const void* extra = nullptr, WORD extraSize = 0);
    static Format Pcm(WORD channels, DWORD rate, WORD bits);
    // Reads a caller's record without trusting it: PCM records are read as 16
    // bytes (cbSize ignored, as callers may pass PCMWAVEFORMAT); others need a
    // believable cbSize. False when the record cannot be read at all.
    static bool FromCaller(const WAVEFORMATEX* p, Format* out);

    const WAVEFORMATEX& wfx() const { return *reinterpret_cast<const WAVEFORMATEX*>(bytes_.data()); }
    WAVEFORMATEX& wfx() { return *reinterpret_cast<WAVEFORMATEX*>(bytes_.data()); }
    WORD tag() const { return wfx().wFormatTag; }
    WORD channels() const { return wfx().nChannels; }
    DWORD rate() const { return wfx().nSamplesPerSec; }
    WORD bits() const { return wfx().wBitsPerSample; }
    WORD extraSize() const { return wfx().cbSize; }
    const BYTE* extra() const { return bytes_.data() + sizeof(WAVEFORMATEX); }
    std::size_t size() const { return bytes_.size(); }
    const BYTE* data() const { return bytes_.data(); }
    // The record as a codec structure, when it holds at least that many bytes.
    template <class T> bool Read(T* out) const
    {
        if (bytes_.size() < sizeof(T)) {
            return false;
        }
        std::memcpy(out, bytes_.data(), sizeof(T));
        return true;
    }
    bool operator==(const Format& o) const { return bytes_ == o.bytes_; }

private:
    std::vector<BYTE> bytes_;
};

// The largest cbSize any caller's record may claim (MS ADPCM with 256
// coefficient pairs); beyond it the record is
// rejected before its extra bytes are read.
constexpr WORD kMaxExtraBytes = 4 + 4 * 256;
constexpr DWORD kMaxSampleRate = 192000;

bool IsPcm(const Format& f);
// Well-formed PCM the codecs take or give: 1-2 channels, 8 or 16 bits.
bool IsCodecPcm(const Format& f);
// "44,100 Hz" style number with thousands separators.
std::string RateText(DWORD rate);
const char* ChannelText(WORD channels);

// Where a conversion writes: the caller's destination first, then a spill
// area the stream hands out on the next call. Never writes past the caller's
// buffer.
class Sink {
public:
    Sink(BYTE* dst, std::size_t capacity, std::vector<BYTE>* spill) : dst_(dst), capacity_(capacity), spill_(spill) {}
    void Write(const void* data, std::size_t n)
    {
        const auto* p = static_cast<const BYTE*>(data);
        const std::size_t room = capacity_ - used_;
        const std::size_t now = n < room ? n : room;
        if (now) {
            std::memcpy(dst_ + used_, p, now);
            used_ += now;
        }
        if (now < n) {
            spill_->insert(spill_->end(), p + now, p + n);
        }
    }
    std::size_t used() const { return used_; }

private:
    BYTE* dst_;
    std::size_t capacity_;
    std::size_t used_ = 0;
    std::vector<BYTE>* spill_;
};

// One open conversion. Convert is handed whole source blocks only and
// consumes all of them; whatever a codec cannot finish yet (a partial block
// of samples, an encoder's look-ahead) it keeps for the next call.
class Stream {
public:
    virtual ~Stream() = default;
    // Bytes of source that form one indivisible unit.
    virtual DWORD SourceBlock() const = 0;
    // `flags` carries ACM_STREAMCONVERTF_START / _END. A result other than
    // MMSYSERR_NOERROR reports damaged input; what could be converted was.
    virtual MMRESULT Convert(const BYTE* src, std::size_t len, DWORD flags, Sink& out) = 0;
    // Largest output `len` more source bytes can give, with what is held back.
    virtual std::size_t MaxOutput(std::size_t len) const = 0;
    // Forgets everything held back.
    virtual void Reset() = 0;
};

class Driver {
public:
    virtual ~Driver() = default;
    virtual const char* ShortName() const = 0;
    virtual const char* LongName() const = 0;
    virtual DWORD Support() const { return ACMDRIVERDETAILS_SUPPORTF_CODEC; }
    virtual std::vector<WORD> Tags() const = 0;
    virtual const char* TagName(WORD tag) const = 0;
    virtual DWORD LargestFormatSize(WORD tag) const = 0;
    virtual std::vector<Format> StandardFormats(WORD tag) const = 0;
    // Every format this driver can convert `src` into.
    virtual std::vector<Format> ConvertibleFrom(const Format& src) const = 0;
    // Whether `f` is a well-formed format of one of its tags; its description.
    virtual bool Describe(const Format& f, std::string* text) const = 0;
    // A destination for `src` that keeps the fields of `want` named by the
    // ACM_FORMATSUGGESTF_* bits in `flags`. The default takes the first match
    // of ConvertibleFrom.
    virtual bool Suggest(const Format& src, const WAVEFORMATEX& want, DWORD flags, Format* out) const;
    // Opens a conversion; with `stream` null only tells whether it could.
    virtual MMRESULT Open(const Format& src, const Format& dst, std::unique_ptr<Stream>* stream) const = 0;

    bool HasTag(WORD tag) const;
};

bool SuggestMatches(const Format& f, const WAVEFORMATEX& want, DWORD flags);

// The installed drivers in enumeration order.
const std::vector<const Driver*>& InstalledDrivers();
// An installed driver's StandardFormats(tag), made once per process: callers
// walk the list by index, one lookup per format. Empty for any other driver.
const std::vector<Format>& StandardFormatsOf(const Driver& d, WORD tag);

const Driver& PcmConverterDriver();
const Driver& G711Driver();
const Driver& ImaAdpcmDriver();
const Driver& MsAdpcmDriver();
const Driver& Gsm610Driver();
const Driver& MpegLayer3Driver();

} // namespace platform::acm
