#include "core/codepage.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iconv.h>

namespace nuvrel {

namespace {
CodePage g_codePage = CodePage::Utf8;

bool equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

const char* iconvName(CodePage page) { return page == CodePage::Cp932 ? "CP932" : "UTF-8"; }

// Converts with iconv, leaving out what does not convert, or putting
// substitute (when not NUL) for each UTF-8 character that does not.
std::string convert(const char* to, const char* from, std::string_view in, char substitute = '\0') {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::string(in);
    std::string out;
    char buf[1024];
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    while (srcLeft > 0) {
        char* dst = buf;
        std::size_t dstLeft = sizeof buf;
        const std::size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buf, sizeof buf - dstLeft);
        if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
            // A character (or byte) that does not convert.
            std::size_t skip = 1;
            if (substitute) {
                out += substitute;
                skip = charLength(std::string_view(src, srcLeft), CodePage::Utf8);
            }
            src += skip;
            srcLeft -= skip;
        }
    }
    iconv_close(cd);
    return out;
}
} // namespace

CodePage activeCodePage() { return g_codePage; }
void setActiveCodePage(CodePage page) { g_codePage = page; }

CodePage codePageForLocale(std::string_view localeName) {
    return localeName.substr(0, 2) == "ja" ? CodePage::Cp932 : CodePage::Utf8;
}

std::string localeFromEnvironment() {
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return value;
    }
    return {};
}

const char* codePageName(CodePage page) { return page == CodePage::Cp932 ? "CP932" : "UTF-8"; }

bool parseCodePageName(std::string_view name, CodePage& out) {
    for (auto n : {"CP932", "SJIS", "Shift_JIS", "Shift-JIS", "MS932"}) {
        if (equalsNoCase(name, n)) {
            out = CodePage::Cp932;
            return true;
        }
    }
    for (auto n : {"UTF-8", "UTF8"}) {
        if (equalsNoCase(name, n)) {
            out = CodePage::Utf8;
            return true;
        }
    }
    return false;
}

bool isCp932LeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

std::size_t charLength(std::string_view text, CodePage page) {
    if (text.empty())
        return 0;
    const auto c = static_cast<unsigned char>(text[0]);
    if (page == CodePage::Cp932) {
        if (!isCp932LeadByte(c) || text.size() < 2)
            return 1;
        const auto t = static_cast<unsigned char>(text[1]);
        return ((t >= 0x40 && t <= 0x7E) || (t >= 0x80 && t <= 0xFC)) ? 2 : 1;
    }
    std::size_t n = 1;
    if (c >= 0xC2 && c <= 0xDF)
        n = 2;
    else if (c >= 0xE0 && c <= 0xEF)
        n = 3;
    else if (c >= 0xF0 && c <= 0xF4)
        n = 4;
    if (n > text.size())
        return 1;
    for (std::size_t i = 1; i < n; ++i)
        if (!isContinuation(static_cast<unsigned char>(text[i])))
            return 1;
    return n;
}

std::size_t fitLength(std::string_view text, std::size_t maxBytes, CodePage page) {
    if (text.size() <= maxBytes && page == CodePage::Utf8) {
        // Fast path: the whole text fits.
        return text.size();
    }
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t len = charLength(text.substr(pos), page);
        if (pos + len > maxBytes)
            break;
        pos += len;
    }
    return pos;
}

std::size_t fitWholeLength(std::string_view text, std::size_t maxBytes, CodePage page) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::string_view rest = text.substr(pos);
        const std::size_t len = charLength(rest, page);
        if (pos + len > maxBytes)
            break;
        // A single byte that starts a character which the end of text cuts.
        const auto c = static_cast<unsigned char>(rest[0]);
        if (len == 1 && page == CodePage::Cp932 && rest.size() == 1 && isCp932LeadByte(c))
            break;
        if (len == 1 && page == CodePage::Utf8 && c >= 0xC2 && c <= 0xF4) {
            const std::size_t need = c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
            bool cut = rest.size() < need;
            for (std::size_t i = 1; cut && i < rest.size(); ++i)
                cut = isContinuation(static_cast<unsigned char>(rest[i]));
            if (cut)
                break;
        }
        pos += len;
    }
    return pos;
}

void copyToField(char* field, std::size_t fieldSize, std::string_view text, CodePage page) {
    if (fieldSize == 0)
        return;
    const auto nul = text.find('\0');
    if (nul != std::string_view::npos)
        text = text.substr(0, nul);
    const std::size_t n = fitLength(text, fieldSize - 1, page);
    if (n > 0)
        std::memcpy(field, text.data(), n);
    std::memset(field + n, 0, fieldSize - n);
}

