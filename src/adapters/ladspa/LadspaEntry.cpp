// The LADSPA library: every plug-in of the catalog behind ladspa_descriptor.
#include <ladspa.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "adapters/Catalog.h"
#include "adapters/InstanceFactory.h"
#include "host/HostContract.h"

namespace {

constexpr uint32_t kMaxPorts = 4 + kMaxControls;

// The default hint that gives exactly the port's default: one of the fixed
// values, or one of the bound-derived ones (linear: the ports with a
// logarithmic hint have a fixed-value default).
constexpr LADSPA_PortRangeHintDescriptor DefaultHint(const ParameterDescription& port) {
    const auto lo = static_cast<float>(port.minimum), hi = static_cast<float>(port.maximum),
               d = static_cast<float>(port.defaultValue);
    if (d == 0) return LADSPA_HINT_DEFAULT_0;
    if (d == 1) return LADSPA_HINT_DEFAULT_1;
    if (d == 100) return LADSPA_HINT_DEFAULT_100;
    if (d == 440) return LADSPA_HINT_DEFAULT_440;
    if (d == lo) return LADSPA_HINT_DEFAULT_MINIMUM;
    if (d == hi) return LADSPA_HINT_DEFAULT_MAXIMUM;
    if (port.logarithmic) return LADSPA_HINT_DEFAULT_NONE;
    if (d == lo * 0.75f + hi * 0.25f) return LADSPA_HINT_DEFAULT_LOW;
    if (d == lo * 0.5f + hi * 0.5f) return LADSPA_HINT_DEFAULT_MIDDLE;
    if (d == lo * 0.25f + hi * 0.75f) return LADSPA_HINT_DEFAULT_HIGH;
    return LADSPA_HINT_DEFAULT_NONE;
}

constexpr bool EveryDefaultExpressible() {
    for (const PluginDescription& plugin : kPlugins) {
        for (const ParameterDescription& port : plugin.controls) {
            if (DefaultHint(port) == LADSPA_HINT_DEFAULT_NONE) return false;
            // A toggle takes no bounds, and a default of 0 or 1 only.
            if (IsToggle(port) && port.defaultValue > 1) return false;
        }
    }
    return true;
}
static_assert(EveryDefaultExpressible(), "a control's default has no LADSPA hint");

// The header allows a toggled hint only with a default of 0 or 1 and no
// other hint; the other controls are bounded integers.
LADSPA_PortRangeHint HintOf(const ParameterDescription& port) {
    if (IsToggle(port)) return {LADSPA_HINT_TOGGLED | DefaultHint(port), 0, 0};
    LADSPA_PortRangeHintDescriptor hint = LADSPA_HINT_BOUNDED_BELOW | LADSPA_HINT_BOUNDED_ABOVE |
                                          LADSPA_HINT_INTEGER | DefaultHint(port);
    if (port.logarithmic) hint |= LADSPA_HINT_LOGARITHMIC;
    return {hint, static_cast<float>(port.minimum), static_cast<float>(port.maximum)};
}

PluginInstance* InstanceOf(LADSPA_Handle handle) {
    return static_cast<PluginInstance*>(handle);
}

struct Descriptor {
    LADSPA_Descriptor ladspa;
    std::array<char, 64> name;  // the plug-in's name and kLadspaSuffix
    std::array<LADSPA_PortDescriptor, kMaxPorts> portKinds;
    std::array<const char*, kMaxPorts> portNames;
    std::array<LADSPA_PortRangeHint, kMaxPorts> hints;
};

// The LADSPA descriptor is the first member, so its address is the entry's.
const PluginDescription& PluginOf(const LADSPA_Descriptor* descriptor);

LADSPA_Handle Instantiate(const LADSPA_Descriptor* descriptor, unsigned long sampleRate) {
    return CreateInstance(PluginOf(descriptor), static_cast<double>(sampleRate));
}

void ConnectPort(LADSPA_Handle handle, unsigned long port, LADSPA_Data* data) {
    if (port <= UINT32_MAX) InstanceOf(handle)->ConnectPort(static_cast<uint32_t>(port), data);
}

void Activate(LADSPA_Handle handle) {
    InstanceOf(handle)->Activate();
}

void Run(LADSPA_Handle handle, unsigned long frames) {
    InstanceOf(handle)->Run(static_cast<uint32_t>(frames));
}

void Cleanup(LADSPA_Handle handle) {
    delete InstanceOf(handle);
}

// Fills `d` for `plugin`, pointing it at its own port tables.
void Describe(const PluginDescription& plugin, Descriptor& d) {
    const uint32_t firstControl = plugin.FirstControl();
    for (uint32_t p = 0; p < plugin.PortCount(); ++p) {
        if (p < firstControl) {
            d.portKinds[p] = LADSPA_PORT_AUDIO |
                             (IsAudioInput(plugin, p) ? LADSPA_PORT_INPUT : LADSPA_PORT_OUTPUT);
            d.portNames[p] = AudioPortName(plugin, p);
        } else {
            const ParameterDescription& port = plugin.controls[p - firstControl];
            d.portKinds[p] = LADSPA_PORT_CONTROL | LADSPA_PORT_INPUT;
            d.portNames[p] = port.label;
            d.hints[p] = HintOf(port);
        }
    }
    LADSPA_Descriptor& l = d.ladspa;
    l.UniqueID = plugin.ladspaId;
    l.Label = plugin.ladspaLabel;
    l.Properties = LADSPA_PROPERTY_HARD_RT_CAPABLE;
    std::snprintf(d.name.data(), d.name.size(), "%s%s", plugin.name, kLadspaSuffix);
    l.Name = d.name.data();
    l.Maker = kVendorName;
    l.Copyright = kVendorName;
    l.PortCount = plugin.PortCount();
    l.PortDescriptors = d.portKinds.data();
    l.PortNames = d.portNames.data();
    l.PortRangeHints = d.hints.data();
    l.instantiate = Instantiate;
    l.connect_port = ConnectPort;
    l.activate = Activate;
    l.run = Run;
    l.cleanup = Cleanup;
}

struct Library {
    Library() {
        for (size_t i = 0; i < kPlugins.size(); ++i) Describe(kPlugins[i], entries[i]);
    }
    std::array<Descriptor, kPlugins.size()> entries{};
};

// Made on the first call of ladspa_descriptor, before any instance exists.
const Library& TheLibrary() {
    static const Library library;
    return library;
}

const PluginDescription& PluginOf(const LADSPA_Descriptor* descriptor) {
    const auto* entry = reinterpret_cast<const Descriptor*>(descriptor);
    return kPlugins[static_cast<size_t>(entry - TheLibrary().entries.data())];
}

}  // namespace

extern "C" __attribute__((visibility("default"))) const LADSPA_Descriptor* ladspa_descriptor(
    unsigned long index) {
    const auto& entries = TheLibrary().entries;
    return index < entries.size() ? &entries[index].ladspa : nullptr;
}
