#include "core/formats/ift_str_token.h"

#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace nuvrel {

IFStrToken::IFStrToken(std::string_view text, std::string_view delimiters, CodePage page)
    : length_(text.size()), savedAt_(text.size()), page_(page) {
    if (length_ <= kInline) {
        text_ = inline_;
    } else {
        heap_.reset(new char[length_ + kPadding]);
        text_ = heap_.get();
    }
    bool highDelimiter = false;
    bool nulDelimiter = false;
    for (unsigned char c : delimiters) {
        highDelimiter |= c >= 0x80;
        nulDelimiter |= c == 0;
    }
    // Up to four delimiters can be matched a block at a time.
    const bool few = !delimiters.empty() && delimiters.size() <= 4 && !nulDelimiter &&
                     std::endian::native == std::endian::little;
    bool masked = false;
    bool highByte;
#if defined(__SSE2__)
    if (few && length_ >= kMaskedMin && length_ <= kMaskedMax) {
        highByte = copyAndMark(text.data(), delimiters);
        masked = true;
    } else
#endif
    {
        highByte = copyText(text.data());
    }

    // UTF-8 sequences hold only bytes of 0x80 and above, so ASCII delimiters
    // can be matched byte by byte; CP932 trail bytes reach down to 0x40.
    stepCharacters_ = (page_ == CodePage::Cp932 || highDelimiter) && highByte;
    if (stepCharacters_ || !few) {
        delimiters_[0] = delimiters_[1] = delimiters_[2] = delimiters_[3] = 0;
        for (unsigned char c : delimiters)
            delimiters_[c >> 6] |= std::uint64_t{1} << (c & 63);
    } else if (masked) {
        maskReady_ = true;
    } else {
        // Unused patterns repeat the first delimiter.
        for (std::size_t i = 0; i < 4; ++i)
            wordDelimiters_[i] = kOnes * static_cast<unsigned char>(delimiters[i < delimiters.size() ? i : 0]);
        wordDelimiterCount_ = static_cast<int>(delimiters.size());
    }
}

bool IFStrToken::copyText(const char* from) {
    if (length_ > 0)
        std::memcpy(text_, from, length_);
    std::memset(text_ + length_, 0, kPadding);
    for (std::size_t i = 0; i < length_; ++i)
        if (static_cast<unsigned char>(text_[i]) >= 0x80)
            return true;
    return false;
}

#if defined(__SSE2__)
bool IFStrToken::copyAndMark(const char* from, std::string_view delimiters) {
    // Copied in 16-byte blocks (the last one may overlap the one before),
    // and in the same pass each block is compared with the delimiters and
    // tested for bytes of 0x80 and above. (Reading the copy back instead
    // would stall on the stores just made.) Unused patterns repeat the
    // first delimiter.
    const std::size_t count = delimiters.size();
    const auto* d = reinterpret_cast<const unsigned char*>(delimiters.data());
    const unsigned four = d[0] | unsigned{d[count > 1 ? 1 : 0]} << 8 | unsigned{d[count > 2 ? 2 : 0]} << 16 |
                          unsigned{d[count > 3 ? 3 : 0]} << 24;
    // Each delimiter byte spread over a 32-bit lane, then over the block.
    __m128i lanes = _mm_cvtsi32_si128(static_cast<int>(four));
    lanes = _mm_unpacklo_epi8(lanes, lanes);
    lanes = _mm_unpacklo_epi16(lanes, lanes);
    const __m128i pattern[4] = {_mm_shuffle_epi32(lanes, 0x00), _mm_shuffle_epi32(lanes, 0x55),
                                _mm_shuffle_epi32(lanes, 0xAA), _mm_shuffle_epi32(lanes, 0xFF)};
    std::uint64_t mask = 0;
    unsigned high = 0;
    for (std::size_t at = 0; at < length_; at += 16) {
        // The last block ends with the text; its bits for the bytes before
        // at, seen already, are shifted out.
        const std::size_t start = at + 16 <= length_ ? at : length_ - 16;
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + start));
        const __m128i hits = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi8(block, pattern[0]), _mm_cmpeq_epi8(block, pattern[1])),
            _mm_or_si128(_mm_cmpeq_epi8(block, pattern[2]), _mm_cmpeq_epi8(block, pattern[3])));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(text_ + start), block);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(split_ + start), _mm_andnot_si128(hits, block));
        const unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(hits)) >> (at - start);
        mask |= static_cast<std::uint64_t>(bits) << at;
        high |= static_cast<unsigned>(_mm_movemask_epi8(block));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(text_ + length_), _mm_setzero_si128());
    split_[length_] = '\0';
    delimiterMask_ = mask;
    return high != 0;
}
#endif

const char* IFStrToken::nextTokenInPlace(int mode) {
    // Put back the byte that the last token's NUL replaced (with no token
    // out, the text's own NUL at length_ is "saved").
    text_[savedAt_] = savedByte_;
    if (maskReady_ && mode == 0) {
        savedAt_ = length_;
        savedByte_ = '\0';
        return nextToken(0);
    }
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
        const std::uint64_t ahead = delimiterMask_ >> pos;
        end = ahead ? pos + static_cast<std::size_t>(std::countr_zero(ahead)) : length_;
    } else {
        end = scan(pos);
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

int IFStrToken::tokenCount() const {
    if (maskReady_)
        return 1 + std::popcount(delimiterMask_);
    if (tokenCount_ < 0) {
        // Counted on the text as it was given (no token's NUL in it).
        const char current = text_[savedAt_];
        text_[savedAt_] = savedByte_;
        int count = 1;
        for (std::size_t p = scan(0); p < length_; p = scan(p + 1))
            ++count;
        text_[savedAt_] = current;
        tokenCount_ = count;
    }
    return tokenCount_;
}

std::size_t IFStrToken::scan(std::size_t from) const {
    if (wordDelimiterCount_)
        return scanWords(from);
    const auto* t = reinterpret_cast<const unsigned char*>(text_);
    if (!stepCharacters_) {
        while (from < length_ && !isDelimiter(t[from]))
            ++from;
        return from;
    }
    while (from < length_) {
        if (t[from] < 0x80) {
            if (isDelimiter(t[from]))
                return from;
            ++from;
            continue;
        }
        const std::size_t n = charLength(std::string_view(text_ + from, length_ - from), page_);
        if (n == 1 && isDelimiter(t[from]))
            return from;
        from += n;
    }
    return length_;
}

} // namespace nuvrel
