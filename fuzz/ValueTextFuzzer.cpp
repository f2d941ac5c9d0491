// The text forms of typed values on arbitrary text: the number and
// hexadecimal parses against the C library's own, their round trips through
// the formats, and an element's typed attribute reads and writes.
#include <fuzzer/FuzzedDataProvider.h>

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "persist/common/ValueText.h"
#include "persist/tree/SettingsElement.h"
#include "support/PrintfGeneral.h"

namespace {

bool SameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// strtod reads the same decimal numbers, and hexadecimal ones, "inf" and
// "nan" besides: compare only where the text is not one of those.
void CheckParseReal(const char* text) {
    const double value = ParseReal(text);
    const char* p = text;
    while (IsSpace(*p)) ++p;
    if (*p == '+' || *p == '-') ++p;
    const bool decimal = (*p >= '0' && *p <= '9') || *p == '.';
    const bool hexadecimal = p[0] == '0' && (p[1] == 'x' || p[1] == 'X');
    if (decimal && !hexadecimal) Check(SameBits(value, std::strtod(text, nullptr)));
    if (!decimal) Check(SameBits(value, 0.0));
}

// Wrapping modulo 2^32 agrees with strtoll wherever strtoll cannot
// saturate: runs of up to 18 digits.
void CheckParseWord(const char* text) {
    const char* p = text;
    while (IsSpace(*p)) ++p;
    if (*p == '+' || *p == '-') ++p;
    size_t digits = 0;
    while (p[digits] >= '0' && p[digits] <= '9') ++digits;
    if (digits <= 18)
        Check(ParseWord(text) == static_cast<uint32_t>(std::strtoll(text, nullptr, 10)));
}

// What a general-format text reads back as formats to the same text, and
// the text is printf's.
void CheckGeneralRoundTrip(double value) {
    const NumberText text = FormatGeneral(value);
    Check(text.length == std::strlen(text.text) && text.length < sizeof text.text);
    Check(text.Text() == PrintfGeneral(value));
    // A subnormal has too few bits for six digits: its text may read back
    // as a neighbour ("1e-318" as 9.99999e-319).
    if (!std::isfinite(value) || (value != 0 && std::fabs(value) < DBL_MIN)) return;
    const double read = ParseReal(text.Text());
    Check(std::string(FormatGeneral(read).Text()) == text.Text());
    Check(SameBits(ParseReal(FormatGeneral(read).Text()), read));
    if (std::fabs(value) >= 1e-300) Check(std::fabs(read - value) <= std::fabs(value) * 5e-6);
}

void CheckDecimalRoundTrip(uint32_t word) {
    const NumberText text = FormatDecimal(static_cast<int32_t>(word));
    Check(text.Text() == std::to_string(static_cast<int32_t>(word)));
    Check(ParseWord(text.Text()) == word);
}

// Decodes into a buffer of exactly `max` bytes, so that a write past it
// shows; the count is min(length / 2, max), and each byte follows its digits.
void CheckParseHex(const std::string& text, int32_t max) {
    std::vector<uint8_t> bytes(max > 0 ? max : 0);
    const auto length = static_cast<uint32_t>(text.size());
    const int32_t n = ParseHex(text.c_str(), length, bytes.data(), max);
    Check(n == (max <= 0 ? max : std::min<int32_t>(static_cast<int32_t>(length / 2), max)));
    std::vector<char> digits(2 * static_cast<size_t>(std::max(n, 0)));
    FormatHex(bytes.data(), static_cast<uint32_t>(std::max(n, 0)), digits.data());
    for (size_t i = 0; i < digits.size(); ++i) {
        const char c = text[i];
        const bool hex = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
        if (hex) Check(digits[i] == (c >= 'a' ? c - 'a' + 'A' : c));
    }
}

// An element whose "Value" is the text: every typed read agrees with the
// parses, other names read nothing, and typed writes read back.
void CheckElement(const std::string& text, FuzzedDataProvider& data) {
    SettingsElement element("DryOut");
    element.SetStringAttribute("Other", "1");
    element.SetStringAttribute("Value",
                               SharedString(text.data(), static_cast<uint32_t>(text.size())));
    const char* stored = element.FindAttribute("value")->value.Text();

    uint32_t word = 7;
    int32_t integer = 7;
    double real = 7;
    float single = 7;
    Check(element.GetIntAttribute("VALUE", &word) && word == ParseWord(stored));
    Check(element.GetIntAttribute("Value", &integer) && static_cast<uint32_t>(integer) == word);
    Check(element.GetDoubleAttribute("Value", &real) && SameBits(real, ParseReal(stored)));
    Check(element.GetFloatAttribute("Value", &single) && single == static_cast<float>(real));
    SharedString copy;
    Check(element.GetStringAttribute("Value", &copy) && copy.Length() == text.size() &&
          std::memcmp(copy.Text(), text.data(), text.size()) == 0);
    Check(!element.GetIntAttribute("Valu", &word) && word == ParseWord(stored));
    const int32_t max = data.ConsumeIntegralInRange<int32_t>(-2, 64);
    std::vector<uint8_t> bytes(max > 0 ? max : 0);
    const int32_t n = element.GetBinaryAttribute("Value", bytes.data(), max);
    Check(n == (max <= 0 ? max : std::min<int32_t>(static_cast<int32_t>(text.size() / 2), max)));

    const double newReal = data.ConsumeFloatingPoint<double>();
    element.SetDoubleAttribute("Value", newReal);
    Check(element.GetDoubleAttribute("Value", &real));
    if (std::isfinite(newReal)) {
        Check(std::string(FormatGeneral(real).Text()) == FormatGeneral(newReal).Text());
    }
    const float newSingle = data.ConsumeFloatingPoint<float>();
    element.SetFloatAttribute("Value", newSingle);
    Check(element.GetFloatAttribute("Value", &single));
    if (std::isnormal(newSingle)) {
        Check(std::string(FormatGeneral(single).Text()) == FormatGeneral(newSingle).Text());
    }
    const uint32_t newWord = data.ConsumeIntegral<uint32_t>();
    element.SetIntAttribute("value", newWord);
    Check(element.GetIntAttribute("Value", &word) && word == newWord);
    const std::vector<uint8_t> newBytes = data.ConsumeBytes<uint8_t>(32);
    element.SetBinaryAttribute("Value", newBytes.data(), static_cast<uint32_t>(newBytes.size()));
    std::vector<uint8_t> read(newBytes.size());
    Check(element.GetBinaryAttribute("Value", read.data(), static_cast<int32_t>(read.size())) ==
              static_cast<int32_t>(read.size()) &&
          read == newBytes);
    Check(element.Attributes().Count() == 2);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    // The text is the input up to its first line break; what follows feeds
    // the numbers and choices, so that seeds stay readable.
    const std::string input(reinterpret_cast<const char*>(bytes), size);
    const size_t cut = std::min(input.find('\n'), input.size());
    const std::string text = input.substr(0, cut);
    FuzzedDataProvider data(bytes + cut, size - cut);

    CheckParseReal(text.c_str());
    CheckParseWord(text.c_str());
    CheckGeneralRoundTrip(ParseReal(text.c_str()));
    CheckParseHex(text, data.ConsumeIntegralInRange<int32_t>(-2, 64));
    CheckElement(text, data);
    CheckGeneralRoundTrip(data.ConsumeFloatingPoint<double>());
    double raw = 0;
    const std::vector<uint8_t> bits = data.ConsumeBytes<uint8_t>(sizeof raw);
    if (!bits.empty()) std::memcpy(&raw, bits.data(), bits.size());
    CheckGeneralRoundTrip(raw);
    CheckDecimalRoundTrip(data.ConsumeIntegral<uint32_t>());
    return 0;
}
