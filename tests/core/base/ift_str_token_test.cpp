#include "core/ift_str_token.h"
#include "core/formats/ift_string.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace nuvrel {
namespace {

using Tokens = std::vector<std::string>;

Tokens allTokens(IFStrToken& t, int mode = 0) {
    Tokens out;
    for (const char* s = t.firstToken(mode); s; s = t.nextToken(mode))
        out.emplace_back(t.token());
    return out;
}

TEST(IFStrToken, SplitsAtAnyDelimiter) {
    struct Case {
        std::string text;
        const char* delims;
        Tokens tokens;
        int count;
    };
    const Case cases[] = {
        {"a,,b", ",", {"a", "", "b"}, 3},
        {"a,b,", ",", {"a", "b"}, 3},
        {"abc", ",\t", {"abc"}, 1},
        {"", ",", {}, 1},
        {",", ",", {""}, 2},
        {"x\ty,z", ",\t", {"x", "y", "z"}, 3},
        {"35.5,139.7,100\r", ",", {"35.5", "139.7", "100\r"}, 3},
        {"no delimiters", "", {"no delimiters"}, 1},
    };
    for (const auto& c : cases) {
        IFStrToken t(c.text, c.delims, CodePage::Utf8);
        EXPECT_EQ(allTokens(t), c.tokens) << c.text;
        EXPECT_EQ(t.tokenCount(), c.count) << c.text;
    }
}

TEST(IFStrToken, ModeOneKeepsTheDelimiter) {
    IFStrToken t("a,b\tc", ",\t", CodePage::Utf8);
    EXPECT_EQ(allTokens(t, 1), (Tokens{"a,", "b\t", "c"}));
}

TEST(IFStrToken, EndAndRestart) {
    IFStrToken t("a,b", ",", CodePage::Utf8);
    EXPECT_STREQ(t.firstToken(0), "a");
    EXPECT_STREQ(t.nextToken(0), "b");
    EXPECT_EQ(t.nextToken(0), nullptr);
    EXPECT_EQ(t.nextToken(0), nullptr);
    EXPECT_STREQ(t.firstToken(0), "a");
}

TEST(IFStrToken, HasMoreWhileTwoBytesRemain) {
    IFStrToken t("ab,cd\n", "\n,", CodePage::Utf8);
    EXPECT_TRUE(t.hasMore());
    t.firstToken(0);
    EXPECT_TRUE(t.hasMore());
    t.nextToken(0);
    EXPECT_FALSE(t.hasMore());
    IFStrToken one("a,b", ",", CodePage::Utf8);
    one.firstToken(0);
    EXPECT_FALSE(one.hasMore());
}

TEST(IFStrToken, CountingBetweenTokensDoesNotDisturbThem) {
    IFStrToken t("a,b,c", ",", CodePage::Utf8);
    EXPECT_STREQ(t.firstToken(0), "a");
    EXPECT_EQ(t.tokenCount(), 3);
    EXPECT_STREQ(t.nextToken(1), "b,");
    EXPECT_EQ(t.tokenCount(), 3);
    EXPECT_STREQ(t.nextToken(0), "c");
    EXPECT_STREQ(t.firstToken(1), "a,");
    EXPECT_STREQ(t.nextToken(0), "b");
}

// A plain reference splitter for texts of single-byte characters.
Tokens referenceSplit(const std::string& text, const std::string& delims, int mode) {
    Tokens out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = pos;
        while (end < text.size() && delims.find(text[end]) == std::string::npos)
            ++end;
        out.push_back(text.substr(pos, end - pos + (mode == 1 && end < text.size() ? 1 : 0)));
        pos = end + 1;
    }
    return out;
}

TEST(IFStrToken, AgreesWithAPlainSplitterForAnyDelimiterSet) {
    const std::string sets[] = {",", ",\t", ",;\t", ",;:\t", ",;:|\t", ",;:|/ \t", ",,,"};
    unsigned seed = 7;
    for (const auto& delims : sets) {
        for (int round = 0; round < 200; ++round) {
            std::string text;
            const std::size_t len = (seed = seed * 1103515245u + 12345u) % 300;
            const std::string alphabet = "ab,;:|/ \t\r0.";
            for (std::size_t i = 0; i < len; ++i)
                text += alphabet[((seed = seed * 1103515245u + 12345u) >> 16) % alphabet.size()];
            for (int mode : {0, 1}) {
                IFStrToken t(text, delims, CodePage::Utf8);
                const Tokens expected = referenceSplit(text, delims, mode);
                ASSERT_EQ(allTokens(t, mode), expected) << '"' << text << "\" with " << delims.size();
                int count = 1;
                for (char c : text)
                    count += delims.find(c) != std::string::npos;
                ASSERT_EQ(t.tokenCount(), count);
            }
        }
    }
}

