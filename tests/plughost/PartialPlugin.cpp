// A library that offers only some of the thirteen entry points.
#include <cstdint>

extern "C" __attribute__((visibility("default"))) int32_t PlugInInfo(void*) {
    return 0;
}
extern "C" __attribute__((visibility("default"))) int32_t CreateSettingsWindow() {
    return 0;
}
