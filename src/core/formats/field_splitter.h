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
    FieldSplitter(std::string_view text, std::string_view delimiters) : text_(text), delimiters_(delimiters) {
        // Up to four delimiters are compared directly (the rest repeat the first).
        for (std::size_t i = 0; i < 4; ++i)
            set_[i] = delimiters.empty() ? '\0' : delimiters[i < delimiters.size() ? i : 0];
    }

    // The next field; false when the rest of the text is empty.
    bool next(std::string_view& field) {
        if (pos_ >= text_.size())
            return false;
        // Fields are short: a plain loop beats a library search call here.
        std::size_t end = pos_;
        if (delimiters_.empty()) {
            end = text_.size();
        } else if (delimiters_.size() <= 4) {
            while (end < text_.size()) {
                const char c = text_[end];
                if (c == set_[0] || c == set_[1] || c == set_[2] || c == set_[3])
                    break;
                ++end;
            }
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
    char set_[4];
    std::size_t pos_ = 0;
};

} // namespace nuvrel
