// Record texts (bytes in the program's code page) as Qt strings and back.
#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace nuvrel::render {

QString fromCodePage(std::string_view bytes);
std::string toCodePage(const QString& text);

} // namespace nuvrel::render
