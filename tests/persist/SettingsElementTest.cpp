// Attributes: lookups, replacement, and the growth of the array, whose
// entries move while their strings keep sharing buffers.
#include <gtest/gtest.h>

#include <string>

#include "persist/tree/SettingsElement.h"

namespace {

std::string Attributes(const SettingsElement& e) {
    std::string all;
    for (const SettingsAttribute& a : e.Attributes()) {
        all += std::string(a.name.Text()) + "=" + a.value.Text() + ";";
    }
    return all;
}

TEST(SettingsElement, StartsEmpty) {
    const SettingsElement e;
    EXPECT_EQ(e.GetTable(), &SettingsElement::kElementTable);
    EXPECT_EQ(e.FirstChild(), nullptr);
    EXPECT_EQ(e.Parent(), nullptr);
    EXPECT_STREQ(e.Name().Text(), "");
    EXPECT_EQ(e.Attributes().begin(), nullptr);
    EXPECT_EQ(e.Attributes().Capacity(), 0u);
    EXPECT_EQ(e.FindAttribute("Value"), nullptr);
}

TEST(SettingsElement, SetAttributeReplacesTheFirstMatchAndKeepsItsName) {
    SettingsElement e;
    SettingsAttribute* first = e.SetAttribute("Value", "1");
    EXPECT_EQ(e.SetAttribute("VALUE", "2"), first);
    EXPECT_EQ(Attributes(e), "Value=2;");
    SettingsAttribute* second = e.SetAttribute("Other", "3");
    EXPECT_EQ(e.SetAttribute("other", "4"), second);
    EXPECT_EQ(e.FindAttribute("value"), e.Attributes().begin());
    EXPECT_EQ(Attributes(e), "Value=2;Other=4;");
}

TEST(SettingsElement, FindAttributeTakesTheFirstOfEqualNames) {
    SettingsElement e;
    // Only a host appends a second attribute of an existing name; build one
    // by renaming.
    e.SetAttribute("a", "1");
    SettingsAttribute* b = e.SetAttribute("b", "2");
    b->name = "A";
    EXPECT_EQ(e.FindAttribute("A"), e.Attributes().begin());
    EXPECT_EQ(e.FindAttribute("ab"), nullptr);
}

TEST(SettingsElement, ArrayGrowsOneTwoFourEightAndMovesTheEntries) {
    SettingsElement e;
    const SharedString value("kept");
    const uint32_t expected[] = {1, 2, 4, 4, 8, 8, 8, 8, 16};
    const SettingsAttribute* previous = nullptr;
    for (uint32_t i = 0; i < 9; ++i) {
        const char name[] = {'n', static_cast<char>('0' + i), '\0'};
        e.SetAttribute(name, value);
        EXPECT_EQ(e.Attributes().Capacity(), expected[i]) << i;
        EXPECT_EQ(e.Attributes().Count(), i + 1);
        const bool grew = i == 0 || expected[i] != expected[i - 1];
        EXPECT_EQ(e.Attributes().begin() != previous, grew) << i;
        previous = e.Attributes().begin();
    }
    // Moved pairs still share the one buffer: one count per value.
    EXPECT_EQ(value.ShareCount(), 9);
    EXPECT_EQ(e.Attributes().begin()[4].value.Text(), value.Text());
    EXPECT_EQ(Attributes(e),
              "n0=kept;n1=kept;n2=kept;n3=kept;n4=kept;n5=kept;n6=kept;n7=kept;n8=kept;");
}

TEST(SettingsElement, GrowthCopiesFrozenValuesIntoBuffersOfTheirOwn) {
    SettingsElement e;
    e.SetAttribute("a", "frozen");
    e.FindAttribute("a")->value.At(0) = 'F';
    e.SetAttribute("b", "2");  // 1 -> 2 entries
    const SharedString& moved = e.FindAttribute("a")->value;
    EXPECT_STREQ(moved.Text(), "Frozen");
    EXPECT_EQ(moved.ShareCount(), 0);
}

TEST(SettingsElement, AppendingAValueOfTheSameArraySurvivesTheMove) {
    SettingsElement e;
    e.SetAttribute("a", "first");
    e.SetAttribute("b", e.FindAttribute("a")->value);  // array full: moves
    e.SetAttribute("c", e.FindAttribute("b")->name);
    EXPECT_EQ(Attributes(e), "a=first;b=first;c=b;");
}

}  // namespace
