// What a batch will do, settled before any file is touched: every input with
// the output it goes to.
#pragma once

#include <string>
#include <vector>

struct Job {
    std::string input;
    std::string output;
};

// IN OUT when `outDir` is empty; otherwise each input into `outDir` under
// its own name. Throws HostError.
std::vector<Job> PlanBatch(const std::vector<std::string>& files, const std::string& outDir);
