// Runs the files of a batch, several at once.
#pragma once

#include <vector>

#include "plughost/Presets.h"
#include "plughost/process/BatchPlan.h"
#include "plughost/process/FilePipeline.h"
#include "plughost/process/SummaryLog.h"

struct BatchOptions {
    unsigned workers = 1;  // files at once
    bool progress = false;
    bool allowTruncated = false;
    bool keepGoing = false;         // a failed file does not stop the others
    SummaryLog* summary = nullptr;  // a record of every file, when given
    RunOptions run;
};

// Each file gets its own settings record, so files may run on their own
// threads; each file's summary goes to stdout (stderr when the samples go
// there) as it lands, and with the plan's skipped files into the summary log.
// The first failure stops the run, or with `keepGoing` is said at once while
// the other files go on, and the run ends with the first failure's code;
// files already written stay. An input that breaks off is processed as far
// as it goes, with a warning; unless `allowTruncated`, the run then ends with
// kInput. Throws HostError.
void RunBatch(const PluginLibrary& lib, const PresetSource& preset, Plan& plan,
              const BatchOptions& options);
