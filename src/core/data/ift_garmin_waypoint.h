// The waypoint store: a flat array of waypoint records that grows only by
// appending one waypoint.
#pragma once

#include "core/data/records.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace nuvrel {

class IFTGarminWaypoint {
public:
    IFTGarminWaypoint() = default;
    explicit IFTGarminWaypoint(std::vector<WaypointRecord> records);

    // One row of the waypoint list's grid: the texts of columns 1 to 8
    // (Waypoint, Latitude, Longitude, Comment, Symbol, dspl, dst, height),
    // so row[0] is the name; the row-number column is not part of it. Cells
    // missing at the end of a short row count as empty.
    using GridRow = std::vector<std::string>;
    // Reads a typed latitude or longitude; 0 for text it cannot read.
    using AngleParser = std::function<double(std::string_view)>;
    // Rebuilds from the grid rows below the header row (pass those rows only:
    // one record per row, an empty row included). symbolCode turns a symbol
    // name into its code for the selected receiver; parseAngle reads the
    // position columns (a plain decimal number reader when none is given).
    // The new store is marked modified: it holds the user's edits. Throws
    // std::bad_alloc when memory runs out.
    static IFTGarminWaypoint fromGridRows(std::span<const GridRow> rows,
                                          const std::function<std::int16_t(std::string_view)>& symbolCode,
                                          const AngleParser& parseAngle = {});

    // Number parsers of the grid's cells, C-locale, surrounding blanks
    // allowed; false (and value untouched) for any other text.
    static bool parseDecimal(std::string_view text, double& value);
    static bool parseInteger(std::string_view text, long long& value);

    std::uint32_t count() const { return static_cast<std::uint32_t>(records_.size()); }
    int modified() const { return modified_; }
    void setModified(int m) { modified_ = m; }

    std::span<const WaypointRecord> records() const { return records_; }
    const WaypointRecord& record(std::size_t i) const { return records_[i]; }

    double latitude(std::size_t i) const { return records_[i].latitude; }
    double longitude(std::size_t i) const { return records_[i].longitude; }
    double altitude(std::size_t i) const { return records_[i].altitude; }
    double proximity(std::size_t i) const { return records_[i].proximity; }
    std::int16_t symbol(std::size_t i) const { return records_[i].symbol; }
    std::int16_t display(std::size_t i) const { return records_[i].display; }
    std::string ident(std::size_t i) const;
    std::string comment(std::size_t i) const;

    // Appends a waypoint (ident and comment cut to their fields without
    // splitting a character), altitude, proximity and symbol 0, display as
    // given (the display default). Marks the store modified, so a waypoint
    // placed on the map is not lost silently at exit.
    void append(std::string_view ident, double latitude, double longitude, std::string_view comment,
                std::int16_t display);

    double projectLatitude(std::size_t i, double origin, double scale) const {
        return (records_[i].latitude - origin) * scale;
    }
    double projectLongitude(std::size_t i, double origin, double scale) const {
        return (records_[i].longitude - origin) * scale;
    }

    std::uint64_t fileSize() const { return 4 + 116ull * records_.size(); }

private:
    friend class NativeFile;
    std::vector<WaypointRecord> records_;
    int modified_ = 0;
};

} // namespace nuvrel
