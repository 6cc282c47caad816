#include "render/code_page_text.h"

#include "core/codepage.h"

#include <iconv.h>

#include <vector>

namespace nuvrel::render {

namespace {

// Converts with iconv; characters that cannot be converted are skipped.
std::string convert(const char* to, const char* from, std::string_view in) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::string(in);
    std::string out;
    std::vector<char> buf(in.size() * 4 + 16);
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    while (srcLeft > 0) {
        char* dst = buf.data();
        std::size_t dstLeft = buf.size();
        const std::size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buf.data(), buf.size() - dstLeft);
        if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
            ++src; // skip a byte that does not convert
            --srcLeft;
        }
    }
    iconv_close(cd);
    return out;
}

} // namespace

QString fromCodePage(std::string_view bytes) {
    if (activeCodePage() == CodePage::Cp932)
        return QString::fromStdString(convert("UTF-8", "CP932", bytes));
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string toCodePage(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    if (activeCodePage() == CodePage::Cp932)
        return convert("CP932", "UTF-8", std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
    return utf8.toStdString();
}

} // namespace nuvrel::render
