#include "plughost/process/BatchPlan.h"

#include <filesystem>

#include "plughost/HostError.h"

std::vector<Job> PlanBatch(const std::vector<std::string>& files, const std::string& outDir) {
    std::vector<Job> jobs;
    if (outDir.empty()) {
        if (files.size() != 2)
            throw HostError(ExitCode::kUsage, "process takes IN OUT, or --out-dir DIR IN...");
        jobs.push_back({files[0], files[1]});
        return jobs;
    }
    if (!std::filesystem::is_directory(outDir))
        throw HostError(ExitCode::kOutput, outDir + ": not a folder");
    for (const auto& in : files)
        jobs.push_back(
            {in, (std::filesystem::path(outDir) / std::filesystem::path(in).filename()).string()});
    return jobs;
}
