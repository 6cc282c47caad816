#include "core/app/route_grid.h"

#include "core/c_number.h"
#include "core/codepage.h"
#include "core/data/ift_garmin_waypoint.h"
#include "core/geo/angle_text.h"
#include "core/gps/gps_model.h"

#include <algorithm>
#include <cstring>

namespace nuvrel {

namespace {

constexpr const char* kHeaders[RouteGrid::kColumns] = {"",       "Waypoint", "Latitude", "Longitude", "Comment",
                                                       "Symbol", "dspl",     "dst",      "height"};
constexpr int kWidths[RouteGrid::kColumns] = {40, 70, 90, 90, 120, 136, 40, 40, 80};

constexpr std::size_t kTypedNameLimit = 63;
constexpr std::size_t kNewFormatNameLength = 10;
constexpr std::size_t kNameLength = 6;
constexpr std::size_t kCommentLength = 40;

RouteGrid::Row headerRow() {
    RouteGrid::Row row;
    for (std::size_t c = 0; c < RouteGrid::kColumns; ++c)
        row[c] = kHeaders[c];
    return row;
}

void emptyEntryColumns(RouteGrid::Row& row) {
    for (std::size_t c = 1; c < RouteGrid::kColumns; ++c)
        row[c].clear();
}

std::string_view cut(std::string_view text, std::size_t maxBytes) { return text.substr(0, fitLength(text, maxBytes)); }

float decimalCell(const std::string& text) {
    double value = 0;
    return IFTGarminWaypoint::parseDecimal(text, value) ? toFloat(value) : 0.0f;
}

} // namespace

const char* RouteGrid::header(std::size_t column) { return column < kColumns ? kHeaders[column] : ""; }

int RouteGrid::columnWidth(std::size_t column) { return column < kColumns ? kWidths[column] : 0; }

int RouteGrid::totalWidth() {
    int total = 0;
    for (int w : kWidths)
        total += w;
    return total;
}

RouteGrid::RouteGrid() : rows_{headerRow(), Row{}} { renumber(); }

void RouteGrid::setEntryRows(std::vector<Row> rows) {
    rows_.assign(1, headerRow());
    if (rows.empty())
        rows.emplace_back();
    rows_.insert(rows_.end(), std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
    renumber();
}

void RouteGrid::addRow() {
    rows_.emplace_back();
    renumber();
}

std::size_t RouteGrid::insertRow(std::size_t current) {
    const std::size_t p = std::clamp<std::size_t>(current + 1, 2, rows_.size());
    rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(p), Row{});
    renumber();
    return p;
}

bool RouteGrid::deleteRow(std::size_t current) {
    if (current < 1 || current >= rows_.size())
        return false;
    if (rows_.size() == 2)
        emptyEntryColumns(rows_[1]);
    else
        rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(current));
    renumber();
    return true;
}

void RouteGrid::renumber() {
    for (std::size_t r = 1; r < rows_.size(); ++r)
        rows_[r][No] = std::to_string(r);
}

bool RouteGrid::isBlank(const Row& row) {
    for (std::size_t c = 1; c < kColumns; ++c)
        if (row[c].find_first_not_of(" \t") != std::string::npos)
            return false;
    return true;
}

bool RouteGrid::sameEntry(const Row& a, const Row& b) { return std::equal(a.begin() + 1, a.end(), b.begin() + 1); }

RouteGrid::Row RouteEntryRow(const RouteEntry& e, const SymbolModel& receiver) {
    RouteGrid::Row row;
    row[RouteGrid::Ident] = fieldText(e.ident, sizeof e.ident);
    row[RouteGrid::Latitude] = formatDMS(roundMicro(e.latitude));
    row[RouteGrid::Longitude] = formatDMS(roundMicro(e.longitude));
    row[RouteGrid::Comment] = fieldText(e.comment, sizeof e.comment);
    row[RouteGrid::Symbol] = GPSModel::SymbolName(receiver.productId, receiver.softwareVersion, e.symbol);
    row[RouteGrid::Display] = std::to_string(e.display);
    row[RouteGrid::Proximity] = WaypointRows::numberText(e.proximity);
    row[RouteGrid::Altitude] = WaypointRows::numberText(e.altitude);
    return row;
}

RouteGrid::Row WaypointRow(const IFTGarminWaypoint& waypoints, std::size_t i, const SymbolModel& receiver) {
    // The waypoint list's texts, after the row-number column.
    WaypointRows::Row texts = WaypointRows::rowTexts(waypoints, i, receiver);
    RouteGrid::Row row;
    for (std::size_t c = 1; c < RouteGrid::kColumns && c - 1 < texts.size(); ++c)
        row[c] = std::move(texts[c - 1]);
    return row;
}

RouteEntry RouteEntryFromRow(const RouteGrid::Row& row, const SymbolModel& receiver) {
    RouteEntry e;
    std::memset(&e, 0, sizeof e);
    const std::size_t nameLength =
        GPSModel::UsesNewFormats(receiver.productId) ? kNewFormatNameLength : kNameLength;
    copyToField(e.ident, sizeof e.ident, cut(cut(row[RouteGrid::Ident], kTypedNameLimit), nameLength));
    copyToField(e.comment, sizeof e.comment, cut(row[RouteGrid::Comment], kCommentLength));
    e.latitude = parseAngle(row[RouteGrid::Latitude]);
    e.longitude = parseAngle(row[RouteGrid::Longitude]);
    e.symbol = static_cast<std::int16_t>(
        GPSModel::SymbolCode(receiver.productId, receiver.softwareVersion, row[RouteGrid::Symbol]));
    long long display = 0;
    if (IFTGarminWaypoint::parseInteger(row[RouteGrid::Display], display))
        e.display = static_cast<std::int16_t>(static_cast<std::uint16_t>(display));
    e.proximity = decimalCell(row[RouteGrid::Proximity]);
    e.altitude = decimalCell(row[RouteGrid::Altitude]);
    return e;
}

} // namespace nuvrel
