#pragma once
// OffsetVector: a growable array of 32-bit integers addressed by an index that
// may start anywhere, below zero too. It grows at the top in steps and at the
// bottom by inserting zeros in front and lowering the base.
#include <cstdint>
#include <vector>

class OffsetVector {
public:
    explicit OffsetVector(std::uint32_t reserve = 0);

    // Makes the index exist, then returns its element.
    std::int32_t& At(std::int32_t index);
    void EnsureIndex(std::int32_t index);

    std::int32_t Base() const { return base_; }
    std::size_t Size() const { return elements_.size(); }
    std::uint32_t Step() const { return step_; }
    // Growth at the top: 0 = exactly to the index asked for.
    void SetStep(std::uint32_t step) { step_ = step; }

private:
    std::vector<std::int32_t> elements_;
    std::int32_t base_ = 0;
    std::uint32_t step_ = 0;
};
