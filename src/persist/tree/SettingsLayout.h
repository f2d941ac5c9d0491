// The byte layout of the tree records, which hosts built elsewhere read and
// write directly: 32-bit Windows offsets fixed to the byte; on 64-bit
// builds the same field order with native pointers and natural alignment.
#pragma once

#include <cstddef>
#include <cstdint>

#include "persist/tree/SettingsElement.h"

// GCC accepts offsetof on the element, which is not standard-layout because
// it and its base both have fields; there is no virtual base to break it.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
struct SettingsLayout {
    static constexpr size_t kStringTag = offsetof(SharedString, tag_);
    static constexpr size_t kStringText = offsetof(SharedString, text_);
    static constexpr size_t kStringLength = offsetof(SharedString, length_);
    static constexpr size_t kStringCapacity = offsetof(SharedString, capacity_);

    static constexpr size_t kNodeTable = offsetof(SettingsNode, table_);
    static constexpr size_t kNodeFirstChild = offsetof(SettingsNode, firstChild_);
    static constexpr size_t kNodeNextSibling = offsetof(SettingsNode, nextSibling_);
    static constexpr size_t kNodeParent = offsetof(SettingsNode, parent_);
    static constexpr size_t kNodeLastChild = offsetof(SettingsNode, lastChild_);

    static constexpr size_t kElementAttributes = offsetof(SettingsElement, attributes_);
    static constexpr size_t kElementName = offsetof(SettingsElement, name_);
    static constexpr size_t kElementReserved = offsetof(SettingsElement, reserved_);

    static constexpr size_t kArrayTag = offsetof(AttributeArray, tag_);
    static constexpr size_t kArrayBegin = offsetof(AttributeArray, begin_);
    static constexpr size_t kArrayEnd = offsetof(AttributeArray, end_);
    static constexpr size_t kArrayCapacityEnd = offsetof(AttributeArray, capacityEnd_);

    static constexpr size_t kAttributeName = offsetof(SettingsAttribute, name);
    static constexpr size_t kAttributeValue = offsetof(SettingsAttribute, value);
};
#pragma GCC diagnostic pop

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(SharedString) == 16);
static_assert(SettingsLayout::kStringTag == 0);
static_assert(SettingsLayout::kStringText == 4);
static_assert(SettingsLayout::kStringLength == 8);
static_assert(SettingsLayout::kStringCapacity == 12);

static_assert(sizeof(SettingsNode) == 20);
static_assert(SettingsLayout::kNodeTable == 0);
static_assert(SettingsLayout::kNodeFirstChild == 4);
static_assert(SettingsLayout::kNodeNextSibling == 8);
static_assert(SettingsLayout::kNodeParent == 12);
static_assert(SettingsLayout::kNodeLastChild == 16);

static_assert(sizeof(SettingsElement) == 56);
static_assert(SettingsLayout::kElementAttributes == 20);
static_assert(SettingsLayout::kElementName == 36);
static_assert(SettingsLayout::kElementReserved == 52);

static_assert(sizeof(AttributeArray) == 16);
static_assert(SettingsLayout::kArrayTag == 0);
static_assert(SettingsLayout::kArrayBegin == 4);
static_assert(SettingsLayout::kArrayEnd == 8);
static_assert(SettingsLayout::kArrayCapacityEnd == 12);

static_assert(sizeof(SettingsAttribute) == 32);
static_assert(SettingsLayout::kAttributeName == 0);
static_assert(SettingsLayout::kAttributeValue == 16);
#else
// Pointers of 8 bytes: the same fields in the same order.
static_assert(sizeof(SharedString) == 24 && SettingsLayout::kStringText == 8 &&
              SettingsLayout::kStringLength == 16 && SettingsLayout::kStringCapacity == 20);
static_assert(sizeof(SettingsNode) == 40 && SettingsLayout::kNodeFirstChild == 8 &&
              SettingsLayout::kNodeNextSibling == 16 && SettingsLayout::kNodeParent == 24 &&
              SettingsLayout::kNodeLastChild == 32);
static_assert(sizeof(AttributeArray) == 32 && SettingsLayout::kArrayBegin == 8 &&
              SettingsLayout::kArrayEnd == 16 && SettingsLayout::kArrayCapacityEnd == 24);
static_assert(sizeof(SettingsAttribute) == 48 && SettingsLayout::kAttributeValue == 24);
static_assert(sizeof(SettingsElement) == 104 && SettingsLayout::kElementAttributes == 40 &&
              SettingsLayout::kElementName == 72 && SettingsLayout::kElementReserved == 96);
#endif
