// The high-pass library's exported entry points.
#include "effects/highpass/HighPassEffect.h"

using ExportedEffect = HighPassEffect;
#include "host/EntryPoints.h"
