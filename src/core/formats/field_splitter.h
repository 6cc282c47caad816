// Splits one line into fields at any of a set of delimiter bytes, without
// copying: consecutive delimiters give empty fields, and a text that ends
// with a delimiter gives no trailing empty field. The delimiters of the
// formats (",", "\t", " ", "/", "=", "'", ":") are ASCII bytes below 0x40,
// which never occur inside a UTF-8 or CP932 multibyte character, so a byte
// scan never splits a character.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace nuvrel {

class FieldSplitter {
public:
    FieldSplitter(std::string_view text, std::string_view delimiters) : text_(text), delimiters_(delimiters) {
        // Up to four delimiters are compared directly.
        count_ = static_cast<int>(std::min<std::size_t>(delimiters.size(), 4));
        for (int i = 0; i < count_; ++i)
            words_[i] = kOnes * static_cast<unsigned char>(delimiters[static_cast<std::size_t>(i)]);
    }

    // The next field; false when the rest of the text is empty.
    bool next(std::string_view& field) {
        if (pos_ >= text_.size())
            return false;
        std::size_t end;
        if (delimiters_.empty())
            end = text_.size();
        else if (delimiters_.size() <= 4)
            end = findDelimiter(pos_);
        else
            end = std::min(text_.find_first_of(delimiters_, pos_), text_.size());
        field = text_.substr(pos_, end - pos_);
        pos_ = end + 1;
        return true;
    }

    // The unread rest of the text (after the last delimiter handed out).
    std::string_view rest() const { return pos_ >= text_.size() ? std::string_view() : text_.substr(pos_); }

    // The first of up to four delimiters at or after from, or the text's
    // size. Fields are short, so eight bytes are tested at a time (SWAR):
    // per delimiter, a byte equal to it becomes zero after the XOR and the
    // zero-byte test marks its high bit. Bytes after the first true match
    // may be marked falsely, but only the lowest mark is used.
    std::size_t findDelimiter(std::size_t from) const {
        const std::size_t size = text_.size();
        const char* const data = text_.data();
        if constexpr (std::endian::native != std::endian::little) {
            while (from < size && delimiters_.find(data[from]) == std::string_view::npos)
                ++from;
            return from;
        }
        while (from < size) {
            std::uint64_t w;
            std::uint64_t valid = ~std::uint64_t{0};
            if (size - from >= 8) {
                std::memcpy(&w, data + from, 8);
            } else if (size >= 8) {
                // The last eight bytes of the text, moved down so that the
                // byte at from comes first; the bytes beyond the end are masked off.
                std::memcpy(&w, data + size - 8, 8);
                const unsigned skip = static_cast<unsigned>(8 - (size - from)) * 8;
                w >>= skip;
                valid >>= skip;
            } else {
                w = 0;
                std::memcpy(&w, data + from, size - from);
                valid >>= static_cast<unsigned>(8 - (size - from)) * 8;
            }
            std::uint64_t hits = 0;
            for (int i = 0; i < count_; ++i) {
                const std::uint64_t x = w ^ words_[i];
                hits |= (x - kOnes) & ~x & kHighs;
            }
            hits &= valid;
            if (hits)
                return from + static_cast<std::size_t>(std::countr_zero(hits) >> 3);
            from += 8;
        }
        return size;
    }

private:
    static constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    static constexpr std::uint64_t kHighs = 0x8080808080808080ull;

    std::string_view text_;
    std::string_view delimiters_;
    std::uint64_t words_[4] = {0, 0, 0, 0};
    int count_ = 0;
    std::size_t pos_ = 0;
};

// The offsets of the first (up to max) delimiter bytes of text, in order;
// their number. Sixteen bytes are compared at a time where SSE2 is there.
inline std::size_t findDelimiters(std::string_view text, char delimiter, std::uint32_t* at, std::size_t max) {
    const std::size_t size = text.size();
    const char* const data = text.data();
    std::size_t count = 0;
    std::size_t from = 0;
#if defined(__SSE2__)
    const __m128i pattern = _mm_set1_epi8(delimiter);
    auto take = [&](unsigned bits, std::size_t base) {
        for (; bits && count < max; bits &= bits - 1)
            at[count++] = static_cast<std::uint32_t>(base + static_cast<std::size_t>(std::countr_zero(bits)));
    };
    for (; size - from >= 16 && count < max; from += 16)
        take(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(
                 _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + from)), pattern))),
             from);
    if (count < max && from < size && size >= 16) {
        // The text's last sixteen bytes; those before from were seen already.
        const auto seen = static_cast<unsigned>(16 - (size - from));
        const unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(
                                  _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + size - 16)), pattern))) >>
                              seen;
        take(bits, from);
        from = size;
    }
#endif
    for (; from < size && count < max; ++from)
        if (data[from] == delimiter)
            at[count++] = static_cast<std::uint32_t>(from);
    return count;
}

} // namespace nuvrel
