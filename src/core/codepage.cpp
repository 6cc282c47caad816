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

const char* iconvName(CodePage page) {
    switch (page) {
    case CodePage::Cp932: return "CP932";
    case CodePage::Latin1: return "ISO-8859-1";
    case CodePage::Ascii: return "ASCII";
    case CodePage::Utf8: break;
    }
    return "UTF-8";
}

bool singleByte(CodePage page) { return page == CodePage::Latin1 || page == CodePage::Ascii; }

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

const char* codePageName(CodePage page) { return iconvName(page); }

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
    if (singleByte(page))
        return 1;
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

namespace {

// One character of UTF-8: its code point and length, or length 1 and
// kInvalid for a byte that starts no character.
constexpr char32_t kInvalid = 0xFFFFFFFF;
char32_t decodeAt(std::string_view text, std::size_t& length) {
    length = charLength(text, CodePage::Utf8);
    const auto c = static_cast<unsigned char>(text[0]);
    if (length == 1)
        return c < 0x80 ? char32_t(c) : kInvalid;
    char32_t cp = length == 2 ? (c & 0x1F) : length == 3 ? (c & 0x0F) : (c & 0x07);
    for (std::size_t i = 1; i < length; ++i)
        cp = (cp << 6) | (static_cast<unsigned char>(text[i]) & 0x3F);
    // Overlong forms and surrogates are not characters.
    const bool overlong = (length == 3 && cp < 0x800) || (length == 4 && (cp < 0x10000 || cp > 0x10FFFF));
    if (overlong || (cp >= 0xD800 && cp <= 0xDFFF)) {
        length = 1;
        return kInvalid;
    }
    return cp;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

// Half-width forms of the full-width katakana U+30A1 to U+30F6, in order.
constexpr const char* kHalfKatakana[] = {
    "ｧ", "ｱ", "ｨ", "ｲ", "ｩ", "ｳ", "ｪ", "ｴ", "ｫ", "ｵ", "ｶ", "ｶﾞ", "ｷ", "ｷﾞ", "ｸ", "ｸﾞ", "ｹ", "ｹﾞ", "ｺ", "ｺﾞ",
    "ｻ", "ｻﾞ", "ｼ", "ｼﾞ", "ｽ", "ｽﾞ", "ｾ", "ｾﾞ", "ｿ", "ｿﾞ", "ﾀ", "ﾀﾞ", "ﾁ", "ﾁﾞ", "ｯ", "ﾂ", "ﾂﾞ", "ﾃ", "ﾃﾞ", "ﾄ",
    "ﾄﾞ", "ﾅ", "ﾆ", "ﾇ", "ﾈ", "ﾉ", "ﾊ", "ﾊﾞ", "ﾊﾟ", "ﾋ", "ﾋﾞ", "ﾋﾟ", "ﾌ", "ﾌﾞ", "ﾌﾟ", "ﾍ", "ﾍﾞ", "ﾍﾟ", "ﾎ", "ﾎﾞ",
    "ﾎﾟ", "ﾏ", "ﾐ", "ﾑ", "ﾒ", "ﾓ", "ｬ", "ﾔ", "ｭ", "ﾕ", "ｮ", "ﾖ", "ﾗ", "ﾘ", "ﾙ", "ﾚ", "ﾛ", "ﾜ", "ﾜ", "ｲ",
    "ｴ", "ｦ", "ﾝ", "ｳﾞ", "ｶ", "ｹ"};
static_assert(std::size(kHalfKatakana) == 0x30F6 - 0x30A1 + 1);

// The half-width form of a full-width character, or nullptr / cp itself.
bool halfWidthOf(char32_t cp, std::string& out) {
    if (cp >= 0x3041 && cp <= 0x3096) // hiragana: as katakana
        cp += 0x60;
    if (cp >= 0x30A1 && cp <= 0x30F6) {
        out += kHalfKatakana[cp - 0x30A1];
        return true;
    }
    if (cp >= 0xFF01 && cp <= 0xFF5E) {
        out += char(cp - 0xFEE0);
        return true;
    }
    switch (cp) {
    case 0x3000: out += ' '; return true;
    case 0x3001: out += "､"; return true;
    case 0x3002: out += "｡"; return true;
    case 0x300C: out += "｢"; return true;
    case 0x300D: out += "｣"; return true;
    case 0x30FB: out += "･"; return true;
    case 0x30FC: out += "ｰ"; return true;
    case 0x309B: out += "ﾞ"; return true;
    case 0x309C: out += "ﾟ"; return true;
    default: return false;
    }
}

// Latin letters without their accents: U+00C0 to U+017F, "?" where the
// letter takes two (handled apart) or is no letter.
constexpr std::string_view kPlainLatin = "AAAAAA?CEEEEIIII"
                                         "DNOOOOOxOUUUUY??"
                                         "aaaaaa?ceeeeiiii"
                                         "dnooooo/ouuuuy?y"
                                         "AaAaAaCcCcCcCcDd"
                                         "DdEeEeEeEeEeGgGg"
                                         "GgGgHhHhIiIiIiIi"
                                         "Ii??JjKkkLlLlLlL"
                                         "lLlNnNnNnnNnOoOo"
                                         "Oo??RrRrRrSsSsSs"
                                         "SsTtTtTtUuUuUuUu"
                                         "UuUuWwYyYZzZzZzs";

bool plainLatinOf(char32_t cp, std::string& out) {
    switch (cp) {
    case 0xC6: out += "AE"; return true;
    case 0xE6: out += "ae"; return true;
    case 0xDE: out += "TH"; return true;
    case 0xFE: out += "th"; return true;
    case 0xDF: out += "ss"; return true;
    case 0x132: out += "IJ"; return true;
    case 0x133: out += "ij"; return true;
    case 0x152: out += "OE"; return true;
    case 0x153: out += "oe"; return true;
    case 0x2018: case 0x2019: out += '\''; return true;
    case 0x201C: case 0x201D: out += '"'; return true;
    case 0x2010: case 0x2013: case 0x2014: case 0x2212: out += '-'; return true;
    case 0xA0: out += ' '; return true;
    default: break;
    }
    if (cp >= 0xC0 && cp <= 0x17F && kPlainLatin[cp - 0xC0] != '?') {
        out += kPlainLatin[cp - 0xC0];
        return true;
    }
    return false;
}

// Variant kanji that CP932 lacks, and the everyday form it has.
bool variantOf(char32_t cp, std::string& out) {
    switch (cp) {
    case 0x20BB7: out += "吉"; return true; // 𠮷
    case 0x9AD9: out += "高"; return true;  // 髙 (in CP932 as an extension; kept for other targets)
    default: return false;
    }
}

template <typename Form>
std::string mapEach(std::string_view utf8, Form form) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        std::size_t len;
        const char32_t cp = decodeAt(utf8.substr(pos), len);
        if (cp == kInvalid || !form(cp, out))
            out.append(utf8.substr(pos, len));
        pos += len;
    }
    return out;
}

