#include "TreeModule.h"

#include "persist/tree/SettingsElement.h"

namespace {

uint32_t countedDestroyed = 0;

// An element class of this module whose table counts its destruction.
class CountedElement : public SettingsElement {
  public:
    explicit CountedElement(const SharedString& name) : SettingsElement(&kCountedTable) {
        SetName(name);
    }

  private:
    static void* SETTINGS_THISCALL Delete(SettingsNode* node, uint32_t flags) {
        ++countedDestroyed;
        return DeleteNode<CountedElement>(node, flags);
    }
    static constexpr Table kCountedTable{&Delete};
};

}  // namespace

TREE_MODULE_API int32_t TreeModuleAppend(SettingsNode* node) {
    try {
        SharedString hostText;
        if (!node->GetStringValue("HostText", &hostText)) return 0;
        node->SetStringValue("HostText", "written by the library");
        node->FindChildElement("HostText")->SetIntAttribute("Library", 1);
        node->SetDwordValue("LibraryWord", 4294967295u);
        node->SetStringValue("Copied", hostText);
        auto* counted = new CountedElement("Counted");
        node->InsertChild(counted, nullptr);
        counted->SetDoubleAttribute("Value", 0.5);
        counted->CreateChildElement("Inner")->SetIntAttribute("Value", 3);
        return 1;
    } catch (...) {
        return 0;
    }
}

TREE_MODULE_API uint32_t TreeModuleCountedDestroyed() {
    return countedDestroyed;
}

TREE_MODULE_API const SettingsNode::Table* TreeModuleElementTable() {
    return &SettingsElement::kElementTable;
}
