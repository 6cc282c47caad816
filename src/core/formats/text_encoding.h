// Text files in the other code page. A Japanese desktop runs the program in
// CP932 while many of its files are UTF-8 (and a UTF-8 desktop meets files
// made on Japanese systems): such a file is recognised on import and its text
// converted into the program's code page before it is read.
#pragma once

#include "core/codepage.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace nuvrel {

enum class TextConversion { None, FromUtf8, FromCp932 };

// Recognises the encoding of a text, fed in pieces of any size.
class TextEncodingScan {
public:
    void feed(std::string_view bytes);
    // What the whole text calls for in code page page: FromUtf8 when page is
    // CP932 and the text starts with a UTF-8 byte-order mark, or is valid
    // UTF-8 holding multibyte sequences; FromCp932 when page is UTF-8 and the
    // text is not valid UTF-8 but is valid CP932 with double-byte characters.
    TextConversion conversionFor(CodePage page) const;
    // True when no further bytes can change the answer.
    bool settled() const { return !utf8Valid_ && !cp932Valid_; }

private:
    int bomMatched_ = 0; // bytes of the text's start that match a byte-order mark
    // UTF-8: continuation bytes still due, and the range of the next one.
    bool utf8Valid_ = true, utf8Multi_ = false;
    int utf8Need_ = 0;
    unsigned char utf8Low_ = 0x80, utf8High_ = 0xBF;
    // CP932: a lead byte waiting for its trail byte.
    bool cp932Valid_ = true, cp932Double_ = false, cp932Lead_ = false;
};

TextConversion textConversion(std::string_view text, CodePage page);
// The same for a file, read in blocks; None when it cannot be read.
TextConversion fileConversion(const std::string& path, CodePage page);

// The text in the program's code page: a UTF-8 byte-order mark is dropped,
// characters without a counterpart are left out.
std::string convertText(std::string_view text, TextConversion conversion);

// For the status line: "Converted from UTF-8 to CP932" and the reverse.
std::string conversionNote(TextConversion conversion);

} // namespace nuvrel
