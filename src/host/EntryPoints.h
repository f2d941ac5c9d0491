// Defines a plug-in library's thirteen exported entry points by forwarding
// them to its effect class. Include exactly once, in the plug-in's exports
// file, after naming the class:
//
//     using ExportedEffect = SqueakEffect;
//     #include "host/EntryPoints.h"
//
// The effect class provides:
//     using Settings;                        the settings record
//     static constexpr const char* kName;    display name
//     static constexpr bool kSetsFlagWord;   PlugInInfo writes the flag word
//     static Settings* Create(const ParameterStore&);            null: no memory
//     static Settings* LoadPreset(const ParameterStore&, Settings* current);
//     static int32_t Save(const ParameterStore&, const Settings&);
//     static Settings* Copy(const Settings&);                     null: no memory
//     static void Free(Settings*);
//     static bool OpenStream(Settings&, const StreamFormat&);    false: no memory
//     static void CloseStream(Settings&);
//     static uint32_t ProcessStream(StreamBuffer&, Settings&);
//
// Nothing is thrown across the boundary: an exception becomes the entry
// point's failure value. Null records and buffers are refused the same way.
#pragma once

#include <type_traits>

#include "host/HostContract.h"
#include "host/ParameterStore.h"

#if defined(_WIN32)
#define PLUGIN_EXPORT extern "C" __declspec(dllexport)
#else
#define PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace entry_points {

using Settings = ExportedEffect::Settings;

inline Settings* Record(SettingsHandle handle) {
    return static_cast<Settings*>(handle);
}

template <typename Result, typename Body>
Result Guarded(Result failure, Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return failure;
    }
}

// Stores a newly made record in the host's handle variable: 1, or 0 with a
// null handle when there was no memory for it.
inline int32_t Hand(SettingsHandle* handle, Settings* made) {
    *handle = made;
    return made ? 1 : 0;
}

}  // namespace entry_points

PLUGIN_EXPORT int32_t PlugInInfo(PlugInInfoRecord* info) {
    if (!info || info->size != kPlugInInfoSize) return 0;
    info->zeroWord = 0;
    info->name = ExportedEffect::kName;
    info->vendor = kVendorName;
    info->informationWord = kInformationWord;
    if constexpr (ExportedEffect::kSetsFlagWord) info->flagWord = 1;
    return 1;
}

PLUGIN_EXPORT int32_t Initialize(const char* profilePath, const char* section,
                                 RegistryRoot registryRoot, SettingsHandle* handle) {
    using namespace entry_points;
    if (!handle) return 0;
    return Guarded(0, [&] {
        return Hand(handle, ExportedEffect::Create({profilePath, section, registryRoot, nullptr}));
    });
}

PLUGIN_EXPORT int32_t InitializeXml(SettingsNode* tree, SettingsHandle* handle) {
    using namespace entry_points;
    if (!handle) return 0;
    return Guarded(0, [&] {
        return Hand(handle, ExportedEffect::Create({nullptr, nullptr, nullptr, tree}));
    });
}

PLUGIN_EXPORT int32_t LoadPreset(const char* profilePath, const char* section,
                                 RegistryRoot registryRoot, SettingsHandle* handle) {
    using namespace entry_points;
    if (!handle) return 0;
    return Guarded(0, [&] {
        Settings* loaded = ExportedEffect::LoadPreset({profilePath, section, registryRoot, nullptr},
                                                      Record(*handle));
        if (!loaded) return 0;
        *handle = loaded;
        return 1;
    });
}

PLUGIN_EXPORT int32_t SavePreset(const char* profilePath, const char* section,
                                 RegistryRoot registryRoot, SettingsHandle settings) {
    using namespace entry_points;
    if (!settings) return 0;
    return Guarded(0, [&] {
        return ExportedEffect::Save({profilePath, section, registryRoot, nullptr},
                                    *Record(settings));
    });
}

PLUGIN_EXPORT int32_t SavePresetXml(SettingsNode* tree, SettingsHandle settings) {
    using namespace entry_points;
    if (!settings) return 0;
    return Guarded(0, [&] {
        return ExportedEffect::Save({nullptr, nullptr, nullptr, tree}, *Record(settings));
    });
}

PLUGIN_EXPORT int32_t CopySettings(SettingsHandle* handle, SettingsHandle source) {
    using namespace entry_points;
    if (!handle || !source) return 0;
    return Guarded(0, [&] { return Hand(handle, ExportedEffect::Copy(*Record(source))); });
}

PLUGIN_EXPORT void Free(SettingsHandle settings) {
    using namespace entry_points;
    Guarded(0, [&] {
        ExportedEffect::Free(Record(settings));
        return 0;
    });
}

PLUGIN_EXPORT int32_t SetStreamCallBack(StreamCallback callback, void* user,
                                        SettingsHandle settings) {
    using namespace entry_points;
    if (!settings) return 0;
    Record(settings)->streamCallback = callback;
    Record(settings)->callbackUser = user;
    return 1;
}

PLUGIN_EXPORT int32_t OpenStream(SettingsHandle settings, const StreamFormat* format) {
    using namespace entry_points;
    if (!settings || !format) return 0;
    return Guarded(0,
                   [&] { return ExportedEffect::OpenStream(*Record(settings), *format) ? 1 : 0; });
}

PLUGIN_EXPORT int32_t CloseStream(SettingsHandle settings) {
    using namespace entry_points;
    if (!settings) return 0;
    return Guarded(0, [&] {
        ExportedEffect::CloseStream(*Record(settings));
        return 1;
    });
}

PLUGIN_EXPORT uint32_t ProcessStream(StreamBuffer* buffer, SettingsHandle settings) {
    using namespace entry_points;
    if (!buffer || !settings) return 0;
    return Guarded(0u, [&] { return ExportedEffect::ProcessStream(*buffer, *Record(settings)); });
}

PLUGIN_EXPORT int32_t CreateSettingsWindow() {
    return 0;
}

static_assert(std::is_same_v<decltype(PlugInInfo), PlugInInfoFn>);
static_assert(std::is_same_v<decltype(Initialize), InitializeFn>);
static_assert(std::is_same_v<decltype(InitializeXml), InitializeXmlFn>);
static_assert(std::is_same_v<decltype(LoadPreset), LoadPresetFn>);
static_assert(std::is_same_v<decltype(SavePreset), SavePresetFn>);
static_assert(std::is_same_v<decltype(SavePresetXml), SavePresetXmlFn>);
static_assert(std::is_same_v<decltype(CopySettings), CopySettingsFn>);
static_assert(std::is_same_v<decltype(Free), FreeFn>);
static_assert(std::is_same_v<decltype(SetStreamCallBack), SetStreamCallBackFn>);
static_assert(std::is_same_v<decltype(OpenStream), OpenStreamFn>);
static_assert(std::is_same_v<decltype(CloseStream), CloseStreamFn>);
static_assert(std::is_same_v<decltype(ProcessStream), ProcessStreamFn>);
static_assert(std::is_same_v<decltype(CreateSettingsWindow), CreateSettingsWindowFn>);
