#include "plughost/ParameterLimits.h"

#include <cstdint>

#include "persist/common/SharedString.h"
#include "plughost/HostError.h"

void CheckUsable(const PluginLibrary& lib, const PresetSource& preset) {
    if (PluginName(lib) != "High Pass Filter") return;
    for (const Parameter& parameter : StoredParameters(lib, preset.Create())) {
        const auto cutoff = static_cast<int32_t>(parameter.word);
        if (SameName(parameter.name.c_str(), "CutOffFreq") && cutoff < 1)
            throw HostError(ExitCode::kUsage,
                            "CutOffFreq " + std::to_string(cutoff) +
                                ": the High Pass Filter needs a cutoff of at least 1 Hz");
    }
}
