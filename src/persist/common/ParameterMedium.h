// One medium of the load/save driver: reads or writes a single parameter
// given its keyword, its name and the caller's variable.
#pragma once

#include <cstdint>
#include <string>

// The type keywords of a parameter signature, in the order they are tried.
enum class Keyword { kUint, kDword, kInt, kFloat, kDouble, kString, kLss, kUnknown };

// The record behind an "LSS" parameter: a block of raw bytes.
struct LssBlock {
    uint32_t size;
    uint8_t* data;
};

class ParameterMedium {
  public:
    virtual ~ParameterMedium() = default;
    // `variable` points to the type the keyword names (uint32_t, int32_t,
    // float, double, SharedString, LssBlock). Unknown keywords reach the
    // medium too, so that it may decide; most ignore them. Save returns false
    // when the store refused a write.
    virtual void Load(Keyword keyword, const char* name, void* variable) = 0;
    virtual bool Save(Keyword keyword, const char* name, const void* variable) = 0;
};

// "SIZE_LSS_" or "DATA_LSS_" followed by the parameter's name: the two keys
// of an "LSS" parameter.
std::string LssSizeName(const char* name);
std::string LssDataName(const char* name);

// Gives `block` a new zero-filled buffer of `size` bytes from the C heap
// (the caller releases it with free). Without memory the block is left empty
// (size 0, no data) and the result is false.
bool AllocateLss(LssBlock& block, uint32_t size);
