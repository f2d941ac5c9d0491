// The records as bytes: a hand-made 32-bit image read and changed through
// the classes, records made by the classes read as bytes, and a table entry
// called the way a host's compiler calls a virtual destructor.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <new>

#include "persist/tree/SettingsElement.h"
#include "persist/tree/SettingsLayout.h"

namespace {

template <typename T>
T At(const void* record, size_t offset) {
    T value;
    std::memcpy(&value, static_cast<const unsigned char*>(record) + offset, sizeof value);
    return value;
}

TEST(Layout, RecordsMadeByTheClassesReadAsBytes) {
    SettingsNode parent;
    SettingsElement* e = parent.CreateChildElement("Gain");
    SettingsElement* child = e->CreateChildElement("Inner");
    e->SetAttribute("Value", "12");
    const SettingsAttribute* attribute = e->FindAttribute("Value");
    const size_t p = sizeof(void*);

    EXPECT_EQ(At<const void*>(e, 0), &SettingsElement::kElementTable);
    EXPECT_EQ(At<void*>(e, p), child);                    // first child
    EXPECT_EQ(At<void*>(e, 2 * p), nullptr);              // next sibling
    EXPECT_EQ(At<void*>(e, 3 * p), &parent);              // parent
    EXPECT_EQ(At<void*>(e, 4 * p), child);                // last child
    EXPECT_EQ(At<const void*>(e, 6 * p), attribute);      // attributes: begin
    EXPECT_EQ(At<const void*>(e, 7 * p), attribute + 1);  // end
    EXPECT_EQ(At<const void*>(e, 8 * p), attribute + 1);  // capacity end
    const char* name = e->Name().Text();
    EXPECT_EQ(At<const char*>(e, 10 * p), name);
    EXPECT_EQ(At<uint32_t>(e, 11 * p), 4u);       // length
    EXPECT_EQ(At<uint32_t>(e, 11 * p + 4), 31u);  // capacity
    EXPECT_EQ(At<uint32_t>(e, 11 * p + 8), 0u);   // reserved
    EXPECT_EQ(name[-1], 0);                       // share count
    EXPECT_EQ(At<const char*>(attribute, 2 * p + 8 + p), attribute->value.Text());
}

#if UINTPTR_MAX == 0xFFFFFFFFu

// 32-bit words of a hand-made tree: an element "Gain" with two attributes
// in an array of four entries and a child element "child".
struct Image {
    uint32_t gain[14];
    uint32_t child[14];
    uint32_t attributes[4][8];
    char gainName[33] = "\0Gain";
    char childName[33] = "\0child";
    char mode[3][33] = {"\0Mode",
                        "\0"
                        "7",
                        "\0Value"};
    char value[33] = "\0-1";
};

uint32_t Word(const void* p) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p));
}

// SharedString words: tag, text, length, capacity.
void PutString(uint32_t* at, uint32_t tag, const char* buffer, uint32_t length) {
    at[0] = tag;
    at[1] = Word(buffer + 1);
    at[2] = length;
    at[3] = 31;
}

