#include "render/code_page_text.h"

#include "core/codepage.h"

namespace nuvrel::render {

QString fromCodePage(std::string_view bytes) {
    if (activeCodePage() == CodePage::Cp932)
        return QString::fromStdString(codePageToUtf8(bytes, CodePage::Cp932));
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string toCodePage(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    if (activeCodePage() == CodePage::Cp932)
        return convertCodePage(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())),
                               CodePage::Utf8, CodePage::Cp932);
    return utf8.toStdString();
}

} // namespace nuvrel::render
