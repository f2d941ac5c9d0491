// A plug-in that passes its input through unchanged but stops short: after
// 30000 frames every ProcessStream call pulls its input and returns 0.
#include <cstdint>

#include "host/HostContract.h"

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr uint64_t kLastFrame = 30000;

struct Record {
    StreamCallback callback = nullptr;
    void* user = nullptr;
    uint64_t processed = 0;
};

int32_t Make(SettingsHandle* handle) {
    *handle = new Record;
    return 1;
}

}  // namespace

EXPORT int32_t PlugInInfo(PlugInInfoRecord* info) {
    if (info->size != kPlugInInfoSize) return 0;
    *info = {kPlugInInfoSize, 0, "Short", kVendorName, kInformationWord, 0};
    return 1;
}
EXPORT int32_t Initialize(const char*, const char*, RegistryRoot, SettingsHandle* handle) {
    return Make(handle);
}
EXPORT int32_t InitializeXml(SettingsNode*, SettingsHandle* handle) {
    return Make(handle);
}
EXPORT int32_t LoadPreset(const char*, const char*, RegistryRoot, SettingsHandle*) {
    return 1;
}
EXPORT int32_t SavePreset(const char*, const char*, RegistryRoot, SettingsHandle) {
    return 1;
}
EXPORT int32_t SavePresetXml(SettingsNode*, SettingsHandle) {
    return 1;
}
EXPORT int32_t CopySettings(SettingsHandle* handle, SettingsHandle) {
    return Make(handle);
}
EXPORT void Free(SettingsHandle settings) {
    delete static_cast<Record*>(settings);
}
EXPORT int32_t SetStreamCallBack(StreamCallback callback, void* user, SettingsHandle settings) {
    auto& record = *static_cast<Record*>(settings);
    record.callback = callback;
    record.user = user;
    return 1;
}
EXPORT int32_t OpenStream(SettingsHandle, const StreamFormat*) {
    return 1;
}
EXPORT int32_t CloseStream(SettingsHandle) {
    return 1;
}
EXPORT uint32_t ProcessStream(StreamBuffer* buffer, SettingsHandle settings) {
    auto& record = *static_cast<Record*>(settings);
    const uint32_t delivered = record.callback(record.user, buffer);
    if (record.processed >= kLastFrame) return 0;
    record.processed += delivered;
    return delivered;
}
EXPORT int32_t CreateSettingsWindow() {
    return 0;
}
