// A named element of the settings tree with text attributes. Its table is
// its own, so a host that destroys an element this module made runs this
// module's destructor: the module must stay loaded while the host holds it.
#pragma once

#include <cstdint>

#include "persist/common/SharedString.h"
#include "persist/tree/AttributeArray.h"
#include "persist/tree/SettingsNode.h"

class SettingsElement : public SettingsNode {
  public:
    // This module's table for elements.
    static const Table kElementTable;

    SettingsElement() noexcept : SettingsNode(&kElementTable) {}
    explicit SettingsElement(const SharedString& name)
        : SettingsNode(&kElementTable), name_(name) {}
    // Releases the name, then each attribute's value and name, first to
    // last, then the attribute storage; then the node part.
    ~SettingsElement() = default;

    const SharedString& Name() const noexcept { return name_; }
    void SetName(const SharedString& name) { name_ = name; }
    const AttributeArray& Attributes() const noexcept { return attributes_; }

    // First attribute whose name matches (SameName); null when there is none.
    SettingsAttribute* FindAttribute(NameRef name) const noexcept { return attributes_.Find(name); }
    // Gives the first attribute named `name` (which keeps its stored name) a
    // copy of `value`, or appends the pair. Appending may move the entries.
    SettingsAttribute* SetAttribute(const SharedString& name, const SharedString& value);

    // Typed attributes. A read returns false (0 bytes for binary) and leaves
    // its output alone when the attribute is missing; a text that is not a
    // number still reads, as 0. Words are written as signed decimal text and
    // read back modulo 2^32, for signed and unsigned words alike.
    bool GetStringAttribute(NameRef name, SharedString* value) const;
    // Bytes from hexadecimal digit pairs, at most `max`; the count written.
    int32_t GetBinaryAttribute(NameRef name, void* buffer, int32_t max) const;
    bool GetFloatAttribute(NameRef name, float* value) const;
    bool GetDoubleAttribute(NameRef name, double* value) const;
    bool GetIntAttribute(NameRef name, uint32_t* value) const;
    bool GetIntAttribute(NameRef name, int32_t* value) const;
    void SetStringAttribute(const SharedString& name, const SharedString& value);
    // Two upper-case hexadecimal digits per byte. Throws std::length_error
    // when 2 * count exceeds the longest string.
    void SetBinaryAttribute(const SharedString& name, const void* bytes, uint32_t count);
    void SetFloatAttribute(const SharedString& name, float value);
    void SetDoubleAttribute(const SharedString& name, double value);
    void SetIntAttribute(const SharedString& name, uint32_t value);

  protected:
    // For element classes with a table of their own.
    explicit SettingsElement(const Table* table) noexcept : SettingsNode(table) {}

  private:
    friend struct SettingsLayout;

    AttributeArray attributes_;
    SharedString name_;
    [[maybe_unused]] uint32_t reserved_ = 0;  // the host's; never read or changed here
};
