// Number conversions with the C library's atof/atol/strtod semantics (leading blanks
// skipped, the longest number prefix read, anything else ignored), without
// locale dependence and without copying the text. What is not a number reads
// as 0.
#pragma once

#include <cstdint>
#include <limits>
#include <string_view>

namespace nuvrel {

// A decimal number as atof reads it; 0 when the text starts with no number,
// and 0 for infinities, NaN and values beyond the double range.
double parseDouble(std::string_view text);

// The whole text as "-ddd.ddd" (optional sign and point, at most 19
// digits); false, with value untouched, for anything else.
bool parsePlainDecimal(std::string_view text, double& value);

// An integer as atol reads it (decimal, optional sign); 0 when there is none.
// Values beyond the 64-bit range are clamped.
std::int64_t parseLong(std::string_view text);

// Like parseLong, saturated to the 32-bit range.
std::int32_t parseInt32(std::string_view text);

// The two-digit field at offset pos (fewer digits when the text ends, 0 when
// none): the "characters 1-2" of dates and times such as 230394 or 12:35:19.
int parseDigits(std::string_view text, std::size_t pos, std::size_t count);

// A double as a float, clamped to the float range (NaN stays NaN).
inline float toFloat(double value) {
    constexpr double kMax = std::numeric_limits<float>::max();
    if (value > kMax)
        return std::numeric_limits<float>::max();
    if (value < -kMax)
        return -std::numeric_limits<float>::max();
    return static_cast<float>(value);
}

// Truncation toward zero into an int, clamped to the int range (NaN gives 0).
int truncateToInt(double value);

} // namespace nuvrel
