#include "persist/tree/SettingsNode.h"

#include <memory>

#include "persist/tree/SettingsElement.h"

namespace {

constexpr const char* kValue = "Value";

// The typed read of the element's "Value"; false without an element.
template <typename Output>
bool ReadValue(const SettingsElement* element,
               bool (SettingsElement::*read)(NameRef, Output*) const, Output* value) {
    return element && (element->*read)(kValue, value);
}

}  // namespace

constinit const SettingsNode::Table SettingsNode::kNodeTable{&DeleteNode<SettingsNode>};

SettingsNode::~SettingsNode() {
    if (parent_) parent_->RemoveChild(this);
    // Each child unlinks itself from this list as it goes.
    for (SettingsNode* child = firstChild_; child;) {
        SettingsNode* next = child->nextSibling_;
        child->table_->deletingDestructor(child, kReleaseMemory);
        child = next;
    }
}

SettingsNode* SettingsNode::Create() {
    return new SettingsNode();
}

void SettingsNode::Destroy(SettingsNode* node) {
    if (node) node->table_->deletingDestructor(node, kReleaseMemory);
}

void SettingsNode::InsertChild(SettingsNode* node, SettingsNode* after) {
    if (!node) return;
    if (node->parent_) node->parent_->RemoveChild(node);
    node->parent_ = this;
    if (!firstChild_) {
        firstChild_ = lastChild_ = node;
        return;
    }
    if (after) {
        for (SettingsNode* child = firstChild_; child; child = child->nextSibling_) {
            if (child != after) continue;
            node->nextSibling_ = after->nextSibling_;
            after->nextSibling_ = node;
            if (after == lastChild_) lastChild_ = node;
            return;
        }
    }
    lastChild_->nextSibling_ = node;
    lastChild_ = node;
}

void SettingsNode::RemoveChild(SettingsNode* node) {
    if (!node) return;
    SettingsNode* previous = nullptr;
    for (SettingsNode* child = firstChild_; child; previous = child, child = child->nextSibling_) {
        if (child != node) continue;
        (previous ? previous->nextSibling_ : firstChild_) = node->nextSibling_;
        if (node == lastChild_) lastChild_ = previous;
        node->nextSibling_ = nullptr;
        node->parent_ = nullptr;
        return;
    }
}

SettingsElement* SettingsNode::FindChildElement(NameRef name) const {
    for (SettingsNode* child = firstChild_; child; child = child->nextSibling_) {
        auto* element = static_cast<SettingsElement*>(child);
        if (SameName(element->Name().Text(), name.Text())) return element;
    }
    return nullptr;
}

SettingsElement* SettingsNode::CreateChildElement(const SharedString& name) {
    auto element = std::make_unique<SettingsElement>(name);
    InsertChild(element.get(), nullptr);
    return element.release();
}

SettingsElement& SettingsNode::ValueElement(const SharedString& name) {
    SettingsElement* element = FindChildElement(name);
    return element ? *element : *CreateChildElement(name);
}

bool SettingsNode::GetStringValue(NameRef name, SharedString* value) const {
    return ReadValue(FindChildElement(name), &SettingsElement::GetStringAttribute, value);
}

int32_t SettingsNode::GetBinaryValue(NameRef name, void* buffer, int32_t max) const {
    const SettingsElement* element = FindChildElement(name);
    return element ? element->GetBinaryAttribute(kValue, buffer, max) : 0;
}

bool SettingsNode::GetFloatValue(NameRef name, float* value) const {
    return ReadValue(FindChildElement(name), &SettingsElement::GetFloatAttribute, value);
}

bool SettingsNode::GetDoubleValue(NameRef name, double* value) const {
    return ReadValue(FindChildElement(name), &SettingsElement::GetDoubleAttribute, value);
}

bool SettingsNode::GetDwordValue(NameRef name, uint32_t* value) const {
    return ReadValue(FindChildElement(name), &SettingsElement::GetIntAttribute, value);
}

bool SettingsNode::GetIntValue(NameRef name, int32_t* value) const {
    return ReadValue(FindChildElement(name), &SettingsElement::GetIntAttribute, value);
}

void SettingsNode::SetStringValue(const SharedString& name, const SharedString& value) {
    ValueElement(name).SetStringAttribute(kValue, value);
}

void SettingsNode::SetBinaryValue(const SharedString& name, const void* bytes, uint32_t count) {
    ValueElement(name).SetBinaryAttribute(kValue, bytes, count);
}

void SettingsNode::SetFloatValue(const SharedString& name, float value) {
    ValueElement(name).SetFloatAttribute(kValue, value);
}

void SettingsNode::SetDoubleValue(const SharedString& name, double value) {
    ValueElement(name).SetDoubleAttribute(kValue, value);
}

void SettingsNode::SetDwordValue(const SharedString& name, uint32_t value) {
    ValueElement(name).SetIntAttribute(kValue, value);
}

void SettingsNode::SetIntValue(const SharedString& name, int32_t value) {
    ValueElement(name).SetIntAttribute(kValue, static_cast<uint32_t>(value));
}
