#include "core/formats/ift_str_token.h"

#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace nuvrel {

IFStrToken::IFStrToken(std::string_view text, std::string_view delimiters, CodePage page)
    : length_(text.size()), savedAt_(text.size()), page_(page) {
    // Repeated delimiters are harmless: a word pattern may appear twice.
    bool highDelimiter = false;
    bool nulDelimiter = false;
    std::size_t i = 0;
    for (unsigned char c : delimiters) {
        if (i < 4)
            wordDelimiters_[i++] = kOnes * c;
        delimiters_[c >> 6] |= std::uint64_t{1} << (c & 63);
        highDelimiter |= c >= 0x80;
        nulDelimiter |= c == 0;
    }
    for (; i < 4; ++i)
        wordDelimiters_[i] = wordDelimiters_[0];

    if (length_ <= kInline) {
        text_ = inline_;
    } else {
        heap_.reset(new char[length_ + kPadding]);
        text_ = heap_.get();
    }
    bool highByte = false;
    std::uint64_t mask = 0;
    const bool masked = copyText(text.data(), highByte, mask);

    // UTF-8 sequences hold only bytes of 0x80 and above, so ASCII delimiters
    // can be matched byte by byte; CP932 trail bytes reach down to 0x40.
    stepCharacters_ = (page_ == CodePage::Cp932 || highDelimiter) && highByte;
    if (!stepCharacters_ && !nulDelimiter && !delimiters.empty() && delimiters.size() <= 4 &&
        std::endian::native == std::endian::little) {
        wordDelimiterCount_ = static_cast<int>(delimiters.size());
        if (masked) {
            delimiterMask_ = mask;
            maskReady_ = true;
        }
    }
}

bool IFStrToken::copyText(const char* from, bool& highByte, std::uint64_t& mask) {
#if defined(__SSE2__)
    // Texts of 16 to 64 bytes: copied in 16-byte blocks (the last one may
    // overlap the one before), and in the same pass each block is compared
    // with the delimiters and tested for bytes of 0x80 and above. (Reading
    // the copy back instead would stall on the stores just made.)
    if (length_ >= 16 && length_ <= 64) {
        __m128i pattern[4];
        for (int k = 0; k < 4; ++k)
            pattern[k] = _mm_set1_epi8(static_cast<char>(wordDelimiters_[k] & 0xFF));
        unsigned high = 0;
        for (std::size_t at = 0; at < length_; at += 16) {
            // The last block ends with the text; its bits for the bytes
            // before at, seen already, are shifted out.
            const std::size_t start = at + 16 <= length_ ? at : length_ - 16;
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + start));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(text_ + start), block);
            const __m128i hits = _mm_or_si128(
                _mm_or_si128(_mm_cmpeq_epi8(block, pattern[0]), _mm_cmpeq_epi8(block, pattern[1])),
                _mm_or_si128(_mm_cmpeq_epi8(block, pattern[2]), _mm_cmpeq_epi8(block, pattern[3])));
            const unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(hits)) >> (at - start);
            mask |= static_cast<std::uint64_t>(bits) << at;
            high |= static_cast<unsigned>(_mm_movemask_epi8(block));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(text_ + length_), _mm_setzero_si128());
        highByte = high != 0;
        return true;
    }
#endif
    if (length_ > 0)
        std::memcpy(text_, from, length_);
    std::memset(text_ + length_, 0, kPadding);
    for (std::size_t i = 0; i < length_ && !highByte; ++i)
        highByte = static_cast<unsigned char>(text_[i]) >= 0x80;
    mask = 0;
    return false;
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
