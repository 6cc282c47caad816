// Character data of the XML formats (GPX, KML).
#pragma once

#include "core/codepage.h"

#include <string>
#include <string_view>

namespace nuvrel {

// Text of the code page as XML character data: UTF-8, markup characters
// escaped, control characters that XML cannot hold left out.
void appendXmlText(std::string& out, std::string_view text, CodePage page);

} // namespace nuvrel
