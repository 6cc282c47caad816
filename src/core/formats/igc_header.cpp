#include "core/formats/igc_header.h"

#include <cstdint>

namespace nuvrel {

namespace {

bool validUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > s.size())
            return false;
        for (std::size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xc0) != 0x80)
                return false;
        i += n;
    }
    return true;
}

std::string utf8Value(std::string_view s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    if (validUtf8(s))
        return std::string(s);
    std::string out;
    for (char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += ch;
        } else {
            out += static_cast<char>(0xc0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3f));
        }
    }
    return out;
}

} // namespace

IgcHeaderValues readIgcHeaderValues(std::string_view text) {
    IgcHeaderValues out;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (!line.empty() && line[0] == 'B')
            break;
        if (line.size() < 5 || line[0] != 'H')
            continue;
        const std::string_view code = line.substr(2, 3);
        std::string* value = code == "PLT" ? &out.pilot : code == "GTY" ? &out.gliderType : code == "FTY" ? &out.recorder : nullptr;
        if (!value || !value->empty())
            continue;
        const std::size_t colon = line.find(':');
        const std::string v = utf8Value(colon == std::string_view::npos ? line.substr(5) : line.substr(colon + 1));
        if (!v.empty() && v != "NIL" && v != "NKN")
            *value = v;
    }
    return out;
}

} // namespace nuvrel
