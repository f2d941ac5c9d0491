// Squeak's presets through its exported entry points, in every store.
#include <gtest/gtest.h>

#include <memory>

#include "effects/squeak/SqueakSettings.h"
#include "support/LibraryTest.h"
#include "support/ScratchStore.h"

namespace {

constexpr const char* kNames[] = {"DryOut", "Squeak",  "Frequency", "VolR",   "CutR",
                                  "HoldCh", "InvertL", "InvertR",   "DisMain"};

class SqueakPresetTest : public LibraryTest<SqueakSettings>,
                         public ::testing::WithParamInterface<StoreKind> {
  protected:
    static void SetUpTestSuite() { lib = std::make_unique<PluginLibrary>(SQUEAK_LIBRARY); }

    SqueakSettings& Load(const ScratchStore& from) { return Own(from.Initialize(*lib)); }

    ScratchStore store{GetParam()};
};

TEST_P(SqueakPresetTest, EmptyStoreGivesTheDefaults) {
    const SqueakSettings& s = Load(store);
    EXPECT_EQ(s.dryGain, 30 * 0.01);
    EXPECT_EQ(s.squeakLeft, 80 * 0.01);
    EXPECT_EQ(s.squeakRight, 80 * 0.01);
    EXPECT_EQ(s.rateLeft, 60.0);
    EXPECT_EQ(s.rateRight, 60.0);
}

TEST_P(SqueakPresetTest, RightChannelFallsBackToTheLeftOne) {
    store.PutWord("Squeak", 50);
    store.PutWord("Frequency", 10);
    const SqueakSettings& s = Load(store);
    EXPECT_EQ(s.squeakRight, 50 * 0.01);
    EXPECT_EQ(s.rateRight, 10.0);

    // A stored 4294967295 cannot be told from a missing value.
    store.PutWord("VolR", 4294967295u);
    store.PutWord("CutR", 25);
    const SqueakSettings& t = Load(store);
    EXPECT_EQ(t.squeakRight, 50 * 0.01);
    EXPECT_EQ(t.rateRight, 25.0);
}

// Saving truncates: 29 × 0.01 × 100 is 28.999999999999996.
TEST_P(SqueakPresetTest, SavesTruncatedPercentagesAndResolvedFallbacks) {
    ScratchStore saved(GetParam());
    SqueakSettings& defaults = Load(store);
    ASSERT_EQ(saved.Save(*lib, &defaults), 1);
    const uint32_t expected[] = {30, 80, 60, 80, 60, 0, 0, 0, 0};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(saved.Word(kNames[i]), expected[i]) << kNames[i];

    store.PutWord("DryOut", 29);
    store.PutWord("Squeak", 58);
    store.PutWord("VolR", 116);
    store.PutWord("InvertR", 7);
    store.PutWord("DisMain", 4294967295u);
    ASSERT_EQ(saved.Save(*lib, &Load(store)), 1);
    EXPECT_EQ(saved.Word("DryOut"), 28u);
    EXPECT_EQ(saved.Word("Squeak"), 57u);
    EXPECT_EQ(saved.Word("VolR"), 115u);
    EXPECT_EQ(saved.Word("InvertR"), 7u);
    EXPECT_EQ(saved.Word("DisMain"), 4294967295u);
}

// Trees are loaded by InitializeXml only.
using SqueakPresetTestLoad = SqueakPresetTest;

TEST_P(SqueakPresetTestLoad, LoadPresetReloadsTheRecordInPlace) {
    SqueakSettings& s = Load(store);
    store.PutWord("DryOut", 100);
    store.PutWord("InvertL", 1);
    SettingsHandle handle = &s;
    const ParameterStore at = store.Arguments();
    ASSERT_EQ(lib->LoadPreset(at.profilePath, at.section, at.registryRoot, &handle), 1);
    EXPECT_EQ(handle, &s);
    EXPECT_EQ(s.dryGain, 100 * 0.01);
    EXPECT_EQ(s.invertLeft, 1u);
}

INSTANTIATE_TEST_SUITE_P(Stores, SqueakPresetTest,
                         ::testing::Values(StoreKind::kProfile, StoreKind::kRegistry,
                                           StoreKind::kTree),
                         [](const auto& info) { return StoreKindName(info.param); });
INSTANTIATE_TEST_SUITE_P(Stores, SqueakPresetTestLoad,
                         ::testing::Values(StoreKind::kProfile, StoreKind::kRegistry),
                         [](const auto& info) { return StoreKindName(info.param); });

class SqueakPresetTreeTest : public LibraryTest<SqueakSettings> {
  protected:
    static void SetUpTestSuite() { lib = std::make_unique<PluginLibrary>(SQUEAK_LIBRARY); }
};

TEST_F(SqueakPresetTreeTest, SavingIntoAnEmptyNodeMakesOneElementPerParameterInOrder) {
    ScratchStore store(StoreKind::kTree);
    SqueakSettings& s = Own(store.Initialize(*lib));
    ASSERT_EQ(store.Save(*lib, &s), 1);
    ASSERT_EQ(store.Save(*lib, &s), 1);  // a second save updates in place
    EXPECT_EQ(store.ParameterElements(),
              std::vector<std::string>(std::begin(kNames), std::end(kNames)));
}

TEST_F(SqueakPresetTreeTest, RegistrySubkeyThatCannotBeCreatedFailsTheSave) {
    ScratchRegistry registry;
    SqueakSettings& s = Create();
    EXPECT_EQ(lib->SavePreset(nullptr, "\\Bad", registry.Root(), &s), 0);
}

TEST_F(SqueakPresetTreeTest, ProfileFileThatCannotBeWrittenFailsTheSave) {
    // A folder on the way that is a plain file.
    ScratchFolder folder;
    WriteBytes(folder.Path("plain"), "x");
    const std::string path = folder.Path("plain/presets.ini");
    SqueakSettings& s = Create();
    EXPECT_EQ(lib->SavePreset(path.c_str(), "Squeak", nullptr, &s), 0);
    EXPECT_EQ(ReadBytes(folder.Path("plain")), "x");
}

}  // namespace
