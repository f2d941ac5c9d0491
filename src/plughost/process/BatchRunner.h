// Runs the files of a batch, several at once.
#pragma once

#include <vector>

#include "plughost/Presets.h"
#include "plughost/process/BatchPlan.h"
#include "plughost/process/FilePipeline.h"

struct BatchOptions {
    unsigned workers = 1;  // files at once
    bool progress = false;
    bool allowTruncated = false;
    RunOptions run;
};

// Each file gets its own settings record, so files may run on their own
// threads; each file's summary goes to stdout (stderr when the samples go
// there) as it lands. The first failure stops the run; files already written
// stay. An input that breaks off is processed as far as it goes, with a
// warning; unless `allowTruncated`, the run then ends with kInput. Throws
// HostError.
void RunBatch(const PluginLibrary& lib, const PresetSource& preset, std::vector<Job>& jobs,
              const BatchOptions& options);
