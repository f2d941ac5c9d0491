#include "persist/Signature.h"

#include "persist/common/AsciiCase.h"

Keyword ParseKeyword(std::string_view token) {
    constexpr std::pair<std::string_view, Keyword> kKeywords[] = {
        {"UINT", Keyword::kUint},   {"DWORD", Keyword::kDword},   {"INT", Keyword::kInt},
        {"FLOAT", Keyword::kFloat}, {"DOUBLE", Keyword::kDouble}, {"STRING", Keyword::kString},
        {"LSS", Keyword::kLss},
    };
    for (const auto& [text, keyword] : kKeywords)
        if (EqualIgnoringAsciiCase(token, text)) return keyword;
    return Keyword::kUnknown;
}