// Modes mixed from call to call and restarts midway, on texts of every
// length around the 16-byte blocks (short lines are split from a second copy
// without writing, the rest in place): the text handed out, token() and the
// count all agree with a plain splitter.
TEST(IFStrToken, MixedModesAndRestartsAgreeWithAPlainSplitter) {
    const std::string sets[] = {",", ",\t", ",;\t", ",;:\t", ",;:|/"};
    unsigned seed = 11;
    auto next = [&] { return (seed = seed * 1103515245u + 12345u) >> 16; };
    for (const auto& delims : sets) {
        for (std::size_t len = 0; len <= 80; ++len) {
            for (int round = 0; round < 8; ++round) {
                std::string text;
                const std::string alphabet = "ab,;:|/\t\r0.";
                for (std::size_t i = 0; i < len; ++i)
                    text += alphabet[next() % alphabet.size()];
                const Tokens plain = referenceSplit(text, delims, 0);
                const Tokens withDelimiter = referenceSplit(text, delims, 1);
                IFStrToken t(text, delims, CodePage::Utf8);
                ASSERT_TRUE(t.token().empty()); // none handed out yet
                for (int pass = 0; pass < 2; ++pass) {
                    std::size_t i = 0;
                    int mode = static_cast<int>(next() % 2);
                    for (const char* s = t.firstToken(mode); s; s = t.nextToken(mode = static_cast<int>(next() % 2))) {
                        ASSERT_LT(i, plain.size()) << '"' << text << '"';
                        const std::string& want = mode == 0 ? plain[i] : withDelimiter[i];
                        ASSERT_EQ(std::string(t.token()), want) << '"' << text << "\" token " << i;
                        ASSERT_EQ(std::string(s), want) << '"' << text << "\" token " << i;
                        ++i;
                        if (pass == 0 && next() % 16 == 0)
                            break; // restart from the first token
                    }
                    if (pass == 1) {
                        EXPECT_EQ(i, plain.size()) << '"' << text << '"';
                    }
                    if (i == plain.size()) {
                        EXPECT_EQ(t.nextToken(0), nullptr);
                        EXPECT_TRUE(t.token().empty()) << '"' << text << '"';
                        EXPECT_FALSE(t.hasMore());
                    }
                }
                int count = 1;
                for (char c : text)
                    count += delims.find(c) != std::string::npos;
                ASSERT_EQ(t.tokenCount(), count) << '"' << text << '"';
            }
        }
    }
}

TEST(IFStrToken, NulAsADelimiter) {
    // Short and longer texts (the latter split a block at a time).
    for (const std::string& head : {std::string("ab"), std::string("abcdefghijklmnop")}) {
        const std::string text = head + std::string("\0", 1) + "cd,ef";
        IFStrToken t(text, std::string_view("\0,", 2), CodePage::Utf8);
        EXPECT_EQ(allTokens(t), (Tokens{head, "cd", "ef"})) << head;
        EXPECT_EQ(t.tokenCount(), 3) << head;
    }
}

TEST(IFStrToken, KeepsItsOwnCopy) {
    std::string line = "left,right";
    IFStrToken t(line, ",", CodePage::Utf8);
    line.assign("xxxxxxxxxx");
    EXPECT_STREQ(t.firstToken(0), "left");
    EXPECT_STREQ(t.nextToken(0), "right");
}

TEST(IFStrToken, LongTextsSplitLikeShortOnes) {
    std::string text;
    Tokens expected;
    for (int i = 0; i < 100; ++i) {
        expected.push_back(std::string(static_cast<std::size_t>(i % 7), static_cast<char>('a' + i % 26)));
        text += expected.back() + ",";
    }
    IFStrToken t(text, ",", CodePage::Utf8);
    EXPECT_EQ(allTokens(t), expected);
    EXPECT_EQ(t.tokenCount(), 101);
}

// CP932: "表" is 95 5C and "ポ" 83 7C: their trail bytes are "\" and "|".
const std::string kHyo = "\x95\x5C";
const std::string kPo = "\x83\x7C";

TEST(IFStrToken, Cp932TrailBytesNeverSplit) {
    const std::string text = kHyo + "a\\" + kPo + "|x," + kHyo;
    IFStrToken t(text, "\\|,", CodePage::Cp932);
    EXPECT_EQ(allTokens(t), (Tokens{kHyo + "a", kPo, "x", kHyo}));
    EXPECT_EQ(t.tokenCount(), 4);
    // The same bytes read as UTF-8 are single bytes and do split.
    IFStrToken u(text, "\\|,", CodePage::Utf8);
    EXPECT_EQ(u.tokenCount(), 7);
}

