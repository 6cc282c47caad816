#include "core/map/c_number.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <locale.h>
#include <string>

namespace nuvrel {

namespace {

locale_t cLocale() {
    static const locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return loc;
}

} // namespace

double parseCDouble(std::string_view text) {
    const std::string s(text.substr(0, text.find('\0')));
    return strtod_l(s.c_str(), nullptr, cLocale());
}

std::int32_t parseCInt(std::string_view text) {
    const std::string s(text.substr(0, text.find('\0')));
    const long long v = strtoll_l(s.c_str(), nullptr, 10, cLocale());
    if (v > INT32_MAX)
        return INT32_MAX;
    if (v < INT32_MIN)
        return INT32_MIN;
    return static_cast<std::int32_t>(v);
}

} // namespace nuvrel
