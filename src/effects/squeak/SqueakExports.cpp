// The Squeak library's exported entry points.
#include "effects/squeak/SqueakEffect.h"

using ExportedEffect = SqueakEffect;
#include "host/EntryPoints.h"
