#include "persist/common/SharedString.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

#include "persist/common/AsciiCase.h"

namespace {

constexpr uint8_t kMostShares = 253;  // a copy may still share up to this count
constexpr uint32_t kCapacityBits = 31;

[[noreturn]] void ThrowBadPosition() {
    throw std::out_of_range("invalid string position");
}

uint32_t LengthOf(const char* text) {
    if (!text) return 0;
    const size_t n = std::strlen(text);
    SharedString::CheckLength(n);
    return static_cast<uint32_t>(n);
}

// A buffer for at least `length` characters: share count 0, characters from
// byte 1, capacity + 2 bytes in all.
char* Allocate(uint32_t length, uint32_t& capacity) {
    capacity = length | kCapacityBits;
    if (capacity > SharedString::kMaxLength) capacity = length;
    const uint64_t bytes = uint64_t{capacity} + 2;
    if (bytes > SIZE_MAX) throw std::bad_alloc();
    auto* buffer = static_cast<char*>(std::malloc(static_cast<size_t>(bytes)));
    if (!buffer) throw std::bad_alloc();
    buffer[0] = 0;
    return buffer + 1;
}

}  // namespace

void SharedString::ThrowTooLong() {
    throw std::length_error("string too long");
}

bool SameName(const char* a, const char* b) noexcept {
    if (!a) a = "";
    if (!b) b = "";
    // Bytes that are the same need no folding; only where they differ can
    // case make them equal.
    for (;; ++a, ++b) {
        if (*a == *b) {
            if (*a == 0) return true;
        } else if (FoldAsciiCase(*a) != FoldAsciiCase(*b)) {
            return false;
        }
    }
}

SharedString::SharedString(const char* text) : SharedString(text, LengthOf(text)) {}

SharedString::SharedString(const char* text, uint32_t length) {
    Assign(text, length);
}

SharedString::SharedString(const SharedString& other) : tag_(other.tag_) {
    CopyFrom(other);
}

SharedString::SharedString(SharedString&& other) noexcept
    : tag_(other.tag_), text_(other.text_), length_(other.length_), capacity_(other.capacity_) {
    other.Adopt(nullptr, 0, 0);
}

SharedString::~SharedString() {
    Release();
}

SharedString& SharedString::operator=(const SharedString& other) {
    if (this != &other) CopyFrom(other);
    return *this;
}

SharedString& SharedString::operator=(SharedString&& other) noexcept {
    if (this != &other) {
        Release();
        Adopt(other.text_, other.length_, other.capacity_);
        other.Adopt(nullptr, 0, 0);
    }
    return *this;
}

SharedString& SharedString::operator=(const char* text) {
    return Assign(text, LengthOf(text));
}

SharedString& SharedString::Assign(const char* text, uint32_t length) {
    // Prepare keeps a shared buffer alive for its other owners and reuses an
    // own buffer in place, so `text` may point into this string.
    if (char* to = Prepare(length, 0)) {
        std::memmove(to, text, length);
        to[length] = 0;
    }
    return *this;
}

SharedString& SharedString::Assign(const SharedString& other, uint32_t position, uint32_t count) {
    if (position > other.length_) ThrowBadPosition();
    const uint32_t n = count < other.length_ - position ? count : other.length_ - position;
    if (position == 0 && n == other.length_) return *this = other;
    return Assign(other.text_ + position, n);
}

void SharedString::Resize(uint32_t length) {
    if (length == length_) return;
    const uint32_t kept = length < length_ ? length : length_;
    if (char* to = Prepare(length, kept)) {
        std::memset(to + kept, 0, length - kept);
        to[length] = 0;
    }
}

char& SharedString::At(uint32_t index) {
    if (index >= length_) ThrowBadPosition();
    if (IsShared()) Prepare(length_, length_)[length_] = 0;
    Count() = kFrozen;
    return text_[index];
}

void SharedString::CopyFrom(const SharedString& other) {
    if (other.length_ != 0 && other.Count() <= kMostShares) {
        ++other.Count();  // before releasing: both may hold the same buffer
        Release();
        Adopt(other.text_, other.length_, other.capacity_);
    } else {
        Assign(other.Text(), other.length_);
    }
}

char* SharedString::Prepare(uint32_t length, uint32_t keep) {
    CheckLength(length);
    if (IsShared() && length == 0) {
        Release();
        Adopt(nullptr, 0, 0);
        return nullptr;
    }
    if (IsShared() || length > capacity_) {
        uint32_t capacity = 0;
        char* fresh = Allocate(length, capacity);
        if (keep) std::memcpy(fresh, text_, keep);
        Release();
        Adopt(fresh, 0, capacity);
    }
    if (text_) length_ = length;
    return text_;
}

void SharedString::Release() noexcept {
    if (!text_) return;
    uint8_t& count = Count();
    if (count == 0 || count == kFrozen) {
        std::free(text_ - 1);
    } else {
        --count;
    }
}

void SharedString::Adopt(char* text, uint32_t length, uint32_t capacity) noexcept {
    text_ = text;
    length_ = length;
    capacity_ = capacity;
}
