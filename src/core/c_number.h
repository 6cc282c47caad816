// Number conversions with the C library's atof/atol/strtod semantics (leading blanks
// skipped, the longest number prefix read, anything else ignored), without
// locale dependence and without copying the text. What is not a number reads
// as 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>

namespace nuvrel {

// A decimal number as atof reads it; 0 when the text starts with no number,
// and 0 for infinities, NaN and values beyond the double range.
double parseDouble(std::string_view text);

namespace detail {
// The powers of ten that a double holds exactly.
inline constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
} // namespace detail

// A decimal digit's value, or 10 and above for any other byte.
inline unsigned digitValue(char c) { return static_cast<unsigned>(static_cast<unsigned char>(c)) - '0'; }

// The digits of "ddd" or "ddd.ddd" (either part may be empty; the point only
// with allowPoint), read as one mantissa: the number without its point.
struct DecimalRun {
    std::uint64_t mantissa = 0;
    std::uint64_t whole = 0; // the part before the point
    std::size_t wholeDigits = 0;
    std::size_t places = 0; // digits after the point
    std::size_t digits() const { return wholeDigits + places; }
    // The mantissa is exact and correctly rounded when divided by an exact
    // power of ten: at most 19 digits (so no wrap) and below 2^53.
    bool exact() const { return digits() <= 19 && mantissa <= (std::uint64_t{1} << 53); }
    // The value, for an exact run.
    double value() const { return static_cast<double>(mantissa) / detail::kPow10[places]; }
};

// Reads a DecimalRun from p; returns where it ends (at p when no digit and
// no point is there).
inline const char* scanDecimal(const char* p, const char* end, DecimalRun& run, bool allowPoint = true) {
    const char* const start = p;
    std::uint64_t m = 0;
    unsigned d;
    while (p != end && (d = digitValue(*p)) < 10) {
        m = m * 10 + d;
        ++p;
    }
    run.wholeDigits = static_cast<std::size_t>(p - start);
    run.whole = m;
    run.places = 0;
    if (allowPoint && p != end && *p == '.') {
        const char* const f = ++p;
        while (p != end && (d = digitValue(*p)) < 10) {
            m = m * 10 + d;
            ++p;
        }
        run.places = static_cast<std::size_t>(p - f);
    }
    run.mantissa = m;
    return p;
}

// The whole text as "-ddd.ddd" (optional minus and point, at least one digit
// before the point, at most 19 digits); false, with value untouched, for
// anything else. The value is then the one parseDouble gives.
inline bool parsePlainDecimal(std::string_view text, double& value) {
    const char* p = text.data();
    const char* const end = p + text.size();
    const bool negative = p != end && *p == '-';
    DecimalRun run;
    if (scanDecimal(p + negative, end, run) != end || run.wholeDigits == 0 || !run.exact())
        return false;
    value = negative ? -run.value() : run.value();
    return true;
}

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
