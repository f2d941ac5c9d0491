// One attribute of a settings element: a name and its value, both tree
// strings, laid out as the host lays them out.
#pragma once

#include "persist/common/SharedString.h"

struct SettingsAttribute {
    SharedString name;
    SharedString value;
    // Members are destroyed in reverse order: the value, then the name.
};
