#include "core/formats/ift_string.h"

#include <cstring>

namespace nuvrel {

const char* IFString::subString(int start, int length) {
    if (start < 0 || length < 0 || static_cast<std::size_t>(start) + static_cast<std::size_t>(length) > text_.size())
        return nullptr;
    result_.assign(text_, static_cast<std::size_t>(start), static_cast<std::size_t>(length));
    return result_.c_str();
}

const char* IFString::tail(int start) {
    if (start < 0 || static_cast<std::size_t>(start) >= text_.size())
        return nullptr;
    result_.assign(text_, static_cast<std::size_t>(start));
    return result_.c_str();
}

int IFString::findLast(std::string_view pattern) const {
    if (pattern.empty() || pattern.size() > text_.size())
        return -1;
    int last = -1;
    const std::string_view text(text_);
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (text.size() - pos >= pattern.size() &&
            std::memcmp(text.data() + pos, pattern.data(), pattern.size()) == 0)
            last = static_cast<int>(pos);
        pos += charLength(text.substr(pos), page_);
    }
    return last;
}

} // namespace nuvrel