TEST(Layout, HandMadeImageReadsThroughTheRecords) {
    static_assert(sizeof(Image::gain) == sizeof(SettingsElement));
    Image image{};
    const uint32_t table = Word(&SettingsElement::kElementTable);
    uint32_t gain[14] = {table,
                         Word(image.child),
                         0,
                         0,
                         Word(image.child),
                         0,
                         Word(image.attributes[0]),
                         Word(image.attributes[2]),
                         Word(image.attributes[4]),
                         0,
                         0,
                         0,
                         0,
                         0xDEADBEEF};
    std::memcpy(image.gain, gain, sizeof gain);
    PutString(&image.gain[9], 0x5A, image.gainName, 4);
    uint32_t child[14] = {table, 0, 0, Word(image.gain), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    std::memcpy(image.child, child, sizeof child);
    PutString(&image.child[9], 0, image.childName, 5);
    PutString(&image.attributes[0][0], 0, image.mode[0], 4);
    PutString(&image.attributes[0][4], 0, image.mode[1], 1);
    PutString(&image.attributes[1][0], 0, image.mode[2], 5);
    PutString(&image.attributes[1][4], 0, image.value, 2);

    auto* gainElement = std::launder(reinterpret_cast<SettingsElement*>(image.gain));
    auto* childElement = std::launder(reinterpret_cast<SettingsElement*>(image.child));
    EXPECT_EQ(gainElement->GetTable(), &SettingsElement::kElementTable);
    EXPECT_EQ(gainElement->FirstChild(), childElement);
    EXPECT_EQ(gainElement->LastChild(), childElement);
    EXPECT_EQ(childElement->Parent(), gainElement);
    EXPECT_EQ(gainElement->FindChildElement("CHILD"), childElement);
    EXPECT_STREQ(gainElement->Name().Text(), "Gain");
    EXPECT_EQ(gainElement->Attributes().Count(), 2u);
    EXPECT_EQ(gainElement->Attributes().Capacity(), 4u);
    EXPECT_EQ(static_cast<void*>(gainElement->FindAttribute("value")), image.attributes[1]);
    uint32_t word = 0;
    EXPECT_TRUE(gainElement->GetIntAttribute("Value", &word));
    EXPECT_EQ(word, 0xFFFFFFFFu);

    {
        // A copy shares the hand-made buffer and takes the tag.
        const SharedString copy(gainElement->Name());
        EXPECT_EQ(image.gainName[0], 1);
        EXPECT_EQ(At<uint8_t>(&copy, 0), 0x5A);
    }
    EXPECT_EQ(image.gainName[0], 0);

    // Writing through the records. The value "7" is shared with a string
    // the host holds (count 1): replacing it leaves the buffer to the host.
    image.mode[1][0] = 1;
    gainElement->SetAttribute("mode", "8");
    EXPECT_EQ(image.mode[1][0], 0);
    auto* attributes = std::launder(reinterpret_cast<SettingsAttribute*>(image.attributes));
    EXPECT_STREQ(attributes[0].value.Text(), "8");
    EXPECT_EQ(image.attributes[0][5], Word(attributes[0].value.Text()));
    SettingsAttribute* added = gainElement->SetAttribute("Extra", "x");  // into a spare entry
    EXPECT_EQ(added, attributes + 2);
    EXPECT_EQ(image.gain[7], Word(image.attributes[3]));
    EXPECT_EQ(image.gain[13], 0xDEADBEEFu);
    // Release what the heap holds; the image's own buffers are not the heap's.
    attributes[0].value.~SharedString();
    added->~SettingsAttribute();
}

// Calls a table entry as the host's compiler calls a virtual destructor:
// receiver in ECX, the flag word on the stack, the callee popping it.
void* CallAsHost(SettingsNode* node, uint32_t flags, int32_t* stackChange) {
    void* result;
    int32_t change;
    const SettingsNode::DeletingDestructor entry = node->GetTable()->deletingDestructor;
    asm volatile(
        "movl %%esp, %%edi\n\t"
        "pushl %[flags]\n\t"
        "call *%[entry]\n\t"
        "movl %%esp, %[change]\n\t"
        "subl %%edi, %[change]\n\t"
        "movl %%edi, %%esp"
        : "=a"(result), [change] "=&r"(change), "+c"(node)
        : [flags] "r"(flags), [entry] "r"(entry)
        : "edx", "edi", "memory", "cc");
    *stackChange = change;
    return result;
}

TEST(Layout, TableEntriesTakeTheReceiverInEcxAndPopTheFlagWord) {
    SettingsNode parent;
    SettingsElement* element = parent.CreateChildElement("e");
    element->SetAttribute("Value", "1");
    int32_t stackChange = -1;
    EXPECT_EQ(CallAsHost(element, 1, &stackChange), element);
    EXPECT_EQ(stackChange, 0);
    EXPECT_EQ(parent.FirstChild(), nullptr);

    alignas(SettingsNode) unsigned char memory[sizeof(SettingsNode)];
    auto* kept = new (memory) SettingsNode();
    EXPECT_EQ(CallAsHost(kept, 0, &stackChange), kept);
    EXPECT_EQ(stackChange, 0);
}

#endif

}  // namespace
