#include <gtest/gtest.h>

#include <vector>

#include "host/PullFrame.h"

namespace {

constexpr uint32_t kLimit = 16;

// Records every chunk the frame hands over and answers with scripted counts
// (the chunk's own count once the script runs out).
struct ChunkLog {
    struct Chunk {
        uint32_t count;
        double* left;
        double* right;
        StreamBuffer* record;
    };
    std::vector<Chunk> chunks;
    std::vector<uint32_t> answers;

    uint32_t operator()(StreamBuffer* chunk) {
        chunks.push_back({chunk->count, chunk->left, chunk->right, chunk});
        const size_t k = chunks.size() - 1;
        return k < answers.size() ? answers[k] : chunk->count;
    }
};

struct PullFrameTest : ::testing::Test {
    std::vector<double> left = std::vector<double>(10 * kLimit);
    std::vector<double> right = std::vector<double>(10 * kLimit);
    ChunkLog log;

    uint32_t Run(uint32_t count, bool stereo = true) {
        StreamBuffer request{count, left.data(), stereo ? right.data() : nullptr};
        host = request;
        return RunPullFrame<kLimit>(&request, [this](StreamBuffer* c) { return log(c); });
    }
    StreamBuffer host{};
};

TEST_F(PullFrameTest, RequestWithinTheLimitGoesThroughAsTheHostsOwnRecord) {
    StreamBuffer request{kLimit, left.data(), right.data()};
    EXPECT_EQ(RunPullFrame<kLimit>(&request, [this](StreamBuffer* c) { return log(c); }), kLimit);
    ASSERT_EQ(log.chunks.size(), 1u);
    EXPECT_EQ(log.chunks[0].record, &request);

    log.chunks.clear();
    request.count = 0;
    EXPECT_EQ(RunPullFrame<kLimit>(&request, [this](StreamBuffer* c) { return log(c); }), 0u);
    ASSERT_EQ(log.chunks.size(), 1u);
    EXPECT_EQ(log.chunks[0].count, 0u);
}

TEST_F(PullFrameTest, LongerRequestIsSplitIntoWholeChunksAndARemainder) {
    EXPECT_EQ(Run(3 * kLimit + 5), 3 * kLimit + 5);
    ASSERT_EQ(log.chunks.size(), 4u);
    for (uint32_t k = 0; k < 4; ++k) {
        EXPECT_EQ(log.chunks[k].count, k < 3 ? kLimit : 5u);
        EXPECT_EQ(log.chunks[k].left, left.data() + k * kLimit);
        EXPECT_EQ(log.chunks[k].right, right.data() + k * kLimit);
        EXPECT_NE(log.chunks[k].record, &host);
    }
}

TEST_F(PullFrameTest, LimitPlusOneAsksForTheLastSampleAtPositionLimit) {
    EXPECT_EQ(Run(kLimit + 1), kLimit + 1);
    ASSERT_EQ(log.chunks.size(), 2u);
    EXPECT_EQ(log.chunks[1].count, 1u);
    EXPECT_EQ(log.chunks[1].left, left.data() + kLimit);
}

TEST_F(PullFrameTest, ExactMultipleMakesNoEmptyRemainderRequest) {
    EXPECT_EQ(Run(2 * kLimit), 2 * kLimit);
    EXPECT_EQ(log.chunks.size(), 2u);
}

TEST_F(PullFrameTest, ShortChunkEndsTheRequest) {
    log.answers = {kLimit, 10};
    EXPECT_EQ(Run(3 * kLimit + 5), kLimit + 10);
    EXPECT_EQ(log.chunks.size(), 2u);

    log = {};
    log.answers = {kLimit, kLimit, kLimit, 4};
    EXPECT_EQ(Run(3 * kLimit + 5), 3 * kLimit + 4);

    log = {};
    log.answers = {0};
    EXPECT_EQ(Run(3 * kLimit), 0u);
    EXPECT_EQ(log.chunks.size(), 1u);
}

TEST_F(PullFrameTest, MonoRequestGivesChunksWithoutRightChannel) {
    EXPECT_EQ(Run(2 * kLimit + 3, false), 2 * kLimit + 3);
    ASSERT_EQ(log.chunks.size(), 3u);
    for (const auto& chunk : log.chunks) EXPECT_EQ(chunk.right, nullptr);
}

TEST(PullInputTest, ClampsACallbackThatClaimsMoreThanItWasAsked) {
    StreamBuffer chunk{8, nullptr, nullptr};
    const auto greedy = [](void*, StreamBuffer*) -> uint32_t { return 1000; };
    const auto honest = [](void*, StreamBuffer*) -> uint32_t { return 3; };
    EXPECT_EQ(PullInput(greedy, nullptr, &chunk), 8u);
    EXPECT_EQ(PullInput(honest, nullptr, &chunk), 3u);
}

}  // namespace
