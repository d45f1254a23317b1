#pragma once
// Internal to platform/acm: drivers whose codec turns a fixed number of
// PCM frames into a fixed-size block (G.711, IMA ADPCM, MS ADPCM, GSM 6.10).
// They share the streams: the encoder keeps the frames short of a whole block
// for the next buffer and pads the last block at ACM_STREAMCONVERTF_END; the
// decoder turns whole blocks into 8- or 16-bit PCM.
#include "platform/acm/Driver.h"

#include <cstdint>

namespace platform::acm {

class BlockCodec {
public:
    virtual ~BlockCodec() = default;
    virtual std::size_t BlockBytes() const = 0;
    virtual std::size_t FramesPerBlock() const = 0;
    // `pcm` holds blocks x FramesPerBlock interleaved frames.
    virtual void Encode(const std::int16_t* pcm, std::size_t blocks, BYTE* out) = 0;
    // False when a block is damaged; its frames come out silent.
    virtual bool Decode(const BYTE* in, std::size_t blocks, std::int16_t* pcm) = 0;
    // Forgets what earlier blocks left in the codec.
    virtual void Reset() {}
};

class BlockDriver : public Driver {
public:
    std::vector<Format> StandardFormats(WORD tag) const override;
    std::vector<Format> ConvertibleFrom(const Format& src) const override;
    bool Describe(const Format& f, std::string* text) const override;
    MMRESULT Open(const Format& src, const Format& dst, std::unique_ptr<Stream>* stream) const override;

protected:
    // The driver's format of `tag` for that shape, when it offers one.
    virtual bool MakeFormat(WORD tag, WORD channels, DWORD rate, Format* out) const = 0;
    // Whether `f` is a well-formed format of one of the driver's tags.
    virtual bool Valid(const Format& f) const = 0;
    virtual std::string Text(const Format& f) const = 0;
    virtual std::unique_ptr<BlockCodec> MakeCodec(const Format& f) const = 0;
    virtual std::vector<WORD> Channels() const { return {1, 2}; }
};

// The sample rates every block driver lists as standard formats.
const std::vector<DWORD>& StandardBlockRates();

// Frames a 4-bit ADPCM block of that many bytes holds; 0 when the size does not fit.
using AdpcmFramesRule = std::size_t (*)(std::size_t blockBytes, unsigned channels);
// The shape both ADPCM formats share: blocks of 256 bytes a channel up to
// 11025 Hz, 512 up to 22050 Hz, 1024 above; *samplesPerBlock gets the frames of one.
WAVEFORMATEX AdpcmShape(WORD tag, WORD channels, DWORD rate, AdpcmFramesRule frames, WORD* samplesPerBlock);
// Whether the record is a well-formed 4-bit ADPCM shape whose stored samples
// per block are what its block holds.
bool AdpcmShapeValid(const WAVEFORMATEX& w, WORD samplesPerBlock, AdpcmFramesRule frames);
std::string AdpcmText(const Format& f);

} // namespace platform::acm
