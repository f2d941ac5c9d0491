#include "plughost/Presets.h"

#include <sys/stat.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>

#include "persist/ParameterDriver.h"
#include "persist/common/Platform.h"
#include "persist/common/SharedString.h"
#include "persist/common/ValueText.h"
#include "plughost/Files.h"
#include "plughost/HostError.h"
#include "plughost/OutputTarget.h"

namespace {

// Runs a creating entry point, `create(&handle)`, and takes its record.
template <typename Create>
SettingsRecord CreateRecord(const PluginLibrary& lib, Create&& create) {
    SettingsHandle handle = nullptr;
    if (create(&handle) != 1 || !handle)
        throw HostError(ExitCode::kPlugin, "the plug-in could not create a settings record");
    return SettingsRecord(lib, handle);
}

// True when `path` names a file of that kind; throws HostError(kInput) when
// it cannot be looked at (a loop of links, a name too long).
bool IsKind(const std::string& path, mode_t kind) {
    struct stat st;
    if (stat(path.c_str(), &st) == 0) return (st.st_mode & S_IFMT) == kind;
    if (errno == ENOENT || errno == ENOTDIR) return false;
    throw HostError(ExitCode::kInput, path + ": " + std::strerror(errno));
}

RegistryRoot Root(const std::string& folder) {
    return folder.empty() ? nullptr : const_cast<char*>(folder.c_str());
}

bool ProfileHasSection(const std::string& path, const std::string& section) {
    std::vector<char> names(1 << 16);
    platform::GetPrivateProfileStringA(nullptr, nullptr, "", names.data(),
                                       static_cast<platform::DWORD>(names.size()), path.c_str());
    for (const char* name = names.data(); *name; name += std::strlen(name) + 1)
        if (SameName(name, section.c_str())) return true;
    return false;
}

bool RegistryHasKey(const std::string& folder, const std::string& section) {
    using namespace platform;
    const RootKey root(Root(folder));
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, section.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// The word a store holds for `name`, read by the same driver the plug-ins
// use; false when it holds none (two reads with different presets differ).
bool StoredWord(const ParameterStore& store, const char* name, uint32_t& word) {
    const char* names[] = {name};
    uint32_t first = 0, second = 1;
    LoadParameters(store.profilePath, store.section, store.registryRoot, store.tree, names, "DWORD",
                   &first);
    LoadParameters(store.profilePath, store.section, store.registryRoot, store.tree, names, "DWORD",
                   &second);
    word = first;
    return first == second;
}

// "NAME=VALUE" with VALUE a 32-bit integer, signed or not.
std::pair<std::string, uint32_t> ParseOverride(const std::string& text) {
    const size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0)
        throw HostError(ExitCode::kUsage, "--set " + text + ": expected NAME=VALUE");
    const std::string value = text.substr(equals + 1);
    const char* begin = value.c_str() + (value.starts_with('+') ? 1 : 0);
    const char* end = value.c_str() + value.size();
    int64_t number = 0;
    const auto [stop, error] = std::from_chars(begin, end, number);
    if (begin == end || stop != end || error != std::errc() || number < INT32_MIN ||
        number > UINT32_MAX)
        throw HostError(ExitCode::kUsage, "--set " + text + ": the value is not a 32-bit integer");
    return {text.substr(0, equals), static_cast<uint32_t>(number)};
}

}  // namespace

void CheckSectionName(const std::string& section, const std::string& option) {
    for (const char c : section)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            throw HostError(ExitCode::kUsage,
                            option + ": no line breaks or other control characters in a section");
}

void AddPresetOptions(CLI::App& command, PresetOptions& preset) {
    command.add_option("--ini", preset.iniFile, "Load the preset from this profile (INI) file")
        ->type_name("FILE");
    command
        .add_option("--registry", preset.registryFolder,
                    "Load the preset from this registry folder (the portable registry)")
        ->type_name("DIR");
    command.add_option("--section", preset.section, "Profile section or registry key path")
        ->type_name("NAME");
    command.add_option("--xml", preset.xmlFile, "Load the preset from this XML file")
        ->type_name("FILE");
    command.add_option("--set", preset.overrides, "NAME=VALUE: override one stored value")
        ->type_name("NAME=VALUE");
}

std::string PluginName(const PluginLibrary& lib) {
    PlugInInfoRecord info{};
    info.size = sizeof info;
    if (lib.PlugInInfo(&info) != 1 || !info.name)
        throw HostError(ExitCode::kPlugin, "PlugInInfo refused the information record");
    return info.name;
}

std::vector<Parameter> DiscoverParameters(const PluginLibrary& lib) {
    return StoredParameters(lib, CreateRecord(lib, [&](SettingsHandle* h) {
                                return lib.Initialize(nullptr, nullptr, nullptr, h);
                            }));
}

std::vector<Parameter> StoredParameters(const PluginLibrary& lib, const SettingsRecord& record) {
    SettingsDocument document;
    if (lib.SavePresetXml(&document.Root(), record.Get()) != 1)
        throw HostError(ExitCode::kPlugin, "the plug-in could not save its parameters");
    std::vector<Parameter> parameters;
    for (SettingsNode* child = document.Root().FirstChild(); child; child = child->NextSibling()) {
        const auto& element = *static_cast<const SettingsElement*>(child);
        uint32_t word = 0;
        element.GetIntAttribute("Value", &word);
        parameters.push_back({element.Name().Text(), word});
    }
    return parameters;
}

