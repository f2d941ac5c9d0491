// Both plug-ins driven through their exported entry points by a host that
// breaks every rule it can: records in every state, callbacks that deliver
// nothing, too little or too much, or rewrite the record they are given,
// channel layouts that change from call to call, non-finite samples, odd
// formats, null arguments, calls out of order and calls back into the record
// from inside the callback. Every array the host hands over lies between
// guard zones that are checked after every call. A sanitizer build adds its
// own checks, and its leak check covers every record the host frees.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "host/PluginLibrary.h"
#include "persist/tree/SettingsElement.h"
#include "persist/tree/SettingsNode.h"

namespace {

struct Plugin {
    const char* name;
    const char* path;
    uint32_t chunkLimit;
    bool loadPresetMakesNewRecord;
};

void PrintTo(const Plugin& plugin, std::ostream* out) {
    *out << plugin.name;
}

// A signalling NaN with a payload. Arithmetic on it gives a quiet NaN, so no
// sample a plug-in computes has these bits. Written and compared as bits,
// never through floating-point registers, which might quiet it.
constexpr uint64_t kSentinelBits = 0x7FF40BADF00DCAFEull;

// One channel array of the host's, between guard zones of sentinels.
class GuardedArray {
  public:
    static constexpr size_t kGuard = 64;

    explicit GuardedArray(size_t count) : storage_(count + 2 * kGuard) {
        for (double& x : storage_) std::memcpy(&x, &kSentinelBits, sizeof x);
    }
    double* Data() { return storage_.data() + kGuard; }
    size_t Size() const { return storage_.size() - 2 * kGuard; }

    bool GuardsIntact() const {
        return AllSentinels(0, kGuard) && AllSentinels(kGuard + Size(), kGuard);
    }
    // Nothing written anywhere, samples included.
    bool Untouched() const { return AllSentinels(0, storage_.size()); }
    // Whether `count` samples from `p` lie within the samples.
    bool Holds(const double* p, uint32_t count) const {
        const auto begin = reinterpret_cast<uintptr_t>(storage_.data() + kGuard);
        const auto at = reinterpret_cast<uintptr_t>(p);
        return at >= begin && (at - begin) / sizeof(double) + count <= Size() &&
               (at - begin) % sizeof(double) == 0;
    }

  private:
    bool AllSentinels(size_t from, size_t count) const {
        for (size_t i = from; i < from + count; ++i) {
            if (std::memcmp(&storage_[i], &kSentinelBits, sizeof(double)) != 0) return false;
        }
        return true;
    }

    std::vector<double> storage_;
};

// Writes `count` samples of `value` (no more than asked) into each channel
// of the request; returns `count`, which may claim more than was written.
uint32_t Deliver(const StreamBuffer& b, uint32_t count, double value = 0.5) {
    const uint32_t n = std::min(count, b.count);
    if (b.left) std::fill_n(b.left, n, value);
    if (b.right) std::fill_n(b.right, n, value);
    return count;
}

// The host's side of the stream: the arrays of the ProcessStream call under
// way, what the plug-in asked for, and what the callback does about it.
struct Host {
    uint32_t chunkLimit = 0;
    GuardedArray* left = nullptr;
    GuardedArray* right = nullptr;
    std::vector<uint32_t> requests;
    std::vector<std::string> faults;
    // Answers a request that lies within the arrays: writes the input and
    // returns the count to report. Unset: everything asked, of `input`.
    std::function<uint32_t(StreamBuffer&)> respond;
    double input = 0.5;

    static bool Within(const double* p, uint32_t count, GuardedArray* array) {
        return array ? p && array->Holds(p, count) : !p;
    }

