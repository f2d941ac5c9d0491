// plughost process: a plug-in over audio files, one file or a batch.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "plughost/CommandLine.h"
#include "plughost/Files.h"
#include "plughost/HostError.h"
#include "plughost/ParameterLimits.h"
#include "plughost/Presets.h"
#include "plughost/Subcommands.h"
#include "plughost/process/BatchPlan.h"
#include "plughost/process/BatchRunner.h"
#include "plughost/process/InputList.h"
#include "plughost/process/SummaryLog.h"

namespace {

struct ProcessCommand {
    std::string library;
    std::vector<std::string> files;
    std::string filesFrom;  // a list of inputs
    bool nulSeparated = false;
    std::string shard;
    std::string summary;
    PlanOptions plan;
    BatchOptions batch = [] {
        BatchOptions options;
        options.workers = std::clamp(std::thread::hardware_concurrency(), 1u, 64u);
        return options;
    }();
    bool quiet = false;
    PresetOptions preset;
};

void Process(ProcessCommand command) {
    if (!command.filesFrom.empty()) {
        if (command.plan.outDir.empty())
            throw HostError(ExitCode::kUsage, "--files-from takes the inputs of --out-dir DIR");
        for (std::string& input : ReadInputList(command.filesFrom, command.nulSeparated)) {
            if (input == "-" && command.filesFrom == "-")
                throw HostError(ExitCode::kUsage,
                                "--files-from -: standard input holds the list, not an input");
            command.files.push_back(std::move(input));
        }
    } else if (command.files.empty()) {
        throw HostError(ExitCode::kUsage, "process takes IN OUT, or --out-dir DIR IN...");
    }
    if (!command.shard.empty()) command.plan.shard = ParseShard(command.shard);
    command.plan.keepGoing = command.batch.keepGoing;
    if (command.plan.overwrite && command.plan.skipExisting)
        throw HostError(ExitCode::kUsage, "--overwrite and --skip-existing exclude each other");
    Plan plan = PlanBatch(command.files, command.plan);
    PluginLibrary lib(LibraryPath(command.library));
    const PresetSource preset(lib, command.preset);
    CheckUsable(lib, preset);
    std::optional<SummaryLog> summary;
    if (!command.summary.empty()) command.batch.summary = &summary.emplace(command.summary);
    command.batch.progress = !command.quiet && isatty(STDERR_FILENO);
    RunBatch(lib, preset, plan, command.batch);
}

}  // namespace

void AddProcessCommand(CLI::App& app) {
    // The options live as long as the command line that fills them.
    const auto shared = std::make_shared<ProcessCommand>();
    ProcessCommand& command = *shared;
    CLI::App* process = app.add_subcommand(
        "process", "Run a plug-in over audio files (IN OUT, or --out-dir DIR IN...)");
    process->add_option("LIB", command.library, "Plug-in library")->required();
    process->add_option("FILES", command.files, "IN OUT, or the inputs with --out-dir");
    process->add_option("--out-dir", command.plan.outDir, "Write each output into this folder")
        ->type_name("DIR");
    process
        ->add_option("--files-from", command.filesFrom,
                     "Take the inputs from this list, one a line (- for standard input)")
        ->type_name("FILE");
    process->add_flag("--null,-0", command.nulSeparated,
                      "The --files-from list separates names by NUL bytes, not lines");
    process
        ->add_option("--shard", command.shard,
                     "Take part K of N of the inputs (from 0), the same part on every machine")
        ->type_name("K/N");
    process->add_flag("--overwrite", command.plan.overwrite, "Replace outputs that exist");
    process->add_flag("--skip-existing", command.plan.skipExisting,
                      "Leave out inputs whose output is there already");
    process->add_flag("--keep-going", command.batch.keepGoing,
                      "Go on with the other files after one fails");
    process
        ->add_option("--summary", command.summary,
                     "Append a JSON line per file to this file (several runs may share it)")
        ->type_name("FILE");
    process
        ->add_option("--jobs,-j", command.batch.workers,
                     "Files processed at once (default: the cores)")
        ->check(WholeNumber(1, 64));
    process->add_option("--format", command.batch.run.sampleFormat, "Output sample format")
        ->check(CLI::IsMember({"pcm16", "pcm24", "pcm32", "float", "double"}));
    process
        ->add_option("--request", command.batch.run.requestSize,
                     "Samples per channel per ProcessStream call")
        ->check(WholeNumber(1, kLongestRequest));
    process->add_flag("--quiet,-q", command.quiet, "No progress line");
    process->add_flag("--allow-truncated", command.batch.allowTruncated,
                      "Accept inputs that break off (a warning for each)");
    process->add_flag("--allow-nonfinite", command.batch.run.allowNonFinite,
                      "Write an output with samples that are not finite");
    process->add_flag("--fail-on-clip", command.batch.run.failOnClip,
                      "Treat clipping in an integer output as an error");
    AddPresetOptions(*process, command.preset);
    process->callback([shared] { Process(*shared); });
}
