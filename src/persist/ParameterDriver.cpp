#include "persist/ParameterDriver.h"

#include <array>
#include <cstdarg>
#include <memory>
#include <optional>

#include "persist/SaveLock.h"
#include "persist/Signature.h"
#include "persist/profile/ProfileMedium.h"
#include "persist/registry/RegistryMedium.h"
#include "persist/tree/TreeMedium.h"

namespace {

// Every space may end a token, empty ones included, so a signature of n
// characters holds at most n tokens.
constexpr size_t kMaxTokens = kMaxSignatureLength;

enum class Direction { kLoad, kSave };

using Variables = std::array<void*, kMaxTokens>;

// Takes one pointer per token from the caller's arguments; false for a
// signature refused for its length.
bool TakeVariables(const char* signature, va_list arguments, Variables& variables) {
    size_t count = 0;
    if (!WalkSignature(signature, [&](Keyword, size_t) { ++count; })) return false;
    for (size_t i = 0; i < count; ++i) variables[i] = va_arg(arguments, void*);
    return true;
}

int32_t Walk(Direction direction, const char* profilePath, const char* section,
             RegistryRoot registryRoot, SettingsNode* tree, const char* const* names,
             const char* signature, const Variables& variables) {
    const bool saving = direction == Direction::kSave;
    std::optional<SaveLock> lock;
    std::unique_ptr<ParameterMedium> medium;
    if (tree) {
        medium = std::make_unique<TreeMedium>(*tree);
    } else if (registryRoot) {
        if (saving) lock.emplace(registryRoot, section);
        medium = RegistryMedium::Open(registryRoot, section, saving);
        if (!medium) return saving ? 0 : 1;
    } else if (profilePath) {
        if (saving) lock.emplace(profilePath);
        medium = std::make_unique<ProfileMedium>(profilePath, section);
    } else {
        return 1;
    }
    // A write that fails does not stop the others, but fails the save.
    bool written = true;
    WalkSignature(signature, [&](Keyword keyword, size_t i) {
        if (saving)
            written = medium->Save(keyword, names[i], variables[i]) && written;
        else
            medium->Load(keyword, names[i], variables[i]);
    });
    return written ? 1 : 0;
}

}  // namespace

void LoadParameters(const char* profilePath, const char* section, RegistryRoot registryRoot,
                    SettingsNode* tree, const char* const* names, const char* signature, ...) {
    if (!signature) signature = "";
    Variables variables;
    va_list arguments;
    va_start(arguments, signature);
    const bool accepted = TakeVariables(signature, arguments, variables);
    va_end(arguments);
    if (accepted)
        Walk(Direction::kLoad, profilePath, section, registryRoot, tree, names, signature,
             variables);
}

int32_t SaveParameters(const char* profilePath, const char* section, RegistryRoot registryRoot,
                       SettingsNode* tree, const char* const* names, const char* signature, ...) {
    if (!signature) signature = "";
    Variables variables;
    va_list arguments;
    va_start(arguments, signature);
    const bool accepted = TakeVariables(signature, arguments, variables);
    va_end(arguments);
    if (!accepted) return 1;
    return Walk(Direction::kSave, profilePath, section, registryRoot, tree, names, signature,
                variables);
}
