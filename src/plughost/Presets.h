// Where a run's parameters come from: a stored preset (profile file,
// portable registry or XML file) with --set overrides on top.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "plughost/SettingsRecord.h"

struct PresetOptions {
    std::string iniFile;
    std::string registryFolder;
    std::string section;
    std::string xmlFile;
    std::vector<std::string> overrides;  // NAME=VALUE
};

class PresetSource {
  public:
    // Checks the options and reads the preset once. Throws HostError.
    PresetSource(const PluginLibrary& lib, const PresetOptions& options);
    ~PresetSource();

    // A new settings record holding the preset; safe to call from several
    // threads.
    SettingsRecord Create() const;

  private:
    const PluginLibrary& lib_;
    PresetOptions options_;
    mutable std::mutex mutex_;
};
