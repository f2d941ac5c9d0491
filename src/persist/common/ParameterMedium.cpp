#include "persist/common/ParameterMedium.h"

#include <cstdlib>

std::string LssSizeName(const char* name) {
    return std::string("SIZE_LSS_") + (name ? name : "");
}

std::string LssDataName(const char* name) {
    return std::string("DATA_LSS_") + (name ? name : "");
}

bool AllocateLss(LssBlock& block, uint32_t size) {
    // Never a zero-byte request, whose result may be null.
    block.data = static_cast<uint8_t*>(std::calloc(size ? size : 1, 1));
    block.size = block.data ? size : 0;
    return block.data != nullptr;
}
