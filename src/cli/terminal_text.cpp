#include "cli/terminal_text.h"

#include <algorithm>
#include <cctype>

namespace nuvrel::cli {

namespace {
std::string upper(std::string_view s) {
    std::string u;
    for (const char c : s)
        if (c != '-' && c != '_')
            u += char(std::toupper(static_cast<unsigned char>(c)));
    return u;
}
} // namespace

CodePage terminalCodePage(std::string_view codeset) {
    const std::string name = upper(codeset);
    if (name == "SHIFTJIS" || name == "SJIS" || name == "CP932" || name == "WINDOWS31J")
        return CodePage::Cp932;
    if (name == "ISO88591" || name == "ISO885915")
        return CodePage::Latin1;
    return CodePage::Utf8;
}

TerminalText::TerminalText(std::ostream& stream, CodePage from, CodePage to)
    : stream_(stream), target_(stream.rdbuf()), from_(from), to_(to) {
    stream_.rdbuf(this);
}

TerminalText::~TerminalText() {
    pass(true);
    stream_.rdbuf(target_);
}

TerminalText::int_type TerminalText::overflow(int_type c) {
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        pending_ += traits_type::to_char_type(c);
        if (c == '\n')
            pass(false);
    }
    return traits_type::not_eof(c);
}

std::streamsize TerminalText::xsputn(const char* s, std::streamsize n) {
    pending_.append(s, static_cast<std::size_t>(n));
    if (std::find(s, s + n, '\n') != s + n)
        pass(false);
    return n;
}

int TerminalText::sync() {
    pass(true);
    return target_->pubsync();
}

// Converts whole lines (or everything, on a flush): a character is never
// split between two conversions.
void TerminalText::pass(bool all) {
    const std::size_t end = all ? pending_.size() : pending_.rfind('\n') + 1;
    if (end == 0)
        return;
    const std::string_view text(pending_.data(), end);
    const bool same = from_ == to_ && (to_ != CodePage::Utf8 || isUtf8(text));
    const std::string out = same ? std::string(text) : convertCodePage(text, from_, to_);
    target_->sputn(out.data(), static_cast<std::streamsize>(out.size()));
    pending_.erase(0, end);
}

} // namespace nuvrel::cli