    static uint32_t Callback(void* user, StreamBuffer* buffer) {
        auto& host = *static_cast<Host*>(user);
        host.requests.push_back(buffer->count);
        if (buffer->count > host.chunkLimit) host.faults.push_back("a request beyond the limit");
        if (!Within(buffer->left, buffer->count, host.left) ||
            !Within(buffer->right, buffer->count, host.right)) {
            host.faults.push_back("a request outside the host's arrays");
            return 0;
        }
        return host.respond ? host.respond(*buffer) : Deliver(*buffer, buffer->count, host.input);
    }
};

enum class Layout { kMono, kStereo, kRightOnly, kNoChannels };

class HostileHostTest : public ::testing::TestWithParam<Plugin> {
  protected:
    void SetUp() override {
        lib = std::make_unique<PluginLibrary>(GetParam().path);
        host.chunkLimit = GetParam().chunkLimit;
    }
    void TearDown() override {
        // Records still open are freed with their streams.
        for (SettingsHandle h : records) lib->Free(h);
        ExpectIntact();
    }

    uint32_t Limit() const { return GetParam().chunkLimit; }
    std::vector<uint32_t> Counts() const {
        const uint32_t l = Limit();
        return {0, 1, l - 1, l, l + 1, 2 * l, 3 * l + 5};
    }

    SettingsHandle Adopt(SettingsHandle h) {
        EXPECT_NE(h, nullptr);
        if (h) records.push_back(h);
        return h;
    }
    SettingsHandle Create() {
        SettingsHandle h = nullptr;
        EXPECT_EQ(Checked(lib->Initialize(nullptr, nullptr, nullptr, &h)), 1);
        return Adopt(h);
    }
    void Open(SettingsHandle h, uint16_t channels = 2, uint32_t sampleRate = 44100) {
        EXPECT_EQ(Checked(lib->SetStreamCallBack(&Host::Callback, &host, h)), 1);
        const StreamFormat format{0, channels, sampleRate};
        EXPECT_EQ(Checked(lib->OpenStream(h, &format)), 1);
    }

    // One ProcessStream call over fresh guarded arrays of `count` samples.
    uint32_t Process(SettingsHandle h, uint32_t count, Layout layout = Layout::kStereo) {
        const bool hasLeft = layout == Layout::kMono || layout == Layout::kStereo;
        const bool hasRight = layout == Layout::kStereo || layout == Layout::kRightOnly;
        host.left = hasLeft ? &arrays.emplace_back(count) : nullptr;
        host.right = hasRight ? &arrays.emplace_back(count) : nullptr;
        host.requests.clear();
        StreamBuffer buffer{count, host.left ? host.left->Data() : nullptr,
                            host.right ? host.right->Data() : nullptr};
        const uint32_t done = lib->ProcessStream(&buffer, h);
        EXPECT_LE(done, count);
        ExpectIntact();
        EXPECT_TRUE(host.faults.empty()) << host.faults.front();
        host.faults.clear();
        return done;
    }

    // Every array the plug-in was ever given keeps its guards, and decoys
    // stay untouched, whatever entry point ran last.
    template <typename Result>
    Result Checked(Result result) {
        ExpectIntact();
        return result;
    }
    void ExpectIntact() {
        for (const GuardedArray& a : arrays) ASSERT_TRUE(a.GuardsIntact());
        for (const GuardedArray& d : decoys) ASSERT_TRUE(d.Untouched());
    }

