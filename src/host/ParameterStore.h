// Where a load or save goes: the host's arguments, passed on unchanged to the
// load/save driver, which picks one medium per call (the tree when given,
// else the registry when a root is given, else the profile file).
#pragma once

#include "host/HostContract.h"

struct ParameterStore {
    const char* profilePath = nullptr;
    const char* section = nullptr;
    RegistryRoot registryRoot = nullptr;
    SettingsNode* tree = nullptr;
};
