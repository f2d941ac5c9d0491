// Name comparison of the profile and registry media: case-insensitive for
// ASCII letters only, every other byte compared as it is.
#pragma once

#include <algorithm>
#include <string_view>

inline char FoldAsciiCase(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return FoldAsciiCase(x) == FoldAsciiCase(y);
           });
}
