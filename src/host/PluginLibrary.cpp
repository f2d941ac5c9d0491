#include "host/PluginLibrary.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

#if defined(_WIN32)
void* OpenModule(const std::string& path, std::string& error) {
    HMODULE module = LoadLibraryA(path.c_str());
    if (!module) error = "cannot load (Windows error " + std::to_string(GetLastError()) + ")";
    return reinterpret_cast<void*>(module);
}
void* FindSymbol(void* module, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}
void CloseModule(void* module) {
    FreeLibrary(static_cast<HMODULE>(module));
}
#else
void* OpenModule(const std::string& path, std::string& error) {
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) error = dlerror();
    return module;
}
void* FindSymbol(void* module, const char* name) {
    return dlsym(module, name);
}
void CloseModule(void* module) {
    dlclose(module);
}
#endif

template <typename Fn>
void Bind(void* module, const char* name, Fn*& slot, std::string& missing) {
    slot = reinterpret_cast<Fn*>(FindSymbol(module, name));
    if (!slot) missing += missing.empty() ? name : std::string(", ") + name;
}

}  // namespace

PluginLibrary::PluginLibrary(const std::string& path) {
    std::string error;
    module_ = OpenModule(path, error);
    if (!module_) throw PluginLoadError(path + ": not a loadable plug-in library: " + error);

    std::string missing;
    Bind(module_, "PlugInInfo", PlugInInfo, missing);
    Bind(module_, "Initialize", Initialize, missing);
    Bind(module_, "InitializeXml", InitializeXml, missing);
    Bind(module_, "LoadPreset", LoadPreset, missing);
    Bind(module_, "SavePreset", SavePreset, missing);
    Bind(module_, "SavePresetXml", SavePresetXml, missing);
    Bind(module_, "CopySettings", CopySettings, missing);
    Bind(module_, "Free", Free, missing);
    Bind(module_, "SetStreamCallBack", SetStreamCallBack, missing);
    Bind(module_, "OpenStream", OpenStream, missing);
    Bind(module_, "CloseStream", CloseStream, missing);
    Bind(module_, "ProcessStream", ProcessStream, missing);
    Bind(module_, "CreateSettingsWindow", CreateSettingsWindow, missing);
    if (!missing.empty()) {
        CloseModule(module_);
        throw PluginLoadError(path + ": missing entry points: " + missing);
    }
}

PluginLibrary::~PluginLibrary() {
    CloseModule(module_);
}