    // ProcessStream refuses the record: 0, no request, no sample written.
    void ExpectRefused(SettingsHandle h) {
        for (const Layout layout : {Layout::kMono, Layout::kStereo}) {
            for (const uint32_t count : {0u, 1u, Limit() + 1}) {
                EXPECT_EQ(Process(h, count, layout), 0u) << count;
                EXPECT_TRUE(host.requests.empty());
                for (auto* a : {host.left, host.right}) EXPECT_TRUE(!a || a->Untouched());
            }
        }
        ExerciseTheOtherEntryPoints(h);
    }
    // ProcessStream serves every request whole, in chunks of the limit.
    void ExpectServed(SettingsHandle h) {
        for (const Layout layout : {Layout::kMono, Layout::kStereo}) {
            for (const uint32_t count : Counts()) {
                EXPECT_EQ(Process(h, count, layout), count);
                EXPECT_EQ(std::accumulate(host.requests.begin(), host.requests.end(), 0ull), count);
            }
        }
        ExerciseTheOtherEntryPoints(h);
    }
    void ExerciseTheOtherEntryPoints(SettingsHandle h) {
        SettingsHandle copy = nullptr;
        EXPECT_EQ(Checked(lib->CopySettings(&copy, h)), 1);
        lib->Free(copy);
        EXPECT_EQ(Checked(lib->SavePreset(nullptr, nullptr, nullptr, h)), 1);
        SettingsNode* tree = SettingsNode::Create();
        EXPECT_EQ(Checked(lib->SavePresetXml(tree, h)), 1);
        SettingsNode::Destroy(tree);
        PlugInInfoRecord info{};
        info.size = sizeof info;
        EXPECT_EQ(Checked(lib->PlugInInfo(&info)), 1);
        EXPECT_EQ(Checked(lib->CreateSettingsWindow()), 0);
    }

