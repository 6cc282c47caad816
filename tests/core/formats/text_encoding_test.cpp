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
        {"\xCC\xBC\xDE\xBB\xDD", CodePage::Utf8, TextConversion::None}, // half-width kana only
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

TEST(TextEncoding, ConversionDropsTheMarkAndWhatHasNoCounterpart) {
    EXPECT_EQ(convertText("\xEF\xBB\xBF" "A\xE5\xAF\x8C\xF0\x9F\xAA\x82", TextConversion::FromUtf8), "A\x95\x78");
    EXPECT_EQ(convertText("A\x95\x78\xCC", TextConversion::FromCp932), "A\xE5\xAF\x8C\xEF\xBE\x8C");
}

} // namespace
} // namespace nuvrel
