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

    // One row of the waypoint list's grid (columns 1 to 8: Waypoint,
    // Latitude, Longitude, Comment, Symbol, dspl, dst, height).
    using GridRow = std::vector<std::string>;
    // Rebuilds from the grid rows below the header row. symbolCode turns a
    // symbol name into its code for the selected receiver.
    static IFTGarminWaypoint fromGridRows(std::span<const GridRow> rows,
                                          const std::function<std::int16_t(std::string_view)>& symbolCode);

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

    // Appends a waypoint (ident and comment cut to their fields), altitude,
    // proximity and symbol 0, display as given (the display default).
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
