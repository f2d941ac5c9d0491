// Helpers shared by the fuzz targets.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

// Stops the run at a broken expectation, naming its line.
inline void Check(bool holds, int line = __builtin_LINE(), const char* file = __builtin_FILE()) {
    if (holds) return;
    std::fprintf(stderr, "%s:%d: expectation failed\n", file, line);
    __builtin_trap();
}

// A private folder for the process, removed when it exits; in memory where
// there is such a file system.
inline const std::string& ScratchFolder() {
    static const std::string folder = [] {
        std::string path = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        path += "/fuzz-XXXXXX";
        if (!mkdtemp(path.data())) std::abort();
        return path;
    }();
    static const int cleanup = std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(ScratchFolder(), ignored);
    });
    (void)cleanup;
    return folder;
}
