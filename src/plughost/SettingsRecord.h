// A plug-in's settings record, released through the plug-in when dropped.
#pragma once

#include <utility>

#include "host/PluginLibrary.h"

class SettingsRecord {
  public:
    SettingsRecord() = default;
    SettingsRecord(const PluginLibrary& lib, SettingsHandle handle) : lib_(&lib), handle_(handle) {}
    SettingsRecord(SettingsRecord&& other) noexcept
        : lib_(other.lib_), handle_(std::exchange(other.handle_, nullptr)) {}
    SettingsRecord& operator=(SettingsRecord&& other) noexcept {
        std::swap(lib_, other.lib_);
        std::swap(handle_, other.handle_);
        return *this;
    }
    ~SettingsRecord() {
        if (handle_) lib_->Free(handle_);
    }

    SettingsHandle Get() const { return handle_; }

  private:
    const PluginLibrary* lib_ = nullptr;
    SettingsHandle handle_ = nullptr;
};
