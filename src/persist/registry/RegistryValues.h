// The values of one registry key as they are kept in the key's value file:
// name, type and bytes of each, in the order they were first set.
//
// File layout, all numbers 32-bit little-endian:
//     "RGV1"                                    format mark
//     per value: name size, name bytes (no terminator), type,
//                data size, data bytes
// The name keeps the case it was first set with; lookups ignore ASCII case.
// The default value has the empty name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class RegistryValues {
  public:
    struct Value {
        std::string name;
        uint32_t type;
        std::string data;
    };

    // Takes the values of a value file; false (and no values) when the bytes
    // are not one.
    bool Parse(std::string_view bytes);
    std::string Serialize() const;

    const Value* Find(std::string_view name) const;
    void Set(std::string_view name, uint32_t type, std::string_view data);

    // RegQueryValueExA on these values: the value's type and size, and its
    // bytes into `data` when they fit in `*size`. Returns ERROR_SUCCESS,
    // ERROR_FILE_NOT_FOUND or ERROR_MORE_DATA, as the Win32 call does.
    int32_t Query(std::string_view name, uint32_t* type, uint8_t* data, uint32_t* size) const;

    // REG_SZ, REG_EXPAND_SZ or REG_MULTI_SZ: a type whose data ends in a
    // terminator.
    static bool IsString(uint32_t type);

  private:
    std::vector<Value> values_;
};
