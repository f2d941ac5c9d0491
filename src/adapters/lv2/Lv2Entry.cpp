// The LV2 plug-in library: every plug-in of the catalog behind lv2_descriptor.
#include <lv2/core/lv2.h>

#include <array>
#include <cstddef>

#include "adapters/Catalog.h"
#include "adapters/InstanceFactory.h"

namespace {

PluginInstance* InstanceOf(LV2_Handle handle) {
    return static_cast<PluginInstance*>(handle);
}

const PluginDescription& PluginOf(const LV2_Descriptor* descriptor);

LV2_Handle Instantiate(const LV2_Descriptor* descriptor, double sampleRate, const char*,
                       const LV2_Feature* const*) {
    return CreateInstance(PluginOf(descriptor), sampleRate);
}

void ConnectPort(LV2_Handle handle, uint32_t port, void* data) {
    InstanceOf(handle)->ConnectPort(port, static_cast<float*>(data));
}

void Activate(LV2_Handle handle) {
    InstanceOf(handle)->Activate();
}

void Run(LV2_Handle handle, uint32_t frames) {
    InstanceOf(handle)->Run(frames);
}

void Cleanup(LV2_Handle handle) {
    delete InstanceOf(handle);
}

const void* ExtensionData(const char*) {
    return nullptr;
}

constexpr auto kDescriptors = [] {
    std::array<LV2_Descriptor, kPlugins.size()> all{};
    for (size_t i = 0; i < kPlugins.size(); ++i) {
        all[i] = {kPlugins[i].uri, Instantiate, ConnectPort,  Activate, Run,
                  nullptr,         Cleanup,     ExtensionData};
    }
    return all;
}();

const PluginDescription& PluginOf(const LV2_Descriptor* descriptor) {
    return kPlugins[static_cast<size_t>(descriptor - kDescriptors.data())];
}

}  // namespace

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {
    return index < kDescriptors.size() ? &kDescriptors[index] : nullptr;
}