PresetSource::PresetSource(const PluginLibrary& lib, const PresetOptions& options)
    : lib_(lib),
      iniFile_(options.iniFile.empty() ? "" : AbsolutePath(options.iniFile)),
      registryFolder_(options.registryFolder),
      section_(options.section) {
    const int sources =
        !options.iniFile.empty() + !options.registryFolder.empty() + !options.xmlFile.empty();
    if (sources > 1) throw HostError(ExitCode::kUsage, "give one of --ini, --registry and --xml");
    if ((!iniFile_.empty() || !registryFolder_.empty()) && section_.empty())
        throw HostError(ExitCode::kUsage, "--ini and --registry need --section");
    if (!section_.empty() && iniFile_.empty() && registryFolder_.empty() &&
        !options.sectionNamesTargets)
        throw HostError(ExitCode::kUsage, "--section goes with --ini or --registry");
    CheckSectionName(section_, "--section");
    if (!iniFile_.empty() && !IsKind(iniFile_, S_IFREG))
        throw HostError(ExitCode::kInput, options.iniFile + ": no such profile file");
    if (!iniFile_.empty() && !ProfileHasSection(iniFile_, section_))
        throw HostError(ExitCode::kInput, options.iniFile + ": no section [" + section_ + "]");
    if (!registryFolder_.empty() && !IsKind(registryFolder_, S_IFDIR))
        throw HostError(ExitCode::kInput, registryFolder_ + ": no such registry folder");
    if (!registryFolder_.empty() && !RegistryHasKey(registryFolder_, section_))
        throw HostError(ExitCode::kInput, registryFolder_ + ": no key " + section_);

    if (!options.xmlFile.empty()) {
        document_ = SettingsDocument::FromXml(options.xmlFile);
        const SettingsAttribute* plugin = document_->Root().FindAttribute("plugin");
        const std::string name = PluginName(lib);
        if (plugin && !SameName(plugin->value.Text(), name.c_str()))
            throw HostError(ExitCode::kInput, options.xmlFile + ": a preset for \"" +
                                                  plugin->value.Text() + "\", not \"" + name +
                                                  "\"");
    }
    if (options.overrides.empty()) return;

    // Overrides go on top of the words the source holds, so that the plug-in
    // reads every other value exactly as it is stored.
    const std::vector<Parameter> parameters = DiscoverParameters(lib);
    if (!document_) {
        document_ = std::make_unique<SettingsDocument>();
        const ParameterStore store{iniFile_.empty() ? nullptr : iniFile_.c_str(), section_.c_str(),
                                   Root(registryFolder_), nullptr};
        if (store.profilePath || store.registryRoot) {
            for (const Parameter& parameter : parameters) {
                uint32_t word = 0;
                if (StoredWord(store, parameter.name.c_str(), word))
                    document_->Root().SetDwordValue(parameter.name.c_str(), word);
            }
        }
    }
    for (const std::string& text : options.overrides) {
        // Not a structured binding: the lambda below captures the name.
        const std::pair<std::string, uint32_t> parsed = ParseOverride(text);
        const std::string& name = parsed.first;
        const uint32_t word = parsed.second;
        const auto known = std::find_if(parameters.begin(), parameters.end(), [&](const auto& p) {
            return SameName(p.name.c_str(), name.c_str());
        });
        if (known == parameters.end()) {
            std::string list;
            for (const Parameter& p : parameters) list += (list.empty() ? "" : ", ") + p.name;
            throw HostError(ExitCode::kUsage,
                            "--set " + text + ": no parameter " + name + " (" + list + ")");
        }
        document_->Root().SetDwordValue(known->name.c_str(), word);
    }
}

SettingsRecord PresetSource::Create() const {
    std::lock_guard lock(mutex_);
    if (document_)
        return CreateRecord(
            lib_, [&](SettingsHandle* h) { return lib_.InitializeXml(&document_->Root(), h); });
    return CreateRecord(lib_, [&](SettingsHandle* h) {
        return lib_.Initialize(iniFile_.empty() ? nullptr : iniFile_.c_str(),
                               section_.empty() ? nullptr : section_.c_str(), Root(registryFolder_),
                               h);
    });
}

void SavePresetTo(const PluginLibrary& lib, const SettingsRecord& record,
                  const PresetTargets& targets) {
    if (!targets.xmlFile.empty()) {
        SettingsDocument document;
        document.Root().SetAttribute("plugin", PluginName(lib).c_str());
        if (lib.SavePresetXml(&document.Root(), record.Get()) != 1)
            throw HostError(ExitCode::kPlugin, "the plug-in could not save its parameters");
        document.SaveXml(targets.xmlFile);
    }
    if (!targets.iniFile.empty()) {
        // The plug-in's own writer edits the file: it has to be one, and one
        // that plughost would replace.
        if (ResolveOutput(targets.iniFile).kind == OutputKind::kStream)
            throw HostError(ExitCode::kOutput, targets.iniFile + ": not a file");
        // Ours say when they could not write a profile file; other
        // libraries of the interface may not, so the file is read as well.
        const std::string path = AbsolutePath(targets.iniFile);
        if (lib.SavePreset(path.c_str(), targets.section.c_str(), nullptr, record.Get()) != 1 ||
            !ProfileHasSection(path, targets.section))
            throw HostError(ExitCode::kOutput, targets.iniFile + ": cannot write");
    }
    if (!targets.registryFolder.empty() &&
        lib.SavePreset(nullptr, targets.section.c_str(), Root(targets.registryFolder),
                       record.Get()) != 1)
        throw HostError(ExitCode::kOutput,
                        targets.registryFolder + ": cannot create key " + targets.section);
}
