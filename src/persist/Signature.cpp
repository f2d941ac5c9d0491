#include "persist/Signature.h"

namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view keyword) {
    if (a.size() != keyword.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char c = a[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c != keyword[i]) return false;
    }
    return true;
}

}  // namespace

Keyword ParseKeyword(std::string_view token) {
    constexpr std::pair<std::string_view, Keyword> kKeywords[] = {
        {"UINT", Keyword::kUint},   {"DWORD", Keyword::kDword},   {"INT", Keyword::kInt},
        {"FLOAT", Keyword::kFloat}, {"DOUBLE", Keyword::kDouble}, {"STRING", Keyword::kString},
        {"LSS", Keyword::kLss},
    };
    for (const auto& [text, keyword] : kKeywords)
        if (EqualsIgnoringCase(token, text)) return keyword;
    return Keyword::kUnknown;
}
