#pragma once
// Time-scaling of integer PCM with the pitch kept: blocks of one format go in,
// blocks of the same format come out, lasting 1/speed as long.
#include <cstddef>
#include <memory>

#include "platform/core/WaveFormat.h"

namespace platform {
class TimeStretch {
public:
    TimeStretch();
    ~TimeStretch();
    TimeStretch(const TimeStretch&) = delete;
    TimeStretch& operator=(const TimeStretch&) = delete;

    // PCM of 8, 16, 24 or 32 bits and 1 to 16 channels; false for any other format,
    // which leaves nothing configured. Blocks up to maxBlockBytes pass without allocating.
    bool Configure(const WAVEFORMATEX& pcm, std::size_t maxBlockBytes);
    bool IsConfigured() const;
    // 0.1 to 10; the output lasts the input's duration divided by it.
    void SetSpeed(double speed);
    // Whole sample frames; a partial frame at the end of a block is dropped.
    void Put(const void* data, std::size_t bytes);
    // At most maxBytes, in whole frames; returns the bytes written to out.
    std::size_t Take(void* out, std::size_t maxBytes);
    std::size_t ReadyBytes() const;
    // The input has ended: what the library still holds becomes ready.
    void Flush();
    // Forgets all input and output, as after a seek.
    void Clear();

private:
    struct State;
    std::unique_ptr<State> state_;
};
}
