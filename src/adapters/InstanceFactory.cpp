#include "adapters/InstanceFactory.h"

#include <cmath>
#include <limits>
#include <new>

#include "adapters/HighPassInstance.h"
#include "adapters/SqueakInstance.h"

PluginInstance* CreateInstance(const PluginDescription& plugin, double sampleRate) noexcept {
    const double rate = std::round(sampleRate);
    if (!(rate >= 1.0 && rate <= std::numeric_limits<uint32_t>::max())) return nullptr;
    const auto rounded = static_cast<uint32_t>(rate);
    if (plugin.effect == Effect::kHighPass) {
        if (!HighPassInstance::Filters(rounded)) return nullptr;
        return new (std::nothrow) HighPassInstance(plugin, rounded);
    }
    return new (std::nothrow) SqueakInstance(plugin, rounded);
}
