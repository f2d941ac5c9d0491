// The attributes of a settings element: contiguous pairs in insertion order,
// in storage from the C runtime's heap so that the host may grow or release
// an array the plug-in made, and the other way round.
#pragma once

#include <cstdint>

#include "persist/tree/SettingsAttribute.h"

class AttributeArray {
  public:
    AttributeArray() noexcept = default;
    AttributeArray(const AttributeArray&) = delete;
    AttributeArray& operator=(const AttributeArray&) = delete;
    // Destroys the pairs first to last, then releases the storage.
    ~AttributeArray();

    SettingsAttribute* begin() const noexcept { return begin_; }
    SettingsAttribute* end() const noexcept { return end_; }
    uint32_t Count() const noexcept { return static_cast<uint32_t>(end_ - begin_); }
    // Entries allocated, in use or not.
    uint32_t Capacity() const noexcept { return static_cast<uint32_t>(capacityEnd_ - begin_); }

    // First pair whose name matches (SameName); null when there is none.
    SettingsAttribute* Find(NameRef name) const noexcept;

    // Appends (copy of name, copy of value). A full array moves to new
    // storage of count + max(count, 1) entries, so pointers to entries are
    // valid only until the next append.
    SettingsAttribute* Append(const SharedString& name, const SharedString& value);

  private:
    friend struct SettingsLayout;

    void Grow();

    uint8_t tag_ = 0;  // no meaning
    SettingsAttribute* begin_ = nullptr;
    SettingsAttribute* end_ = nullptr;
    SettingsAttribute* capacityEnd_ = nullptr;
};
