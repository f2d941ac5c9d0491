// A fixture that drives one plug-in library through its exported entry
// points, as a host drives it. The derived fixture loads its library in
// SetUpTestSuite; records made through the fixture are freed after each test.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "host/PluginLibrary.h"
#include "support/SignalHost.h"

template <typename Settings>
class LibraryTest : public ::testing::Test {
  protected:
    static void TearDownTestSuite() { lib.reset(); }

    void TearDown() override {
        for (SettingsHandle h : handles) lib->Free(h);
    }

    Settings& Create() {
        SettingsHandle h = nullptr;
        EXPECT_EQ(lib->Initialize(nullptr, nullptr, nullptr, &h), 1);
        return Own(h);
    }
    // Takes a record the library made; TearDown frees it.
    Settings& Own(SettingsHandle h) {
        handles.push_back(h);
        return *static_cast<Settings*>(h);
    }

    // Opens a stream on `s` fed from `source`.
    void Open(Settings& s, SignalSource& source, uint32_t sampleRate, uint16_t channels) {
        ASSERT_EQ(lib->SetStreamCallBack(&SignalSource::Callback, &source, &s), 1);
        const StreamFormat format{0, channels, sampleRate};
        ASSERT_EQ(lib->OpenStream(&s, &format), 1);
    }

    uint32_t Process(Settings& s, std::vector<double>& left, std::vector<double>* right,
                     size_t offset, uint32_t count) {
        StreamBuffer buffer{count, left.data() + offset, right ? right->data() + offset : nullptr};
        return lib->ProcessStream(&buffer, &s);
    }

    // PlugInInfo fills the record for the right size only; the flag word is
    // the host's value or, when `flagWord` is given, that value.
    void ExpectDescription(const char* name, uint32_t flagWord) {
        PlugInInfoRecord info{};
        info.size = sizeof info;
        info.zeroWord = 7;
        info.flagWord = 0xABCD;
        ASSERT_EQ(lib->PlugInInfo(&info), 1);
        EXPECT_STREQ(info.name, name);
        EXPECT_STREQ(info.vendor, "Kelvora Ltd (CY)");
        EXPECT_EQ(info.informationWord, 0x00020000u);
        EXPECT_EQ(info.zeroWord, 0u);
        EXPECT_EQ(info.flagWord, flagWord);

        PlugInInfoRecord wrong{};
        wrong.size = sizeof wrong + 1;
        EXPECT_EQ(lib->PlugInInfo(&wrong), 0);
        EXPECT_EQ(wrong.name, nullptr);
        EXPECT_EQ(wrong.flagWord, 0u);
        EXPECT_EQ(lib->CreateSettingsWindow(), 0);
    }

    static inline std::unique_ptr<PluginLibrary> lib;
    std::vector<SettingsHandle> handles;
};
