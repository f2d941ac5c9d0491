// A registry key's value file holding arbitrary bytes, in memory: the bytes
// are either rejected as a whole, as corrupt, or read consistently: the
// values give back the very bytes, every value reads as stored through the
// query that RegQueryValueExA makes on them, and setting one changes that
// value alone.
#include <cstring>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "persist/common/AsciiCase.h"
#include "persist/common/Platform.h"
#include "persist/registry/RegistryValues.h"

using namespace platform;

namespace {

// The value file format read independently: "RGV1", then per value its name
// size and name, type, data size and data, sizes and type 32-bit
// little-endian, nothing left over.
struct Record {
    std::string name;
    uint32_t type;
    std::string data;
};

bool TakeWord(std::string_view& in, uint32_t& word) {
    if (in.size() < 4) return false;
    const auto* b = reinterpret_cast<const unsigned char*>(in.data());
    word = b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24;
    in.remove_prefix(4);
    return true;
}

bool TakeText(std::string_view& in, std::string& text) {
    uint32_t size;
    if (!TakeWord(in, size) || size > in.size()) return false;
    text = in.substr(0, size);
    in.remove_prefix(size);
    return true;
}

bool ParseRecords(std::string_view in, std::vector<Record>& records) {
    if (in.substr(0, 4) != "RGV1") return false;
    in.remove_prefix(4);
    while (!in.empty()) {
        Record r;
        if (!TakeText(in, r.name) || !TakeWord(in, r.type) || !TakeText(in, r.data)) {
            records.clear();
            return false;
        }
        records.push_back(std::move(r));
    }
    return true;
}

std::string Word(uint32_t w) {
    return {static_cast<char>(w), static_cast<char>(w >> 8), static_cast<char>(w >> 16),
            static_cast<char>(w >> 24)};
}

std::string Serialized(const std::vector<Record>& records) {
    std::string out = "RGV1";
    for (const Record& r : records) {
        out += Word(static_cast<uint32_t>(r.name.size())) + r.name + Word(r.type) +
               Word(static_cast<uint32_t>(r.data.size())) + r.data;
    }
    return out;
}

// The value a query by this name finds: the first of that name.
const Record* Find(const std::vector<Record>& records, std::string_view name) {
    for (const Record& r : records) {
        if (EqualIgnoringAsciiCase(r.name, name)) return &r;
    }
    return nullptr;
}

bool IsString(uint32_t type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// Every way the stores and hosts query a value: its size, and its bytes into
// buffers of the size, one more and one less.
void CheckQueries(const RegistryValues& values, const std::string& name, const Record* expected) {
    DWORD type = 0x5A5A;
    DWORD size = 0x5A5A;
    const LONG status = values.Query(name, &type, nullptr, &size);
    if (!expected) {
        Check(status == ERROR_FILE_NOT_FOUND && size == 0 && type == 0x5A5A);
        return;
    }
    const auto stored = static_cast<DWORD>(expected->data.size());
    Check(status == ERROR_SUCCESS && type == expected->type && size == stored);

    for (const DWORD capacity : {stored, stored + 1, stored > 0 ? stored - 1 : 0u}) {
        // One byte beyond the capacity, which must stay as it is.
        std::vector<BYTE> data(capacity + 1, 0xA5);
        size = capacity;
        const LONG got = values.Query(name, nullptr, data.data(), &size);
        Check(size == stored && data[capacity] == 0xA5);
        if (capacity < stored) {
            Check(got == ERROR_MORE_DATA && data == std::vector<BYTE>(capacity + 1, 0xA5));
            continue;
        }
        Check(got == ERROR_SUCCESS && std::memcmp(data.data(), expected->data.data(), stored) == 0);
        // A string stored without its terminator gets one where there is room.
        if (capacity > stored) {
            const bool terminated =
                IsString(expected->type) && stored > 0 && expected->data.back() != '\0';
            Check(data[stored] == (terminated ? 0 : 0xA5));
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(bytes), size);
    std::vector<Record> records;
    const bool valid = ParseRecords(input, records);

    RegistryValues values;
    values.Set("left over", REG_NONE, "x");
    Check(values.Parse(input) == valid);
    Check(values.Serialize() == (valid ? std::string(input) : "RGV1"));
    for (const Record& r : records) {
        const RegistryValues::Value* found = values.Find(r.name);
        const Record* first = Find(records, r.name);
        Check(found && found->name == first->name && found->type == first->type &&
              found->data == first->data);
    }

    std::vector<std::string> names = {"", "NewValue"};
    for (const Record& r : records) names.push_back(r.name.c_str());
    if (!valid) return 0;
    for (const std::string& name : names) CheckQueries(values, name, Find(records, name));

    // Set a value: a new one, or the first one under another letter case.
    std::string name = "NewValue";
    if (!records.empty() && size % 2 == 0) {
        name = records.front().name.c_str();
        for (char& c : name) c = c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c;
    }
    const char word[4] = {static_cast<char>(size), 1, 2, 3};
    values.Set(name, REG_NONE, std::string_view(word, sizeof word));
    const std::string data(word, sizeof word);
    bool replaced = false;
    for (Record& r : records) {
        if (!EqualIgnoringAsciiCase(r.name, name)) continue;
        r.type = REG_NONE;
        r.data = data;
        replaced = true;
        break;
    }
    if (!replaced) records.push_back({name, REG_NONE, data});
    Check(values.Serialize() == Serialized(records));
    names.push_back(name);
    for (const std::string& n : names) CheckQueries(values, n, Find(records, n));
    return 0;
}
