// Small text helpers shared by every layer: one definition of "blank".
#pragma once

#include <string_view>

namespace nuvrel {

// Blank in the C locale: space, tab, line feed, carriage return, vertical tab
// and form feed. Bytes above 127 are never blank (they belong to a character).
constexpr bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The text without its leading and trailing blanks.
constexpr std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// The text without the spaces that pad a fixed-length field on the right
// (receiver names); other blanks are part of the text.
constexpr std::string_view TrimPadSpaces(std::string_view s) {
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

} // namespace nuvrel
