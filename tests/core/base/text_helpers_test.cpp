#include "core/text_helpers.h"

#include <gtest/gtest.h>

namespace nuvrel {
namespace {

TEST(TextHelpers, TrimsBlanksButNeverPartsOfCharacters) {
    struct Case {
        std::string_view in, blanks, pad;
    };
    const Case cases[] = {
        {"", "", ""},
        {" \t\r\n\v\f", "", " \t\r\n\v\f"},
        {"  Exec = x  ", "Exec = x", "  Exec = x"},
        {"\tW001\t", "W001", "\tW001\t"},
        {"TAKEOFF   ", "TAKEOFF", "TAKEOFF"},
        // Non-breaking space (UTF-8 C2 A0) and a CP932 lead byte stay.
        {"\xC2\xA0" "a\xC2\xA0", "\xC2\xA0" "a\xC2\xA0", "\xC2\xA0" "a\xC2\xA0"},
        {"\x83\x41 ", "\x83\x41", "\x83\x41"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TrimBlanks(c.in), c.blanks) << c.in;
        EXPECT_EQ(TrimPadSpaces(c.in), c.pad) << c.in;
    }
}

} // namespace
} // namespace nuvrel