// An iconv conversion that reports what it cannot convert.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (ok())
            iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    // Converts as much of in as it can onto out; returns the bytes used (less
    // than in.size() where a character does not convert).
    std::size_t run(std::string_view in, std::string& out) {
        char buf[1024];
        char* src = const_cast<char*>(in.data());
        std::size_t left = in.size();
        while (left > 0) {
            char* dst = buf;
            std::size_t room = sizeof buf;
            const std::size_t r = iconv(cd_, &src, &left, &dst, &room);
            out.append(buf, sizeof buf - room);
            if (r == static_cast<std::size_t>(-1) && errno != E2BIG)
                break;
        }
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        return in.size() - left;
    }
    // True when the whole of in converts (out takes it then).
    bool whole(std::string_view in, std::string& out) {
        std::string tmp;
        if (run(in, tmp) != in.size())
            return false;
        out += tmp;
        return true;
    }

private:
    iconv_t cd_;
};

bool holdsAll(CodePage page, std::string_view utf8) {
    for (std::size_t pos = 0; pos < utf8.size();) {
        std::size_t len;
        const char32_t cp = decodeAt(utf8.substr(pos), len);
        if (cp == kInvalid || (page == CodePage::Ascii && cp >= 0x80) || (page == CodePage::Latin1 && cp >= 0x100))
            return false;
        pos += len;
    }
    return true;
}

} // namespace

std::string halfWidthForm(std::string_view utf8) { return mapEach(utf8, halfWidthOf); }
std::string plainLatinForm(std::string_view utf8) { return mapEach(utf8, plainLatinOf); }

std::string convertCodePage(std::string_view text, CodePage from, CodePage to, bool* changed) {
    bool replaced = false;
    // To UTF-8 first, every byte that forms no character marked.
    std::string utf8;
    if (from == CodePage::Utf8) {
        utf8.assign(text);
    } else if (from == CodePage::Latin1 || from == CodePage::Ascii) {
        for (const char c : text)
            appendUtf8(utf8, static_cast<unsigned char>(c));
    } else {
        Converter in("UTF-8", "CP932");
        utf8.reserve(text.size() * 3 / 2);
        for (std::size_t pos = 0; pos < text.size();) {
            pos += in.ok() ? in.run(text.substr(pos), utf8) : text.size();
            if (pos < text.size()) {
                utf8 += "\xEF\xBF\xBD";
                replaced = true;
                pos += charLength(text.substr(pos), CodePage::Cp932);
            }
        }
    }
    // Then into the target, each character it lacks in its nearest form.
    std::string out;
    if (to == CodePage::Utf8 || to == CodePage::Latin1 || to == CodePage::Ascii) {
        out.reserve(utf8.size());
        const char32_t limit = to == CodePage::Utf8 ? 0x110000 : to == CodePage::Latin1 ? 0x100 : 0x80;
        for (std::size_t pos = 0; pos < utf8.size();) {
            std::size_t len;
            const char32_t cp = decodeAt(std::string_view(utf8).substr(pos), len);
            if (cp != kInvalid && cp < limit && !(cp == 0xFFFD && to != CodePage::Utf8)) {
                if (to == CodePage::Utf8)
                    out.append(utf8, pos, len);
                else
                    out += char(cp);
            } else {
                // The nearest forms are plain ASCII here.
                std::string nearest;
                if (cp != kInvalid && (halfWidthOf(cp, nearest) || plainLatinOf(cp, nearest) || variantOf(cp, nearest)) &&
                    holdsAll(to, nearest))
                    out += nearest;
                else
                    out += to == CodePage::Utf8 ? "\xEF\xBF\xBD" : "?";
                replaced = true;
            }
            pos += len;
        }
    } else {
        Converter conv(iconvName(to), "UTF-8");
        out.reserve(utf8.size());
        for (std::size_t pos = 0; pos < utf8.size();) {
            pos += conv.ok() ? conv.run(std::string_view(utf8).substr(pos), out) : utf8.size();
            if (pos >= utf8.size())
                break;
            replaced = true;
            std::size_t len;
            const char32_t cp = decodeAt(std::string_view(utf8).substr(pos), len);
            pos += len;
            std::string nearest;
            if (cp != kInvalid && (halfWidthOf(cp, nearest) || plainLatinOf(cp, nearest) || variantOf(cp, nearest)) &&
                conv.whole(nearest, out))
                continue;
            out += '?';
        }
    }
    if (changed)
        *changed = replaced;
    return out;
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
