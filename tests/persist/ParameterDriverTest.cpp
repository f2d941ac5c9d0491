// The load/save driver over all three media: the walk over a signature, every
// keyword, what a missing value leaves, the choice of one medium per call.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <utility>

#include "persist/ParameterDriver.h"
#include "persist/Signature.h"
#include "persist/common/SharedString.h"
#include "persist/tree/SettingsElement.h"
#include "support/ScratchStore.h"

namespace {

using namespace platform;

constexpr const char* kNames[] = {"First", "Second", "Third",  "Fourth",
                                  "Fifth", "Sixth",  "Seventh"};

// Every keyword once, in one signature.
struct AllKinds {
    uint32_t uintValue = 7;
    uint32_t dwordValue = 4294967295u;
    int32_t intValue = -5;
    float floatValue = 0.1f;
    double doubleValue = 0.123456789;
    SharedString string{"a text of more than thirty-one characters, kept whole"};
    LssBlock lss{5, nullptr};
    uint8_t bytes[5] = {0x00, 0x0A, 0xFF, 0x41, 0x7F};

    AllKinds() { lss.data = bytes; }
};
constexpr const char* kAllSignature = "UINT DWORD INT FLOAT DOUBLE STRING LSS";

class DriverOnEveryMedium : public ::testing::TestWithParam<StoreKind> {
  protected:
    ScratchStore store{GetParam()};
    ParameterStore at = store.Arguments();

