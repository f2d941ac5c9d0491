// The load/save driver: a flat list of parameters, described by a signature
// of type keywords and a names table, read from or written to one medium.
//
// The medium is chosen per call: the settings tree when one is given, else
// the registry subkey `section` below `registryRoot` when a root is given,
// else section `section` of the profile file `profilePath` when a path is
// given, else nothing.
//
// After the six arguments come one pointer per signature token, in token
// order, to the caller's variable: uint32_t for "UINT" and "DWORD", int32_t
// for "INT", float, double, SharedString for "STRING" and LssBlock for
// "LSS". Every token takes one name and one pointer, empty and unrecognised
// tokens included.
#pragma once

#include <cstdint>

#include "host/HostContract.h"
#include "persist/common/ParameterMedium.h"

// Reads every stored value into its variable; a value the medium lacks
// leaves its variable as it was (for "FLOAT" and "DOUBLE" in a profile file:
// rounded to six significant digits). A signature longer than 1023
// characters reads nothing.
void LoadParameters(const char* profilePath, const char* section, RegistryRoot registryRoot,
                    SettingsNode* tree, const char* const* names, const char* signature, ...);

// Writes every value, holding a SaveLock on the profile file or registry key
// for the whole call. 0 when the registry was chosen and its subkey could be
// neither created nor opened (nothing is written then), or when a write into
// the profile file or the registry key failed (the other values are written
// all the same); 1 otherwise, also when no medium is given or the signature
// is refused for its length.
int32_t SaveParameters(const char* profilePath, const char* section, RegistryRoot registryRoot,
                       SettingsNode* tree, const char* const* names, const char* signature, ...);
