// Unsigned multi-precision integers for the correctly rounded conversions:
// exact where a double's arithmetic is not, allocation-free, and of a fixed
// capacity: 8192 bits for every number those conversions meet, or fewer
// where the arguments are known to be small.
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
template <size_t Capacity>
class BasicNatural {
  public:
    BasicNatural() = default;
    BasicNatural(std::initializer_list<uint32_t> limbs)
        : BasicNatural(limbs.begin(), limbs.end()) {}
    explicit BasicNatural(size_t count, uint32_t value = 0) { resize(count, value); }
    // Copies only the limbs in use, not the whole capacity.
    BasicNatural(const BasicNatural& other) : size_(other.size_) {
        std::copy_n(other.limbs_.begin(), size_, limbs_.begin());
    }
    BasicNatural& operator=(const BasicNatural& other) {
        size_ = other.size_;
        std::copy_n(other.limbs_.begin(), size_, limbs_.begin());
        return *this;
    }
    template <typename Iterator>
    BasicNatural(Iterator first, Iterator last) {
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
        if (size_ == Capacity) throw std::length_error("Natural capacity");
        limbs_[size_++] = limb;
    }
    void resize(size_t count, uint32_t value = 0) {
        if (count > Capacity) throw std::length_error("Natural capacity");
        for (size_t i = size_; i < count; ++i) limbs_[i] = value;
        size_ = count;
    }

  private:
    std::array<uint32_t, Capacity> limbs_;
    size_t size_ = 0;
};

// Numbers of every size the conversions meet (8192 bits), and those of
// arguments below 2 at up to 512 bits of working precision (1536 bits), a
// sixth of the stack.
constexpr size_t kWideLimbs = 256;
constexpr size_t kNarrowLimbs = 48;
using Natural = BasicNatural<kWideLimbs>;
using NarrowNatural = BasicNatural<kNarrowLimbs>;

// Drops leading zero limbs.
template <size_t Limbs>
void Normalize(BasicNatural<Limbs>& a);

template <size_t Limbs = kWideLimbs>
BasicNatural<Limbs> FromWord(uint64_t value);

template <size_t Limbs>
int BitLength(const BasicNatural<Limbs>& a);

// −1, 0 or 1 as a < b, a = b, a > b.
template <size_t Limbs>
int Compare(const BasicNatural<Limbs>& a, const BasicNatural<Limbs>& b);

// a += b
template <size_t Limbs>
void Add(BasicNatural<Limbs>& a, const BasicNatural<Limbs>& b);

// a −= b, for a ≥ b
template <size_t Limbs>
void Subtract(BasicNatural<Limbs>& a, const BasicNatural<Limbs>& b);

template <size_t Limbs>
BasicNatural<Limbs> Multiply(const BasicNatural<Limbs>& a, const BasicNatural<Limbs>& b);

// a ×= factor
template <size_t Limbs>
void MultiplySmall(BasicNatural<Limbs>& a, uint32_t factor);

// a = ⌊a / divisor⌋; returns the remainder.
template <size_t Limbs>
uint32_t DivideSmall(BasicNatural<Limbs>& a, uint32_t divisor);

template <size_t Limbs>
BasicNatural<Limbs> ShiftLeft(const BasicNatural<Limbs>& a, int bits);

// ⌊a / 2^bits⌋
template <size_t Limbs>
BasicNatural<Limbs> ShiftRight(const BasicNatural<Limbs>& a, int bits);

template <size_t Limbs = kWideLimbs>
BasicNatural<Limbs> PowerOfTwo(int bits);

// a ×= 10^exponent, exponent ≥ 0
template <size_t Limbs>
void MultiplyByPowerOfTen(BasicNatural<Limbs>& a, int exponent);

// ⌊a / b⌋ for b ≠ 0, one quotient bit at a time.
template <size_t Limbs>
BasicNatural<Limbs> Divide(BasicNatural<Limbs> a, const BasicNatural<Limbs>& b);

template <size_t Limbs>
bool TestBit(const BasicNatural<Limbs>& a, int bit);

// Whether any of the bits below `bit` is set.
template <size_t Limbs>
bool AnyBitBelow(const BasicNatural<Limbs>& a, int bit);

// The low 64 bits.
template <size_t Limbs>
uint64_t LowWord(const BasicNatural<Limbs>& a);

// The double nearest to (q + f)·2^scale (ties to even), q > 0, where
// 0 ≤ f < 1 and f > 0 exactly when `inexact`; subnormal and infinite
// results included. An inexact q has at least two bits below the last one
// the result keeps.
template <size_t Limbs>
double RoundToDouble(const BasicNatural<Limbs>& q, int scale, bool inexact = false);

}  // namespace exact
