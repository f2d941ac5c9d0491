// Share counts as hosts see them: when copies share a buffer, when a string
// takes a buffer of its own, and when a buffer is released.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "persist/common/SharedString.h"

namespace {

// `source` plus `n` copies of it.
std::vector<SharedString> CopiesOf(const SharedString& source, int n) {
    std::vector<SharedString> copies;
    copies.reserve(n);
    for (int i = 0; i < n; ++i) copies.push_back(source);
    return copies;
}

TEST(SharedString, EmptyStringsHaveNoBuffer) {
    for (const SharedString& s :
         {SharedString(), SharedString(nullptr), SharedString(""), SharedString("abc", 0)}) {
        EXPECT_STREQ(s.Text(), "");
        EXPECT_EQ(s.Length(), 0u);
        EXPECT_EQ(s.Capacity(), 0u);
    }
}

TEST(SharedString, BuffersHoldTheLengthWithItsLowFiveBitsSet) {
    const std::string text(100, 'x');
    for (uint32_t n : {1u, 31u, 32u, 64u, 95u, 96u}) {
        SharedString s(text.c_str(), n);
        EXPECT_EQ(s.Capacity(), n | 31) << n;
        EXPECT_EQ(s.Text()[n], '\0');
    }
    SharedString grown("abc");
    grown.Resize(40);
    EXPECT_EQ(grown.Capacity(), 63u);
    EXPECT_EQ(std::string(grown.Text(), 40), std::string("abc") + std::string(37, '\0'));
    grown.Resize(2);
    EXPECT_STREQ(grown.Text(), "ab");
}

TEST(SharedString, CopiesShareUntilTheCountReaches254) {
    const SharedString source("shared");
    auto copies = CopiesOf(source, 253);
    EXPECT_EQ(source.ShareCount(), 253);
    EXPECT_EQ(copies.back().Text(), source.Text());

    const SharedString last(source);  // count 253: shares
    EXPECT_EQ(source.ShareCount(), 254);
    EXPECT_EQ(last.Text(), source.Text());

    SharedString beyond("other");
    beyond = source;  // count 254: private copy
    EXPECT_NE(beyond.Text(), source.Text());
    EXPECT_STREQ(beyond.Text(), "shared");
    EXPECT_EQ(beyond.ShareCount(), 0);
    EXPECT_EQ(source.ShareCount(), 254);

    copies.clear();
    EXPECT_EQ(source.ShareCount(), 1);
}

TEST(SharedString, FrozenBuffersAreNeverShared) {
    SharedString frozen("abc");
    frozen.At(1) = 'X';
    EXPECT_EQ(frozen.ShareCount(), SharedString::kFrozen);
    const SharedString copy(frozen);
    EXPECT_NE(copy.Text(), frozen.Text());
    EXPECT_STREQ(copy.Text(), "aXc");
    EXPECT_EQ(copy.ShareCount(), 0);
    // Still one owner: changes stay in place and keep the buffer frozen.
    const char* buffer = frozen.Text();
    frozen = "xyz";
    EXPECT_EQ(frozen.Text(), buffer);
    EXPECT_EQ(frozen.ShareCount(), SharedString::kFrozen);
}

TEST(SharedString, AChangeToASharedStringTakesABufferOfItsOwn) {
    const SharedString original("hello");
    SharedString assigned(original), resized(original), written(original);
    EXPECT_EQ(original.ShareCount(), 3);

    assigned.Assign("hi", 2);
    resized.Resize(7);
    written.At(0) = 'J';
    EXPECT_STREQ(original.Text(), "hello");
    EXPECT_EQ(original.ShareCount(), 0);
    EXPECT_STREQ(assigned.Text(), "hi");
    EXPECT_EQ(std::string(resized.Text(), 7), std::string("hello\0\0", 7));
    EXPECT_STREQ(written.Text(), "Jello");
    EXPECT_EQ(written.ShareCount(), SharedString::kFrozen);
}

TEST(SharedString, AStringEmptiedWhileSharedDropsTheBuffer) {
    const SharedString original("hello");
    SharedString resized(original), assigned(original);
    resized.Resize(0);
    assigned = "";
    for (const SharedString* s : {&resized, &assigned}) {
        EXPECT_EQ(s->Capacity(), 0u);
        EXPECT_STREQ(s->Text(), "");
    }
    EXPECT_EQ(original.ShareCount(), 0);
}

TEST(SharedString, AssigningWithinOneBufferKeepsCountsRight) {
    SharedString a("text");
    SharedString b(a);
    b = a;  // already sharing
    EXPECT_EQ(a.ShareCount(), 1);
    a = a;
    EXPECT_EQ(a.ShareCount(), 1);
    SharedString moved(std::move(b));
    EXPECT_EQ(a.ShareCount(), 1);
    EXPECT_EQ(moved.Text(), a.Text());

    // A source inside the string's own buffer.
    SharedString own("abcdef");
    own.Assign(own.Text() + 1, 4);
    EXPECT_STREQ(own.Text(), "bcde");
}

TEST(SharedString, PartsAreCopiedAndTheWholeIsShared) {
    const SharedString source("abcdef");
    SharedString part, whole;
    part.Assign(source, 2, 3);
    EXPECT_STREQ(part.Text(), "cde");
    EXPECT_EQ(source.ShareCount(), 0);
    part.Assign(source, 4);
    EXPECT_STREQ(part.Text(), "ef");
    whole.Assign(source, 0);
    EXPECT_EQ(whole.Text(), source.Text());
    part.Assign(source, 6);
    EXPECT_STREQ(part.Text(), "");
}

TEST(SharedString, LengthAndPositionErrors) {
    SharedString s("abc");
    try {
        s.Resize(SharedString::kMaxLength + 1);
        FAIL() << "no length error";
    } catch (const std::length_error& e) {
        EXPECT_STREQ(e.what(), "string too long");
    }
    EXPECT_STREQ(s.Text(), "abc");
    try {
        SharedString().Assign(s, 4);
        FAIL() << "no position error";
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), "invalid string position");
    }
    EXPECT_THROW(s.At(3), std::out_of_range);
    EXPECT_THROW(SharedString().At(0), std::out_of_range);
}

TEST(SharedString, NamesCompareFoldingOnlyAsciiLetters) {
    EXPECT_TRUE(SameName("dryout", "DryOut"));
    EXPECT_TRUE(SameName(nullptr, ""));
    EXPECT_FALSE(SameName("DryOut", "DryOutL"));
    EXPECT_FALSE(SameName("DryOutL", "DryOut"));
    EXPECT_FALSE(SameName("[", "{"));        // 0x5B and 0x7B: not letters
    EXPECT_FALSE(SameName("\xC4", "\xE4"));  // no folding beyond ASCII
    EXPECT_TRUE(SameName("Z@", "z@"));
}

}  // namespace
