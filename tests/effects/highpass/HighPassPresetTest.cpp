// The high-pass presets through the exported entry points, in every store.
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "effects/highpass/HighPassSettings.h"
#include "support/LibraryTest.h"
#include "support/ScratchStore.h"

namespace {

constexpr double kGainStep = 3.051850947599719e-05;

double GainOf(uint32_t stored) {
    return (static_cast<double>(stored) + 0.5) * kGainStep;
}

class HighPassPresetTest : public LibraryTest<HighPassSettings>,
                           public ::testing::WithParamInterface<StoreKind> {
  protected:
    static void SetUpTestSuite() { lib = std::make_unique<PluginLibrary>(HIGHPASS_LIBRARY); }

    HighPassSettings& Load(const ScratchStore& from) { return Own(from.Initialize(*lib)); }

    ScratchStore store{GetParam()};
};

TEST_P(HighPassPresetTest, MissingValuesTakeTheDefaults) {
    store.PutWord("CutOffFreq", 250);
    const HighPassSettings& s = Load(store);
    EXPECT_EQ(s.dryGain, GainOf(32767));
    EXPECT_EQ(s.wetGain, GainOf(32767));
    EXPECT_EQ(s.cutoff, 250);
}

// The + 0.5 on load and the truncation on save bring every word back; a
// stored 0 is a small gain, not silence.
TEST_P(HighPassPresetTest, EveryGainWordSavesBackToItself) {
    std::vector<uint32_t> words = {0, 1, 1000, 32767, 2147483648u, 4294967295u};
    std::mt19937 random(7);
    for (int i = 0; i < 24; ++i) words.push_back(random());
    for (uint32_t dry : words) {
        const uint32_t wet = ~dry;
        store.PutWord("DryOut", dry);
        store.PutWord("Volume2", wet);
        store.PutWord("CutOffFreq", dry ^ 0x5A5A5A5A);
        HighPassSettings& s = Load(store);
        EXPECT_EQ(s.dryGain, GainOf(dry));
        EXPECT_GT(s.dryGain, 0.0);
        ScratchStore saved(GetParam());
        ASSERT_EQ(saved.Save(*lib, &s), 1);
        EXPECT_EQ(saved.Word("DryOut"), dry);
        EXPECT_EQ(saved.Word("Volume2"), wet);
        EXPECT_EQ(saved.Word("CutOffFreq"), dry ^ 0x5A5A5A5A);
    }
}

// Trees are loaded by InitializeXml only.
using HighPassPresetTestLoad = HighPassPresetTest;

TEST_P(HighPassPresetTestLoad, LoadPresetMakesANewRecordFromTheStore) {
    HighPassSettings& old = Load(store);
    store.PutWord("Volume2", 0);
    SettingsHandle handle = &old;
    const ParameterStore at = store.Arguments();
    ASSERT_EQ(lib->LoadPreset(at.profilePath, at.section, at.registryRoot, &handle), 1);
    ASSERT_NE(handle, &old);
    EXPECT_EQ(Own(handle).wetGain, GainOf(0));
    EXPECT_EQ(old.wetGain, GainOf(32767));
}

INSTANTIATE_TEST_SUITE_P(Stores, HighPassPresetTest,
                         ::testing::Values(StoreKind::kProfile, StoreKind::kRegistry,
                                           StoreKind::kTree),
                         [](const auto& info) { return StoreKindName(info.param); });
INSTANTIATE_TEST_SUITE_P(Stores, HighPassPresetTestLoad,
                         ::testing::Values(StoreKind::kProfile, StoreKind::kRegistry),
                         [](const auto& info) { return StoreKindName(info.param); });

class HighPassPresetTreeTest : public LibraryTest<HighPassSettings> {
  protected:
    static void SetUpTestSuite() { lib = std::make_unique<PluginLibrary>(HIGHPASS_LIBRARY); }
};

TEST_F(HighPassPresetTreeTest, SavingIntoAnEmptyNodeMakesThreeElementsInOrder) {
    ScratchStore store(StoreKind::kTree);
    HighPassSettings& s = Own(store.Initialize(*lib));
    ASSERT_EQ(store.Save(*lib, &s), 1);
    EXPECT_EQ(store.ParameterElements(),
              (std::vector<std::string>{"DryOut", "Volume2", "CutOffFreq"}));
    EXPECT_EQ(store.Word("DryOut"), 32767u);
    EXPECT_EQ(store.Word("CutOffFreq"), 100u);
}

}  // namespace
