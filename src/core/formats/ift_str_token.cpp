#include "core/formats/ift_str_token.h"

#include <cstring>

namespace nuvrel {

IFStrToken::IFStrToken(std::string_view text, std::string_view delimiters, CodePage page)
    : length_(text.size()), page_(page) {
    if (length_ <= kInline) {
        text_ = inline_;
        token_ = inline_ + kInline + 1;
    } else {
        heap_.reset(new char[2 * (length_ + 1)]);
        text_ = heap_.get();
        token_ = text_ + length_ + 1;
    }
    if (length_ > 0)
        std::memcpy(text_, text.data(), length_);
    text_[length_] = '\0';
    token_[0] = '\0';

    bool highDelimiter = false;
    for (unsigned char c : delimiters) {
        delimiters_[c >> 6] |= std::uint64_t{1} << (c & 63);
        highDelimiter |= c >= 0x80;
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
    for (std::size_t p = scan(0); p < length_; p = scan(p + 1))
        ++tokenCount_;
}

std::size_t IFStrToken::scan(std::size_t from) const {
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

const char* IFStrToken::firstToken(int mode) {
    pos_ = 0;
    return nextToken(mode);
}

const char* IFStrToken::nextToken(int mode) {
    if (pos_ >= length_) {
        tokenLength_ = 0;
        token_[0] = '\0';
        return nullptr;
    }
    const std::size_t end = scan(pos_);
    std::size_t n = end - pos_;
    if (mode == 1 && end < length_)
        ++n;
    std::memcpy(token_, text_ + pos_, n);
    token_[n] = '\0';
    tokenLength_ = n;
    pos_ = end + 1;
    return token_;
}

} // namespace nuvrel
