// The host's side of the contract: a plug-in library loaded by path with its
// thirteen entry points looked up by name.
#pragma once

#include <stdexcept>
#include <string>

#include "host/HostContract.h"

class PluginLoadError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class PluginLibrary {
  public:
    // Throws PluginLoadError when the file is not a loadable library, or
    // names every entry point it lacks.
    explicit PluginLibrary(const std::string& path);
    ~PluginLibrary();
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    // The entry points, named as the library exports them.
    // NOLINTBEGIN(readability-identifier-naming)
    PlugInInfoFn* PlugInInfo = nullptr;
    InitializeFn* Initialize = nullptr;
    InitializeXmlFn* InitializeXml = nullptr;
    LoadPresetFn* LoadPreset = nullptr;
    SavePresetFn* SavePreset = nullptr;
    SavePresetXmlFn* SavePresetXml = nullptr;
    CopySettingsFn* CopySettings = nullptr;
    FreeFn* Free = nullptr;
    SetStreamCallBackFn* SetStreamCallBack = nullptr;
    OpenStreamFn* OpenStream = nullptr;
    CloseStreamFn* CloseStream = nullptr;
    ProcessStreamFn* ProcessStream = nullptr;
    CreateSettingsWindowFn* CreateSettingsWindow = nullptr;
    // NOLINTEND(readability-identifier-naming)

  private:
    void* module_ = nullptr;
};
