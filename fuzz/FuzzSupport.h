// Helpers shared by the fuzz targets.
#pragma once

#include <cstdio>

// Stops the run at a broken expectation, naming its line.
inline void Check(bool holds, int line = __builtin_LINE(), const char* file = __builtin_FILE()) {
    if (holds) return;
    std::fprintf(stderr, "%s:%d: expectation failed\n", file, line);
    __builtin_trap();
}
