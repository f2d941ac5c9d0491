// The C library's "%g" with the exponent widened to three digits: a
// reference for FormatGeneral.
#pragma once

#include <cstdio>
#include <string>

inline std::string PrintfGeneral(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%g", value);
    std::string s = text;
    const size_t e = s.find('e');
    if (e != std::string::npos && s.size() - e - 2 < 3)
        s.insert(e + 2, 3 - (s.size() - e - 2), '0');
    return s;
}
