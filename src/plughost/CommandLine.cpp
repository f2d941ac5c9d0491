#include "plughost/CommandLine.h"

#include <charconv>
#include <cmath>
#include <string>

namespace {

std::string Text(double value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

}  // namespace

CLI::Validator WholeNumber(uint64_t low, uint64_t high) {
    const std::string range = std::to_string(low) + " to " + std::to_string(high);
    return CLI::Validator(
        [=](std::string& input) -> std::string {
            uint64_t value = 0;
            const char* end = input.data() + input.size();
            const auto [stop, error] = std::from_chars(input.data(), end, value);
            if (input.empty() || stop != end || error != std::errc() || value < low || value > high)
                return "expected a whole number from " + range + ", not '" + input + "'";
            return "";
        },
        "INT in " + range);
}

CLI::Validator FiniteNumber(double low, double high) {
    const std::string range = Text(low) + " to " + Text(high);
    return CLI::Validator(
        [=](std::string& input) -> std::string {
            double value = 0;
            const char* end = input.data() + input.size();
            const auto [stop, error] = std::from_chars(input.data(), end, value);
            if (input.empty() || stop != end || error != std::errc() || !std::isfinite(value) ||
                value < low || value > high)
                return "expected a number from " + range + ", not '" + input + "'";
            return "";
        },
        "NUMBER in " + range);
}
