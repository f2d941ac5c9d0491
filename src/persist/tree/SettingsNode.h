// A node of the settings tree that a host passes to InitializeXml and
// SavePresetXml. The record is shared byte for byte with hosts built
// elsewhere, so its class table is explicit rather than a C++ virtual table
// (whose layout is the compiler's): the first word points to a table whose
// one entry is the node class's deleting destructor. Destroying a node goes
// through that table, so the module that made a node releases it.
//
// A node's typed values live in child elements, so SettingsNode.cpp and
// SettingsElement (a node) use each other: the one include cycle in persist/.
#pragma once

#include <cstdint>

#include "persist/common/SharedString.h"

class SettingsElement;

// Table entries follow the platform's rule for member calls: the receiver
// in ECX on 32-bit Windows, the plain C convention elsewhere.
#if defined(_WIN32) && defined(__i386__)
#define SETTINGS_THISCALL __attribute__((thiscall))
#else
#define SETTINGS_THISCALL
#endif

class SettingsNode {
  public:
    // Destroys the node and, with kReleaseMemory in `flags`, releases its
    // memory. Returns the node's address, which callers ignore.
    using DeletingDestructor = void*(SETTINGS_THISCALL*)(SettingsNode* node, uint32_t flags);
    struct Table {
        DeletingDestructor deletingDestructor;
    };
    static constexpr uint32_t kReleaseMemory = 1;
    // This module's table for plain nodes.
    static const Table kNodeTable;

    SettingsNode() noexcept : SettingsNode(&kNodeTable) {}
    // Leaves the parent's child list, then destroys every child, first to
    // last, through the child's own table.
    ~SettingsNode();
    SettingsNode(const SettingsNode&) = delete;
    SettingsNode& operator=(const SettingsNode&) = delete;

    // A node on this module's heap, for Destroy to release.
    static SettingsNode* Create();
    // Destroys a node that was made on a heap, with its subtree, through
    // the node's own table; null is ignored.
    static void Destroy(SettingsNode* node);

    const Table* GetTable() const noexcept { return table_; }
    SettingsNode* FirstChild() const noexcept { return firstChild_; }
    SettingsNode* NextSibling() const noexcept { return nextSibling_; }
    SettingsNode* Parent() const noexcept { return parent_; }
    SettingsNode* LastChild() const noexcept { return lastChild_; }

    // Links `node` in after the child `after`, or last when `after` is null
    // or not a child of this node; a node in another list leaves it first.
    void InsertChild(SettingsNode* node, SettingsNode* after);
    // Unlinks `node` when it is a child of this node.
    void RemoveChild(SettingsNode* node);

    // Every child is taken to be an element. First match (SameName) or null.
    SettingsElement* FindChildElement(NameRef name) const;
    // A new element of this module, appended as the last child.
    SettingsElement* CreateChildElement(const SharedString& name);

    // Parameter values: the attribute "Value" of the first child element
    // named `name`. A read returns false (0 bytes for binary) and leaves its
    // output alone when the element or its "Value" is missing; a write
    // appends the element when it is missing.
    bool GetStringValue(NameRef name, SharedString* value) const;
    int32_t GetBinaryValue(NameRef name, void* buffer, int32_t max) const;
    bool GetFloatValue(NameRef name, float* value) const;
    bool GetDoubleValue(NameRef name, double* value) const;
    bool GetDwordValue(NameRef name, uint32_t* value) const;
    bool GetIntValue(NameRef name, int32_t* value) const;
    void SetStringValue(const SharedString& name, const SharedString& value);
    void SetBinaryValue(const SharedString& name, const void* bytes, uint32_t count);
    void SetFloatValue(const SharedString& name, float value);
    void SetDoubleValue(const SharedString& name, double value);
    void SetDwordValue(const SharedString& name, uint32_t value);
    void SetIntValue(const SharedString& name, int32_t value);

  protected:
    // For node classes with a table of their own.
    explicit SettingsNode(const Table* table) noexcept : table_(table) {}

  private:
    friend struct SettingsLayout;

    SettingsElement& ValueElement(const SharedString& name);

    const Table* table_;
    SettingsNode* firstChild_ = nullptr;
    SettingsNode* nextSibling_ = nullptr;
    SettingsNode* parent_ = nullptr;
    SettingsNode* lastChild_ = nullptr;
};

// The deleting destructor of node class `Node`, for its table.
template <typename Node>
void* SETTINGS_THISCALL DeleteNode(SettingsNode* node, uint32_t flags) {
    auto* self = static_cast<Node*>(node);
    if (flags & SettingsNode::kReleaseMemory) {
        delete self;
    } else {
        self->~Node();
    }
    return self;
}