    int32_t Save(AllKinds& v) {
        return SaveParameters(at.profilePath, at.section, at.registryRoot, at.tree, kNames,
                              kAllSignature, &v.uintValue, &v.dwordValue, &v.intValue,
                              &v.floatValue, &v.doubleValue, &v.string, &v.lss);
    }
    void Load(AllKinds& v) {
        LoadParameters(at.profilePath, at.section, at.registryRoot, at.tree, kNames, kAllSignature,
                       &v.uintValue, &v.dwordValue, &v.intValue, &v.floatValue, &v.doubleValue,
                       &v.string, &v.lss);
    }
    // Text media keep six significant digits of a double.
    bool KeepsTextOnly() const { return GetParam() != StoreKind::kRegistry; }
};

TEST_P(DriverOnEveryMedium, EveryKeywordRoundTrips) {
    AllKinds saved;
    ASSERT_EQ(Save(saved), 1);

    AllKinds loaded;
    loaded.uintValue = loaded.dwordValue = 0;
    loaded.intValue = 0;
    loaded.floatValue = 0;
    loaded.doubleValue = 0;
    loaded.string = "";
    loaded.lss = {0, nullptr};
    Load(loaded);
    EXPECT_EQ(loaded.uintValue, 7u);
    EXPECT_EQ(loaded.dwordValue, 4294967295u);
    EXPECT_EQ(loaded.intValue, -5);
    EXPECT_EQ(loaded.floatValue, 0.1f);
    EXPECT_EQ(loaded.doubleValue, KeepsTextOnly() ? 0.123457 : 0.123456789);
    EXPECT_STREQ(loaded.string.Text(), saved.string.Text());
    ASSERT_EQ(loaded.lss.size, 5u);
    ASSERT_NE(loaded.lss.data, nullptr);
    EXPECT_EQ(std::memcmp(loaded.lss.data, saved.bytes, 5), 0);
    std::free(loaded.lss.data);
}

TEST_P(DriverOnEveryMedium, MissingValuesKeepTheirVariables) {
    AllKinds v;
    v.floatValue = 1.23456789f;
    Load(v);
    EXPECT_EQ(v.uintValue, 7u);
    EXPECT_EQ(v.dwordValue, 4294967295u);
    EXPECT_EQ(v.intValue, -5);
    switch (GetParam()) {
        case StoreKind::kProfile:
            // The default text is the value in six digits; a string is
            // emptied; an "LSS" gets an empty buffer of its own.
            EXPECT_EQ(v.floatValue, 1.23457f);
            EXPECT_EQ(v.doubleValue, 0.123457);
            EXPECT_TRUE(v.string.Empty());
            EXPECT_EQ(v.lss.size, 0u);
            EXPECT_NE(v.lss.data, nullptr);
            std::free(v.lss.data);
            break;
        case StoreKind::kRegistry:
            // No subkey at all: nothing is read.
            EXPECT_EQ(v.floatValue, 1.23456789f);
            EXPECT_EQ(v.lss.data, v.bytes);
            break;
        case StoreKind::kTree:
            EXPECT_EQ(v.floatValue, 1.23456789f);
            EXPECT_EQ(v.doubleValue, 0.123456789);
            EXPECT_FALSE(v.string.Empty());
            EXPECT_EQ(v.lss.size, 0u);
            EXPECT_EQ(v.lss.data, nullptr);
            break;
    }
}

// The walk: only spaces separate, empty tokens take a slot, case does not
// matter, unknown tokens are skipped with their name and pointer.
TEST_P(DriverOnEveryMedium, TokensPairWithNamesAndPointersByPosition) {
    struct Case {
        const char* signature;
        std::vector<int> stored;  // indexes of the names that end up stored
    };
    const Case cases[] = {
        {"", {}},
        {"dword Dword DWORD", {0, 1, 2}},
        {"DWORD  DWORD", {0, 2}},
        {"DWORD ", {0}},
        {" DWORD", {1}},
        {"DWORD\tINT DWORD", {1}},
        {"BOGUS DWORD", {1}},
    };
    for (const Case& c : cases) {
        ScratchStore fresh(GetParam());
        const ParameterStore a = fresh.Arguments();
        uint32_t words[4] = {100, 101, 102, 103};
        ASSERT_EQ(SaveParameters(a.profilePath, a.section, a.registryRoot, a.tree, kNames,
                                 c.signature, &words[0], &words[1], &words[2], &words[3]),
                  1);
        for (int i = 0; i < 4; ++i) {
            const bool stored = std::count(c.stored.begin(), c.stored.end(), i) > 0;
            EXPECT_EQ(fresh.Word(kNames[i]),
                      stored ? std::optional<uint32_t>(100 + i) : std::nullopt)
                << '"' << c.signature << "\" name " << i;
        }

        uint32_t loaded[4] = {0, 0, 0, 0};
        LoadParameters(a.profilePath, a.section, a.registryRoot, a.tree, kNames, c.signature,
                       &loaded[0], &loaded[1], &loaded[2], &loaded[3]);
        for (int i = 0; i < 4; ++i) {
            const bool stored = std::count(c.stored.begin(), c.stored.end(), i) > 0;
            EXPECT_EQ(loaded[i], stored ? 100u + i : 0u) << '"' << c.signature << '"';
        }
    }
}

TEST_P(DriverOnEveryMedium, OverlongSignatureTouchesNothing) {
    // An unknown second token makes up the length.
    uint32_t word = 5, unused = 0;
    const std::string longest = "DWORD " + std::string(kMaxSignatureLength - 6, 'X');
    const std::string tooLong = longest + "X";
    EXPECT_EQ(SaveParameters(at.profilePath, at.section, at.registryRoot, at.tree, kNames,
                             tooLong.c_str(), &word, &unused),
              1);
    EXPECT_EQ(store.Word(kNames[0]), std::nullopt);
    EXPECT_EQ(SaveParameters(at.profilePath, at.section, at.registryRoot, at.tree, kNames,
                             longest.c_str(), &word, &unused),
              1);
    EXPECT_EQ(store.Word(kNames[0]), 5u);
}

// The longest signature of empty tokens: 1018 spaces, then one "DWORD" that
// takes the 1019th name and pointer.
template <size_t... I>
void SaveAfterEmptyTokens(const ParameterStore& at, std::index_sequence<I...>, uint32_t* words,
                          const char* const* names) {
    const std::string signature = std::string(sizeof...(I) - 1, ' ') + "DWORD";
    ASSERT_EQ(SaveParameters(at.profilePath, at.section, at.registryRoot, at.tree, names,
                             signature.c_str(), &words[I]...),
              1);
}

TEST_P(DriverOnEveryMedium, EveryCharacterMayBeAToken) {
    constexpr size_t kTokens = kMaxSignatureLength - 4;
    std::vector<uint32_t> words(kTokens, 0);
    words.back() = 77;
    std::vector<const char*> names(kTokens, "Unused");
    names.back() = "Last";
    SaveAfterEmptyTokens(at, std::make_index_sequence<kTokens>(), words.data(), names.data());
    EXPECT_EQ(store.Word("Last"), 77u);
    EXPECT_EQ(store.Word("Unused"), std::nullopt);
}

TEST_P(DriverOnEveryMedium, InfinityOnlyRoundTripsAsBytes) {
    // Text has no infinity: "%g" writes "inf", which is no decimal and
    // reads as 0. The registry keeps the bytes.
    const double infinite = std::numeric_limits<double>::infinity();
    double value = infinite;
    ASSERT_EQ(SaveParameters(at.profilePath, at.section, at.registryRoot, at.tree, kNames, "DOUBLE",
                             &value),
              1);
    value = 5;
    LoadParameters(at.profilePath, at.section, at.registryRoot, at.tree, kNames, "DOUBLE", &value);
    EXPECT_EQ(value, KeepsTextOnly() ? 0.0 : infinite);
}

INSTANTIATE_TEST_SUITE_P(Media, DriverOnEveryMedium,
                         ::testing::Values(StoreKind::kProfile, StoreKind::kRegistry,
                                           StoreKind::kTree),
                         [](const auto& info) { return StoreKindName(info.param); });

// What the profile file holds: signed decimal words, six-digit numbers, and
// the two keys of an "LSS" block.
TEST(ProfileMediumText, StoresWordsNumbersAndBlocksAsText) {
    ScratchFolder folder;
    const std::string path = folder.Path("p.ini");
    uint32_t word = 4294967295u;
    float single = 0.1f;
    double precise = 0.123456789;
    uint8_t byte = 0;
    LssBlock empty{0, &byte};
    ASSERT_EQ(SaveParameters(path.c_str(), "S", nullptr, nullptr, kNames, "DWORD FLOAT DOUBLE LSS",
                             &word, &single, &precise, &empty),
              1);
    EXPECT_EQ(ReadBytes(path),
              "[S]\r\nFirst=-1\r\nSecond=0.1\r\nThird=0.123457\r\nSIZE_LSS_Fourth=0\r\n"
              "DATA_LSS_Fourth=00\r\n");
}

TEST(ProfileMediumText, BlockThatDoesNotDecodeLoadsAsZeros) {
    ScratchFolder folder;
    const std::string path = folder.Path("p.ini");
    WriteBytes(path,
               "[S]\r\nSIZE_LSS_First=3\r\nDATA_LSS_First=0102039Q\r\n"
               "SIZE_LSS_Second=4\r\n");
    LssBlock bad{0, nullptr}, missing{0, nullptr};
    LoadParameters(path.c_str(), "S", nullptr, nullptr, kNames, "LSS LSS", &bad, &missing);
    ASSERT_EQ(bad.size, 3u);
    ASSERT_EQ(missing.size, 4u);
    for (uint32_t i = 0; i < 3; ++i) EXPECT_EQ(bad.data[i], 0);
    for (uint32_t i = 0; i < 4; ++i) EXPECT_EQ(missing.data[i], 0);
    std::free(bad.data);
    std::free(missing.data);
}

TEST(ProfileMediumText, SavingChangesOnlyTheKeysSaved) {
    ScratchFolder folder;
    const std::string path = folder.Path("p.ini");
    const std::string before =
        "; settings of other programs\r\n[Other]\r\nFirst=keep\r\n\r\n[S]\r\nfirst = 1 ; old\r\n"
        "Extra=2\r\n";
    WriteBytes(path, before);
    uint32_t word = 9;
    ASSERT_EQ(SaveParameters(path.c_str(), "S", nullptr, nullptr, kNames, "DWORD", &word), 1);
    std::string expected = before;
    expected.replace(expected.find("first = 1 ; old"), 15, "first=9");
    if (RunningUnderWine()) GTEST_SKIP() << "Wine rewrites untouched lines";
    EXPECT_EQ(ReadBytes(path), expected);
}

// The registry holds 32-bit words as 4-byte REG_NONE values.
TEST(RegistryMediumLayout, WordsAreFourByteNoneValues) {
    ScratchRegistry registry;
    uint32_t word = 0x01020304;
    ASSERT_EQ(SaveParameters(nullptr, "A\\B", registry.Root(), nullptr, kNames, "DWORD", &word), 1);
    const RootKey root(registry.Root());
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(root, "A\\B", 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD type = 99, size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "First", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_NONE));
    EXPECT_EQ(size, 4u);
    RegCloseKey(key);
}

