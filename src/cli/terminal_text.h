// The terminal's edge: what the commands print is text of the program's code
// page, and the terminal shows text of its locale's encoding. A stream buffer
// set in front of standard output and standard error converts each line once.
#pragma once

#include "core/codepage.h"

#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>

namespace nuvrel::cli {

// The code page of the terminal for a locale's character set name
// (nl_langinfo(CODESET)): CP932 for Shift_JIS, Latin-1 for ISO-8859-1, UTF-8
// for UTF-8 and for the plain ASCII of the C locale (a terminal of the C
// locale shows UTF-8 as it is, and a name is worth more than "?").
CodePage terminalCodePage(std::string_view codeset);

class TerminalText final : public std::streambuf {
public:
    // Converts what goes to stream from `from` to `to`; the stream's old
    // buffer takes the result and is set back when this is destroyed.
    TerminalText(std::ostream& stream, CodePage from, CodePage to);
    ~TerminalText() override;
    TerminalText(const TerminalText&) = delete;
    TerminalText& operator=(const TerminalText&) = delete;

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;
    int sync() override;

private:
    void pass(bool all);

    std::ostream& stream_;
    std::streambuf* target_;
    CodePage from_, to_;
    std::string pending_;
};

} // namespace nuvrel::cli
