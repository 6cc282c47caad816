#include "core/ift_str_token.h"

#include <bit>
#include <cstring>

namespace nuvrel {

void IFStrToken::setUp(std::string_view text, std::string_view delimiters) {
    if (length_ <= kInline) {
        text_ = inline_;
    } else {
        heap_.reset(new char[length_ + kPadding]);
        text_ = heap_.get();
    }
    const bool highByte = copyText(text.data());
    chooseScan(delimiters, highByte, false);
}

void IFStrToken::chooseScan(std::string_view delimiters, bool highByte, bool masked) {
    bool highDelimiter = false;
    bool nulDelimiter = false;
    for (unsigned char c : delimiters) {
        highDelimiter |= c >= 0x80;
        nulDelimiter |= c == 0;
    }
    if (activePage_)
        page_ = activeCodePage();
    // UTF-8 sequences hold only bytes of 0x80 and above, so ASCII delimiters
    // can be matched byte by byte; CP932 trail bytes reach down to 0x40.
    stepCharacters_ = (page_ == CodePage::Cp932 || highDelimiter) && highByte;
    if (stepCharacters_ || (!masked && (delimiters.empty() || delimiters.size() > 4 || nulDelimiter ||
                                        std::endian::native != std::endian::little))) {
        // Byte by byte, against the set of delimiters.
        delimiters_[0] = delimiters_[1] = delimiters_[2] = delimiters_[3] = 0;
        for (unsigned char c : delimiters)
            delimiters_[c >> 6] |= std::uint64_t{1} << (c & 63);
    } else if (masked) {
        maskReady_ = quick_ = true;
    } else {
        // Word-wide scans (never with a NUL delimiter: the padding would
        // match it); unused patterns repeat the first delimiter.
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

const char* IFStrToken::nextTokenInPlace(int mode) {
    // Put back the byte that the last token's NUL replaced (with no token
    // out, the text's own NUL at length_ is "saved").
    text_[savedAt_] = savedByte_;
    withDelimiter_ = false;
    if (maskReady_ && mode == 0) {
        savedAt_ = length_;
        savedByte_ = '\0';
        quick_ = true;
        return nextToken(0);
    }
    const std::size_t pos = pos_;
    if (pos >= length_) {
        savedAt_ = length_;
        savedByte_ = '\0';
        tokenStart_ = length_;
        pos_ = length_ + 1;
        return nullptr;
    }
    std::size_t end;
    if (maskReady_) {
        end = pos + static_cast<std::size_t>(std::countr_zero(endMask_ >> pos));
    } else {
        end = scan(pos);
    }
    const std::size_t n = end - pos + (mode == 1 && end < length_ ? 1 : 0);
    const std::size_t stop = pos + n; // <= length_: the text's own NUL
    tokenStart_ = pos;
    withDelimiter_ = n > end - pos;
    pos_ = end + 1;
    savedAt_ = stop;
    savedByte_ = text_[stop];
    text_[stop] = '\0';
    quick_ = maskReady_ && stop == length_ && !withDelimiter_;
    return text_ + pos;
}

int IFStrToken::tokenCount() const {
    if (maskReady_)
        return std::popcount(endMask_);
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
