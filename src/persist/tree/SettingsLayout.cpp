// Compiles the layout checks with the library, so that no build of a module
// that shares the tree can get the byte layout wrong.
#include "persist/tree/SettingsLayout.h"
