#include "core/codepage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <utility>

namespace nuvrel {
namespace {

TEST(CodePage, ChooserFollowsTheLocaleAndTheSettingName) {
    EXPECT_EQ(codePageForLocale("ja_JP.UTF-8"), CodePage::Cp932);
    EXPECT_EQ(codePageForLocale("ja"), CodePage::Cp932);
    EXPECT_EQ(codePageForLocale("de_DE.UTF-8"), CodePage::Utf8);
    EXPECT_EQ(codePageForLocale(""), CodePage::Utf8);
    CodePage page = CodePage::Utf8;
    EXPECT_TRUE(parseCodePageName("shift_jis", page));
    EXPECT_EQ(page, CodePage::Cp932);
    EXPECT_TRUE(parseCodePageName("utf8", page));
    EXPECT_EQ(page, CodePage::Utf8);
    EXPECT_FALSE(parseCodePageName("latin1", page));
}

TEST(CodePage, LocaleFromTheEnvironmentInPosixOrder) {
    struct Case {
        const char *all, *ctype, *lang, *expected;
    };
    for (const Case& c : {Case{"ja_JP.UTF-8", "C", "C", "ja_JP.UTF-8"}, Case{"", "ja_JP.SJIS", "C", "ja_JP.SJIS"},
                          Case{nullptr, nullptr, "ja_JP.UTF-8", "ja_JP.UTF-8"}, Case{"", "", "", ""}}) {
        for (auto [name, value] : {std::pair{"LC_ALL", c.all}, {"LC_CTYPE", c.ctype}, {"LANG", c.lang}})
            value ? setenv(name, value, 1) : unsetenv(name);
        EXPECT_EQ(localeFromEnvironment(), c.expected);
    }
    setenv("LC_ALL", "C", 1);
}

TEST(CodePage, CharacterLengths) {
    EXPECT_EQ(charLength("A", CodePage::Utf8), 1u);
    EXPECT_EQ(charLength("\xC3\xBC", CodePage::Utf8), 2u);        // ü
    EXPECT_EQ(charLength("\xE5\xB1\xB1", CodePage::Utf8), 3u);    // 山
    EXPECT_EQ(charLength("\xF0\x9F\xAA\x82", CodePage::Utf8), 4u);
    EXPECT_EQ(charLength("\xE5\xB1", CodePage::Utf8), 1u);        // cut sequence
    EXPECT_EQ(charLength("\x80", CodePage::Utf8), 1u);            // stray continuation
    EXPECT_EQ(charLength("\x8E\x52", CodePage::Cp932), 2u);       // 山
    EXPECT_EQ(charLength("\x95\x5C", CodePage::Cp932), 2u);       // trail byte is a backslash
    EXPECT_EQ(charLength("\xB1", CodePage::Cp932), 1u);           // half-width katakana
    EXPECT_EQ(charLength("\x8E", CodePage::Cp932), 1u);           // lead byte at the end
    EXPECT_EQ(charLength("", CodePage::Utf8), 0u);
}

TEST(CodePage, CuttingToAFieldNeverSplitsACharacter) {
    char field[8];
    // Seven bytes of room: "ab" + two 3-byte characters would need 8.
    copyToField(field, sizeof field, "ab\xE5\xB1\xB1\xE5\xB7\x9D", CodePage::Utf8);
    EXPECT_EQ(fieldText(field, sizeof field), "ab\xE5\xB1\xB1");
    EXPECT_EQ(field[5], 0);
    EXPECT_EQ(field[7], 0);

    copyToField(field, sizeof field, "abcdef\x8E\x52", CodePage::Cp932);
    EXPECT_EQ(fieldText(field, sizeof field), "abcdef");

    copyToField(field, sizeof field, "abcdefghij", CodePage::Utf8);
    EXPECT_EQ(fieldText(field, sizeof field), "abcdefg");

    // Text stops at an embedded NUL; the rest of the field is zeroed.
    std::memset(field, 'x', sizeof field);
    copyToField(field, sizeof field, std::string_view("ab\0cd", 5), CodePage::Utf8);
    EXPECT_EQ(fieldText(field, sizeof field), "ab");
    for (std::size_t i = 2; i < sizeof field; ++i)
        EXPECT_EQ(field[i], 0);
}

TEST(CodePage, TextsCutAtAByteCountLoseTheirHalfCharacter) {
    struct Case {
        std::string_view text;
        std::size_t maxBytes;
        CodePage page;
        std::size_t expected;
    };
    const Case cases[] = {
        {"A\x95\x78\x8E\x6D\x8E\x52\x92\xB8\x92", 10, CodePage::Cp932, 9}, // "A富士山頂" and the lead byte of 朝
        {"A\x95\x78\x8E\x6D\x8E\x52\x92\xB8\x92\xA9", 10, CodePage::Cp932, 9},
        {"\xCC\xBC\xDE\xBB\xDD", 4, CodePage::Cp932, 4}, // half-width katakana are whole bytes
        {"ab\xE5\xB1", 10, CodePage::Utf8, 2},                // the start of 山
        {"ab\xE5\xB1\xB1", 10, CodePage::Utf8, 5},
        {"ab\x80", 10, CodePage::Utf8, 3}, // a stray byte is no cut character
    };
    for (const Case& c : cases)
        EXPECT_EQ(fitWholeLength(c.text, c.maxBytes, c.page), c.expected) << c.text;
}

TEST(CodePage, FieldTextOfAFullFieldHasNoTerminator) {
    const char full[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(fieldText(full, 4), "abcd");
    EXPECT_EQ(fitLength("abc", 10, CodePage::Cp932), 3u);
    EXPECT_EQ(fitLength("\x8E\x52\x8E\x52", 3, CodePage::Cp932), 2u);
}

// Half-width katakana between the code pages, and texts that cannot go:
// each character CP932 lacks, and each malformed byte, keeps its place.
TEST(CodePage, KatakanaConvertAndWhatCannotGoKeepsItsPlace) {
    const struct {
        std::string_view utf8, cp932;
        bool wellFormed;
    } cases[] = {
        {"\uFF80\uFF76\uFF75", "\xC0\xB6\xB5", true},   // ﾀｶｵ
        {"\uFF61\uFF9F-9", "\xA1\xDF-9", true},          // the ends of the table
        {"\u00E9t\u00E9", "?t?", true},                   // é has no code
        {"A\U0001F600\u5BCC", "A?\x95\x78", true},       // nor an emoji; 富 has
        {"\xC0\xB6\xB5", "???", false},                  // CP932 bytes are no UTF-8
        {"ab\xE5\xB1", "ab??", false},                    // a cut character: two bytes
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isUtf8(c.utf8), c.wellFormed) << c.utf8;
        EXPECT_EQ(utf8ToCodePage(c.utf8, CodePage::Cp932, '?'), c.cp932) << c.utf8;
        if (c.wellFormed && c.cp932.find('?') == std::string_view::npos) {
            EXPECT_EQ(codePageToUtf8(c.cp932, CodePage::Cp932), c.utf8);
        }
    }
}

// A character the target lacks takes the nearest form it has, and the caller
// learns that the text changed.
TEST(CodePage, ConversionTakesTheNearestFormAndSaysSo) {
    const struct {
        std::string text;
        CodePage from, to;
        std::string expected;
        bool changed;
    } cases[] = {
        {"\xF0\xA0\xAE\xB7\xE9\x87\x8E\xE5\xAE\xB6", CodePage::Utf8, CodePage::Cp932, "\x8B\x67\x96\xEC\x89\xC6", true},
        {"Caf\xC3\xA9", CodePage::Utf8, CodePage::Cp932, "Cafe", true},
        {"Caf\xC3\xA9", CodePage::Utf8, CodePage::Latin1, "Caf\xE9", false},
        {"Caf\xC3\xA9", CodePage::Utf8, CodePage::Ascii, "Cafe", true},
        {"CAF\xC9", CodePage::Latin1, CodePage::Utf8, "CAF\xC3\x89", false},
        {"M\xDCNCH", CodePage::Latin1, CodePage::Cp932, "MUNCH", true},
        {"\xEF\xBC\xA1\xEF\xBC\x91", CodePage::Utf8, CodePage::Ascii, "A1", true}, // full-width Ａ１
        {"\xC4\xB3", CodePage::Cp932, CodePage::Utf8, "\xEF\xBE\x84\xEF\xBD\xB3", false},  // ﾄｳ
        {"A\x81", CodePage::Cp932, CodePage::Utf8, "A\xEF\xBF\xBD", true},               // a lone lead byte
        {"\xE5\xAF\x8C", CodePage::Utf8, CodePage::Ascii, "?", true},                    // 富
        {"\xFF", CodePage::Utf8, CodePage::Cp932, "?", true},
    };
    for (const auto& c : cases) {
        bool changed = !c.changed;
        EXPECT_EQ(convertCodePage(c.text, c.from, c.to, &changed), c.expected) << c.text;
        EXPECT_EQ(changed, c.changed) << c.text;
    }
    // Japanese typed in full width, as half-width katakana.
    EXPECT_EQ(halfWidthForm("\xE3\x83\x95\xE3\x82\xB8\xE3\x81\x95\xE3\x82\x93\xEF\xBC\x91"), "ﾌｼﾞｻﾝ1"); // フジさん１
    EXPECT_EQ(plainLatinForm("\xC3\x86gir \xC3\x9F"), "AEgir ss");
}

} // namespace
} // namespace nuvrel
