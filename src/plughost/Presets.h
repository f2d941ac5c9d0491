// Where a run's parameters come from, and where a preset is written: a
// profile (INI) file, the portable registry or an XML file, with --set
// overrides on top.
#pragma once

#include <CLI/App.hpp>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "host/ParameterStore.h"
#include "plughost/SettingsDocument.h"
#include "plughost/SettingsRecord.h"

struct PresetOptions {
    std::string iniFile;
    std::string registryFolder;
    std::string section;
    std::string xmlFile;
    std::vector<std::string> overrides;  // NAME=VALUE
    bool sectionNamesTargets = false;    // --section also names where a preset is saved
};

// Throws HostError(kUsage) for a section or key path that would break the
// line it is written on: one with a line break or another control character.
void CheckSectionName(const std::string& section, const std::string& option);

// Adds --ini, --registry, --section, --xml and --set to a command.
void AddPresetOptions(CLI::App& command, PresetOptions& preset);

struct PresetTargets {
    std::string xmlFile;
    std::string iniFile;
    std::string registryFolder;
    std::string section;
};

// A stored parameter of a plug-in and the word a record stores for it.
struct Parameter {
    std::string name;
    uint32_t word;
};

// The stored parameters of `record` in order, with the words the plug-in
// saves for them into an empty settings tree.
std::vector<Parameter> StoredParameters(const PluginLibrary& lib, const SettingsRecord& record);

// The plug-in's stored parameters in order, with the words of a default
// record.
std::vector<Parameter> DiscoverParameters(const PluginLibrary& lib);

// The plug-in's display name.
std::string PluginName(const PluginLibrary& lib);

class PresetSource {
  public:
    // Checks the options and reads the preset once. Throws HostError.
    PresetSource(const PluginLibrary& lib, const PresetOptions& options);

    // A new settings record holding the preset. Safe to call from several
    // threads.
    SettingsRecord Create() const;

  private:
    const PluginLibrary& lib_;
    std::string iniFile_;
    std::string registryFolder_;
    std::string section_;
    // Set for an XML preset, and for any preset with overrides: the stored
    // words the plug-in reads through InitializeXml.
    std::unique_ptr<SettingsDocument> document_;
    mutable std::mutex mutex_;
};

// Writes the record's preset through the plug-in's own SavePresetXml and
// SavePreset to every target given. Throws HostError(kOutput).
void SavePresetTo(const PluginLibrary& lib, const SettingsRecord& record,
                  const PresetTargets& targets);
