#include "core/formats/xml_text.h"

namespace nuvrel {

void appendXmlText(std::string& out, std::string_view text, CodePage page) {
    for (const char c : codePageToUtf8(text, page)) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\r':
            out += "&#13;"; // a raw CR would be read back as a line feed
            break;
        default:
            if (static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\n')
                out += c;
        }
    }
}

} // namespace nuvrel
