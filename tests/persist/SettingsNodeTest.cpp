// Child lists: linking at every position, unlinking, lookups by name, and
// destruction through each node's own table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "persist/tree/SettingsElement.h"

namespace {

// The names along the child list, after checking its links.
std::string Children(const SettingsNode& parent) {
    std::string names;
    const SettingsNode* last = nullptr;
    for (const SettingsNode* c = parent.FirstChild(); c; last = c, c = c->NextSibling()) {
        EXPECT_EQ(c->Parent(), &parent);
        names += static_cast<const SettingsElement*>(c)->Name().Text();
    }
    EXPECT_EQ(parent.LastChild(), last);
    return names;
}

// A parent with elements "a", "b", "c", ... as children.
struct Family {
    explicit Family(const char* names) {
        for (const char* n = names; *n; ++n)
            children.push_back(parent.CreateChildElement(std::string(1, *n).c_str()));
    }
    SettingsNode parent;
    std::vector<SettingsElement*> children;
};

TEST(SettingsNode, InsertsAfterAChildOrAtTheEnd) {
    struct Case {
        int after;  // index of `after`; -1 null; -2 a node of another list
        const char* expected;
    };
    for (const Case& c :
         {Case{0, "axbc"}, Case{1, "abxc"}, Case{2, "abcx"}, Case{-1, "abcx"}, Case{-2, "abcx"}}) {
        Family f("abc");
        SettingsElement stranger("s");
        SettingsElement x("x");
        f.parent.InsertChild(&x, c.after >= 0    ? f.children[c.after]
                                 : c.after == -2 ? &stranger
                                                 : nullptr);
        EXPECT_EQ(Children(f.parent), c.expected) << c.after;
        f.parent.RemoveChild(&x);
    }
}

TEST(SettingsNode, InsertingALinkedNodeUnlinksItFirst) {
    Family f("abc"), other("de");
    f.parent.InsertChild(f.children[0], f.children[0]);  // after itself: to the end
    EXPECT_EQ(Children(f.parent), "bca");
    f.parent.InsertChild(f.children[0], f.children[1]);
    EXPECT_EQ(Children(f.parent), "bac");
    f.parent.InsertChild(other.children[0], f.children[1]);
    EXPECT_EQ(Children(f.parent), "bdac");
    EXPECT_EQ(Children(other.parent), "e");
    f.parent.InsertChild(nullptr, nullptr);
    EXPECT_EQ(Children(f.parent), "bdac");

    SettingsNode empty;
    empty.InsertChild(f.children[1], f.children[2]);  // `after` not looked at
    EXPECT_EQ(Children(empty), "b");
    EXPECT_EQ(f.children[1]->NextSibling(), nullptr);
}

TEST(SettingsNode, RemovesAtEveryPosition) {
    for (int i = 0; i < 3; ++i) {
        Family f("abc");
        f.parent.RemoveChild(f.children[i]);
        EXPECT_EQ(Children(f.parent), std::string("abc").erase(i, 1));
        EXPECT_EQ(f.children[i]->Parent(), nullptr);
        EXPECT_EQ(f.children[i]->NextSibling(), nullptr);
        f.parent.InsertChild(f.children[i], nullptr);
    }
    Family only("a");
    only.parent.RemoveChild(only.children[0]);
    EXPECT_EQ(only.parent.FirstChild(), nullptr);
    EXPECT_EQ(only.parent.LastChild(), nullptr);
    only.parent.InsertChild(only.children[0], nullptr);

    // Not a child: nothing changes, the node keeps its links.
    Family f("ab"), other("cd");
    f.parent.RemoveChild(other.children[0]);
    f.parent.RemoveChild(nullptr);
    EXPECT_EQ(Children(f.parent), "ab");
    EXPECT_EQ(other.children[0]->NextSibling(), other.children[1]);
    EXPECT_EQ(other.children[0]->Parent(), &other.parent);
}

TEST(SettingsNode, FindsTheFirstElementWhateverTheLetterCase) {
    SettingsNode parent;
    SettingsElement* longer = parent.CreateChildElement("DryOutL");
    SettingsElement* first = parent.CreateChildElement("DryOut");
    parent.CreateChildElement("DRYOUT");
    SettingsElement* unnamed = parent.CreateChildElement(SharedString());
    EXPECT_EQ(parent.FindChildElement("dryout"), first);
    EXPECT_EQ(parent.FindChildElement(SharedString("DRYOUT")), first);
    EXPECT_EQ(parent.FindChildElement("dryoutl"), longer);
    EXPECT_EQ(parent.FindChildElement("DryOu"), nullptr);
    EXPECT_EQ(parent.FindChildElement(nullptr), unnamed);
    EXPECT_EQ(SettingsNode().FindChildElement("DryOut"), nullptr);
}

TEST(SettingsNode, CreatedElementsAreThisModulesAndShareTheirName) {
    SettingsNode parent;
    const SharedString name("Gain");
    SettingsElement* e = parent.CreateChildElement(name);
    EXPECT_EQ(e->GetTable(), &SettingsElement::kElementTable);
    EXPECT_EQ(e->Name().Text(), name.Text());
    EXPECT_EQ(name.ShareCount(), 1);
    EXPECT_EQ(parent.LastChild(), e);
    EXPECT_TRUE(e->Attributes().Count() == 0 && e->Attributes().begin() == nullptr);
}

// Elements whose table records their destruction.
std::vector<std::string> destroyed;

class TracedElement : public SettingsElement {
  public:
    explicit TracedElement(const char* name) : SettingsElement(&kTracedTable) { SetName(name); }

  private:
    static void* SETTINGS_THISCALL Delete(SettingsNode* node, uint32_t flags) {
        destroyed.push_back(static_cast<TracedElement*>(node)->Name().Text());
        return DeleteNode<TracedElement>(node, flags);
    }
    static constexpr Table kTracedTable{&Delete};
};

TEST(SettingsNode, DestroysTheSubtreeThroughEachNodesTable) {
    destroyed.clear();
    SettingsNode* root = SettingsNode::Create();
    SettingsElement* holder = root->CreateChildElement("holder");
    auto* a = new TracedElement("a");
    holder->InsertChild(a, nullptr);
    a->InsertChild(new TracedElement("a1"), nullptr);
    holder->InsertChild(new TracedElement("b"), nullptr);
    root->InsertChild(new TracedElement("c"), nullptr);
    SettingsNode::Destroy(root);
    EXPECT_EQ(destroyed, (std::vector<std::string>{"a", "a1", "b", "c"}));
    SettingsNode::Destroy(nullptr);
}

TEST(SettingsNode, DestroyingAChildUnlinksIt) {
    for (int i = 0; i < 3; ++i) {
        Family f("abc");
        SettingsNode::Destroy(f.children[i]);
        EXPECT_EQ(Children(f.parent), std::string("abc").erase(i, 1));
    }
    // With flag 0 the node is destroyed and its memory kept.
    SettingsNode parent;
    alignas(SettingsElement) unsigned char memory[sizeof(SettingsElement)];
    auto* kept = new (memory) SettingsElement("kept");
    parent.InsertChild(kept, nullptr);
    EXPECT_EQ(kept->GetTable()->deletingDestructor(kept, 0), kept);
    EXPECT_EQ(parent.FirstChild(), nullptr);
}

}  // namespace
