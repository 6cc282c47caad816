#include "core/formats/gpx_symbols.h"

#include "core/gps/gps_model.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace nuvrel {

namespace {

bool sameNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

GpxSymbols::GpxSymbols(std::int32_t productId, std::int32_t softwareVersion) {
    const WaypointFormat format = GPSModel::WaypointFormatFor(productId, softwareVersion);
    for (const GPSModel::Symbol& s : GPSModel::Symbols(format))
        entries_.push_back({s.code, s.name});
    // What the receiver's own lookup gives for a name it does not know.
    fallback_ = static_cast<std::int16_t>(GPSModel::SymbolCode(productId, softwareVersion, std::string()));
}

std::string GpxSymbols::name(int code) const {
    for (const Entry& e : entries_)
        if (e.code == code)
            return e.name;
    return entries_.empty() && code == 0 ? std::string() : std::to_string(code);
}

std::int16_t GpxSymbols::code(std::string_view text) const {
    for (const Entry& e : entries_)
        if (e.name == text)
            return static_cast<std::int16_t>(e.code);
    for (const Entry& e : entries_)
        if (sameNoCase(e.name, text))
            return static_cast<std::int16_t>(e.code);
    int number = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (ec == std::errc() && end == text.data() + text.size() && number >= INT16_MIN && number <= INT16_MAX)
        return static_cast<std::int16_t>(number);
    return fallback_;
}

} // namespace nuvrel