TEST(RegistryMediumLayout, EmptySignatureStillCreatesTheSubkey) {
    ScratchRegistry registry;
    EXPECT_EQ(SaveParameters(nullptr, "Empty", registry.Root(), nullptr, kNames, ""), 1);
    const RootKey root(registry.Root());
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(root, "Empty", 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST(RegistryMediumLayout, SubkeyThatCannotBeCreatedFailsTheSaveOnly) {
    ScratchRegistry registry;
    uint32_t word = 3;
    // A leading backslash is no valid subkey path on any platform.
    EXPECT_EQ(SaveParameters(nullptr, "\\Bad", registry.Root(), nullptr, kNames, "DWORD", &word),
              0);
    LoadParameters(nullptr, "\\Bad", registry.Root(), nullptr, kNames, "DWORD", &word);
    EXPECT_EQ(word, 3u);
}

// One medium per call: a tree wins over everything, the registry over a
// profile path.
TEST(MediumChoice, TakesTheFirstOfTreeRegistryProfile) {
    ScratchFolder folder;
    ScratchRegistry registry;
    SettingsNode* tree = SettingsNode::Create();
    const std::string path = folder.Path("p.ini");
    uint32_t word = 1;

    SaveParameters(path.c_str(), "S", registry.Root(), tree, kNames, "DWORD", &word);
    EXPECT_NE(tree->FindChildElement("First"), nullptr);
    EXPECT_FALSE(Exists(path));

    SaveParameters(path.c_str(), "S", registry.Root(), nullptr, kNames, "DWORD", &word);
    EXPECT_FALSE(Exists(path));
    SettingsNode::Destroy(tree);

    EXPECT_EQ(SaveParameters(nullptr, "S", nullptr, nullptr, kNames, "DWORD", &word), 1);
}

}  // namespace
