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

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace nuvrel {

class IFStrToken {
public:
    // Copies text and takes each byte of delimiters as one delimiter. The
    // program's code page applies unless page is given.
    IFStrToken(std::string_view text, std::string_view delimiters)
        : IFStrToken(text, delimiters, CodePage::Utf8, true) {}
    IFStrToken(std::string_view text, std::string_view delimiters, CodePage page)
        : IFStrToken(text, delimiters, page, false) {}
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
        // The common case, short texts split without their delimiters: the
        // token ends are known and the split copy holds a NUL at each of
        // them, so nothing is written.
        if (quick_ && mode == 0) {
            const std::size_t pos = pos_;
            if (pos >= length_) {
                tokenStart_ = length_;
                pos_ = length_ + 1;
                return nullptr;
            }
            // The end bit makes this never zero.
            const std::uint64_t ahead = endMask_ >> pos;
            if (ahead == 0)
                __builtin_unreachable();
            const std::size_t end = pos + static_cast<unsigned>(std::countr_zero(ahead));
            tokenStart_ = pos;
            pos_ = end + 1;
            return split_ + pos;
        }
        return nextTokenInPlace(mode);
    }
    // True while at least two bytes of the text remain unread.
    bool hasMore() const { return pos_ + 1 < length_; }
    // 1 + the number of delimiter bytes in the text (bytes inside double-byte
    // characters not counted).
    int tokenCount() const;

    // The last token handed out (it may hold NUL bytes of the text).
    std::string_view token() const {
        if (pos_ == 0)
            return {text_, 0}; // none handed out yet
        // The token ended just before pos_ (at pos_ with its delimiter).
        return {text_ + tokenStart_, pos_ - tokenStart_ - (withDelimiter_ ? 0 : 1)};
    }

private:
    // activePage: the program's code page applies, looked up only when the
    // text holds a byte of 0x80 or above (the only time it matters).
    IFStrToken(std::string_view text, std::string_view delimiters, CodePage page, bool activePage)
        : length_(text.size()), savedAt_(text.size()), page_(page), activePage_(activePage) {
#if defined(__SSE2__)
        // The common case, short lines and one to four delimiters, is set up
        // here, inline, so that a literal delimiter set folds to constants.
        if (length_ - kMaskedMin <= kMaskedMax - kMaskedMin && delimiters.size() - 1 < 4) {
            text_ = inline_;
            if (!copyAndMark(text.data(), delimiters)) {
                maskReady_ = quick_ = true; // single-byte characters only
                return;
            }
            chooseScan(delimiters, true, true);
            return;
        }
#endif
        setUp(text, delimiters);
    }

    // Tokens of every other kind: cut from the text copy in place (the byte
    // after the token is saved and replaced by a NUL until the next call).
    const char* nextTokenInPlace(int mode);
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
    // Copies the text to text_ (on the heap when long) and chooses how it is
    // scanned: the general set-up.
    void setUp(std::string_view text, std::string_view delimiters);
    // Chooses the scan for a text copied to text_ (highByte: it holds a byte
    // of 0x80 or above; masked: endMask_ and split_ are set).
    void chooseScan(std::string_view delimiters, bool highByte, bool masked);
    // Copies the text (length_ bytes) to text_ with its zero padding and
    // tells whether it holds a byte of 0x80 or above.
    bool copyText(const char* from);
#if defined(__SSE2__)
    // For texts of kMaskedMin to kMaskedMax bytes and one to four
    // delimiters: copies the text to text_ and to split_ and, in the same
    // pass, sets endMask_; tells whether the text holds a byte of 0x80 or
    // above. The text is taken in 16-byte blocks at 0, 16 and 32, and the
    // last 16 bytes for texts longer than 48, but none past the end of the
    // text (the later ones then repeat the last block): a loop that stopped
    // with the text would mispredict its end on lines of varying length.
    // Each block is compared with the delimiters and tested for high bytes
    // as it is copied (reading the copy back instead would stall on the
    // stores just made).
    bool copyAndMark(const char* from, std::string_view delimiters) {
        // Unused patterns repeat the first delimiter. Each delimiter byte is
        // spread over a 32-bit lane, then over the block.
        const std::size_t count = delimiters.size();
        const auto* d = reinterpret_cast<const unsigned char*>(delimiters.data());
        const unsigned four = d[0] | unsigned{d[count > 1 ? 1 : 0]} << 8 | unsigned{d[count > 2 ? 2 : 0]} << 16 |
                              unsigned{d[count > 3 ? 3 : 0]} << 24;
        __m128i lanes = _mm_cvtsi32_si128(static_cast<int>(four));
        lanes = _mm_unpacklo_epi8(lanes, lanes);
        lanes = _mm_unpacklo_epi16(lanes, lanes);
        const __m128i p0 = _mm_shuffle_epi32(lanes, 0x00);
        const __m128i p1 = _mm_shuffle_epi32(lanes, 0x55);
        const __m128i p2 = _mm_shuffle_epi32(lanes, 0xAA);
        const __m128i p3 = _mm_shuffle_epi32(lanes, 0xFF);
        char* const text = text_;
        char* const split = split_;
        const std::size_t length = length_;
        const std::size_t last = length - 16;
        std::uint64_t mask = 0;
        __m128i high = _mm_setzero_si128();
        auto take = [&](std::size_t start) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + start));
            __m128i hits = _mm_or_si128(_mm_cmpeq_epi8(block, p0), _mm_cmpeq_epi8(block, p1));
            if (count > 2)
                hits = _mm_or_si128(hits, _mm_or_si128(_mm_cmpeq_epi8(block, p2), _mm_cmpeq_epi8(block, p3)));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(text + start), block);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(split + start), _mm_andnot_si128(hits, block));
            mask |= std::uint64_t{static_cast<unsigned>(_mm_movemask_epi8(hits))} << start;
            high = _mm_or_si128(high, block);
        };
        take(0);
        take(16 < last ? 16 : last);
        take(32 < last ? 32 : last);
        if (length > 48)
            take(last);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(text + length), _mm_setzero_si128());
        split[length] = '\0';
        endMask_ = mask | std::uint64_t{1} << length;
        return _mm_movemask_epi8(high) != 0;
    }
