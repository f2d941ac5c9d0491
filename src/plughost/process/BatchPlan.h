// What a batch will do, settled before any file is written: every input, the
// output it goes to, and that no output takes the place of an input or of
// another output.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "plughost/AudioReader.h"
#include "plughost/HostError.h"
#include "plughost/OutputTarget.h"
#include "plughost/process/InputList.h"

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
    bool skipExisting = false;  // an input whose output is there already is left out
    bool keepGoing = false;     // an input that cannot be opened fails alone
    Shard shard;                // the part of the inputs to take (with an out-dir)
};

// An input left out because its output was there.
struct SkippedFile {
    std::string input;
    std::string output;
};

// An input that failed while the batch was planned (with keepGoing).
struct FailedFile {
    std::string input;
    std::string output;
    HostError error;
};

struct Plan {
    std::vector<Job> jobs;
    std::vector<SkippedFile> skipped;
    std::vector<FailedFile> failed;
};

// The jobs for `files` (IN OUT, or the inputs with an out-dir; "-" is
// standard input), each input checked by opening it. Refuses two inputs with
// one output name among all of `files` (kUsage), whichever shard is taken;
// then, for the shard's inputs, an output that is, or would replace, an input
// (kUsage), two inputs with one output by any other name (kUsage), and an
// existing output without `overwrite` or `skipExisting` (kOutput); an input
// that cannot be opened (kInput) is refused too, or with `keepGoing` left
// out as failed. Throws HostError.
Plan PlanBatch(const std::vector<std::string>& files, const PlanOptions& options);
