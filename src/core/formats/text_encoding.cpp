#include "core/formats/text_encoding.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace nuvrel {

namespace {
constexpr unsigned char kBom[] = {0xEF, 0xBB, 0xBF};

bool startsWithBom(std::string_view text) { return text.size() >= 3 && std::memcmp(text.data(), kBom, 3) == 0; }

// What one line is: valid UTF-8 (with multibyte characters that are not all
// half-width katakana in CP932), valid CP932 (with bytes above 127).
struct LineKind {
    bool strongUtf8 = false;
    bool utf8 = false;
    bool cp932 = false;
    bool cp932Double = false;
};

LineKind lineKind(std::string_view line) {
    TextEncodingScan scan;
    scan.feed(line);
    LineKind k;
    k.utf8 = isUtf8(line);
    k.strongUtf8 = k.utf8 && textConversion(line, CodePage::Cp932) == TextConversion::FromUtf8;
    // Valid CP932: every lead byte has its trail byte, no byte outside the page.
    k.cp932 = true;
    for (std::size_t pos = 0; pos < line.size();) {
        const auto c = static_cast<unsigned char>(line[pos]);
        const std::size_t len = charLength(line.substr(pos), CodePage::Cp932);
        if (len == 2)
            k.cp932Double = true;
        else if (isCp932LeadByte(c) || c == 0x80 || c == 0xA0 || c >= 0xFD)
            k.cp932 = false;
        pos += len;
    }
    return k;
}

// Calls f(number, line) for each line (split at line feed), numbered from 1.
template <typename F>
void eachLine(std::string_view text, F f) {
    std::size_t number = 1;
    while (!text.empty()) {
        const std::size_t lf = text.find('\n');
        const std::string_view line = text.substr(0, lf);
        f(number++, line, lf != std::string_view::npos);
        if (lf == std::string_view::npos)
            break;
        text.remove_prefix(lf + 1);
    }
}

// "lines 3, 7 and 12" (at most ten named).
std::string lineList(const std::vector<std::size_t>& lines) {
    std::string s = lines.size() == 1 ? "line " : "lines ";
    const std::size_t shown = std::min<std::size_t>(lines.size(), 10);
    for (std::size_t i = 0; i < shown; ++i) {
        if (i > 0)
            s += i + 1 == lines.size() ? " and " : ", ";
        s += std::to_string(lines[i]);
    }
    if (lines.size() > shown)
        s += " and " + std::to_string(lines.size() - shown) + " more";
    return s;
}

TextConversion::Kind kindFor(CodePage source) {
    switch (source) {
    case CodePage::Cp932: return TextConversion::FromCp932;
    case CodePage::Latin1:
    case CodePage::Ascii: return TextConversion::FromLatin1;
    case CodePage::Utf8: break;
    }
    return TextConversion::FromUtf8;
}

// Converts line by line when something changed, to name the lines.
std::string convertNamingLines(std::string_view text, CodePage from, CodePage to, TextConversion& how) {
    std::string& note = how.note;
    bool changed = false;
    std::string out = convertCodePage(text, from, to, &changed);
    if (changed) {
        how.changed = true;
        std::vector<std::size_t> lines;
        eachLine(text, [&](std::size_t n, std::string_view line, bool) {
            bool lineChanged = false;
            convertCodePage(line, from, to, &lineChanged);
            if (lineChanged)
                lines.push_back(n);
        });
        if (!lines.empty())
            note += std::string(note.empty() ? "Characters" : "; characters") + " that " + codePageName(to) +
                    " cannot hold as they are were replaced (by their nearest form where it has one) on " +
                    lineList(lines);
    }
    return out;
}

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
                if (c < 0xA1)
                    utf8KanaOnly_ = false;
                --utf8Need_;
                utf8Low_ = 0x80;
                utf8High_ = 0xBF;
            } else if (c >= 0x80) {
                utf8Multi_ = true;
                if (c >= 0xC2 && c <= 0xDF) {
                    utf8Need_ = 1;
                } else if (c >= 0xE0 && c <= 0xEF) {
                    utf8KanaOnly_ = false;
                    utf8Need_ = 2;
                    utf8Low_ = c == 0xE0 ? 0xA0 : 0x80;
                    utf8High_ = c == 0xED ? 0x9F : 0xBF;
                } else if (c >= 0xF0 && c <= 0xF4) {
                    utf8KanaOnly_ = false;
                    utf8Need_ = 3;
                    utf8Low_ = c == 0xF0 ? 0x90 : 0x80;
                    utf8High_ = c == 0xF4 ? 0x8F : 0xBF;
                } else {
                    utf8Valid_ = false;
                }
            }
        }
        if (c >= 0x80)
            cp932High_ = true;
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
    const bool cp932 = cp932Valid_ && !cp932Lead_;
    if (bomMatched_ == 4)
        return page == CodePage::Cp932 ? TextConversion::FromUtf8 : TextConversion::None;
    if (utf8 && utf8Multi_ && !(utf8KanaOnly_ && cp932))
        return page == CodePage::Cp932 ? TextConversion::FromUtf8 : TextConversion::None;
    if (!utf8 && cp932 && cp932High_)
        return page == CodePage::Utf8 ? TextConversion::FromCp932 : TextConversion::None;
    return TextConversion::None;
}

bool TextEncodingScan::needsDecoding(CodePage page) const {
    const bool utf8 = utf8Valid_ && utf8Need_ == 0;
    const bool cp932 = cp932Valid_ && !cp932Lead_;
    if (bomMatched_ == 4)
        return true;
    if (utf8 && !utf8Multi_)
        return false; // plain ASCII
    if (page == CodePage::Utf8)
        return !utf8 || utf8KanaOnly_;
    return !cp932 || (utf8 && utf8Multi_);
}

