// Splits one line into fields at any of a set of delimiter bytes. Double-byte
// characters of the code page are stepped over whole, so a trail byte that
// happens to equal a delimiter never splits a name.
#pragma once

#include "core/codepage.h"

#include <cstddef>
#include <bit>
#include <cstdint>
#include <cstring>
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
    const char* firstToken(int mode = 0) {
        pos_ = 0;
        return nextToken(mode);
    }
    // The next token, or null when the text is used up. Consecutive
    // delimiters give empty tokens; a delimiter at the very end gives no
    // trailing empty token.
    const char* nextToken(int mode = 0) {
        // Put back the byte that the last token's NUL replaced (with no
        // token out, the text's own NUL is "saved").
        text_[savedAt_] = savedByte_;
        const std::size_t pos = pos_;
        if (pos >= length_) {
            savedAt_ = length_;
            savedByte_ = '\0';
            tokenStart_ = length_;
            tokenLength_ = 0;
            return nullptr;
        }
        std::size_t end;
        if (maskReady_) {
            // Short texts: the delimiter positions are known (pos < 64).
            const std::uint64_t ahead = delimiterMask_ >> pos;
            end = ahead ? pos + static_cast<std::size_t>(std::countr_zero(ahead)) : length_;
        } else {
            end = wordDelimiterCount_ ? scanWords(pos) : scan(pos);
        }
        const std::size_t n = end - pos + (mode == 1 && end < length_ ? 1 : 0);
        const std::size_t stop = pos + n; // <= length_: the text's own NUL
        tokenStart_ = pos;
        tokenLength_ = n;
        pos_ = end + 1;
        savedAt_ = stop;
        savedByte_ = text_[stop];
        text_[stop] = '\0';
        return text_ + pos;
    }
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
    // The same for texts of single-byte characters and up to four delimiters,
    // eight bytes at a time (SWAR): a byte equal to a delimiter becomes zero
    // after the XOR, and the zero-byte test marks its high bit. Marks after
    // the first true one may be false, but only the lowest is used. Unused
    // patterns repeat the first delimiter. Whole words are loaded up to the
    // one that holds the final NUL (the copy is padded for that); a hit past
    // the end of the text means there is no delimiter left.
    std::size_t scanWords(std::size_t from) const {
        while (from < length_) {
            std::uint64_t w;
            std::memcpy(&w, text_ + from, 8);
            std::uint64_t hits = 0;
            for (int i = 0; i < 4; ++i) {
                const std::uint64_t x = w ^ wordDelimiters_[i];
                hits |= (x - kOnes) & ~x & kHighs;
            }
            if (hits) {
                const std::size_t at = from + static_cast<std::size_t>(std::countr_zero(hits) >> 3);
                return at < length_ ? at : length_;
            }
            from += 8;
        }
        return length_;
    }
    // Copies the text (length_ bytes) to text_ with its zero padding; tells
    // whether it holds a byte of 0x80 or above. For texts of 16 to 64
    // bytes, where supported, also finds the positions of the (up to four)
    // delimiters in the same pass: bit i of mask for byte i; returns true then.
    bool copyText(const char* from, bool& highByte, std::uint64_t& mask);
    static constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    static constexpr std::uint64_t kHighs = 0x8080808080808080ull;

    // Tokens are handed out in place: the byte after a token is saved and
    // replaced by a NUL until the next call.
    // The copy of the text is followed by its NUL and fifteen zero bytes, so
    // a scan may always load whole 8- or 16-byte blocks.
    static constexpr std::size_t kInline = 192;
    static constexpr std::size_t kPadding = 16;
    char inline_[kInline + kPadding];
    std::unique_ptr<char[]> heap_;
    char* text_;
    std::size_t length_;
    std::size_t pos_ = 0;
    std::size_t tokenStart_ = 0;
    std::size_t tokenLength_ = 0;
    std::size_t savedAt_ = 0; // set to length_ by the constructor
    char savedByte_ = 0;
    std::uint64_t delimiters_[4] = {0, 0, 0, 0};
    // Up to four delimiters, each repeated in every byte, for word-wide
    // scans; wordDelimiterCount_ is 0 when those do not apply.
    std::uint64_t wordDelimiters_[4] = {0, 0, 0, 0};
    int wordDelimiterCount_ = 0;
    // For texts of up to 64 bytes scanned word-wide: bit i set when byte i
    // is a delimiter, found in one pass when the text is copied.
    std::uint64_t delimiterMask_ = 0;
    bool maskReady_ = false;
    mutable int tokenCount_ = -1; // counted on first use
    CodePage page_;
    // True when a double-byte character could hold a delimiter's code.
    bool stepCharacters_ = false;
};

} // namespace nuvrel
