// Parameter signatures: type keywords separated by single spaces.
#pragma once

#include <cstddef>
#include <string_view>

#include "persist/common/ParameterMedium.h"

// Signatures longer than this are refused as a whole.
constexpr size_t kMaxSignatureLength = 1023;

// The keyword a token names, ignoring letter case; kUnknown for anything
// else, the empty token included.
Keyword ParseKeyword(std::string_view token);

// Calls visit(keyword, index) for every token in order. Only the space
// separates tokens: two spaces make an empty token, a leading space an empty
// first token, and a trailing space ends the walk without one. Returns false,
// visiting nothing, when the signature is longer than kMaxSignatureLength.
template <typename Visit>
bool WalkSignature(const char* signature, Visit&& visit) {
    const std::string_view text(signature);
    if (text.size() > kMaxSignatureLength) return false;
    size_t index = 0;
    for (size_t cursor = 0; cursor < text.size(); ++index) {
        const size_t space = text.find(' ', cursor);
        const size_t end = space == std::string_view::npos ? text.size() : space;
        visit(ParseKeyword(text.substr(cursor, end - cursor)), index);
        if (space == std::string_view::npos) break;
        cursor = space + 1;
    }
    return true;
}