std::string decodeText(std::string_view text, CodePage page, TextConversion& how) {
    how = TextConversion();
    const bool bom = startsWithBom(text);
    if (bom)
        text.remove_prefix(3);
    TextEncodingScan scan;
    scan.feed(text);
    if (!bom && !scan.needsDecoding(page))
        return std::string(text);
    CodePage source = page;
    const bool utf8 = isUtf8(text);
    // A file that is not UTF-8 as a whole is looked at line by line once: lines
    // of UTF-8 beside lines that are not make a mixed file.
    std::vector<std::size_t> foreign;
    bool anyUtf8 = false;
    std::size_t highLines = 0, cp932Lines = 0; // lines with bytes above 127, and those of them CP932 reads well
    if (!bom && !utf8) {
        eachLine(text, [&](std::size_t n, std::string_view line, bool) {
            const LineKind k = lineKind(line);
            anyUtf8 = anyUtf8 || k.strongUtf8;
            if (!k.utf8)
                ++highLines;
            if (!k.utf8 && k.cp932 && k.cp932Double)
                ++cp932Lines;
            const bool fits = page == CodePage::Utf8 ? k.utf8 : (k.cp932 && !k.strongUtf8);
            if (!fits)
                foreign.push_back(n);
        });
    }
    if (bom) {
        source = CodePage::Utf8;
    } else if (anyUtf8) {
        // Each line that does not fit the code page shows its bytes as
        // replacement characters.
        std::string out;
        eachLine(text, [&](std::size_t n, std::string_view line, bool lf) {
            if (!std::binary_search(foreign.begin(), foreign.end(), n)) {
                out += convertCodePage(line, page, page);
            } else {
                for (const char c : line)
                    out += static_cast<unsigned char>(c) < 0x80 ? std::string(1, c)
                           : page == CodePage::Utf8            ? std::string("\xEF\xBF\xBD")
                                                               : std::string("\x81\xAC"); // 〓
            }
            if (lf)
                out += '\n';
        });
        how.kind = kindFor(page);
        how.changed = true;
        how.note = std::string("The file mixes UTF-8 and CP932 text; read as ") + codePageName(page) +
                   " with replacement characters on " + lineList(foreign);
        return out;
    } else if (const TextConversion c = scan.conversionFor(page); c != TextConversion::None) {
        source = c == TextConversion::FromUtf8 ? CodePage::Utf8 : CodePage::Cp932;
    } else if (utf8) {
        // Valid UTF-8 made only of what CP932 reads as half-width katakana:
        // valid CP932 too, so the setting decides.
        how.note = std::string("The file reads as UTF-8 and as CP932; read as ") + codePageName(page) +
                   ", as the CodePage setting says";
    } else if (!scan.cp932() && cp932Lines * 2 <= highLines) {
        // Valid in neither, and no more than half of its lines read well as
        // CP932 (an accented letter before another letter makes a CP932
        // pair): an older single-byte file.
        source = CodePage::Latin1;
        how.note = "The file is neither UTF-8 nor CP932; read as Latin-1";
    }
    if (source == page && !bom) {
        // Bytes that do not fit become replacement characters.
        bool changed = false;
        std::string out = convertCodePage(text, page, page, &changed);
        if (!changed)
            return out;
    }
    how.kind = kindFor(source);
    if (how.note.empty() && source != page)
        how.note = std::string("Converted from ") + codePageName(source) + " to " + codePageName(page);
    std::string out = convertNamingLines(text, source, page, how);
    if (source == page && !how.changed)
        how.kind = TextConversion::None; // only a byte-order mark went
    return out;
}

TextConversion textConversion(std::string_view text, CodePage page) {
    TextEncodingScan scan;
    scan.feed(text);
    return scan.conversionFor(page);
}

bool fileNeedsDecoding(const std::string& path, CodePage page) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    TextEncodingScan scan;
    std::vector<char> block(1 << 16);
    for (;;) {
        const ssize_t n = ::read(fd, block.data(), block.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            return false;
        }
        if (n == 0 || scan.settled())
            break;
        scan.feed(std::string_view(block.data(), std::size_t(n)));
    }
    ::close(fd);
    return scan.needsDecoding(page);
}

std::string convertText(std::string_view text, TextConversion conversion) {
    if (startsWithBom(text) && conversion.kind == TextConversion::FromUtf8)
        text.remove_prefix(3);
    switch (conversion.kind) {
    case TextConversion::None:
        break;
    case TextConversion::FromUtf8:
        return convertCodePage(text, CodePage::Utf8, CodePage::Cp932);
    case TextConversion::FromCp932:
        return convertCodePage(text, CodePage::Cp932, CodePage::Utf8);
    case TextConversion::FromLatin1:
        return convertCodePage(text, CodePage::Latin1, CodePage::Utf8);
    }
    return std::string(text);
}

std::string conversionNote(const TextConversion& conversion) {
    if (!conversion.note.empty())
        return conversion.note;
    switch (conversion.kind) {
    case TextConversion::FromUtf8: return "Converted from UTF-8 to CP932";
    case TextConversion::FromCp932: return "Converted from CP932 to UTF-8";
    case TextConversion::FromLatin1: return "Converted from Latin-1";
    case TextConversion::None: break;
    }
    return {};
}

} // namespace nuvrel
