// A string holder with substring and search operations that respect the code
// page's double-byte characters.
#pragma once

#include "core/codepage.h"

#include <string>
#include <string_view>

namespace nuvrel {

class IFString {
public:
    explicit IFString(std::string_view text) : IFString(text, activeCodePage()) {}
    IFString(std::string_view text, CodePage page) : text_(text), page_(page) {}

    // A copy of length bytes from start; null when start or length is
    // negative or start + length passes the end of the text. The result
    // stays valid until the next substring operation.
    const char* subString(int start, int length);
    // The text from start to its end; null when nothing remains.
    const char* tail(int start);
    // Offset of the last occurrence of pattern, or -1. Offsets inside a
    // double-byte character never match; an empty pattern never matches.
    int findLast(std::string_view pattern) const;

    const std::string& text() const { return text_; }
    int length() const { return static_cast<int>(text_.size()); }

private:
    std::string text_;
    std::string result_;
    CodePage page_;
};

} // namespace nuvrel
