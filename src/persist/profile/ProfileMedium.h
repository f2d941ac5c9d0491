// Parameters as keys of one section of a profile (INI) file, through the
// private-profile functions.
#pragma once

#include "persist/common/ParameterMedium.h"

class ProfileMedium final : public ParameterMedium {
  public:
    ProfileMedium(const char* path, const char* section) : path_(path), section_(section) {}

    void Load(Keyword keyword, const char* name, void* variable) override;
    bool Save(Keyword keyword, const char* name, const void* variable) override;

  private:
    const char* path_;
    const char* section_;
};
