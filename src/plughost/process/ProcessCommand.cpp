// plughost process: a plug-in over audio files, one file or a batch.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "plughost/CommandLine.h"
#include "plughost/Files.h"
#include "plughost/ParameterLimits.h"
#include "plughost/Presets.h"
#include "plughost/Subcommands.h"
#include "plughost/process/BatchPlan.h"
#include "plughost/process/BatchRunner.h"

namespace {

struct ProcessCommand {
    std::string library;
    std::vector<std::string> files;
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
    std::vector<Job> jobs = PlanBatch(command.files, command.plan);
    PluginLibrary lib(LibraryPath(command.library));
    const PresetSource preset(lib, command.preset);
    CheckUsable(lib, preset);
    command.batch.progress = !command.quiet && isatty(STDERR_FILENO);
    RunBatch(lib, preset, jobs, command.batch);
}

}  // namespace

void AddProcessCommand(CLI::App& app) {
    // The options live as long as the command line that fills them.
    const auto shared = std::make_shared<ProcessCommand>();
    ProcessCommand& command = *shared;
    CLI::App* process = app.add_subcommand(
        "process", "Run a plug-in over audio files (IN OUT, or --out-dir DIR IN...)");
    process->add_option("LIB", command.library, "Plug-in library")->required();
    process->add_option("FILES", command.files, "IN OUT, or the inputs with --out-dir")->required();
    process->add_option("--out-dir", command.plan.outDir, "Write each output into this folder");
    process->add_flag("--overwrite", command.plan.overwrite, "Replace outputs that exist");
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
