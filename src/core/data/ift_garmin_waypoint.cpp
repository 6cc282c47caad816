#include "core/data/ift_garmin_waypoint.h"

#include "core/codepage.h"

#include <charconv>
#include <cstring>
#include <utility>

namespace nuvrel {

namespace {

std::string_view trimBlanks(std::string_view t) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!t.empty() && blank(t.front()))
        t.remove_prefix(1);
    while (!t.empty() && blank(t.back()))
        t.remove_suffix(1);
    return t;
}

// A leading '+' is accepted like the C library does; from_chars does not.
std::string_view dropPlus(std::string_view t) {
    if (t.size() > 1 && t.front() == '+' && t[1] != '-' && t[1] != '+')
        t.remove_prefix(1);
    return t;
}

std::string_view cell(const IFTGarminWaypoint::GridRow& row, std::size_t column) {
    // column is 1-based like the grid's; row[0] holds column 1.
    return column - 1 < row.size() ? std::string_view(row[column - 1]) : std::string_view();
}

} // namespace

IFTGarminWaypoint::IFTGarminWaypoint(std::vector<WaypointRecord> records) : records_(std::move(records)) {}

bool IFTGarminWaypoint::parseDecimal(std::string_view text, double& value) {
    text = dropPlus(trimBlanks(text));
    if (text.empty())
        return false;
    double v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size())
        return false;
    value = v;
    return true;
}

bool IFTGarminWaypoint::parseInteger(std::string_view text, long long& value) {
    text = dropPlus(trimBlanks(text));
    if (text.empty())
        return false;
    long long v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size())
        return false;
    value = v;
    return true;
}

IFTGarminWaypoint IFTGarminWaypoint::fromGridRows(std::span<const GridRow> rows,
                                                  const std::function<std::int16_t(std::string_view)>& symbolCode,
                                                  const AngleParser& parseAngle) {
    auto angle = [&](std::string_view text) {
        if (parseAngle)
            return parseAngle(text);
        double v = 0;
        return parseDecimal(text, v) ? v : 0.0;
    };
    std::vector<WaypointRecord> records(rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const GridRow& row = rows[r];
        WaypointRecord& w = records[r];
        std::memset(&w, 0, sizeof w);
        copyToField(w.ident, sizeof w.ident, cell(row, 1));
        copyToField(w.comment, sizeof w.comment, cell(row, 4));
        w.latitude = angle(cell(row, 2));
        w.longitude = angle(cell(row, 3));
        w.symbol = symbolCode ? symbolCode(cell(row, 5)) : std::int16_t{0};
        long long display = 0;
        w.display = parseInteger(cell(row, 6), display) ? static_cast<std::int16_t>(display & 0xFF) : 0;
        double number = 0;
        w.proximity = parseDecimal(cell(row, 7), number) ? static_cast<float>(number) : 0.0f;
        number = 0;
        w.altitude = parseDecimal(cell(row, 8), number) ? static_cast<float>(number) : 0.0f;
    }
    IFTGarminWaypoint store(std::move(records));
    store.modified_ = 1;
    return store;
}

std::string IFTGarminWaypoint::ident(std::size_t i) const {
    return fieldText(records_[i].ident, sizeof records_[i].ident);
}

std::string IFTGarminWaypoint::comment(std::size_t i) const {
    return fieldText(records_[i].comment, sizeof records_[i].comment);
}

void IFTGarminWaypoint::append(std::string_view ident, double latitude, double longitude, std::string_view comment,
                               std::int16_t display) {
    WaypointRecord w;
    std::memset(&w, 0, sizeof w);
    w.latitude = latitude;
    w.longitude = longitude;
    w.display = display;
    copyToField(w.ident, sizeof w.ident, ident);
    copyToField(w.comment, sizeof w.comment, comment);
    records_.push_back(w); // strong guarantee: unchanged when memory runs out
    modified_ = 1;
}

} // namespace nuvrel
