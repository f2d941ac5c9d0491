// Parameter values on a node: the element named after the parameter and
// the text of its attribute "Value".
#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>
#include <string>

#include "persist/tree/SettingsElement.h"

namespace {

std::string ValueText(const SettingsNode& node, const char* name) {
    SharedString text;
    return node.GetStringValue(name, &text) ? text.Text() : "<missing>";
}

uint32_t ChildCount(const SettingsNode& node) {
    uint32_t n = 0;
    for (const SettingsNode* c = node.FirstChild(); c; c = c->NextSibling()) ++n;
    return n;
}

TEST(TypedValue, MissingElementOrAttributeLeavesTheOutputAlone) {
    SettingsNode node;
    node.CreateChildElement("DryOut")->SetAttribute("Other", "5");
    uint32_t word = 77;
    int32_t number = -7;
    float f = 1.5f;
    double d = 2.5;
    SharedString s("kept");
    unsigned char bytes[2] = {9, 9};
    for (const char* name : {"Missing", "DryOut"}) {
        EXPECT_FALSE(node.GetDwordValue(name, &word));
        EXPECT_FALSE(node.GetIntValue(name, &number));
        EXPECT_FALSE(node.GetFloatValue(name, &f));
        EXPECT_FALSE(node.GetDoubleValue(name, &d));
        EXPECT_FALSE(node.GetStringValue(name, &s));
        EXPECT_EQ(node.GetBinaryValue(name, bytes, 2), 0);
    }
    EXPECT_EQ(word, 77u);
    EXPECT_EQ(number, -7);
    EXPECT_EQ(f, 1.5f);
    EXPECT_EQ(d, 2.5);
    EXPECT_STREQ(s.Text(), "kept");
    EXPECT_EQ(bytes[0], 9);
    EXPECT_EQ(ChildCount(node), 1u);
}

TEST(TypedValue, NamesMatchWhateverTheLetterCase) {
    SettingsNode node;
    node.CreateChildElement("dryout")->SetAttribute("value", "30");
    uint32_t word = 0;
    EXPECT_TRUE(node.GetDwordValue("DryOut", &word));
    EXPECT_EQ(word, 30u);
    node.SetDwordValue("DRYOUT", 31);
    EXPECT_EQ(ChildCount(node), 1u);
    const SettingsAttribute& value = *node.FindChildElement("DryOut")->Attributes().begin();
    EXPECT_STREQ(value.name.Text(), "value");
    EXPECT_STREQ(value.value.Text(), "31");
}

TEST(TypedValue, WordsAreSignedDecimalReadModulo2To32) {
    SettingsNode node;
    node.SetDwordValue("Word", 4294967295u);
    EXPECT_EQ(ValueText(node, "Word"), "-1");
    node.SetIntValue("Int", INT32_MIN);
    EXPECT_EQ(ValueText(node, "Int"), "-2147483648");

    struct Case {
        const char* text;
        uint32_t word;
    };
    for (const Case& c : {Case{"-1", 4294967295u}, Case{"4294967295", 4294967295u},
                          Case{" 42abc", 42}, Case{"abc", 0}, Case{"", 0}}) {
        node.SetStringValue("Word", c.text);
        uint32_t word = 5;
        int32_t number = 5;
        EXPECT_TRUE(node.GetDwordValue("Word", &word));
        EXPECT_TRUE(node.GetIntValue("Word", &number));
        EXPECT_EQ(word, c.word) << c.text;
        EXPECT_EQ(number, static_cast<int32_t>(c.word)) << c.text;
    }
}

TEST(TypedValue, RealsAreWrittenAsPercentG) {
    SettingsNode node;
    node.SetFloatValue("Float", 0.1f);
    EXPECT_EQ(ValueText(node, "Float"), "0.1");
    float f = 0;
    EXPECT_TRUE(node.GetFloatValue("Float", &f));
    EXPECT_EQ(f, 0.1f);
    node.SetStringValue("Float", "3.5e38");  // beyond the largest float
    EXPECT_TRUE(node.GetFloatValue("Float", &f));
    EXPECT_EQ(f, std::numeric_limits<float>::infinity());

    node.SetDoubleValue("Double", 1234567.0);
    EXPECT_EQ(ValueText(node, "Double"), "1.23457e+006");
    double d = 0;
    EXPECT_TRUE(node.GetDoubleValue("Double", &d));
    EXPECT_EQ(d, 1234570.0);
    node.SetDoubleValue("Double", 1e-5);
    EXPECT_EQ(ValueText(node, "Double"), "1e-005");
    node.SetDoubleValue("Double", 0.123456789);
    EXPECT_TRUE(node.GetDoubleValue("Double", &d));
    EXPECT_EQ(d, 0.123457);
}

TEST(TypedValue, BytesAreHexadecimalDigitPairs) {
    SettingsNode node;
    const unsigned char bytes[] = {0x0A, 0xFF};
    node.SetBinaryValue("Data", bytes, 2);
    EXPECT_EQ(ValueText(node, "Data"), "0AFF");

    struct Case {
        const char* text;
        int32_t max;
        int32_t result;
        unsigned char first, second;  // the buffer afterwards, from {1, 2}
    };
    for (const Case& c :
         {Case{"0aff", 2, 2, 0x0A, 0xFF}, Case{"0aff", 1, 1, 0x0A, 2}, Case{"0AF", 2, 1, 0x0A, 2},
          Case{"0AFF", 0, 0, 1, 2}, Case{"0AFF", -3, -3, 1, 2}, Case{"", 2, 0, 1, 2}}) {
        node.SetStringValue("Data", c.text);
        unsigned char read[2] = {1, 2};
        EXPECT_EQ(node.GetBinaryValue("Data", read, c.max), c.result) << c.text << " " << c.max;
        EXPECT_EQ(read[0], c.first);
        EXPECT_EQ(read[1], c.second);
    }

    node.SetBinaryValue("Empty", nullptr, 0);
    EXPECT_EQ(ValueText(node, "Empty"), "");
    EXPECT_THROW(node.SetBinaryValue("Data", bytes, 0x80000000u), std::length_error);
    EXPECT_EQ(ValueText(node, "Data"), "");
}

TEST(TypedValue, StringsShareTheirBuffers) {
    SettingsNode node;
    const SharedString text("a text");
    node.SetStringValue("Text", text);
    SharedString read;
    EXPECT_TRUE(node.GetStringValue("Text", &read));
    EXPECT_EQ(read.Text(), text.Text());
    EXPECT_EQ(text.ShareCount(), 2);
}

TEST(TypedValue, WritesAppendInOrderThenUpdateInPlace) {
    SettingsNode node;
    for (int pass = 0; pass < 2; ++pass) {
        node.SetDwordValue("DryOut", 30 + pass);
        node.SetStringValue("Name", pass ? "second" : "first");
        node.SetDwordValue("SIZE_LSS_Block", 2);
        node.SetBinaryValue("DATA_LSS_Block", "\x01\x02", 2);
        std::string layout;
        for (const SettingsNode* c = node.FirstChild(); c; c = c->NextSibling()) {
            const auto* e = static_cast<const SettingsElement*>(c);
            layout += std::string(e->Name().Text()) + ":" +
                      std::to_string(e->Attributes().Count()) + ":" +
                      e->Attributes().begin()->name.Text() + " ";
        }
        EXPECT_EQ(layout,
                  "DryOut:1:Value Name:1:Value SIZE_LSS_Block:1:Value DATA_LSS_Block:1:Value ");
    }
    EXPECT_EQ(ValueText(node, "DryOut"), "31");
    EXPECT_EQ(ValueText(node, "Name"), "second");
    EXPECT_EQ(ValueText(node, "DATA_LSS_Block"), "0102");
}

}  // namespace
