#include "core/formats/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace nuvrel {

namespace {

// Lays out sign and digits in the field as printf does.
void place(std::string& out, const char* text, std::size_t length, NumberField field) {
    char sign = '\0';
    if (length > 0 && text[0] == '-') {
        sign = '-';
        ++text;
        --length;
    } else if (field.plus) {
        sign = '+';
    }
    const std::size_t used = length + (sign ? 1 : 0);
    const std::size_t pad = field.width > 0 && static_cast<std::size_t>(field.width) > used
                                ? static_cast<std::size_t>(field.width) - used
                                : 0;
    if (!field.zeroPad)
        out.append(pad, ' ');
    if (sign)
        out += sign;
    if (field.zeroPad)
        out.append(pad, '0');
    out.append(text, length);
}

} // namespace

void appendFixed(std::string& out, double value, int precision, NumberField field) {
    char buf[400];
    if (!std::isfinite(value)) {
        // inf and nan: printf's own spelling, blank-padded.
        const char* fmt = field.plus ? "%+*.*f" : "%*.*f";
        const int n = std::snprintf(buf, sizeof buf, fmt, field.width, precision, value);
        out.append(buf, static_cast<std::size_t>(n));
        return;
    }
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, precision);
    place(out, buf, static_cast<std::size_t>(r.ptr - buf), field);
}

void appendInteger(std::string& out, std::int64_t value, NumberField field) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    place(out, buf, static_cast<std::size_t>(r.ptr - buf), field);
}

} // namespace nuvrel
