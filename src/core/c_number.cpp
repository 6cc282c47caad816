#include "core/c_number.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace nuvrel {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }


// The general case: from_chars reads what strtod reads (bar hexadecimal).
double slowDouble(const char* p, const char* end, bool negative) {
    // from_chars would take a second sign ("--5"), which atof does not.
    if (p != end && *p == '-')
        return 0;
    double value = 0;
    const auto r = std::from_chars(p, end, value, std::chars_format::general);
    if (r.ec != std::errc() || !std::isfinite(value))
        return 0;
    return negative ? -value : value;
}

} // namespace

double parseDouble(std::string_view text) {
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p != end && isBlank(*p))
        ++p;
    bool negative = false;
    if (p != end && (*p == '-' || *p == '+')) {
        negative = *p == '-';
        ++p;
    }
    // Fast path: at most 19 digits with an optional point and no exponent.
    const char* const start = p;
    DecimalRun run;
    p = scanDecimal(p, end, run);
    // ".", "inf", "nan", exponents, long or large numbers: from_chars decides.
    if (run.digits() == 0 || !run.exact() || (p != end && (*p == 'e' || *p == 'E')))
        return slowDouble(start, end, negative);
    const double value = run.value();
    return negative ? -value : value;
}

std::int64_t parseLong(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    constexpr std::uint64_t kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    std::uint64_t value = 0;
    bool overflow = false;
    // Eighteen digits cannot overflow: they need no checks.
    for (const std::size_t plain = std::min(text.size(), i + 18); i < plain && isDigit(text[i]); ++i)
        value = value * 10 + static_cast<unsigned>(text[i] - '0');
    for (; i < text.size() && isDigit(text[i]); ++i) {
        const unsigned d = static_cast<unsigned>(text[i] - '0');
        if (value > (kMax + 1 - d) / 10)
            overflow = true;
        else
            value = value * 10 + d;
    }
    if (overflow || value > kMax + (negative ? 1 : 0))
        return negative ? std::numeric_limits<std::int64_t>::min() : std::numeric_limits<std::int64_t>::max();
    return negative ? static_cast<std::int64_t>(0 - value) : static_cast<std::int64_t>(value);
}

std::int32_t parseInt32(std::string_view text) {
    const std::int64_t v = parseLong(text);
    if (v > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    if (v < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(v);
}

int parseDigits(std::string_view text, std::size_t pos, std::size_t count) {
    if (pos >= text.size())
        return 0;
    // The usual case, count plain digits, without the general reading.
    if (count <= 9 && text.size() - pos >= count) {
        int value = 0;
        std::size_t i = 0;
        for (; i < count && isDigit(text[pos + i]); ++i)
            value = value * 10 + (text[pos + i] - '0');
        if (i == count)
            return value;
    }
    return static_cast<int>(parseLong(text.substr(pos, count)));
}

int truncateToInt(double value) {
    if (!(value == value))
        return 0;
    if (value >= 2147483647.0)
        return std::numeric_limits<int>::max();
    if (value <= -2147483648.0)
        return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

} // namespace nuvrel
