// plughost info: a plug-in's name, vendor, flags and stored parameters with
// their defaults.
#include <cstdio>
#include <memory>
#include <string>

#include "plughost/Files.h"
#include "plughost/HostError.h"
#include "plughost/Presets.h"
#include "plughost/Subcommands.h"

namespace {

void Info(const std::string& libraryPath) {
    PluginLibrary lib(LibraryPath(libraryPath));
    PlugInInfoRecord info{};
    info.size = sizeof info;
    if (lib.PlugInInfo(&info) != 1)
        throw HostError(ExitCode::kPlugin, libraryPath + ": PlugInInfo refused the record");
    std::printf("name:             %s\n", info.name ? info.name : "");
    std::printf("vendor:           %s\n", info.vendor ? info.vendor : "");
    // The information record's flags word, which the host editor reads.
    std::printf("flags:            0x%08X\n", info.informationWord);
    std::printf("parameters and the values a new record stores:\n");
    for (const Parameter& parameter : DiscoverParameters(lib))
        std::printf("  %-16s %u\n", parameter.name.c_str(), parameter.word);
}

}  // namespace

void AddInfoCommand(CLI::App& app) {
    // The options live as long as the command line that fills them.
    const auto library = std::make_shared<std::string>();
    CLI::App* info = app.add_subcommand("info", "Show a plug-in's name, vendor and parameters");
    info->add_option("LIB", *library, "Plug-in library")->required();
    info->callback([library] { Info(*library); });
}
