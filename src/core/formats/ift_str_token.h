// Splits one line into fields at any of a set of delimiter bytes. Double-byte
// characters of the code page are stepped over whole, so a trail byte that
// happens to equal a delimiter never splits a name.
#pragma once

#include "core/codepage.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace nuvrel {

class IFStrToken {
public:
    // Copies text and takes each byte of delimiters as one delimiter.
    IFStrToken(std::string_view text, std::string_view delimiters)
        : IFStrToken(text, delimiters, activeCodePage()) {}
    IFStrToken(std::string_view text, std::string_view delimiters, CodePage page);
    IFStrToken(const IFStrToken&) = delete;
    IFStrToken& operator=(const IFStrToken&) = delete;

    // Mode 0 gives a token without its delimiter, mode 1 with the delimiter
    // byte that ended it. The text stays valid until the next call.
    // firstToken starts again from the beginning of the text.
    const char* firstToken(int mode = 0);
    // The next token, or null when the text is used up. Consecutive
    // delimiters give empty tokens; a delimiter at the very end gives no
    // trailing empty token.
    const char* nextToken(int mode = 0);
    // True while at least two bytes of the text remain unread.
    bool hasMore() const { return pos_ + 1 < length_; }
    // 1 + the number of delimiter bytes in the text (bytes inside double-byte
    // characters not counted).
    int tokenCount() const;

    // The last token handed out (it may hold NUL bytes of the text).
    std::string_view token() const { return {text_ + tokenStart_, tokenLength_}; }

private:
    bool isDelimiter(unsigned char c) const { return (delimiters_[c >> 6] >> (c & 63)) & 1u; }
    // Offset of the first delimiter at or after from, or the text length.
    std::size_t scan(std::size_t from) const;
    template <int Count>
    std::size_t scanWords(std::size_t from) const;
    // Puts back the byte that the last token's terminating NUL replaced.
    void restore();

    // Tokens are handed out in place: the byte after a token is saved and
    // replaced by a NUL until the next call.
    // The copy of the text is followed by its NUL and seven zero bytes, so a
    // scan may always load whole 8-byte words.
    static constexpr std::size_t kInline = 192;
    static constexpr std::size_t kPadding = 8;
    char inline_[kInline + kPadding];
    std::unique_ptr<char[]> heap_;
    char* text_;
    std::size_t length_;
    std::size_t pos_ = 0;
    std::size_t tokenStart_ = 0;
    std::size_t tokenLength_ = 0;
    std::size_t savedAt_ = 0;
    char savedByte_ = 0;
    bool saved_ = false;
    std::uint64_t delimiters_[4] = {0, 0, 0, 0};
    // Up to four delimiters, each repeated in every byte, for word-wide scans.
    std::uint64_t wordDelimiters_[4] = {0, 0, 0, 0};
    int wordDelimiterCount_ = 0;
    mutable int tokenCount_ = -1; // counted on first use
    CodePage page_;
    // True when a double-byte character could hold a delimiter's code.
    bool stepCharacters_ = false;
};

} // namespace nuvrel
