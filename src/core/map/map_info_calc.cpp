#include "core/map/map_info_calc.h"

#include "core/c_number.h"
#include "core/geo/angle_text.h"
#include "core/text_helpers.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>

namespace nuvrel {

double DmsTextToDegrees(std::string_view text) {
    double sum = 0;
    double divisor = 1;
    int separators = 0;
    std::size_t fieldStart = 0;
    for (std::size_t i = 0; i <= text.size() && separators < 9; ++i) {
        const bool end = i == text.size();
        const char c = end ? '\0' : text[i];
        if (!end && ((c >= '0' && c <= '9') || c == '.'))
            continue;
        sum += parseDouble(text.substr(fieldStart, i - fieldStart)) / divisor;
        divisor *= 60;
        ++separators;
        // "°", "′" and "″" are one separator each, whatever their bytes.
        const std::size_t length = end ? 1 : separatorLength(text, i);
        fieldStart = i + length;
        i += length - 1;
    }
    return sum;
}

std::string formatGeneral15(double value) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", value);
    return buf;
}

namespace {

locale_t cLocale() {
    static const locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return loc;
}

} // namespace

std::optional<double> textToFloat(std::string_view text) {
    const std::string s(TrimBlanks(text));
    if (s.empty() || s.find_first_not_of("0123456789.+-eE") != std::string::npos)
        return std::nullopt;
    char* end = nullptr;
    const double v = strtod_l(s.c_str(), &end, cLocale());
    if (end != s.c_str() + s.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<int> textToInt(std::string_view text) {
    const std::string s(TrimBlanks(text));
    if (s.empty() || s.find_first_not_of("0123456789+-") != std::string::npos)
        return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(s.c_str(), &end, 10);
    if (end != s.c_str() + s.size() || errno == ERANGE || v > 2147483647LL || v < -2147483648LL)
        return std::nullopt;
    return static_cast<int>(v);
}

std::string notAFloatMessage(std::string_view text) {
    return "'" + std::string(text) + "' is not a valid floating point value";
}

std::string notAnIntegerMessage(std::string_view text) {
    return "'" + std::string(text) + "' is not a valid integer value";
}

MapCorners CalculateMapCorners(int scale, double width, double height, double latitude, double longitude) {
    const double halfLat = height * 8.66738894907909e-05 * 0.5 * scale * 0.00004;
    const double halfLon = width * 9.755422771244408e-05 * 0.5 * scale * 0.00004;
    return {latitude + halfLat, latitude - halfLat, longitude - halfLon, longitude + halfLon};
}

} // namespace nuvrel
