// The program's code page: record fields and text files hold bytes in CP932
// (Shift_JIS) on Japanese systems and UTF-8 elsewhere. These helpers step over
// whole characters so that no text is ever split inside a multibyte character.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace nuvrel {

// Utf8 and Cp932 are the program's own code pages; Latin1 and Ascii are the
// character sets of receivers that are not Japanese (the newer ones send
// Latin-1, the older ones plain ASCII).
enum class CodePage { Utf8, Cp932, Latin1, Ascii };

// The code page in force for this process (UTF-8 until set). main() sets it
// once at start-up from the locale or the "CodePage" setting.
CodePage activeCodePage();
void setActiveCodePage(CodePage page);

// The code page that a locale name ("ja_JP.UTF-8", "C", ...) calls for:
// CP932 for Japanese, UTF-8 for everything else.
CodePage codePageForLocale(std::string_view localeName);
// The locale name that governs character types, in the order POSIX gives:
// the first of LC_ALL, LC_CTYPE and LANG that is set and not empty ("" when
// none is).
std::string localeFromEnvironment();
// "CP932"/"SJIS"/"Shift_JIS" or "UTF-8"/"UTF8" (any case); false otherwise.
bool parseCodePageName(std::string_view name, CodePage& out);
// The name the program writes for a code page: "CP932" or "UTF-8".
const char* codePageName(CodePage page);

// Length in bytes of the character that starts at text[0], never more than
// text.size(). A malformed or cut sequence counts as one byte.
std::size_t charLength(std::string_view text, CodePage page);

// True when byte is the first byte of a double-byte CP932 character.
bool isCp932LeadByte(unsigned char byte);

// The longest prefix of text, at most maxBytes long, that ends on a
// character boundary.
std::size_t fitLength(std::string_view text, std::size_t maxBytes, CodePage page);
inline std::size_t fitLength(std::string_view text, std::size_t maxBytes) {
    return fitLength(text, maxBytes, activeCodePage());
}

// As fitLength, and a character cut off by the end of text itself (a CP932
// lead byte, or the start of a UTF-8 sequence, as the last bytes) is left out
// too: for texts that were cut at a byte count before.
std::size_t fitWholeLength(std::string_view text, std::size_t maxBytes, CodePage page);
inline std::size_t fitWholeLength(std::string_view text, std::size_t maxBytes) {
    return fitWholeLength(text, maxBytes, activeCodePage());
}

// Copies text into a fixed field of fieldSize bytes: stops at the first NUL
// of text, keeps at most fieldSize - 1 bytes without splitting a character,
// and fills the rest of the field with zeros.
void copyToField(char* field, std::size_t fieldSize, std::string_view text, CodePage page);
inline void copyToField(char* field, std::size_t fieldSize, std::string_view text) {
    copyToField(field, fieldSize, text, activeCodePage());
}

// The text of a fixed field: up to its first NUL, or the whole field.
std::string fieldText(const char* field, std::size_t fieldSize);

// Text of the code page as UTF-8, and UTF-8 as text of the code page (iconv).
// Bytes that do not form a character of the source, and characters the
// target cannot hold, are left out: the result is always well-formed.
std::string codePageToUtf8(std::string_view text, CodePage page);
std::string utf8ToCodePage(std::string_view text, CodePage page);
// As utf8ToCodePage, but each character the target cannot hold (and each
// malformed byte) becomes substitute, so the text keeps one character for each.
std::string utf8ToCodePage(std::string_view text, CodePage page, char substitute);

// True when text is well-formed UTF-8.
bool isUtf8(std::string_view text);

// Nearest forms, for targets that cannot hold a character. halfWidthForm
// turns full-width letters, digits and signs, hiragana and full-width
// katakana (a voiced one becomes two characters: ガ -> ｶﾞ) into their
// half-width forms; plainLatinForm takes the accents off Latin letters
// (é -> e, Æ -> AE, ß -> ss). Both take and give UTF-8 and leave every other
// character as it is.
std::string halfWidthForm(std::string_view utf8);
std::string plainLatinForm(std::string_view utf8);

// Text of page from as text of page to, converting once. A byte that does not
// form a character of from becomes a replacement character (U+FFFD, or "?"
// where the target lacks it); a character that the target cannot hold
// becomes its nearest form that it can (half-width, then without accents,
// then a few variant kanji such as 𠮷 -> 吉), else "?". *changed (when given)
// tells whether anything was replaced.
std::string convertCodePage(std::string_view text, CodePage from, CodePage to, bool* changed = nullptr);

} // namespace nuvrel

namespace nuvrel {

// Bytes in an encoding named as files name it ("Shift_JIS", "EUC-JP",
// "ISO-8859-1", "windows-1252", "UTF-16", ...) turned into UTF-8 through
// iconv, fed in pieces of any size: a character split between two pieces is
// joined. "Shift_JIS" is read as CP932, its superset that Japanese systems
// write under that name.
class Utf8Decoder {
public:
    explicit Utf8Decoder(std::string_view encoding);
    ~Utf8Decoder();
    Utf8Decoder(const Utf8Decoder&) = delete;
    Utf8Decoder& operator=(const Utf8Decoder&) = delete;

    // False when the name is not one of an encoding known here.
    bool known() const { return cd_ != nullptr; }
    // Appends the UTF-8 of bytes to out. False at the first byte that does
    // not begin a character of the encoding (out then holds what came
    // before it), or, when last is set, at a character cut by the end.
    bool decode(std::string_view bytes, std::string& out, bool last);

private:
    void* cd_ = nullptr;
    std::string pending_; // the start of a character cut by the end of a piece
};

// A whole text in the named encoding as UTF-8; false (out unchanged) when the
// encoding is unknown or the text is not valid in it.
bool decodeToUtf8(std::string_view text, std::string_view encoding, std::string& out);

} // namespace nuvrel
