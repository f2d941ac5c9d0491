// What a batch will do, settled before any file is written: every input, the
// output it goes to, and that no output takes the place of an input or of
// another output.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "plughost/AudioReader.h"
#include "plughost/OutputTarget.h"

struct Job {
    std::string input;
    OutputTarget output;
    int64_t frames = -1;  // as the input's header gives them (for the progress line)
    // The input, opened while planning, when it cannot be opened again (a
    // pipe, a FIFO, standard input).
    std::unique_ptr<AudioReader> reader;
};

struct PlanOptions {
    std::string outDir;  // empty: one input and its output
    bool overwrite = false;
};

// The jobs for `files` (IN OUT, or the inputs with an out-dir; "-" is
// standard input), each input checked by opening it. Refuses an output that is, or would replace,
// an input (kUsage), two inputs with one output (kUsage), and an existing output without
// `overwrite` (kOutput). Throws HostError.
std::vector<Job> PlanBatch(const std::vector<std::string>& files, const PlanOptions& options);
