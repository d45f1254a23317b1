// The capture ring: allocated once per open input, never while recording.
#include "platform/wave/CaptureRing.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace platform::wave {
CaptureRing::CaptureRing(std::size_t capacity)
    // Not value-initialised: pages a stall never reaches are never touched, so cost no memory.
    : data_(capacity ? new (std::nothrow) std::uint8_t[capacity] : nullptr), capacity_(data_ ? capacity : 0)
{
}

std::uint8_t* CaptureRing::Room(std::size_t* bytes)
{
    const std::size_t used = Used();
    if (used >= capacity_) {
        *bytes = 0;
        return nullptr;
    }
    const std::size_t tail = static_cast<std::size_t>(in_ % capacity_);
    const std::size_t head = static_cast<std::size_t>(out_ % capacity_);
    *bytes = tail < head ? head - tail : capacity_ - tail;
    return data_.get() + tail;
}

void CaptureRing::Commit(std::size_t bytes) { in_ += std::min(bytes, capacity_ - Used()); }

void CaptureRing::Lose(std::uint64_t bytes)
{
    if (bytes == 0) {
        return;
    }
    if (gapCount_ > 0) {
        Gap& last = gaps_[(gapFirst_ + gapCount_ - 1) % kMaxGaps];
        // Still the same overflow, or more gaps waiting than are kept: one longer gap.
        if (last.at == in_ || gapCount_ == kMaxGaps) {
            last.lost += bytes;
            return;
        }
    }
    gaps_[(gapFirst_ + gapCount_) % kMaxGaps] = {in_, bytes};
    ++gapCount_;
}

std::uint64_t CaptureRing::TakeGapAtHead()
{
    if (!GapAtHead()) {
        return 0;
    }
    const std::uint64_t lost = gaps_[gapFirst_].lost;
    gapFirst_ = (gapFirst_ + 1) % kMaxGaps;
    --gapCount_;
    return lost;
}

std::size_t CaptureRing::Read(std::uint8_t* to, std::size_t bytes)
{
    // Gaps are kept in stream order; the first one ends what may be read now.
    const std::uint64_t end = gapCount_ > 0 ? std::min(in_, gaps_[gapFirst_].at) : in_;
    std::size_t done = 0;
    while (done < bytes && out_ < end) {
        const std::size_t head = static_cast<std::size_t>(out_ % capacity_);
        const std::size_t n = static_cast<std::size_t>(
            std::min<std::uint64_t>({bytes - done, end - out_, capacity_ - head}));
        std::memcpy(to + done, data_.get() + head, n);
        done += n;
        out_ += n;
    }
    if (out_ == in_ && gapCount_ == 0) {
        // Empty: start again at the front, so only as much memory is touched as the deepest stall needed.
        in_ = out_ = 0;
    }
    return done;
}

void CaptureRing::Clear()
{
    in_ = out_ = 0;
    gapFirst_ = gapCount_ = 0;
}
}
