// The test executable plays the host: it builds a tree of its own nodes,
// hands it to a separately linked module that reads, overwrites and extends
// it, and destroys it afterwards. Every string buffer and attribute array
// goes through the one C runtime heap both modules use, whoever made it;
// every node is destroyed by the module that made it, through its table.
#include <gtest/gtest.h>

#include <string>

#include "HeapWatch.h"
#include "TreeModule.h"
#include "persist/tree/SettingsElement.h"

namespace {

std::string Text(const SettingsNode& node, const char* name) {
    SharedString value;
    node.GetStringValue(name, &value);
    return value.Text();
}

TEST(CrossModule, HostAndLibraryShareTheTreeAndItsHeap) {
    std::string texts, tables;
    texts.reserve(256);  // nothing of the host's own may outlive the watch
    heap_watch::Start(reinterpret_cast<const void*>(&Text), TreeModuleElementTable());
    SettingsNode* root = SettingsNode::Create();
    root->SetStringValue("HostText", "written by the host");
    root->SetDwordValue("HostWord", 12);
    const int32_t appended = TreeModuleAppend(root);

    // The host reads what the library wrote and extends the library's
    // elements in turn.
    SettingsElement* counted = root->FindChildElement("Counted");
    SettingsElement* libraryWord = root->FindChildElement("LibraryWord");
    SettingsElement* hostText = root->FindChildElement("HostText");
    const bool complete = counted && libraryWord && hostText;
    if (complete) {
        for (const char* name : {"HostText", "Copied", "LibraryWord", "Counted"}) {
            texts += Text(*root, name);
            texts += '|';
        }
        texts += Text(*counted, "Inner");
        texts += '|';
        texts += hostText->FindAttribute("Library")->value.Text();
        counted->SetIntValue("HostChild", 5);
        libraryWord->SetStringAttribute("Value", "rewritten by the host");
        const SettingsNode::Table* const own = &SettingsElement::kElementTable;
        const SettingsNode::Table* const library = TreeModuleElementTable();
        tables += root->GetTable() == &SettingsNode::kNodeTable ? 'H' : '?';
        tables += hostText->GetTable() == own ? 'H' : '?';
        tables += libraryWord->GetTable() == library ? 'L' : '?';
        tables += counted->FindChildElement("Inner")->GetTable() == library ? 'L' : '?';
        tables += counted->FindChildElement("HostChild")->GetTable() == own ? 'H' : '?';
    }
    const uint32_t destroyedBefore = TreeModuleCountedDestroyed();
    SettingsNode::Destroy(root);
    const uint32_t destroyed = TreeModuleCountedDestroyed() - destroyedBefore;
    const HeapCounts counts = heap_watch::Stop();

    ASSERT_EQ(appended, 1);
    ASSERT_TRUE(complete);
    EXPECT_EQ(texts, "written by the library|written by the host|-1|0.5|3|1");
    EXPECT_EQ(tables, "HHLLH");
    EXPECT_NE(TreeModuleElementTable(), &SettingsElement::kElementTable);
    // The host's destroy ran the library's own destructor for its element.
    EXPECT_EQ(destroyed, 1u);
    // Blocks crossed the boundary both ways, and none is left.
    EXPECT_GT(counts.allocated, 10);
    EXPECT_GT(counts.libraryReleasedHostBlocks, 0);
    EXPECT_GT(counts.hostReleasedLibraryBlocks, 0);
    EXPECT_EQ(counts.Live(), 0);
}

}  // namespace
