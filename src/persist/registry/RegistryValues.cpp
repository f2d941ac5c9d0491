#include "persist/registry/RegistryValues.h"

#include <cstring>

#include "persist/common/AsciiCase.h"
#include "persist/common/Platform.h"

using namespace platform;

namespace {

constexpr std::string_view kMark = "RGV1";

void PutWord(std::string& out, uint32_t word) {
    for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((word >> shift) & 0xFF);
}

bool TakeWord(std::string_view& in, uint32_t& word) {
    if (in.size() < 4) return false;
    word = 0;
    for (int i = 3; i >= 0; --i) word = (word << 8) | static_cast<unsigned char>(in[i]);
    in.remove_prefix(4);
    return true;
}

bool TakeBytes(std::string_view& in, std::string& bytes) {
    uint32_t size;
    if (!TakeWord(in, size) || in.size() < size) return false;
    bytes.assign(in.substr(0, size));
    in.remove_prefix(size);
    return true;
}

}  // namespace

bool RegistryValues::Parse(std::string_view bytes) {
    values_.clear();
    if (!bytes.starts_with(kMark)) return false;
    bytes.remove_prefix(kMark.size());
    while (!bytes.empty()) {
        Value value;
        if (!TakeBytes(bytes, value.name) || !TakeWord(bytes, value.type) ||
            !TakeBytes(bytes, value.data)) {
            values_.clear();
            return false;
        }
        values_.push_back(std::move(value));
    }
    return true;
}

std::string RegistryValues::Serialize() const {
    std::string out(kMark);
    for (const Value& value : values_) {
        PutWord(out, static_cast<uint32_t>(value.name.size()));
        out += value.name;
        PutWord(out, value.type);
        PutWord(out, static_cast<uint32_t>(value.data.size()));
        out += value.data;
    }
    return out;
}

const RegistryValues::Value* RegistryValues::Find(std::string_view name) const {
    for (const Value& value : values_) {
        if (EqualIgnoringAsciiCase(value.name, name)) return &value;
    }
    return nullptr;
}

void RegistryValues::Set(std::string_view name, uint32_t type, std::string_view data) {
    for (Value& value : values_) {
        if (EqualIgnoringAsciiCase(value.name, name)) {
            value.type = type;
            value.data.assign(data);
            return;
        }
    }
    values_.push_back({std::string(name), type, std::string(data)});
}

int32_t RegistryValues::Query(std::string_view name, uint32_t* type, uint8_t* data,
                              uint32_t* size) const {
    const Value* value = Find(name);
    if (!value) {
        if (size && !data) *size = 0;
        return ERROR_FILE_NOT_FOUND;
    }
    const auto stored = static_cast<uint32_t>(value->data.size());
    int32_t status = ERROR_SUCCESS;
    if (data) {
        if (stored > *size) {
            status = ERROR_MORE_DATA;
        } else {
            std::memcpy(data, value->data.data(), stored);
            // A string stored without its terminator gets one where there is
            // room; the size reported stays the stored one.
            if (IsString(value->type) && stored > 0 && stored < *size && data[stored - 1] != 0)
                data[stored] = 0;
        }
    }
    if (type) *type = value->type;
    if (size) *size = stored;
    return status;
}

bool RegistryValues::IsString(uint32_t type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}
