// The encoding of a text file, decided once for the whole file: a declared
// encoding or byte-order mark first, then what the bytes allow. A Japanese
// desktop runs the program in CP932 while many of its files are UTF-8 (and a
// UTF-8 desktop meets files made on Japanese systems, and old files in
// Latin-1): such a file is recognised on import and its text converted into
// the program's code page before it is read.
#pragma once

#include "core/codepage.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace nuvrel {

// How a file's bytes were read. Two compare equal when they were read from
// the same encoding; note is what the import tells the user ("" when there
// is nothing to tell).
struct TextConversion {
    enum Kind { None, FromUtf8, FromCp932, FromLatin1 };
    Kind kind = None;
    std::string note;
    bool changed = false; // characters were replaced: the import warns

    TextConversion() = default;
    TextConversion(Kind k) : kind(k) {}
    friend bool operator==(const TextConversion& a, const TextConversion& b) { return a.kind == b.kind; }
};

// Recognises the encoding of a text, fed in pieces of any size.
class TextEncodingScan {
public:
    void feed(std::string_view bytes);
    // What the whole text calls for in code page page, judged as
    // decideEncoding does for texts that are valid UTF-8 or valid CP932 (a
    // text valid in neither gives None here: decideEncoding tells more).
    TextConversion conversionFor(CodePage page) const;
    // True when no further bytes can change the answer.
    bool settled() const { return !utf8Valid_ && !cp932Valid_; }
    // True when the text must be read whole to be read right: it is not plain
    // text of page without a byte-order mark.
    bool needsDecoding(CodePage page) const;
    // True when the text so far is whole CP932.
    bool cp932() const { return cp932Valid_ && !cp932Lead_; }

private:
    int bomMatched_ = 0; // bytes of the text's start that match a byte-order mark
    // UTF-8: continuation bytes still due, and the range of the next one.
    bool utf8Valid_ = true, utf8Multi_ = false;
    // Every multibyte sequence so far is two bytes that CP932 reads as two
    // half-width katakana: such UTF-8 is no evidence against CP932.
    bool utf8KanaOnly_ = true;
    int utf8Need_ = 0;
    unsigned char utf8Low_ = 0x80, utf8High_ = 0xBF;
    // CP932: a lead byte waiting for its trail byte.
    bool cp932Valid_ = true, cp932Double_ = false, cp932High_ = false, cp932Lead_ = false;
};

// Decides the encoding of a whole text for code page page and converts it
// once: a UTF-8 byte-order mark wins (and is dropped); then valid UTF-8 with
// multibyte characters is UTF-8, unless every one of them is a pair of
// bytes that CP932 reads as half-width katakana, when the text is valid in
// both and page decides (and the note says so); valid CP932 is CP932; a text
// valid in neither is read as page with each byte that does not fit shown as
// a replacement character and the lines named, or as Latin-1 when nothing in
// it looks like UTF-8 or CP932 at all. Characters page cannot hold take their
// nearest form, and the note names the lines that changed.
std::string decodeText(std::string_view text, CodePage page, TextConversion& how);

TextConversion textConversion(std::string_view text, CodePage page);
// For a file, read in blocks: whether it must be read whole and decoded
// (false when it cannot be read).
bool fileNeedsDecoding(const std::string& path, CodePage page);

// The text in the program's code page: a UTF-8 byte-order mark is dropped,
// characters without a counterpart take their nearest form.
std::string convertText(std::string_view text, TextConversion conversion);

// For the status line: the conversion's note, or "Converted from UTF-8 to
// CP932" and the like; "" when the file was read as it is.
std::string conversionNote(const TextConversion& conversion);

} // namespace nuvrel
