#include "persist/registry/RegistryMedium.h"

#include "persist/common/Platform.h"
#include "persist/common/SharedString.h"

using namespace platform;

namespace {

HKEY Key(void* key) {
    return static_cast<HKEY>(key);
}

// Reads a value into `size` bytes at `data`; the bytes stay as they were
// when the value is missing or larger.
void Query(void* key, const char* name, void* data, DWORD size) {
    RegQueryValueExA(Key(key), name, nullptr, nullptr, static_cast<LPBYTE>(data), &size);
}

bool Store(void* key, const char* name, const void* data, DWORD size) {
    return RegSetValueExA(Key(key), name, 0, REG_NONE, static_cast<const BYTE*>(data), size) ==
           ERROR_SUCCESS;
}

void LoadString(void* key, const char* name, SharedString& string) {
    DWORD size = 0;
    if (RegQueryValueExA(Key(key), name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) return;
    if (size == 0) {
        string = SharedString();
        return;
    }
    LONG result = ERROR_SUCCESS;
    SharedString read = SharedString::Filled(size, [&](char* characters) {
        DWORD got = size;
        result = RegQueryValueExA(Key(key), name, nullptr, nullptr,
                                  reinterpret_cast<LPBYTE>(characters), &got);
    });
    if (result != ERROR_SUCCESS) return;
    // A string value written by other means may carry its terminator.
    if (read.Text()[size - 1] == '\0') read.Resize(size - 1);
    string = std::move(read);
}

}  // namespace

std::unique_ptr<RegistryMedium> RegistryMedium::Open(RegistryRoot root, const char* section,
                                                     bool forWriting) {
    const RootKey rootKey(root);
    HKEY key = nullptr;
    const LONG result = forWriting ? RegCreateKeyExA(rootKey, section, 0, nullptr, 0, KEY_WRITE,
                                                     nullptr, &key, nullptr)
                                   : RegOpenKeyExA(rootKey, section, 0, KEY_READ, &key);
    if (result != ERROR_SUCCESS) return nullptr;
    return std::unique_ptr<RegistryMedium>(new RegistryMedium(key));
}

RegistryMedium::~RegistryMedium() {
    RegCloseKey(Key(key_));
}

void RegistryMedium::Load(Keyword keyword, const char* name, void* variable) {
    switch (keyword) {
        case Keyword::kUint:
        case Keyword::kDword:
        case Keyword::kInt:
        case Keyword::kFloat:
            Query(key_, name, variable, 4);
            break;
        case Keyword::kDouble:
            Query(key_, name, variable, 8);
            break;
        case Keyword::kString:
            LoadString(key_, name, *static_cast<SharedString*>(variable));
            break;
        case Keyword::kLss: {
            auto& block = *static_cast<LssBlock*>(variable);
            uint32_t size = 0;
            Query(key_, LssSizeName(name).c_str(), &size, 4);
            if (AllocateLss(block, size)) Query(key_, LssDataName(name).c_str(), block.data, size);
            break;
        }
        case Keyword::kUnknown:
            break;
    }
}

bool RegistryMedium::Save(Keyword keyword, const char* name, const void* variable) {
    switch (keyword) {
        case Keyword::kUint:
        case Keyword::kDword:
        case Keyword::kInt:
        case Keyword::kFloat:
            return Store(key_, name, variable, 4);
        case Keyword::kDouble:
            return Store(key_, name, variable, 8);
        case Keyword::kString: {
            const auto& string = *static_cast<const SharedString*>(variable);
            return Store(key_, name, string.Text(), string.Length());
        }
        case Keyword::kLss: {
            const auto& block = *static_cast<const LssBlock*>(variable);
            return Store(key_, LssSizeName(name).c_str(), &block.size, 4) &&
                   Store(key_, LssDataName(name).c_str(), block.data, block.data ? block.size : 0);
        }
        case Keyword::kUnknown:
            break;
    }
    return true;
}
