#include "persist/profile/ProfileMedium.h"

#include <cstring>

#include "persist/common/Platform.h"
#include "persist/common/SharedString.h"
#include "persist/common/ValueText.h"

using namespace platform;

namespace {

// Text read back for a value: at most 1023 characters.
constexpr DWORD kReadBufferSize = 1024;

}  // namespace

void ProfileMedium::Load(Keyword keyword, const char* name, void* variable) {
    char text[kReadBufferSize];
    switch (keyword) {
        case Keyword::kUint:
        case Keyword::kDword:
        case Keyword::kInt: {
            auto& word = *static_cast<uint32_t*>(variable);
            word = GetPrivateProfileIntA(section_, name, static_cast<INT>(word), path_);
            break;
        }
        case Keyword::kFloat: {
            // A missing key still rounds the value to six significant digits.
            auto& value = *static_cast<float*>(variable);
            GetPrivateProfileStringA(section_, name, FormatGeneral(value).Text(), text,
                                     kReadBufferSize, path_);
            value = static_cast<float>(ParseReal(text));
            break;
        }
        case Keyword::kDouble: {
            auto& value = *static_cast<double*>(variable);
            GetPrivateProfileStringA(section_, name, FormatGeneral(value).Text(), text,
                                     kReadBufferSize, path_);
            value = ParseReal(text);
            break;
        }
        case Keyword::kString: {
            // Missing or empty: an empty string that owns no buffer.
            GetPrivateProfileStringA(section_, name, "", text, kReadBufferSize, path_);
            auto& string = *static_cast<SharedString*>(variable);
            string = text[0] ? SharedString(text) : SharedString();
            break;
        }
        case Keyword::kLss: {
            auto& block = *static_cast<LssBlock*>(variable);
            const UINT size = GetPrivateProfileIntA(section_, LssSizeName(name).c_str(), 0, path_);
            // A data key that is missing or does not decode leaves zeros, not
            // whatever a failed read wrote.
            if (AllocateLss(block, size) &&
                !GetPrivateProfileStructA(section_, LssDataName(name).c_str(), block.data,
                                          block.size, path_))
                std::memset(block.data, 0, block.size);
            break;
        }
        case Keyword::kUnknown:
            break;
    }
}

bool ProfileMedium::Save(Keyword keyword, const char* name, const void* variable) {
    const auto write = [&](const char* key, const char* text) {
        return WritePrivateProfileStringA(section_, key, text, path_) != FALSE;
    };
    switch (keyword) {
        case Keyword::kUint:
        case Keyword::kDword:
        case Keyword::kInt: {
            const auto word = *static_cast<const uint32_t*>(variable);
            return write(name, FormatDecimal(static_cast<int32_t>(word)).Text());
        }
        case Keyword::kFloat:
            return write(name, FormatGeneral(*static_cast<const float*>(variable)).Text());
        case Keyword::kDouble:
            return write(name, FormatGeneral(*static_cast<const double*>(variable)).Text());
        case Keyword::kString:
            // Written whole, whatever its length.
            return write(name, static_cast<const SharedString*>(variable)->Text());
        case Keyword::kLss: {
            const auto& block = *static_cast<const LssBlock*>(variable);
            if (!write(LssSizeName(name).c_str(),
                       FormatDecimal(static_cast<int32_t>(block.size)).Text()))
                return false;
            // A null buffer would delete the key: write an empty block instead.
            uint8_t nothing = 0;
            return WritePrivateProfileStructA(section_, LssDataName(name).c_str(),
                                              block.data ? block.data : &nothing,
                                              block.data ? block.size : 0, path_) != FALSE;
        }
        case Keyword::kUnknown:
            break;
    }
    return true;
}
