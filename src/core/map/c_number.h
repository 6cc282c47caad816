// Numbers read from text the way the C library reads them (strtod, strtol in
// the "C" locale): leading white space skipped, the longest valid prefix
// used, 0 when there is none. Independent of the process locale.
#pragma once

#include <cstdint>
#include <string_view>

namespace nuvrel {

double parseCDouble(std::string_view text);
// Decimal integer, saturated to the 32-bit range.
std::int32_t parseCInt(std::string_view text);

} // namespace nuvrel
