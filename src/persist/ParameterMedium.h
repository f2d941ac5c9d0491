// One medium of the load/save driver: reads or writes a single parameter
// given its keyword, its name and the caller's variable.
#pragma once

#include <cstdint>

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
    // medium too, so that it may decide; most ignore them.
    virtual void Load(Keyword keyword, const char* name, void* variable) = 0;
    virtual void Save(Keyword keyword, const char* name, const void* variable) = 0;
};
