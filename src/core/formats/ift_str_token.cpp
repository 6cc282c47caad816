#include "core/formats/ift_str_token.h"

#include <bit>
#include <cstring>

namespace nuvrel {

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
    // UTF-8 sequences hold only bytes of 0x80 and above, so ASCII delimiters
    // can be matched byte by byte; CP932 trail bytes reach down to 0x40.
    if (page_ == CodePage::Cp932 || highDelimiter) {
        for (std::size_t i = 0; i < length_; ++i)
            if (static_cast<unsigned char>(text_[i]) >= 0x80) {
                stepCharacters_ = true;
                break;
            }
    }
    if (!stepCharacters_ && !nulDelimiter && !delimiters.empty() && delimiters.size() <= 4 &&
        std::endian::native == std::endian::little) {
        wordDelimiterCount_ = static_cast<int>(delimiters.size());
        for (; i < 4; ++i)
            wordDelimiters_[i] = wordDelimiters_[0];
    }
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
