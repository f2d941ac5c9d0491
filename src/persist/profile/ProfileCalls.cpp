#include "persist/profile/ProfileCalls.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "persist/common/ValueText.h"

namespace platform {

namespace {

// Copies as much of `text` as fits, with a terminator; returns the count.
DWORD CopyCut(char* buffer, DWORD size, std::string_view text) {
    const size_t count = std::min<size_t>(text.size(), size - 1);
    std::memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
    return static_cast<DWORD>(count);
}

// A value (or default) as the caller gets it: a matching pair of quotes
// around it is dropped. Kept exactly as the Win32 code does it: the closing
// quote is only removed when the buffer could take the whole value, so a
// buffer one byte too small for the quoted text loses the value's last
// character instead.
DWORD CopyValue(char* buffer, DWORD size, std::string_view value) {
    const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                        value.back() == value.front();
    if (quoted) value.remove_prefix(1);
    DWORD count = CopyCut(buffer, size, value);
    if (quoted && size >= value.size() && count > 0) buffer[--count] = '\0';
    return count;
}

// Names, each with a terminator, and one more terminator after the last.
// When they do not fit in size - 2 characters the list is cut there, the
// last name cut short, the list still ends in two terminators and the
// result is size - 2.
DWORD CopyNameList(char* buffer, DWORD size, const std::vector<std::string_view>& names) {
    size_t total = 0;
    for (std::string_view name : names) total += name.size() + 1;
    if (names.empty() || size < 2) {
        buffer[0] = '\0';
        return 0;
    }
    const size_t limit = total + 2 <= size ? total : size - 2;
    size_t at = 0;
    for (std::string_view name : names) {
        const size_t count = std::min(name.size(), limit - at);
        std::memcpy(buffer + at, name.data(), count);
        at += count;
        if (at == limit) break;
        buffer[at++] = '\0';
        if (at == limit) break;
    }
    buffer[limit] = '\0';
    if (limit < total) buffer[limit + 1] = '\0';
    return static_cast<DWORD>(limit);
}

// Base 0 as the Win32 integer parse has it: blanks, a sign, then "0x",
// "0o" or "0b" (lower case only) for base 16, 8 or 2, else decimal; digits
// up to the first that does not belong to the base; wraps modulo 2^32.
UINT ParseInteger(const char* text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    while (*p != 0 && *p <= ' ') ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    unsigned base = 10;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'o' || p[1] == 'b')) {
        base = p[1] == 'x' ? 16 : p[1] == 'o' ? 8 : 2;
        p += 2;
    }
    UINT total = 0;
    for (;; ++p) {
        unsigned digit;
        if (*p >= '0' && *p <= '9') {
            digit = *p - '0';
        } else if (*p >= 'A' && *p <= 'Z') {
            digit = *p - 'A' + 10;
        } else if (*p >= 'a' && *p <= 'z') {
            digit = *p - 'a' + 10;
        } else {
            break;
        }
        if (digit >= base) break;
        total = total * base + digit;
    }
    return negative ? 0u - total : total;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

DWORD ProfileString(const ProfileText* text, LPCSTR section, LPCSTR key, LPCSTR defaultText,
                    LPSTR buffer, DWORD size) {
    if (!buffer || size == 0) return 0;
    // Trailing spaces of the default go, but never its first character.
    std::string_view fallback = defaultText ? defaultText : "";
    while (fallback.size() > 1 && fallback.back() == ' ') fallback.remove_suffix(1);

    if (!text) return CopyCut(buffer, size, fallback);
    if (!section) return CopyNameList(buffer, size, text->SectionNames());
    if (!key) {
        // A section without keys (or no such section) gives the default.
        const auto keys = text->KeyNames(ProfileText::Trim(section));
        if (!keys.empty()) return CopyNameList(buffer, size, keys);
        return CopyValue(buffer, size, fallback);
    }
    const auto value = text->Find(ProfileText::Trim(section), ProfileText::Trim(key));
    return CopyValue(buffer, size, value ? *value : fallback);
}

UINT ProfileInt(const ProfileText* text, LPCSTR section, LPCSTR key, INT defaultValue) {
    // The value is read through a 30-character buffer, as in the Win32 code,
    // so only its first 29 characters count.
    char value[30];
    if (ProfileString(text, section, key, "", value, sizeof value) == 0)
        return static_cast<UINT>(defaultValue);
    return ParseInteger(value);
}

BOOL ProfileStruct(const ProfileText* text, LPCSTR section, LPCSTR key, LPVOID bytes, UINT size) {
    if (!text || !section || !key || (!bytes && size != 0)) return FALSE;
    const auto value = text->Find(ProfileText::Trim(section), ProfileText::Trim(key));
    if (!value || value->size() != 2 * static_cast<size_t>(size) + 2) return FALSE;

    // Decoded aside, so that the caller's bytes change only on success.
    std::vector<unsigned char> decoded(size + 1);
    unsigned sum = 0;
    for (size_t i = 0; i <= size; ++i) {
        const int high = HexValue((*value)[2 * i]);
        const int low = HexValue((*value)[2 * i + 1]);
        if (high < 0 || low < 0) return FALSE;
        decoded[i] = static_cast<unsigned char>(high * 16 + low);
        if (i < size) sum += decoded[i];
    }
    if ((sum & 0xFF) != decoded[size]) return FALSE;
    if (size != 0) std::memcpy(bytes, decoded.data(), size);
    return TRUE;
}

bool EditProfile(ProfileText& text, LPCSTR section, LPCSTR key, LPCSTR value) {
    const std::string_view name = ProfileText::Trim(section);
    if (!key) return text.DeleteSection(name);
    if (!value) return text.DeleteKey(name, ProfileText::Trim(key));
    // Names are matched trimmed but, as the Win32 code does it, created with
    // only their leading blanks dropped.
    return text.Set(name, ProfileText::Trim(key), ProfileText::TrimLeft(section),
                    ProfileText::TrimLeft(key), ProfileText::TrimLeft(value));
}

std::string ProfileStructText(const void* bytes, UINT size) {
    // The bytes, then their sum modulo 256, as upper-case hex digits.
    std::vector<uint8_t> data(static_cast<const uint8_t*>(bytes),
                              static_cast<const uint8_t*>(bytes) + size);
    unsigned sum = 0;
    for (const uint8_t byte : data) sum += byte;
    data.push_back(static_cast<uint8_t>(sum));
    std::string text(2 * data.size(), '\0');
    FormatHex(data.data(), static_cast<uint32_t>(data.size()), text.data());
    return text;
}

}  // namespace platform
