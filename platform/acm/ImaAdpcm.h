#pragma once
// Inside the compression manager: IMA ADPCM blocks in the WAV layout. Each
// block starts, per channel, with the first sample and the step index (4
// bytes); then 4-bit codes in groups of 4 bytes (8 samples) per channel, low
// nibble first.
#include "platform/core/Types.h"

#include <cstddef>
#include <cstdint>

namespace platform::acm::ima {

struct ChannelState {
    int predictor = 0;
    int index = 0;
};

// Frames in a block of `blockBytes`: the header sample plus 2 per data byte
// of a channel. 0 when the size does not fit the layout.
std::size_t FramesPerBlock(std::size_t blockBytes, unsigned channels);
// Encodes FramesPerBlock interleaved frames; the step index carries over from
// block to block in `state` (one per channel).
void EncodeBlock(const std::int16_t* pcm, unsigned channels, std::size_t blockBytes, ChannelState* state, BYTE* out);
// False for a block with an impossible step index; its frames come out silent.
bool DecodeBlock(const BYTE* in, unsigned channels, std::size_t blockBytes, std::int16_t* pcm);

} // namespace platform::acm::ima
