#include "core/formats/text_encoding.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace nuvrel {

namespace {
constexpr unsigned char kBom[] = {0xEF, 0xBB, 0xBF};
} // namespace

void TextEncodingScan::feed(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    // The start is compared with a byte-order mark without being passed over:
    // a text may begin with other characters that share the mark's first
    // bytes (ﾄ is EF BE 84).
    for (const unsigned char* q = p; bomMatched_ >= 0 && bomMatched_ < 3 && q < end; ++q) {
        if (*q != kBom[bomMatched_]) {
            bomMatched_ = -1;
            break;
        }
        ++bomMatched_;
    }
    if (bomMatched_ == 3)
        bomMatched_ = 4; // the mark says UTF-8, whatever follows
    while (p < end && !settled()) {
        // Runs of ASCII between characters are passed over eight at a time.
        if (utf8Need_ == 0 && !cp932Lead_) {
            while (end - p >= 8) {
                std::uint64_t word;
                std::memcpy(&word, p, 8);
                if (word & 0x8080808080808080ull)
                    break;
                p += 8;
            }
            if (p == end)
                break;
        }
        const unsigned char c = *p++;
        if (utf8Valid_) {
            if (utf8Need_ > 0) {
                if (c < utf8Low_ || c > utf8High_)
                    utf8Valid_ = false;
                --utf8Need_;
                utf8Low_ = 0x80;
                utf8High_ = 0xBF;
            } else if (c >= 0x80) {
                utf8Multi_ = true;
                if (c >= 0xC2 && c <= 0xDF) {
                    utf8Need_ = 1;
                } else if (c >= 0xE0 && c <= 0xEF) {
                    utf8Need_ = 2;
                    utf8Low_ = c == 0xE0 ? 0xA0 : 0x80;
                    utf8High_ = c == 0xED ? 0x9F : 0xBF;
                } else if (c >= 0xF0 && c <= 0xF4) {
                    utf8Need_ = 3;
                    utf8Low_ = c == 0xF0 ? 0x90 : 0x80;
                    utf8High_ = c == 0xF4 ? 0x8F : 0xBF;
                } else {
                    utf8Valid_ = false;
                }
            }
        }
        if (cp932Valid_) {
            if (cp932Lead_) {
                cp932Lead_ = false;
                if ((c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC))
                    cp932Double_ = true;
                else
                    cp932Valid_ = false;
            } else if (isCp932LeadByte(c)) {
                cp932Lead_ = true;
            } else if (c >= 0x80 && !(c >= 0xA1 && c <= 0xDF)) {
                cp932Valid_ = false;
            }
        }
    }
}

TextConversion TextEncodingScan::conversionFor(CodePage page) const {
    const bool utf8 = utf8Valid_ && utf8Need_ == 0;
    if (page == CodePage::Cp932)
        return (utf8 && utf8Multi_) || bomMatched_ == 4 ? TextConversion::FromUtf8 : TextConversion::None;
    return !utf8 && cp932Valid_ && !cp932Lead_ && cp932Double_ ? TextConversion::FromCp932 : TextConversion::None;
}

TextConversion textConversion(std::string_view text, CodePage page) {
    TextEncodingScan scan;
    scan.feed(text);
    return scan.conversionFor(page);
}

TextConversion fileConversion(const std::string& path, CodePage page) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return TextConversion::None;
    TextEncodingScan scan;
    std::vector<char> block(1 << 16);
    for (;;) {
        const ssize_t n = ::read(fd, block.data(), block.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            return TextConversion::None;
        }
        if (n == 0 || scan.settled())
            break;
        scan.feed(std::string_view(block.data(), std::size_t(n)));
    }
    ::close(fd);
    return scan.conversionFor(page);
}

std::string convertText(std::string_view text, TextConversion conversion) {
    switch (conversion) {
    case TextConversion::None:
        break;
    case TextConversion::FromUtf8:
        if (text.size() >= 3 && std::memcmp(text.data(), kBom, 3) == 0)
            text.remove_prefix(3);
        return utf8ToCodePage(text, CodePage::Cp932);
    case TextConversion::FromCp932:
        return codePageToUtf8(text, CodePage::Cp932);
    }
    return std::string(text);
}

std::string conversionNote(TextConversion conversion) {
    switch (conversion) {
    case TextConversion::FromUtf8: return "Converted from UTF-8 to CP932";
    case TextConversion::FromCp932: return "Converted from CP932 to UTF-8";
    case TextConversion::None: break;
    }
    return {};
}

} // namespace nuvrel
