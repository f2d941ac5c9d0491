#include "persist/tree/SettingsElement.h"

#include "persist/common/ValueText.h"

constinit const SettingsNode::Table SettingsElement::kElementTable{&DeleteNode<SettingsElement>};

namespace {

SharedString TextOf(const NumberText& number) {
    return SharedString(number.text, number.length);
}

}  // namespace

SettingsAttribute* SettingsElement::SetAttribute(const SharedString& name,
                                                 const SharedString& value) {
    if (SettingsAttribute* found = attributes_.Find(name)) {
        found->value = value;
        return found;
    }
    return attributes_.Append(name, value);
}

bool SettingsElement::GetStringAttribute(NameRef name, SharedString* value) const {
    const SettingsAttribute* found = FindAttribute(name);
    if (!found) return false;
    *value = found->value;
    return true;
}

int32_t SettingsElement::GetBinaryAttribute(NameRef name, void* buffer, int32_t max) const {
    const SettingsAttribute* found = FindAttribute(name);
    if (!found) return 0;
    return ParseHex(found->value.Text(), found->value.Length(), static_cast<uint8_t*>(buffer), max);
}

bool SettingsElement::GetFloatAttribute(NameRef name, float* value) const {
    const SettingsAttribute* found = FindAttribute(name);
    if (!found) return false;
    *value = static_cast<float>(ParseReal(found->value.Text()));
    return true;
}

bool SettingsElement::GetDoubleAttribute(NameRef name, double* value) const {
    const SettingsAttribute* found = FindAttribute(name);
    if (!found) return false;
    *value = ParseReal(found->value.Text());
    return true;
}

bool SettingsElement::GetIntAttribute(NameRef name, uint32_t* value) const {
    const SettingsAttribute* found = FindAttribute(name);
    if (!found) return false;
    *value = ParseWord(found->value.Text());
    return true;
}

bool SettingsElement::GetIntAttribute(NameRef name, int32_t* value) const {
    uint32_t word = 0;
    if (!GetIntAttribute(name, &word)) return false;
    *value = static_cast<int32_t>(word);
    return true;
}

void SettingsElement::SetStringAttribute(const SharedString& name, const SharedString& value) {
    SetAttribute(name, value);
}

void SettingsElement::SetBinaryAttribute(const SharedString& name, const void* bytes,
                                         uint32_t count) {
    const uint64_t length = uint64_t{count} * 2;
    SharedString::CheckLength(length);
    SetAttribute(name, SharedString::Filled(static_cast<uint32_t>(length), [&](char* text) {
                     FormatHex(static_cast<const uint8_t*>(bytes), count, text);
                 }));
}

void SettingsElement::SetFloatAttribute(const SharedString& name, float value) {
    SetAttribute(name, TextOf(FormatGeneral(static_cast<double>(value))));
}

void SettingsElement::SetDoubleAttribute(const SharedString& name, double value) {
    SetAttribute(name, TextOf(FormatGeneral(value)));
}

void SettingsElement::SetIntAttribute(const SharedString& name, uint32_t value) {
    SetAttribute(name, TextOf(FormatDecimal(static_cast<int32_t>(value))));
}
