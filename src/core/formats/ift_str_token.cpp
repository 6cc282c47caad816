#include "core/formats/ift_str_token.h"

#include <bit>
#include <cstring>

namespace nuvrel {

namespace {
constexpr std::uint64_t kOnes = 0x0101010101010101ull;
constexpr std::uint64_t kHighs = 0x8080808080808080ull;
} // namespace

IFStrToken::IFStrToken(std::string_view text, std::string_view delimiters, CodePage page)
    : length_(text.size()), page_(page) {
    if (length_ <= kInline) {
        text_ = inline_;
    } else {
        heap_.reset(new char[length_ + kPadding]);
        text_ = heap_.get();
    }
    if (length_ > 0)
        std::memcpy(text_, text.data(), length_);
    std::memset(text_ + length_, 0, kPadding);

    bool highDelimiter = false;
    bool nulDelimiter = false;
    int distinct = 0;
    for (unsigned char c : delimiters) {
        if (!isDelimiter(c)) {
            ++distinct;
            if (distinct <= 4)
                wordDelimiters_[distinct - 1] = kOnes * c;
        }
        delimiters_[c >> 6] |= std::uint64_t{1} << (c & 63);
        highDelimiter |= c >= 0x80;
        nulDelimiter |= c == 0;
    }
    // UTF-8 sequences hold only bytes of 0x80 and above, so ASCII delimiters
    // can be matched byte by byte; CP932 trail bytes reach down to 0x40.
    if (page_ == CodePage::Cp932 || highDelimiter) {
        for (std::size_t i = 0; i < length_; ++i)
            if (static_cast<unsigned char>(text_[i]) >= 0x80) {
                stepCharacters_ = true;
                break;
            }
    }
    if (!stepCharacters_ && !nulDelimiter && distinct >= 1 && distinct <= 4 &&
        std::endian::native == std::endian::little)
        wordDelimiterCount_ = distinct;
}

int IFStrToken::tokenCount() const {
    if (tokenCount_ < 0) {
        // Counted on the text as it was given (no token's NUL in it).
        const bool wasSaved = saved_;
        if (wasSaved)
            text_[savedAt_] = savedByte_;
        int count = 1;
        for (std::size_t p = scan(0); p < length_; p = scan(p + 1))
            ++count;
        if (wasSaved)
            text_[savedAt_] = '\0';
        tokenCount_ = count;
    }
    return tokenCount_;
}

template <int Count>
std::size_t IFStrToken::scanWords(std::size_t from) const {
    // Whole words, up to the one that holds the final NUL; a hit past the
    // end of the text means there is no delimiter left.
    while (from < length_) {
        std::uint64_t w;
        std::memcpy(&w, text_ + from, 8);
        std::uint64_t hits = 0;
        for (int i = 0; i < Count; ++i) {
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

std::size_t IFStrToken::scan(std::size_t from) const {
    switch (wordDelimiterCount_) {
    case 1:
        return scanWords<1>(from);
    case 2:
        return scanWords<2>(from);
    case 3:
        return scanWords<3>(from);
    case 4:
        return scanWords<4>(from);
    default:
        break;
    }
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

void IFStrToken::restore() {
    if (saved_) {
        text_[savedAt_] = savedByte_;
        saved_ = false;
    }
}

const char* IFStrToken::firstToken(int mode) {
    pos_ = 0;
    return nextToken(mode);
}

const char* IFStrToken::nextToken(int mode) {
    restore();
    if (pos_ >= length_) {
        tokenStart_ = length_;
        tokenLength_ = 0;
        return nullptr;
    }
    const std::size_t end = scan(pos_);
    std::size_t n = end - pos_;
    if (mode == 1 && end < length_)
        ++n;
    tokenStart_ = pos_;
    tokenLength_ = n;
    const std::size_t stop = pos_ + n; // <= length_: the text's own NUL
    if (stop < length_) {
        savedAt_ = stop;
        savedByte_ = text_[stop];
        saved_ = true;
        text_[stop] = '\0';
    }
    pos_ = end + 1;
    return text_ + tokenStart_;
}

} // namespace nuvrel
