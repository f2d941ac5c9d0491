// Parameters as values of one registry subkey below the host's root key.
//
// Every keyword is stored as type REG_NONE holding the value's own bytes:
// 4 bytes for "UINT", "DWORD", "INT" and "FLOAT", 8 for "DOUBLE", the
// characters without a terminator for "STRING", and for "LSS" the 4-byte size
// under "SIZE_LSS_" + name and the bytes under "DATA_LSS_" + name.
// Unrecognised tokens store and read nothing.
#pragma once

#include <memory>

#include "host/HostContract.h"
#include "persist/common/ParameterMedium.h"

class RegistryMedium final : public ParameterMedium {
  public:
    // Opens the subkey for reading, or creates it for writing; null when
    // that fails. The subkey is closed when the medium goes.
    static std::unique_ptr<RegistryMedium> Open(RegistryRoot root, const char* section,
                                                bool forWriting);
    ~RegistryMedium() override;

    void Load(Keyword keyword, const char* name, void* variable) override;
    bool Save(Keyword keyword, const char* name, const void* variable) override;

  private:
    explicit RegistryMedium(void* key) : key_(key) {}
    void* key_;
};
