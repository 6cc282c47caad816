#include "core/formats/text_encoding.h"

#include <gtest/gtest.h>

namespace nuvrel {
namespace {

TEST(TextEncoding, FilesInTheOtherCodePageAreRecognised) {
    const std::string utf8 = "tex=\xE5\xAF\x8C\xE5\xA3\xAB\xE5\xB1\xB1\r\n"; // 富士山
    const std::string cp932 = "tex=\x95\x78\x8E\x6D\x8E\x52\r\n";
    struct Case {
        std::string text;
        CodePage page;
        TextConversion expected;
    };
    const Case cases[] = {
        {utf8, CodePage::Cp932, TextConversion::FromUtf8},
        {"\xEF\xBB\xBF" "ASCII only", CodePage::Cp932, TextConversion::FromUtf8},
        {"\xEF\xBE\x84" "x", CodePage::Cp932, TextConversion::FromUtf8}, // starts like the mark
        {"ASCII only", CodePage::Cp932, TextConversion::None},
        {cp932, CodePage::Cp932, TextConversion::None},
        {utf8 + "\xE5\xAF", CodePage::Cp932, TextConversion::None}, // cut at the end: not UTF-8
        {cp932, CodePage::Utf8, TextConversion::FromCp932},
        {utf8, CodePage::Utf8, TextConversion::None},
        {"\xCC\xBC\xDE\xBB\xDD", CodePage::Utf8, TextConversion::FromCp932}, // half-width kana only
        {"\xC4\xB3\xCE\xB8", CodePage::Cp932, TextConversion::None}, // ﾄｳﾎｸ, valid UTF-8 too: no evidence
        {cp932 + "\xFF", CodePage::Utf8, TextConversion::None},         // neither
    };
    for (const Case& c : cases)
        EXPECT_EQ(textConversion(c.text, c.page), c.expected) << c.text;

    // Fed in pieces that split characters, the answer is the same.
    TextEncodingScan scan;
    for (char byte : utf8)
        scan.feed(std::string_view(&byte, 1));
    EXPECT_EQ(scan.conversionFor(CodePage::Cp932), TextConversion::FromUtf8);
}

// A whole file decided once: what it is read as, and what the import says.
TEST(TextEncoding, AFileIsDecidedOnceAndTheImportSaysHow) {
    const std::string kana = "\xC4\xB3\xCE\xB8\n"; // ﾄｳﾎｸ in CP932, and ĳθ in UTF-8
    const struct {
        std::string text;
        CodePage page;
        std::string expected, note;
    } cases[] = {
        {kana, CodePage::Cp932, kana, "The file reads as UTF-8 and as CP932; read as CP932"},
        {kana, CodePage::Utf8, "\xC4\xB3\xCE\xB8\n", "The file reads as UTF-8 and as CP932; read as UTF-8"},
        {"\xC4\xB3\xCE\n", CodePage::Utf8, "\uFF84\uFF73\uFF8E\n", "Converted from CP932 to UTF-8"},
        {"\xEF\xBB\xBF" "A\n", CodePage::Utf8, "A\n", ""},
        {"\xEF\xBB\xBF" "Caf\xC3\xA9\n", CodePage::Cp932, "Cafe\n", "Converted from UTF-8 to CP932; characters"},
        {"Caf\xE9\nM\xFCnchen\n", CodePage::Utf8, "Caf\u00E9\nM\u00FCnchen\n", "neither UTF-8 nor CP932; read as Latin-1"},
        {"A\xE5\xAF\x8C\nB\x95\x78\xFF\n", CodePage::Utf8, "A\u5BCC\nB\uFFFDx\uFFFD\n",
         "mixes UTF-8 and CP932 text; read as UTF-8 with replacement characters on line 2"},
        {"\xF0\xA0\xAE\xB7\xE9\x87\x8E\n", CodePage::Cp932, "\x8B\x67\x96\xEC\n", "were replaced"},
    };
    for (const auto& c : cases) {
        TextConversion how;
        EXPECT_EQ(decodeText(c.text, c.page, how), c.expected) << c.text;
        EXPECT_NE(conversionNote(how).find(c.note), std::string::npos) << conversionNote(how);
        EXPECT_EQ(c.note.empty(), conversionNote(how).empty()) << conversionNote(how);
    }
}

TEST(TextEncoding, ConversionDropsTheMarkAndWhatHasNoCounterpart) {
    EXPECT_EQ(convertText("\xEF\xBB\xBF" "A\xE5\xAF\x8C\xF0\x9F\xAA\x82", TextConversion::FromUtf8), "A\x95\x78?");
    EXPECT_EQ(convertText("A\x95\x78\xCC", TextConversion::FromCp932), "A\xE5\xAF\x8C\xEF\xBE\x8C");
}

} // namespace
} // namespace nuvrel
