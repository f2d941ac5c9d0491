// The string of the settings tree, shared byte for byte with hosts: a buffer
// holds a share count in the byte before its first character, so copies
// share one buffer instead of copying characters.
//
// Buffers are allocated and released with the C runtime's malloc and free,
// the one heap a plug-in and its host have in common: whichever module
// replaces, grows or destroys a string releases its buffer, whoever made it.
//
// Share count: 0 one owner; 1 to 254 shared by count + 1 strings; 255 frozen
// (one owner that has handed out write access to a character, never shared).
// Counts are plain bytes: a string and its copies belong to one thread.
#pragma once

#include <cstdint>

class SharedString {
  public:
    static constexpr uint32_t kMaxLength = 0xFFFFFFFDu;  // 2^32 - 3
    static constexpr uint32_t kToEnd = 0xFFFFFFFFu;
    static constexpr uint8_t kFrozen = 255;

    // Empty, with no buffer.
    SharedString() noexcept = default;
    // A copy of a NUL-terminated text in a buffer of its own; null is "".
    // Implicit, so that names and values may be given as plain texts.
    SharedString(const char* text);
    // The `length` characters at `text`.
    SharedString(const char* text, uint32_t length);
    // Shares `other`'s buffer while its count allows, else copies.
    SharedString(const SharedString& other);
    SharedString(SharedString&& other) noexcept;
    ~SharedString();

    SharedString& operator=(const SharedString& other);
    SharedString& operator=(SharedString&& other) noexcept;
    SharedString& operator=(const char* text);
    SharedString& Assign(const char* text, uint32_t length);
    // Up to `count` characters of `other` from `position`; the whole of it
    // shares as a copy does. Throws std::out_of_range past `other`'s end.
    SharedString& Assign(const SharedString& other, uint32_t position, uint32_t count = kToEnd);

    // Cuts to `length` characters or pads with 0 bytes up to it.
    void Resize(uint32_t length);

    // Write access to one character: the buffer becomes this string's own
    // and is frozen, so the reference stays valid until the string changes
    // its length. Throws std::out_of_range for an index past the last one.
    char& At(uint32_t index);

    // Never null: "" when there is no buffer.
    const char* Text() const noexcept { return text_ ? text_ : ""; }
    uint32_t Length() const noexcept { return length_; }
    uint32_t Capacity() const noexcept { return capacity_; }
    bool Empty() const noexcept { return length_ == 0; }
    // The buffer's share count; 0 without a buffer.
    uint8_t ShareCount() const noexcept { return text_ ? Count() : 0; }

    // Throws std::length_error ("string too long") beyond kMaxLength.
    static void CheckLength(uint64_t length) {
        if (length > kMaxLength) ThrowTooLong();
    }

    // A string of `length` characters that `fill(char*)` writes into a fresh
    // buffer of the string's own.
    template <typename Fill>
    static SharedString Filled(uint32_t length, Fill&& fill) {
        SharedString s;
        s.Resize(length);
        if (s.text_) fill(s.text_);
        return s;
    }

  private:
    friend struct SettingsLayout;

    [[noreturn]] static void ThrowTooLong();
    uint8_t& Count() const noexcept { return reinterpret_cast<uint8_t*>(text_)[-1]; }
    bool IsShared() const noexcept { return text_ && Count() != 0 && Count() != kFrozen; }
    void CopyFrom(const SharedString& other);
    // Makes the buffer this string's own with room for `length` characters,
    // keeping the first `keep`, and sets the length; the caller writes the
    // rest and the terminator. Null when the string is left without a
    // buffer (empty).
    char* Prepare(uint32_t length, uint32_t keep);
    void Release() noexcept;
    void Adopt(char* text, uint32_t length, uint32_t capacity) noexcept;

    uint8_t tag_ = 0;  // no meaning; a copy-constructed string takes its source's
    char* text_ = nullptr;
    uint32_t length_ = 0;
    uint32_t capacity_ = 0;
};

// A name looked up in the tree: a plain text or a SharedString's, null as "".
// Holds no buffer of its own, so lookups allocate nothing.
class NameRef {
  public:
    NameRef(const char* text) noexcept : text_(text ? text : "") {}
    NameRef(const SharedString& name) noexcept : text_(name.Text()) {}
    const char* Text() const noexcept { return text_; }

  private:
    const char* text_;
};

// Tree names compare byte by byte with only 'A' to 'Z' folded onto 'a' to
// 'z'; null reads as "".
bool SameName(const char* a, const char* b) noexcept;