std::string fieldText(const char* field, std::size_t fieldSize) {
    const void* nul = std::memchr(field, 0, fieldSize);
    const std::size_t n = nul ? static_cast<const char*>(nul) - field : fieldSize;
    return std::string(field, n);
}

std::string codePageToUtf8(std::string_view text, CodePage page) {
    return convert("UTF-8", iconvName(page), text);
}

std::string utf8ToCodePage(std::string_view text, CodePage page) {
    return convert(iconvName(page), "UTF-8", text);
}

std::string utf8ToCodePage(std::string_view text, CodePage page, char substitute) {
    return convert(iconvName(page), "UTF-8", text, substitute);
}

bool isUtf8(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t len = charLength(text.substr(pos), CodePage::Utf8);
        if (len == 1 && static_cast<unsigned char>(text[pos]) >= 0x80)
            return false;
        pos += len;
    }
    return true;
}

} // namespace nuvrel

namespace nuvrel {

namespace {

// The name as iconv knows it, or "" for a name that is not an encoding name
// (XML's EncName: a letter, then letters, digits, '.', '_' and '-').
std::string iconvEncodingName(std::string_view name) {
    const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    if (name.empty() || name.size() > 40 || !letter(name[0]))
        return {};
    for (const char c : name)
        if (!letter(c) && !(c >= '0' && c <= '9') && c != '.' && c != '_' && c != '-')
            return {};
    for (const char* sjis : {"Shift_JIS", "Shift-JIS", "SJIS", "MS_Kanji", "csShiftJIS", "x-sjis", "Windows-31J",
                             "x-ms-cp932", "MS932"})
        if (equalsNoCase(name, sjis))
            return "CP932";
    return std::string(name);
}

} // namespace

Utf8Decoder::Utf8Decoder(std::string_view encoding) {
    const std::string name = iconvEncodingName(encoding);
    if (name.empty())
        return;
    const iconv_t cd = iconv_open("UTF-8", name.c_str());
    if (cd != reinterpret_cast<iconv_t>(-1))
        cd_ = cd;
}

Utf8Decoder::~Utf8Decoder() {
    if (cd_)
        iconv_close(static_cast<iconv_t>(cd_));
}

bool Utf8Decoder::decode(std::string_view bytes, std::string& out, bool last) {
    if (!cd_)
        return false;
    const auto cd = static_cast<iconv_t>(cd_);
    // A character cut by the last piece is completed first, a byte at a time.
    while (!pending_.empty() && !bytes.empty()) {
        pending_ += bytes.front();
        bytes.remove_prefix(1);
        char* src = pending_.data();
        std::size_t srcLeft = pending_.size();
        char buf[32];
        char* dst = buf;
        std::size_t dstLeft = sizeof buf;
        const std::size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buf, sizeof buf - dstLeft);
        if (r == static_cast<std::size_t>(-1) && errno == EILSEQ)
            return false;
        if (srcLeft == 0)
            pending_.clear();
        else if (r == static_cast<std::size_t>(-1) && errno == EINVAL && pending_.size() < 8)
            continue;
        else
            return false;
    }
    char* src = const_cast<char*>(bytes.data());
    std::size_t srcLeft = bytes.size();
    while (srcLeft > 0) {
        // UTF-8 takes at most four bytes a character where the sources take one.
        const std::size_t before = out.size();
        const std::size_t room = std::min<std::size_t>(srcLeft * 4 + 16, 1 << 20);
        out.resize(before + room);
        char* dst = out.data() + before;
        std::size_t dstLeft = room;
        const std::size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.resize(before + room - dstLeft);
        if (r != static_cast<std::size_t>(-1) || errno == E2BIG)
            continue;
        if (errno != EINVAL)
            return false;
        pending_.assign(src, srcLeft); // a character cut by the end of the piece
        break;
    }
    if (!last)
        return true;
    if (!pending_.empty())
        return false;
    // A stateful encoding's return to its initial state.
    char buf[32];
    char* dst = buf;
    std::size_t dstLeft = sizeof buf;
    iconv(cd, nullptr, nullptr, &dst, &dstLeft);
    out.append(buf, sizeof buf - dstLeft);
    return true;
}

bool decodeToUtf8(std::string_view text, std::string_view encoding, std::string& out) {
    Utf8Decoder decoder(encoding);
    std::string utf8;
    if (!decoder.decode(text, utf8, true))
        return false;
    out = std::move(utf8);
    return true;
}

} // namespace nuvrel
