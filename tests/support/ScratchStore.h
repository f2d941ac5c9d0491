// A fresh store of each kind a plug-in keeps presets in, for tests: a
// profile file, a registry subkey, or a settings tree the test owns as the
// host. Stored words can be put and read back without the load/save driver.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "host/ParameterStore.h"
#include "host/PluginLibrary.h"
#include "support/PlatformFixture.h"

enum class StoreKind { kProfile, kRegistry, kTree };

std::string StoreKindName(StoreKind kind);

class ScratchStore {
  public:
    explicit ScratchStore(StoreKind kind);
    ~ScratchStore();
    ScratchStore(const ScratchStore&) = delete;
    ScratchStore& operator=(const ScratchStore&) = delete;

    StoreKind Kind() const { return kind_; }
    // The host's arguments naming this store.
    ParameterStore Arguments() const;
    const std::string& ProfilePath() const { return path_; }
    SettingsNode* Tree() const { return tree_; }

    // The stored 32-bit word of a parameter, put and read directly.
    void PutWord(const char* name, uint32_t value);
    std::optional<uint32_t> Word(const char* name) const;
    // A tree's parameter elements in order; each must hold exactly one
    // attribute, "Value" (an element that does not is listed as "name?").
    std::vector<std::string> ParameterElements() const;

    // Through a plug-in's entry points: Initialize or InitializeXml, and
    // SavePreset or SavePresetXml.
    SettingsHandle Initialize(const PluginLibrary& lib) const;
    int32_t Save(const PluginLibrary& lib, SettingsHandle settings) const;

  private:
    StoreKind kind_;
    std::string section_ = "Presets\\Test";
    ScratchFolder folder_;
    std::string path_;
    std::optional<ScratchRegistry> registry_;
    SettingsNode* tree_ = nullptr;
};
