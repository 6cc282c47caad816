// Splits one line into fields at any of a set of delimiter bytes, without
// copying: consecutive delimiters give empty fields, and a text that ends
// with a delimiter gives no trailing empty field. The delimiters of the
// formats (",", "\t", " ", "/", "=", "'", ":") are ASCII bytes below 0x40,
// which never occur inside a UTF-8 or CP932 multibyte character, so a byte
// scan never splits a character.
#pragma once

#include <string_view>

namespace nuvrel {

class FieldSplitter {
public:
    FieldSplitter(std::string_view text, std::string_view delimiters) : text_(text), delimiters_(delimiters) {}

    // The next field; false when the rest of the text is empty.
    bool next(std::string_view& field) {
        if (pos_ >= text_.size())
            return false;
        // Fields are short: a plain loop beats a library search call here.
        std::size_t end = pos_;
        if (delimiters_.size() == 1) {
            const char d = delimiters_[0];
            while (end < text_.size() && text_[end] != d)
                ++end;
        } else {
            while (end < text_.size() && delimiters_.find(text_[end]) == std::string_view::npos)
                ++end;
        }
        field = text_.substr(pos_, end - pos_);
        pos_ = end + 1;
        return true;
    }

    // The unread rest of the text (after the last delimiter handed out).
    std::string_view rest() const { return pos_ >= text_.size() ? std::string_view() : text_.substr(pos_); }

private:
    std::string_view text_;
    std::string_view delimiters_;
    std::size_t pos_ = 0;
};

} // namespace nuvrel
