// OffsetVector's growth to take an index below or above the range it holds.
#include "recorder/OffsetVector.h"

#include <stdexcept>

OffsetVector::OffsetVector(std::uint32_t reserve)
{
    if (reserve) {
        elements_.reserve(reserve);
    }
}

void OffsetVector::EnsureIndex(std::int32_t index)
{
    // 64-bit arithmetic: index - base of two 32-bit values may not fit in 32 bits.
    const std::int64_t k = static_cast<std::int64_t>(index) - base_;
    const std::int64_t size = static_cast<std::int64_t>(elements_.size());
    if (k >= 0 && k < size) {
        return;
    }
    if (k < 0) {
        elements_.insert(elements_.begin(), static_cast<std::size_t>(-k), 0);
        base_ = index;
        return;
    }
    const std::int64_t newSize = step_ == 0 ? k + 1 : k + step_ - (k % step_);
    elements_.resize(static_cast<std::size_t>(newSize), 0);
}

std::int32_t& OffsetVector::At(std::int32_t index)
{
    EnsureIndex(index);
    const std::int64_t k = static_cast<std::int64_t>(index) - base_;
    if (k < 0 || k >= static_cast<std::int64_t>(elements_.size())) {
        throw std::out_of_range("invalid vector<T> subscript");
    }
    return elements_[static_cast<std::size_t>(k)];
}
