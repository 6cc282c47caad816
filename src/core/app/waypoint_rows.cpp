#include "core/app/waypoint_rows.h"

#include "core/ift_str_token.h"
#include "core/geo/angle_text.h"
#include "core/gps/gps_model.h"

#include <charconv>
#include <cmath>
#include <utility>

namespace nuvrel {

namespace {

const std::string kEmpty;

bool validColumn(int column) { return column >= 0 && column < WaypointRows::kColumns; }

} // namespace

WaypointRows::WaypointRows() : rows_(1, Row(kColumns)) {}

WaypointRows::WaypointRows(const IFTGarminWaypoint* store, SymbolModel model) {
    if (store && store->count() > 0) {
        rows_.reserve(store->count());
        for (std::size_t i = 0; i < store->count(); ++i)
            rows_.push_back(rowTexts(*store, i, model));
    } else {
        rows_.assign(1, Row(kColumns));
    }
}

std::string WaypointRows::numberText(float value) {
    char buffer[64];
    const float magnitude = std::fabs(value);
    const bool plain = value == 0 || std::isnan(value) || std::isinf(value) ||
                       (magnitude >= 1e-4f && magnitude < 1e15f);
    const auto result = plain ? std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed)
                              : std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    return std::string(buffer, result.ptr);
}

WaypointRows::Row WaypointRows::rowTexts(const IFTGarminWaypoint& store, std::size_t i, SymbolModel model) {
    const WaypointRecord& w = store.record(i);
    Row row;
    row.reserve(kColumns);
    row.push_back(store.ident(i));
    row.push_back(formatDMS(roundMicro(w.latitude)));
    row.push_back(formatDMS(roundMicro(w.longitude)));
    row.push_back(store.comment(i));
    row.push_back(GPSModel::SymbolName(model.productId, model.softwareVersion, w.symbol));
    row.push_back(std::to_string(w.display));
    row.push_back(numberText(w.proximity));
    row.push_back(numberText(w.altitude));
    return row;
}

const std::string& WaypointRows::cell(std::size_t r, int column) const {
    if (r >= rows_.size() || !validColumn(column))
        return kEmpty;
    const Row& row = rows_[r];
    return static_cast<std::size_t>(column) < row.size() ? row[static_cast<std::size_t>(column)] : kEmpty;
}

void WaypointRows::setCell(std::size_t r, int column, std::string text) {
    if (r >= rows_.size() || !validColumn(column))
        return;
    Row& row = rows_[r];
    if (row.size() < kColumns)
        row.resize(kColumns);
    row[static_cast<std::size_t>(column)] = std::move(text);
}

std::size_t WaypointRows::addRow() {
    rows_.emplace_back(kColumns);
    return rows_.size() - 1;
}

bool WaypointRows::removeRows(std::size_t first, std::size_t last) {
    if (first > last || first >= rows_.size())
        return false;
    if (last >= rows_.size())
        last = rows_.size() - 1;
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(first), rows_.begin() + static_cast<std::ptrdiff_t>(last) + 1);
    if (rows_.empty())
        rows_.emplace_back(kColumns);
    return true;
}

std::string WaypointRows::copyText(std::size_t first, std::size_t last) const {
    std::string text;
    if (rows_.empty() || first > last || first >= rows_.size())
        return text;
    if (last >= rows_.size())
        last = rows_.size() - 1;
    for (std::size_t r = first; r <= last; ++r) {
        for (int c = 0; c < kColumns; ++c) {
            if (c > 0)
                text += '\t';
            text += cell(r, c);
        }
        text += '\n';
    }
    return text;
}

std::vector<WaypointRows::Row> WaypointRows::parseClipboardText(std::string_view text) {
    std::vector<Row> rows;
    IFStrToken lines(text, "\n");
    for (const char* l = lines.firstToken(); l; l = lines.nextToken()) {
        std::string_view line = lines.token();
        // Text from programs that end lines with CR LF: the CR belongs to
        // no field.
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        Row row(kColumns);
        IFStrToken fields(line, "\t,");
        std::size_t c = 0;
        for (const char* f = fields.firstToken(); f && c < kColumns; f = fields.nextToken())
            row[c++] = std::string(fields.token());
        rows.push_back(std::move(row));
    }
    return rows;
}

std::size_t WaypointRows::paste(std::string_view text) {
    std::vector<Row> pasted = parseClipboardText(text);
    if (pasted.empty())
        return rows_.size();
    std::size_t first = rows_.size();
    if (!rows_.empty() && cell(rows_.size() - 1, 0).empty())
        first = rows_.size() - 1;
    rows_.resize(first);
    rows_.reserve(first + pasted.size());
    for (Row& row : pasted)
        rows_.push_back(std::move(row));
    return first;
}

IFTGarminWaypoint WaypointRows::toStore(SymbolModel model) const {
    return IFTGarminWaypoint::fromGridRows(
        rows_,
        [model](std::string_view name) {
            return static_cast<std::int16_t>(
                GPSModel::SymbolCode(model.productId, model.softwareVersion, std::string(name)));
        },
        [](std::string_view text) { return parseAngle(text); });
}

} // namespace nuvrel
