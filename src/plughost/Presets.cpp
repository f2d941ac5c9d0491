#include "plughost/Presets.h"

#include "plughost/HostError.h"

PresetSource::PresetSource(const PluginLibrary& lib, const PresetOptions& options)
    : lib_(lib), options_(options) {
    if (!options.iniFile.empty() && !options.registryFolder.empty())
        throw HostError(ExitCode::kUsage, "--ini and --registry cannot be combined");
    if ((!options.iniFile.empty() || !options.registryFolder.empty()) && options.section.empty())
        throw HostError(ExitCode::kUsage, "--ini and --registry need --section");
}

PresetSource::~PresetSource() = default;

SettingsRecord PresetSource::Create() const {
    std::lock_guard lock(mutex_);
    SettingsHandle handle = nullptr;
    const char* path = options_.iniFile.empty() ? nullptr : options_.iniFile.c_str();
    const char* section = options_.section.empty() ? nullptr : options_.section.c_str();
    RegistryRoot root = options_.registryFolder.empty()
                            ? nullptr
                            : const_cast<char*>(options_.registryFolder.c_str());
    if (lib_.Initialize(path, section, root, &handle) != 1 || !handle)
        throw HostError(ExitCode::kPlugin, "the plug-in could not create a settings record");
    return SettingsRecord(lib_, handle);
}
