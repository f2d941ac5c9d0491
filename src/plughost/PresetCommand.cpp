// plughost preset: a preset from the given sources, written through the
// plug-in's own save.
#include <memory>
#include <string>

#include "plughost/Files.h"
#include "plughost/HostError.h"
#include "plughost/Presets.h"
#include "plughost/Subcommands.h"

namespace {

struct PresetCommand {
    std::string library;
    PresetOptions preset;
    PresetTargets targets;
};

void WritePreset(PresetCommand command) {
    if (command.targets.xmlFile.empty() && command.targets.iniFile.empty() &&
        command.targets.registryFolder.empty())
        throw HostError(ExitCode::kUsage, "preset needs --save-xml, --save-ini or --save-registry");
    const bool stores = !command.targets.iniFile.empty() || !command.targets.registryFolder.empty();
    const std::string option = command.targets.section.empty() ? "--section" : "--save-section";
    if (command.targets.section.empty()) command.targets.section = command.preset.section;
    if (stores && command.targets.section.empty())
        throw HostError(ExitCode::kUsage, "--save-ini and --save-registry need --section");
    CheckSectionName(command.targets.section, option);
    command.preset.sectionNamesTargets = stores;
    PluginLibrary lib(LibraryPath(command.library));
    const PresetSource source(lib, command.preset);
    SavePresetTo(lib, source.Create(), command.targets);
}

}  // namespace

void AddPresetCommand(CLI::App& app) {
    // The options live as long as the command line that fills them.
    const auto shared = std::make_shared<PresetCommand>();
    PresetCommand& command = *shared;
    CLI::App* preset = app.add_subcommand(
        "preset", "Write a preset from the given sources through the plug-in's own save");
    preset->add_option("LIB", command.library, "Plug-in library")->required();
    AddPresetOptions(*preset, command.preset);
    preset->add_option("--save-xml", command.targets.xmlFile, "Write an XML preset file")
        ->type_name("FILE");
    preset
        ->add_option("--save-ini", command.targets.iniFile,
                     "Write the preset into this profile (INI) file")
        ->type_name("FILE");
    preset
        ->add_option("--save-registry", command.targets.registryFolder,
                     "Write the preset below this registry folder")
        ->type_name("DIR");
    preset
        ->add_option("--save-section", command.targets.section,
                     "Section or key path to write (default: --section)")
        ->type_name("NAME");
    preset->callback([shared] { WritePreset(*shared); });
}