TEST(IFStrToken, DoubleByteNamesInLinesOfEveryLength) {
    // The same names padded to lengths around the 16-byte blocks: CP932
    // trail bytes equal to a delimiter never split, UTF-8 names split only
    // at the ASCII delimiters.
    for (std::size_t pad = 0; pad < 70; ++pad) {
        const std::string filler(pad, 'x');
        const std::string cp932 = filler + "," + kHyo + kPo + "|" + kHyo + "\\," + filler;
        // (A delimiter at the very end gives no trailing empty token.)
        const Tokens last = pad > 0 ? Tokens{filler} : Tokens{};
        IFStrToken t(cp932, ",|\\", CodePage::Cp932);
        Tokens expected = {filler, kHyo + kPo, kHyo, ""};
        expected.insert(expected.end(), last.begin(), last.end());
        EXPECT_EQ(allTokens(t), expected) << pad;
        EXPECT_EQ(t.tokenCount(), 5) << pad;
        const std::string utf8 = filler + ",東京\t大阪," + filler;
        IFStrToken u(utf8, ",\t", CodePage::Utf8);
        expected = {filler, "東京", "大阪"};
        expected.insert(expected.end(), last.begin(), last.end());
        EXPECT_EQ(allTokens(u), expected) << pad;
        EXPECT_EQ(u.tokenCount(), 4) << pad;
    }
}

TEST(IFStrToken, Cp932HalfWidthKatakanaAreSingleBytes) {
    // 0xB1 is a single-byte katakana; the "," after it is a delimiter.
    IFStrToken t("\xB1,\xB2", ",", CodePage::Cp932);
    EXPECT_EQ(allTokens(t), (Tokens{"\xB1", "\xB2"}));
}

TEST(IFStrToken, Utf8Names) {
    IFStrToken t("東京タワー,大阪\t名古屋", ",\t", CodePage::Utf8);
    EXPECT_EQ(allTokens(t), (Tokens{"東京タワー", "大阪", "名古屋"}));
    // A delimiter byte that also occurs inside a UTF-8 sequence ("東" is
    // E6 9D B1) only splits where it stands alone.
    const std::string text = std::string("東") + "\xB1" + "x";
    IFStrToken high(text, "\xB1", CodePage::Utf8);
    EXPECT_EQ(allTokens(high), (Tokens{"東", "x"}));
    EXPECT_EQ(high.tokenCount(), 2);
}

TEST(IFString, SubStringAndTail) {
    IFString s("abcdef", CodePage::Utf8);
    EXPECT_STREQ(s.subString(0, 3), "abc");
    EXPECT_STREQ(s.subString(2, 4), "cdef");
    EXPECT_STREQ(s.subString(6, 0), "");
    EXPECT_EQ(s.subString(3, 4), nullptr);
    EXPECT_EQ(s.subString(-1, 2), nullptr);
    EXPECT_EQ(s.subString(1, -1), nullptr);
    EXPECT_STREQ(s.tail(4), "ef");
    EXPECT_STREQ(s.tail(0), "abcdef");
    EXPECT_EQ(s.tail(6), nullptr);
    EXPECT_EQ(s.tail(-1), nullptr);
}

TEST(IFString, FindLastSkipsTrailBytes) {
    EXPECT_EQ(IFString("a.b.c", CodePage::Utf8).findLast("."), 3);
    EXPECT_EQ(IFString("map.dat.bmp", CodePage::Utf8).findLast(".bmp"), 7);
    EXPECT_EQ(IFString("abc", CodePage::Utf8).findLast("x"), -1);
    EXPECT_EQ(IFString("abc", CodePage::Utf8).findLast(""), -1);
    EXPECT_EQ(IFString("ab", CodePage::Utf8).findLast("abc"), -1);
    EXPECT_EQ(IFString("aaa", CodePage::Utf8).findLast("aa"), 1);
    // "表\" in CP932: the only real backslash is the last byte.
    EXPECT_EQ(IFString(kHyo + "\\", CodePage::Cp932).findLast("\\"), 2);
    EXPECT_EQ(IFString("dir" + kHyo + "file", CodePage::Cp932).findLast("\\"), -1);
    EXPECT_EQ(IFString("dir" + kHyo + "file", CodePage::Utf8).findLast("\\"), 4);
}

} // namespace
} // namespace nuvrel
