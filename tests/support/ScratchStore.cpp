#include "support/ScratchStore.h"

#include "persist/common/ValueText.h"
#include "persist/tree/SettingsElement.h"

using namespace platform;

std::string StoreKindName(StoreKind kind) {
    switch (kind) {
        case StoreKind::kProfile:
            return "Profile";
        case StoreKind::kRegistry:
            return "Registry";
        case StoreKind::kTree:
            return "Tree";
    }
    return "";
}

ScratchStore::ScratchStore(StoreKind kind) : kind_(kind), path_(folder_.Path("presets.ini")) {
    if (kind == StoreKind::kRegistry) registry_.emplace();
    if (kind == StoreKind::kTree) tree_ = SettingsNode::Create();
}

ScratchStore::~ScratchStore() {
    SettingsNode::Destroy(tree_);
}

ParameterStore ScratchStore::Arguments() const {
    switch (kind_) {
        case StoreKind::kProfile:
            return {path_.c_str(), section_.c_str(), nullptr, nullptr};
        case StoreKind::kRegistry:
            return {nullptr, section_.c_str(), registry_->Root(), nullptr};
        case StoreKind::kTree:
            break;
    }
    return {nullptr, nullptr, nullptr, tree_};
}

void ScratchStore::PutWord(const char* name, uint32_t value) {
    switch (kind_) {
        case StoreKind::kProfile:
            WritePrivateProfileStringA(section_.c_str(), name,
                                       FormatDecimal(static_cast<int32_t>(value)).Text(),
                                       path_.c_str());
            break;
        case StoreKind::kRegistry: {
            const RootKey root(registry_->Root());
            HKEY key = nullptr;
            if (RegCreateKeyExA(root, section_.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                                nullptr) == ERROR_SUCCESS) {
                RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
                RegCloseKey(key);
            }
            break;
        }
        case StoreKind::kTree:
            tree_->SetDwordValue(name, value);
            break;
    }
}

std::optional<uint32_t> ScratchStore::Word(const char* name) const {
    switch (kind_) {
        case StoreKind::kProfile: {
            char text[64];
            GetPrivateProfileStringA(section_.c_str(), name, "missing", text, sizeof text,
                                     path_.c_str());
            if (std::string(text) == "missing") return std::nullopt;
            return ParseWord(text);
        }
        case StoreKind::kRegistry: {
            const RootKey root(registry_->Root());
            HKEY key = nullptr;
            if (RegOpenKeyExA(root, section_.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
                return std::nullopt;
            uint32_t value = 0;
            DWORD size = sizeof value;
            const LONG result = RegQueryValueExA(key, name, nullptr, nullptr,
                                                 reinterpret_cast<LPBYTE>(&value), &size);
            RegCloseKey(key);
            if (result != ERROR_SUCCESS || size != 4) return std::nullopt;
            return value;
        }
        case StoreKind::kTree: {
            uint32_t value = 0;
            if (!tree_->GetDwordValue(name, &value)) return std::nullopt;
            return value;
        }
    }
    return std::nullopt;
}

std::vector<std::string> ScratchStore::ParameterElements() const {
    std::vector<std::string> names;
    for (SettingsNode* child = tree_->FirstChild(); child; child = child->NextSibling()) {
        const auto& element = *static_cast<const SettingsElement*>(child);
        const AttributeArray& attributes = element.Attributes();
        const bool valueOnly =
            attributes.Count() == 1 && std::string(attributes.begin()->name.Text()) == "Value";
        names.push_back(std::string(element.Name().Text()) + (valueOnly ? "" : "?"));
    }
    return names;
}

SettingsHandle ScratchStore::Initialize(const PluginLibrary& lib) const {
    SettingsHandle handle = nullptr;
    const ParameterStore store = Arguments();
    const int32_t result =
        kind_ == StoreKind::kTree
            ? lib.InitializeXml(store.tree, &handle)
            : lib.Initialize(store.profilePath, store.section, store.registryRoot, &handle);
    return result == 1 ? handle : nullptr;
}

int32_t ScratchStore::Save(const PluginLibrary& lib, SettingsHandle settings) const {
    const ParameterStore store = Arguments();
    return kind_ == StoreKind::kTree
               ? lib.SavePresetXml(store.tree, settings)
               : lib.SavePreset(store.profilePath, store.section, store.registryRoot, settings);
}