#endif
    static constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    static constexpr std::uint64_t kHighs = 0x8080808080808080ull;

    // The copy of the text is followed by its NUL and fifteen zero bytes, so
    // a scan may always load whole 8- or 16-byte blocks.
    static constexpr std::size_t kInline = 192;
    static constexpr std::size_t kPadding = 16;
    static constexpr std::size_t kMaskedMin = 16;
    static constexpr std::size_t kMaskedMax = 63;
    char inline_[kInline + kPadding];
    std::unique_ptr<char[]> heap_;
    // The last token. (Its start, length and pos_ are kept apart: the
    // compiler would merge the stores of neighbours into one, which costs
    // more, and a store that covered pos_ would slow down the next call's
    // read of it.)
    std::size_t tokenStart_ = 0;
    char* text_;
    // The last token kept its delimiter (mode 1); never while quick_.
    bool withDelimiter_ = false;
    std::size_t length_;
    std::size_t pos_ = 0;
    // The byte of text_ that a NUL replaces while a token is out; savedAt_
    // is length_ (where text_ holds its own NUL) when none is.
    std::size_t savedAt_;
    char savedByte_ = 0;
    // For texts of up to 63 bytes: bit i set when byte i is a delimiter
    // and bit length_ for the end, found in one pass when the text is
    // copied; split_ then holds the text with a NUL in place of each
    // delimiter, and a NUL after it. quick_: maskReady_, and no byte of
    // text_ replaced by a NUL.
    bool maskReady_ = false;
    bool quick_ = false;
    std::uint64_t endMask_;
    char split_[kMaskedMax + 1];
    // Set up only for the scans that read them: up to four delimiters, each
    // repeated in every byte, for word-wide scans (wordDelimiterCount_ is 0
    // when those do not apply), else the set of delimiters as 256 bits.
    int wordDelimiterCount_ = 0;
    std::uint64_t wordDelimiters_[4];
    std::uint64_t delimiters_[4];
    mutable int tokenCount_ = -1; // counted on first use
    CodePage page_;
    bool activePage_;
    // True when a double-byte character could hold a delimiter's code.
    bool stepCharacters_ = false;
};

} // namespace nuvrel
