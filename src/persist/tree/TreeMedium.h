// Parameters as elements of a settings tree: one child element per
// parameter, its value in the attribute "Value".
#pragma once

#include "persist/common/ParameterMedium.h"

class SettingsNode;

class TreeMedium final : public ParameterMedium {
  public:
    explicit TreeMedium(SettingsNode& node) : node_(node) {}

    void Load(Keyword keyword, const char* name, void* variable) override;
    bool Save(Keyword keyword, const char* name, const void* variable) override;

  private:
    SettingsNode& node_;
};