    std::unique_ptr<PluginLibrary> lib;
    Host host;
    std::deque<GuardedArray> arrays;
    std::deque<GuardedArray> decoys;
    std::vector<SettingsHandle> records;
};

TEST_P(HostileHostTest, RefusesNullArguments) {
    SettingsHandle h = Create();
    Open(h);
    const StreamFormat format{0, 2, 44100};
    EXPECT_EQ(lib->PlugInInfo(nullptr), 0);
    EXPECT_EQ(lib->Initialize(nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(lib->InitializeXml(nullptr, nullptr), 0);
    EXPECT_EQ(lib->LoadPreset(nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(lib->SavePreset(nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(lib->SavePresetXml(nullptr, nullptr), 0);
    EXPECT_EQ(lib->CopySettings(nullptr, h), 0);
    SettingsHandle copy = &copy;
    EXPECT_EQ(lib->CopySettings(&copy, nullptr), 0);
    EXPECT_EQ(copy, &copy);
    lib->Free(nullptr);
    EXPECT_EQ(lib->SetStreamCallBack(&Host::Callback, &host, nullptr), 0);
    EXPECT_EQ(lib->OpenStream(nullptr, &format), 0);
    EXPECT_EQ(lib->OpenStream(h, nullptr), 0);
    EXPECT_EQ(lib->CloseStream(nullptr), 0);
    EXPECT_EQ(lib->ProcessStream(nullptr, h), 0u);
    EXPECT_EQ(Process(nullptr, 10), 0u);
    EXPECT_TRUE(host.requests.empty());
    EXPECT_TRUE(host.left->Untouched());

    // A handle variable without a record: Squeak has none to reload, the
    // high-pass filter makes a new one.
    SettingsHandle none = nullptr;
    const int32_t loaded = lib->LoadPreset(nullptr, nullptr, nullptr, &none);
    if (GetParam().loadPresetMakesNewRecord) {
        EXPECT_EQ(loaded, 1);
        Adopt(none);
    } else {
        EXPECT_EQ(loaded, 0);
        EXPECT_EQ(none, nullptr);
    }
    EXPECT_EQ(Process(h, 10), 10u);  // the open record is unharmed
}

TEST_P(HostileHostTest, ProcessesOnlyWithAnOpenStreamAndACallback) {
    const StreamFormat format{0, 2, 44100};
    SettingsHandle h = Create();
    {
        SCOPED_TRACE("fresh record");
        ExpectRefused(h);
    }
    ASSERT_EQ(lib->SetStreamCallBack(&Host::Callback, &host, h), 1);
    {
        SCOPED_TRACE("callback, no stream");
        ExpectRefused(h);
    }
    ASSERT_EQ(Checked(lib->OpenStream(h, &format)), 1);
    {
        SCOPED_TRACE("open");
        ExpectServed(h);
    }
    EXPECT_EQ(Checked(lib->CloseStream(h)), 1);
    {
        SCOPED_TRACE("closed");
        ExpectRefused(h);
    }
    EXPECT_EQ(Checked(lib->CloseStream(h)), 1);
    {
        SCOPED_TRACE("closed twice");
        ExpectRefused(h);
    }
    ASSERT_EQ(Checked(lib->OpenStream(h, &format)), 1);
    ASSERT_EQ(Checked(lib->OpenStream(h, &format)), 1);  // no CloseStream between
    ASSERT_EQ(Checked(lib->SetStreamCallBack(nullptr, nullptr, h)), 1);
    {
        SCOPED_TRACE("open, callback removed");
        ExpectRefused(h);
    }
    ASSERT_EQ(Checked(lib->SetStreamCallBack(&Host::Callback, &host, h)), 1);
    {
        SCOPED_TRACE("open, callback back");
        ExpectServed(h);
    }

    SettingsHandle copy = nullptr;
    ASSERT_EQ(Checked(lib->CopySettings(&copy, h)), 1);
    Adopt(copy);
    {
        SCOPED_TRACE("copy of an open record");
        ExpectRefused(copy);
    }
    Open(copy, 1, 48000);
    {
        SCOPED_TRACE("copy opened");
        ExpectServed(copy);
    }

    // LoadPreset on an open record: Squeak reloads it in place and keeps its
    // stream; the high-pass filter hands over a new record, and the old one
    // stays the host's, still open, to use and to free.
    SettingsHandle loaded = h;
    ASSERT_EQ(Checked(lib->LoadPreset(nullptr, nullptr, nullptr, &loaded)), 1);
    if (GetParam().loadPresetMakesNewRecord) {
        ASSERT_NE(loaded, h);
        Adopt(loaded);
        {
            SCOPED_TRACE("new record from LoadPreset");
            ExpectRefused(loaded);
        }
        Open(loaded);
        {
            SCOPED_TRACE("new record from LoadPreset, opened");
            ExpectServed(loaded);
        }
        SCOPED_TRACE("record replaced by LoadPreset");
        ExpectServed(h);
    } else {
        ASSERT_EQ(loaded, h);
        SCOPED_TRACE("record reloaded in place");
        ExpectServed(h);
    }
}

TEST_P(HostileHostTest, CallbacksThatDeliverNothingTooLittleOrTooMuch) {
    SettingsHandle h = Create();
    Open(h);
    const uint32_t l = Limit();
    const uint32_t n = 3 * l + 5;

    host.respond = [](StreamBuffer&) { return 0u; };
    EXPECT_EQ(Process(h, n), 0u);
    EXPECT_EQ(host.requests, std::vector<uint32_t>{l});
    EXPECT_EQ(Process(h, 0), 0u);

    int calls = 0;
    host.respond = [&](StreamBuffer& b) { return Deliver(b, ++calls == 2 ? 100 : b.count); };
    EXPECT_EQ(Process(h, n), l + 100);
    EXPECT_EQ(host.requests, (std::vector<uint32_t>{l, l}));

    for (const uint32_t extra : {1u, l, std::numeric_limits<uint32_t>::max()}) {
        host.respond = [&](StreamBuffer& b) {
            const uint32_t claimed = b.count > UINT32_MAX - extra ? UINT32_MAX : b.count + extra;
            Deliver(b, b.count);
            return claimed;
        };
        for (const uint32_t count : Counts()) {
            EXPECT_EQ(Process(h, count, Layout::kMono), count) << extra;
            EXPECT_EQ(Process(h, count, Layout::kStereo), count) << extra;
        }
    }
}

// The callback must leave the stream buffer alone. One that rewrites it,
// pointing it at other arrays, growing or clearing its count, must not make
// the plug-in process anything but the arrays it asked to be filled.
TEST_P(HostileHostTest, CallbackThatRewritesItsRecordCannotRedirectThePlugIn) {
    GuardedArray& decoyLeft = decoys.emplace_back(16);
    GuardedArray& decoyRight = decoys.emplace_back(16);
    const std::vector<std::function<void(StreamBuffer&)>> rewrites = {
        [&](StreamBuffer& b) {
            b.count = b.count * 2 + 7;
            b.left = decoyLeft.Data();
            b.right = decoyRight.Data();
        },
        [&](StreamBuffer& b) { b.count = UINT32_MAX; },
        [&](StreamBuffer& b) {
            b.left = b.left ? b.left + 1 : decoyLeft.Data();
            b.right = b.right ? b.right + 1 : decoyRight.Data();
        },
        [&](StreamBuffer& b) {
            b = {0, nullptr, nullptr};
        },
    };
    for (size_t k = 0; k < rewrites.size(); ++k) {
        SCOPED_TRACE(k);
        SettingsHandle h = Create();
        Open(h);
        host.respond = [&](StreamBuffer& b) {
            const uint32_t got = Deliver(b, b.count);
            rewrites[k](b);
            return got;
        };
        for (const Layout layout : {Layout::kMono, Layout::kStereo, Layout::kRightOnly}) {
            for (const uint32_t count : Counts()) EXPECT_EQ(Process(h, count, layout), count);
        }
    }
}

TEST_P(HostileHostTest, ChannelLayoutMayChangeFromCallToCall) {
    for (const uint16_t channels : {1, 2}) {
        SettingsHandle h = Create();
        Open(h, channels);
        for (const Layout layout :
             {Layout::kMono, Layout::kStereo, Layout::kMono, Layout::kRightOnly,
              Layout::kNoChannels, Layout::kStereo, Layout::kRightOnly, Layout::kMono}) {
            for (const uint32_t count : {5u, Limit() + 1, 5u, 0u, 2 * Limit()}) {
                ASSERT_EQ(Process(h, count, layout), count);
                for (GuardedArray* a : {host.left, host.right}) {
                    if (!a) continue;
                    const double* samples = a->Data();
                    EXPECT_TRUE(std::all_of(samples, samples + count,
                                            [](double x) { return std::isfinite(x); }));
                }
            }
        }
    }
}

TEST_P(HostileHostTest, NonFiniteSamplesPassWithoutHarm) {
    SettingsHandle h = Create();
    Open(h);
    constexpr double kInf = std::numeric_limits<double>::infinity();
    for (const double x :
         {std::numeric_limits<double>::quiet_NaN(), kInf, -kInf, std::numeric_limits<double>::max(),
          -std::numeric_limits<double>::max(), std::numeric_limits<double>::denorm_min(), -0.0}) {
        host.input = x;
        EXPECT_EQ(Process(h, Limit() + 3, Layout::kStereo), Limit() + 3);
        EXPECT_EQ(Process(h, 7, Layout::kMono), 7u);
    }
    // A fresh stream forgets them all.
    EXPECT_EQ(lib->CloseStream(h), 1);
    Open(h);
    host.input = 0.5;
    ASSERT_EQ(Process(h, 100, Layout::kStereo), 100u);
    const double* left = host.left->Data();
    EXPECT_TRUE(std::all_of(left, left + 100, [](double x) { return std::isfinite(x); }));
}

TEST_P(HostileHostTest, OddFormatsOpenAndProcess) {
    for (const uint16_t channels : {0, 1, 3, 65535}) {
        for (const uint32_t rate : {0u, 1u, 44100u, 2147483648u, UINT32_MAX}) {
            SCOPED_TRACE(std::to_string(channels) + " channels at " + std::to_string(rate));
            SettingsHandle h = Create();
            Open(h, channels, rate);
            EXPECT_EQ(Process(h, Limit() + 1, Layout::kStereo), Limit() + 1);
            EXPECT_EQ(Process(h, 3, Layout::kMono), 3u);
        }
    }
}

// Calls back into the record from inside the callback, which the host must
// not do: the request ends or goes on, but nothing breaks.
TEST_P(HostileHostTest, CallbackThatCallsBackIntoTheRecord) {
    const uint32_t l = Limit();
    const uint32_t n = 3 * l + 5;
    SettingsHandle h = Create();
    int calls = 0;
    const auto onSecondRequest = [&](std::function<void()> action) {
        calls = 0;
        host.respond = [&calls, action](StreamBuffer& b) {
            const uint32_t got = Deliver(b, b.count);
            if (++calls == 2) action();
            return got;
        };
    };

    // Closing the stream ends the request after the chunks processed so far.
    Open(h);
    onSecondRequest([&] { lib->CloseStream(h); });
    EXPECT_EQ(Process(h, n), l);
    EXPECT_EQ(host.requests.size(), 2u);
    EXPECT_EQ(Process(h, n), 0u);

    // So does removing the callback, after the chunk it delivered.
    Open(h);
    onSecondRequest([&] { lib->SetStreamCallBack(nullptr, nullptr, h); });
    EXPECT_EQ(Process(h, n), 2 * l);
    EXPECT_EQ(host.requests.size(), 2u);

    // Reopening with another format, or reloading, lets it go on.
    Open(h);
    onSecondRequest([&] {
        const StreamFormat mono{0, 1, 8000};
        lib->OpenStream(h, &mono);
    });
    EXPECT_EQ(Process(h, n), n);
    onSecondRequest([&] {
        SettingsHandle loaded = h;
        lib->LoadPreset(nullptr, nullptr, nullptr, &loaded);
        if (loaded != h) lib->Free(loaded);
    });
    EXPECT_EQ(Process(h, n), n);
}

// Stored values at and beyond their limits, and texts that are no numbers.
TEST_P(HostileHostTest, RecordsFromHostileStoresProcessSafely) {
    const char* const names[] = {"DryOut",  "Squeak",  "Frequency", "VolR",
                                 "CutR",    "HoldCh",  "InvertL",   "InvertR",
                                 "DisMain", "Volume2", "CutOffFreq"};
    const char* const values[] = {"0",   "-1",   "2147483648", "99999999999999999999",
                                  "abc", "0x10", " -7 ",       ""};
    // Named apart from other runs of this test that may share the folder.
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() /
        ("hostile-" + std::string(GetParam().name) + "-" + std::to_string(stamp) + ".ini");
    {
        std::ofstream out(file, std::ios::binary);
        for (const char* value : values) {
            out << "[" << (std::string("S") + value) << "]\r\n";
            for (const char* name : names) out << name << "=" << value << "\r\n";
        }
    }
    const std::string path = file.string();
    for (const char* value : values) {
        SCOPED_TRACE(value);
        const std::string section = std::string("S") + value;
        SettingsHandle h = nullptr;
        ASSERT_EQ(lib->Initialize(path.c_str(), section.c_str(), nullptr, &h), 1);
        Adopt(h);
        Open(h);
        EXPECT_EQ(Process(h, Limit() + 1), Limit() + 1);
        SettingsHandle loaded = h;
        ASSERT_EQ(lib->LoadPreset(path.c_str(), section.c_str(), nullptr, &loaded), 1);
        if (loaded != h) Adopt(loaded);
        Open(loaded);
        EXPECT_EQ(Process(loaded, Limit() + 1), Limit() + 1);
        EXPECT_EQ(lib->SavePreset(path.c_str(), section.c_str(), nullptr, loaded), 1);

        SettingsNode* tree = SettingsNode::Create();
        for (const char* name : names) tree->SetStringValue(name, value);
        h = nullptr;
        ASSERT_EQ(lib->InitializeXml(tree, &h), 1);
        Adopt(h);
        Open(h, 1);
        EXPECT_EQ(Process(h, Limit() + 1), Limit() + 1);
        EXPECT_EQ(lib->SavePresetXml(tree, h), 1);
        SettingsNode::Destroy(tree);
    }
    std::filesystem::remove(file);
}

INSTANTIATE_TEST_SUITE_P(BothPlugins, HostileHostTest,
                         ::testing::Values(Plugin{"Squeak", SQUEAK_LIBRARY, 4096, false},
                                           Plugin{"Plugin", HIGHPASS_LIBRARY, 16384, true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
