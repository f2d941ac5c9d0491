// Unsigned multi-precision integers for the correctly rounded conversions:
// exact where a double's arithmetic is not, allocation-free, and small
// enough (8192 bits) for every number those conversions meet.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <stdexcept>

namespace exact {

// An unsigned integer in base 2^32, least significant limb first, with no
// leading zero limbs (zero is empty). The limbs live in the object, not on
// the heap, so that a filter may be redesigned where nothing may allocate
// (a plug-in's audio thread).
class Natural {
  public:
    static constexpr size_t kCapacity = 256;

    Natural() = default;
    Natural(std::initializer_list<uint32_t> limbs) : Natural(limbs.begin(), limbs.end()) {}
    explicit Natural(size_t count, uint32_t value = 0) { resize(count, value); }
    // Copies only the limbs in use, not the whole capacity.
    Natural(const Natural& other) : size_(other.size_) {
        std::copy_n(other.limbs_.begin(), size_, limbs_.begin());
    }
    Natural& operator=(const Natural& other) {
        size_ = other.size_;
        std::copy_n(other.limbs_.begin(), size_, limbs_.begin());
        return *this;
    }
    template <typename Iterator>
    Natural(Iterator first, Iterator last) {
        for (; first != last; ++first) push_back(*first);
    }

    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    uint32_t& operator[](size_t i) { return limbs_[i]; }
    uint32_t operator[](size_t i) const { return limbs_[i]; }
    uint32_t back() const { return limbs_[size_ - 1]; }
    uint32_t* begin() { return limbs_.data(); }
    uint32_t* end() { return limbs_.data() + size_; }
    void pop_back() { --size_; }
    void push_back(uint32_t limb) {
        if (size_ == kCapacity) throw std::length_error("Natural capacity");
        limbs_[size_++] = limb;
    }
    void resize(size_t count, uint32_t value = 0) {
        if (count > kCapacity) throw std::length_error("Natural capacity");
        for (size_t i = size_; i < count; ++i) limbs_[i] = value;
        size_ = count;
    }

  private:
    std::array<uint32_t, kCapacity> limbs_;
    size_t size_ = 0;
};

// Drops leading zero limbs.
void Normalize(Natural& a);
Natural FromWord(uint64_t value);
int BitLength(const Natural& a);
// −1, 0 or 1 as a < b, a = b, a > b.
int Compare(const Natural& a, const Natural& b);
// a += b
void Add(Natural& a, const Natural& b);
// a −= b, for a ≥ b
void Subtract(Natural& a, const Natural& b);
Natural Multiply(const Natural& a, const Natural& b);
// a ×= factor
void MultiplySmall(Natural& a, uint32_t factor);
// a = ⌊a / divisor⌋; returns the remainder.
uint32_t DivideSmall(Natural& a, uint32_t divisor);
Natural ShiftLeft(const Natural& a, int bits);
// ⌊a / 2^bits⌋
Natural ShiftRight(const Natural& a, int bits);
Natural PowerOfTwo(int bits);
// a ×= 10^exponent, exponent ≥ 0
void MultiplyByPowerOfTen(Natural& a, int exponent);
// ⌊a / b⌋ for b ≠ 0.
Natural Divide(Natural a, const Natural& b);
bool TestBit(const Natural& a, int bit);
// Whether any of the bits below `bit` is set.
bool AnyBitBelow(const Natural& a, int bit);
// The low 64 bits.
uint64_t LowWord(const Natural& a);

// The double nearest to (q + f)·2^scale (ties to even), q > 0, where
// 0 ≤ f < 1 and f > 0 exactly when `inexact`; subnormal and infinite
// results included. An inexact q has at least two bits below the last one
// the result keeps.
double RoundToDouble(const Natural& q, int scale, bool inexact = false);

}  // namespace exact
