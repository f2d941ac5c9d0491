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

Plan PlanBatch(const std::vector<std::string>& files, const PlanOptions& options) {
    if (options.outDir.empty() && files.size() != 2)
        throw HostError(ExitCode::kUsage, "process takes IN OUT, or --out-dir DIR IN...");
    if (options.outDir.empty() && options.shard.count > 1)
        throw HostError(ExitCode::kUsage, "--shard takes the inputs of --out-dir DIR IN...");
    std::vector<std::string> inputs{files[0]};
    if (!options.outDir.empty()) {
        CheckOutDir(options.outDir);
        // Output names over the whole list, so that every shard of it
        // refuses the same lists.
        std::map<std::string, std::string> names;  // output, input
        for (const std::string& input : files) {
            const auto [other, added] = names.emplace(OutputInFolder(options.outDir, input), input);
            if (added) continue;
            const std::string& output = other->first;
            if (output == input || output == other->second)
                throw HostError(ExitCode::kUsage,
                                output + ": the output would overwrite the input " + output);
            throw HostError(ExitCode::kUsage,
                            output + ": the output of both " + other->second + " and " + input);
        }
        inputs = options.shard.count > 1 ? InputsOfShard(files, options.shard) : files;
    }

    std::vector<std::pair<FileIdentity, std::string>> inputFiles;
    for (const std::string& input : inputs)
        if (const auto identity = IdentityOf(input == "-" ? "/dev/stdin" : input))
            inputFiles.emplace_back(*identity, input);
    Plan plan;
    std::map<std::string, std::string> outputs;  // key, input
    for (const std::string& input : inputs) {
        Job job;
        job.input = input;
        job.output = ResolveOutput(options.outDir.empty() ? files[1]
                                                          : OutputInFolder(options.outDir, input));
        for (const auto& [identity, other] : inputFiles)
            if (job.output.identity == identity)
                throw HostError(
                    ExitCode::kUsage,
                    job.output.name + ": the output would overwrite the input " + other);
        const auto [other, added] = outputs.emplace(OutputKey(job.output), input);
        if (!added)
            throw HostError(ExitCode::kUsage, job.output.name + ": the output of both " +
                                                  other->second + " and " + input);
        if (options.skipExisting && job.output.kind == OutputKind::kReplace)
            plan.skipped.push_back({input, job.output.name});
        else
            plan.jobs.push_back(std::move(job));
    }
    for (auto job = plan.jobs.begin(); job != plan.jobs.end();) {
        try {
            job->reader = std::make_unique<AudioReader>(job->input);
        } catch (const HostError& error) {
            if (!options.keepGoing) throw;
            plan.failed.push_back({job->input, job->output.name, error});
            job = plan.jobs.erase(job);
            continue;
        }
        job->frames = job->reader->Frames();
        if (job->reader->Seekable()) job->reader.reset();
        ++job;
    }
    for (const Job& job : plan.jobs)
        if (job.output.kind == OutputKind::kReplace && !options.overwrite)
            throw HostError(ExitCode::kOutput,
                            job.output.name + ": exists; --overwrite replaces it");
    return plan;
}
