// Number fields as printf writes them ("%+010.7f", "%05d", ...), appended to
// a string without the cost of a format-string interpreter. The digits come
// from std::to_chars, which rounds exactly as printf does.
#pragma once

#include <cstdint>
#include <string>

namespace nuvrel {

struct NumberField {
    int width = 0;        // minimum width
    bool plus = false;    // "+" flag: a sign on positive numbers too
    bool zeroPad = false; // "0" flag: zeros between the sign and the digits
};

// "%<flags><width>.<precision>f"
void appendFixed(std::string& out, double value, int precision, NumberField field = {});
// "%<flags><width>d" (and "%ld")
void appendInteger(std::string& out, std::int64_t value, NumberField field = {});

} // namespace nuvrel
