// The route editor's table without the window: a header row and one row per
// route entry, nine columns of text (row number, Waypoint, Latitude,
// Longitude, Comment, Symbol, dspl, dst, height), the row operations of the
// editor's buttons, and the conversions between rows and route entries.
// Texts are bytes in the program's code page.
#pragma once

#include "core/app/waypoint_rows.h"
#include "core/data/records.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nuvrel {

class IFTGarminWaypoint;

class RouteGrid {
public:
    static constexpr std::size_t kColumns = 9;
    enum Column : std::size_t { No, Ident, Latitude, Longitude, Comment, Symbol, Display, Proximity, Altitude };
    using Row = std::array<std::string, kColumns>;

    // The header texts of row 0 and the column widths in pixels.
    static const char* header(std::size_t column);
    static int columnWidth(std::size_t column);
    static int totalWidth();

    // The header row and one empty entry row numbered 1.
    RouteGrid();

    // Rows including the header row (always at least 2).
    std::size_t rowCount() const { return rows_.size(); }
    const Row& row(std::size_t r) const { return rows_[r]; }
    const std::string& cell(std::size_t r, std::size_t c) const { return rows_[r][c]; }
    void setCell(std::size_t r, std::size_t c, std::string text) { rows_[r][c] = std::move(text); }
    // Entry rows as given (column 0 is renumbered); an empty list leaves one
    // empty row.
    void setEntryRows(std::vector<Row> rows);

    // "Add": one empty row at the end.
    void addRow();
    // "Insert": an empty row below row `current` (never above row 2); returns
    // its index.
    std::size_t insertRow(std::size_t current);
    // "Delete": removes row `current`; the only entry row is emptied instead,
    // as the table always keeps one. Returns false (nothing changed) for a
    // row that does not exist.
    bool deleteRow(std::size_t current);
    // Column 0 of the entry rows: 1, 2, ...
    void renumber();

    // A row whose columns 1 to 8 hold nothing but blanks.
    static bool isBlank(const Row& row);
    // Columns 1 to 8 of two rows are the same.
    static bool sameEntry(const Row& a, const Row& b);

    bool operator==(const RouteGrid& other) const = default;

private:
    std::vector<Row> rows_;
};

// Columns 1 to 8 of a route entry's row (column 0 empty), as the waypoint
// list shows a waypoint: the name, the position in the degree-minute-second
// form, the comment, the symbol's name for the receiver (the receiver's
// product ID decides the name length too), the display option and the two
// decimal numbers.
RouteGrid::Row RouteEntryRow(const RouteEntry& entry, const SymbolModel& receiver);
// The same for waypoint i of the store.
RouteGrid::Row WaypointRow(const IFTGarminWaypoint& waypoints, std::size_t i, const SymbolModel& receiver);
// The entry a row stands for: the name cut to what the receiver holds (10
// characters for new-format receivers, 6 for the others), the comment to 40
// characters, the symbol by name; a display that is not a whole number, and
// a distance or height that is not a number, read as 0.
RouteEntry RouteEntryFromRow(const RouteGrid::Row& row, const SymbolModel& receiver);

} // namespace nuvrel
