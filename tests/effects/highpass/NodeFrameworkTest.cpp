// The processing-node framework: base, gain, fan-out and mix nodes, alone
// and wired together.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <new>
#include <vector>

#include "effects/highpass/FanOutNode.h"
#include "effects/highpass/GainNode.h"
#include "effects/highpass/HighPassEffect.h"
#include "effects/highpass/MixNode.h"
#include "support/SignalHost.h"

// Array allocations in this test binary can be made to fail on demand.
namespace {
int arrayAllocationsUntilFailure = -1;  // negative: never fail
}  // namespace

void* operator new[](std::size_t size) {
    if (arrayAllocationsUntilFailure == 0) throw std::bad_alloc();
    if (arrayAllocationsUntilFailure > 0) --arrayAllocationsUntilFailure;
    if (void* p = std::malloc(size != 0 ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

using Samples = std::vector<double>;

StreamBuffer Mono(Samples& left) {
    return {static_cast<uint32_t>(left.size()), left.data(), nullptr};
}
StreamBuffer Stereo(Samples& left, Samples& right) {
    return {static_cast<uint32_t>(left.size()), left.data(), right.data()};
}

// Adds `offset` to every sample it is given and returns `status`; counts its
// runs and keeps the left samples it last saw, and whether it had a right
// channel.
struct ProbeNode : ProcessingNode {
    explicit ProbeNode(double offset = 0.0, int32_t status = 1) : offset(offset), status(status) {}
    int32_t Apply(StreamBuffer b) override {
        ++runs;
        seen.assign(b.left, b.left + b.count);
        sawRight = b.right != nullptr;
        for (uint32_t i = 0; i < b.count; ++i) {
            b.left[i] += offset;
            if (b.right) b.right[i] += offset;
        }
        return status;
    }
    double offset;
    int32_t status;
    int runs = 0;
    Samples seen;
    bool sawRight = false;
};

TEST(ProcessingNodeTest, RunsTheInputFirstAndReportsOnlyItsOwnApply) {
    ProcessingNode plain;
    Samples x{1.5, -2.0};
    EXPECT_EQ(plain.Process(Mono(x)), 1);
    EXPECT_EQ(x, (Samples{1.5, -2.0}));

    ProbeNode first(10.0, 0), second(100.0, 7);
    second.Attach(&first);
    EXPECT_EQ(second.Process(Mono(x)), 1);  // non-zero status becomes 1
    EXPECT_EQ(second.seen, (Samples{11.5, 8.0}));
    EXPECT_EQ(x, (Samples{111.5, 108.0}));

    ProbeNode failing(0.0, 0);
    failing.Attach(&second);
    EXPECT_EQ(failing.Process(Mono(x)), 0);
}

TEST(GainNodeTest, ScalesEveryPresentChannel) {
    GainNode gain;
    gain.gain = -0.5;
    Samples left{2.0, 3.0}, right{4.0, -1.0};
    EXPECT_EQ(gain.Process(Stereo(left, right)), 1);
    EXPECT_EQ(left, (Samples{-1.0, -1.5}));
    EXPECT_EQ(right, (Samples{-2.0, 0.5}));

    EXPECT_EQ(gain.Process({2, nullptr, right.data()}), 1);
    EXPECT_EQ(right, (Samples{1.0, -0.25}));
}

TEST(FanOutNodeTest, ReplaysTheFirstCallOfEachPeriod) {
    FanOutNode fanOut;
    fanOut.period = 2;
    Samples a{1, 2, 3}, b{4, 5, 6}, c{7, 8, 9};
    EXPECT_EQ(fanOut.Process(Mono(a)), 1);
    EXPECT_EQ(fanOut.Process(Mono(b)), 1);
    EXPECT_EQ(a, (Samples{1, 2, 3}));
    EXPECT_EQ(b, (Samples{1, 2, 3}));
    fanOut.Process(Mono(c));
    EXPECT_EQ(c, (Samples{7, 8, 9}));

    FanOutNode everyCall;
    everyCall.period = 1;
    everyCall.Process(Mono(a));
    everyCall.Process(Mono(c));
    EXPECT_EQ(c, (Samples{7, 8, 9}));
}

TEST(FanOutNodeTest, RunsItsInputOncePerPeriodOnTheCache) {
    FanOutNode fanOut;
    fanOut.period = 3;
    ProbeNode source(0.25, 0);
    fanOut.Attach(&source);
    Samples a{1, 2}, b{5, 5}, c{6, 6}, aRight{3, 4}, bRight{0, 0};
    EXPECT_EQ(fanOut.Process(Stereo(a, aRight)), 0);  // the input's status
    EXPECT_EQ(fanOut.Process(Stereo(b, bRight)), 0);
    EXPECT_EQ(fanOut.Process(Mono(c)), 0);
    EXPECT_EQ(source.runs, 1);
    EXPECT_EQ(source.seen, (Samples{1, 2}));
    for (const Samples* s : {&a, &b, &c}) EXPECT_EQ(*s, (Samples{1.25, 2.25}));
    EXPECT_EQ(bRight, (Samples{3.25, 4.25}));
    fanOut.Process(Mono(c));
    EXPECT_EQ(source.runs, 2);
}

// What a replay gives shows what the cache holds.
TEST(FanOutNodeTest, CacheFollowsCountAndLayoutOnRefreshCallsOnly) {
    FanOutNode fanOut;
    fanOut.period = 2;
    ProbeNode source(1.0);
    fanOut.Attach(&source);
    Samples left(4, 1.0), right(4, 2.0);
    fanOut.Process(Stereo(left, right));  // refresh: 2 and 3
    Samples monoLeft(4, 0.0);
    fanOut.Process(Mono(monoLeft));  // a replay leaves the cache alone
    fanOut.Process(Mono(monoLeft));  // a refresh drops the right channel
    EXPECT_FALSE(source.sawRight);
    Samples replayLeft(4, 0.0), replayRight(4, 9.0);
    fanOut.Process(Stereo(replayLeft, replayRight));
    EXPECT_EQ(replayLeft, Samples(4, 3.0));
    EXPECT_EQ(replayRight, Samples(4, 9.0));  // nothing to replay there

    left.assign(4, 5.0);
    right.assign(4, 6.0);
    fanOut.Process(Stereo(left, right));  // refresh: the right channel is back
    fanOut.Process(Stereo(replayLeft, replayRight));
    EXPECT_EQ(replayLeft, Samples(4, 6.0));
    EXPECT_EQ(replayRight, Samples(4, 7.0));

    EXPECT_EQ(fanOut.Process({0, nullptr, nullptr}), 1);
    fanOut.Process(Stereo(replayLeft, replayRight));  // an empty cache replays nothing
    EXPECT_EQ(replayLeft, Samples(4, 6.0));
}

// A replay asked for more than the cache holds copies what it holds and
// leaves the rest of the buffer as it was.
TEST(FanOutNodeTest, ReplayNeverReachesBeyondTheCache) {
    FanOutNode fanOut;
    fanOut.period = 2;
    Samples small{1, 2};
    fanOut.Process(Mono(small));
    Samples left{9, 9, 9, 9}, right{8, 8, 8, 8};
    fanOut.Process(Stereo(left, right));
    EXPECT_EQ(left, (Samples{1, 2, 9, 9}));
    EXPECT_EQ(right, (Samples{8, 8, 8, 8}));
}

TEST(MixNodeTest, SumsItsInputsEachRunOnTheMixersOwnSamples) {
    MixNode mix;
    Samples left{1.0, -2.0, 3.0}, right{0.5, 0.0, -0.0};
    EXPECT_EQ(mix.Process(Stereo(left, right)), 1);
    EXPECT_EQ(left, Samples(3, 0.0));  // no inputs: zeros
    EXPECT_EQ(right, Samples(3, 0.0));

    GainNode twice, thrice;
    twice.gain = 2.0;
    thrice.gain = 3.0;
    ProbeNode probe;
    mix.Attach(&twice);
    mix.Attach(&probe);
    mix.Attach(&thrice);
    left = {1.0, -2.0, 3.0};
    right = {0.5, 0.0, -0.0};
    const Samples x = left, xRight = right;
    mix.Process(Stereo(left, right));
    EXPECT_EQ(probe.seen, x);
    for (size_t i = 0; i < x.size(); ++i) {
        EXPECT_EQ(left[i], x[i] * 3.0 + (x[i] + (x[i] * 2.0 + 0.0)));
        EXPECT_EQ(right[i], xRight[i] * 3.0 + (xRight[i] + (xRight[i] * 2.0 + 0.0)));
    }

    // The sum starts at +0.0, so a -0.0 through a single input comes out as +0.0.
    MixNode single;
    GainNode unity;
    unity.gain = 1.0;
    single.Attach(&unity);
    Samples negativeZero(5, -0.0);  // pairs of samples and a last odd one
    single.Process(Mono(negativeZero));
    for (double sample : negativeZero) EXPECT_FALSE(std::signbit(sample));
}

TEST(MixNodeTest, TakesAtMostTenInputs) {
    MixNode mix;
    ProbeNode probes[11];
    for (ProbeNode& p : probes) mix.Attach(&p);
    Samples x{1.0};
    mix.Process(Mono(x));
    EXPECT_EQ(x, Samples{10.0});
    EXPECT_EQ(probes[10].runs, 0);
}

// Each input works on a buffer of the call's count and layout, made anew
// only when they change.
TEST(MixNodeTest, ArraysFollowEveryCallsCountAndLayout) {
    MixNode mix;
    ProbeNode probe;
    mix.Attach(&probe);
    Samples left(5, 1.0), right(5, 1.0);
    mix.Process(Stereo(left, right));
    EXPECT_TRUE(probe.sawRight);
    mix.Process(Mono(left));
    EXPECT_FALSE(probe.sawRight);
    EXPECT_EQ(probe.seen.size(), 5u);
    mix.Process(Stereo(left, right));
    arrayAllocationsUntilFailure = 0;
    EXPECT_NO_THROW(mix.Process(Stereo(left, right)));
    arrayAllocationsUntilFailure = -1;
    EXPECT_EQ(mix.Process({0, nullptr, nullptr}), 1);
    EXPECT_TRUE(probe.seen.empty());
}

// An allocation that fails inside Process throws and leaves the node with
// no arrays rather than stale ones; the next call makes them again.
TEST(NodeAllocationTest, FailedArraysLeaveTheNodeUsable) {
    // Going from mono to a longer stereo buffer makes six arrays: the mixer's
    // two sums and two scratch arrays, then the fan-out's two cache arrays.
    for (int failAt = 0; failAt < 6; ++failAt) {
        FanOutNode fanOut;
        fanOut.period = 1;
        MixNode mix;
        mix.Attach(&fanOut);
        Samples left{1, 2}, right{3, 4, 5}, x{6, 7, 8};
        mix.Process(Mono(left));
        Samples longer = x;
        arrayAllocationsUntilFailure = failAt;
        EXPECT_THROW(mix.Process(Stereo(longer, right)), std::bad_alloc) << failAt;
        arrayAllocationsUntilFailure = -1;
        EXPECT_EQ(longer, x);
        mix.Process(Stereo(longer, right));
        EXPECT_EQ(longer, x);
        EXPECT_EQ(right, (Samples{3, 4, 5}));
    }
}

// Once the arrays fit the chunks, the effect graph allocates nothing.
TEST(EffectGraphTest, SteadyStateAllocatesNothing) {
    HighPassSettings* s = HighPassEffect::Create({});
    ASSERT_NE(s, nullptr);
    SignalSource source{NoiseSignal(3 * 65536, 1), NoiseSignal(3 * 65536, 2)};
    s->streamCallback = &SignalSource::Callback;
    s->callbackUser = &source;
    ASSERT_TRUE(HighPassEffect::OpenStream(*s, {0, 2, 44100}));
    Samples left(65536), right(65536);
    StreamBuffer request{65536, left.data(), right.data()};
    EXPECT_EQ(HighPassEffect::ProcessStream(request, *s), 65536u);
    arrayAllocationsUntilFailure = 0;
    EXPECT_NO_THROW(HighPassEffect::ProcessStream(request, *s));
    EXPECT_NO_THROW(HighPassEffect::ProcessStream(request, *s));
    arrayAllocationsUntilFailure = -1;
    HighPassEffect::Free(s);
}

}  // namespace
