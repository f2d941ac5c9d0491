#include "plughost/process/BatchPlan.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>

#include "plughost/AudioReader.h"
#include "plughost/HostError.h"

namespace {

namespace fs = std::filesystem;

void CheckOutDir(const std::string& folder) {
    struct stat st;
    if (stat(folder.c_str(), &st) != 0)
        throw HostError(ExitCode::kOutput, folder + ": " + std::strerror(errno));
    if (!S_ISDIR(st.st_mode)) throw HostError(ExitCode::kOutput, folder + ": not a folder");
}

// `input`'s own name in `folder`.
std::string OutputInFolder(const std::string& folder, const std::string& input) {
    const std::string name = fs::path(input).filename().string();
    if (input == "-" || name.empty() || name == "." || name == "..")
        throw HostError(ExitCode::kUsage, input + ": names no file to name an output after");
    return (fs::path(folder) / name).string();
}

}  // namespace

std::vector<Job> PlanBatch(const std::vector<std::string>& files, const PlanOptions& options) {
    if (options.outDir.empty() && files.size() != 2)
        throw HostError(ExitCode::kUsage, "process takes IN OUT, or --out-dir DIR IN...");
    if (!options.outDir.empty()) CheckOutDir(options.outDir);
    const std::vector<std::string> inputs =
        options.outDir.empty() ? std::vector<std::string>{files[0]} : files;

    std::vector<Job> jobs;
    std::vector<std::pair<FileIdentity, std::string>> inputFiles;
    for (const std::string& input : inputs) {
        Job job;
        job.input = input;
        job.reader = std::make_unique<AudioReader>(input);
        job.frames = job.reader->Frames();
        if (job.reader->Seekable()) job.reader.reset();
        if (const auto identity = IdentityOf(input == "-" ? "/dev/stdin" : input))
            inputFiles.emplace_back(*identity, input);
        jobs.push_back(std::move(job));
    }
    std::map<std::string, std::string> outputs;  // key, input
    for (Job& job : jobs) {
        job.output = ResolveOutput(
            options.outDir.empty() ? files[1] : OutputInFolder(options.outDir, job.input));
        for (const auto& [identity, input] : inputFiles)
            if (job.output.identity == identity)
                throw HostError(
                    ExitCode::kUsage,
                    job.output.name + ": the output would overwrite the input " + input);
        const auto [other, added] = outputs.emplace(OutputKey(job.output), job.input);
        if (!added)
            throw HostError(ExitCode::kUsage, job.output.name + ": the output of both " +
                                                  other->second + " and " + job.input);
    }
    for (const Job& job : jobs)
        if (job.output.kind == OutputKind::kReplace && !options.overwrite)
            throw HostError(ExitCode::kOutput,
                            job.output.name + ": exists; --overwrite replaces it");
    return jobs;
}
