#pragma once
// Internal to platform/wave: what an input captured while no header was free,
// held in order until headers come back, with the places where it overflowed.
#include <cstddef>
#include <cstdint>
#include <memory>

namespace platform::wave {
class CaptureRing {
public:
    // capacity 0: nothing is held, every byte offered is counted as lost.
    explicit CaptureRing(std::size_t capacity);

    std::size_t Used() const { return static_cast<std::size_t>(in_ - out_); }
    std::size_t Capacity() const { return capacity_; }
    // Contiguous free room at the tail (0 when full); Commit(n) appends what was written there.
    std::uint8_t* Room(std::size_t* bytes);
    void Commit(std::size_t bytes);
    // Bytes that could not be held: a gap right after what the ring holds now.
    void Lose(std::uint64_t bytes);
    // Lost bytes of a gap that lies before the oldest held byte (or before the next byte to come
    // when empty), taken off the list; 0 when none does.
    std::uint64_t TakeGapAtHead();
    bool GapAtHead() const { return gapCount_ > 0 && gaps_[gapFirst_].at == out_; }
    // Copies up to `bytes` of the oldest data, never across a gap; returns the bytes copied.
    std::size_t Read(std::uint8_t* to, std::size_t bytes);
    void Clear();

private:
    struct Gap {
        std::uint64_t at;    // stream position of the first byte after the gap
        std::uint64_t lost;
    };
    static constexpr std::size_t kMaxGaps = 32;

    std::unique_ptr<std::uint8_t[]> data_;
    std::size_t capacity_;
    // Bytes ever committed and ever read; positions in the ring are these modulo the capacity.
    std::uint64_t in_ = 0;
    std::uint64_t out_ = 0;
    Gap gaps_[kMaxGaps] = {};
    std::size_t gapFirst_ = 0;
    std::size_t gapCount_ = 0;
};
}
