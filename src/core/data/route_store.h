// The route store: a numbered list of routes (index = route number), each a
// name and an ordered list of complete waypoint copies.
#pragma once

#include "core/data/records.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace nuvrel {

class CRouteField {
public:
    struct Route {
        std::string name; // at most 63 bytes
        std::vector<RouteEntry> entries;
    };

    // A store of n empty routes named "ROUTE-%02d" by index.
    explicit CRouteField(std::uint32_t n = 0);

    std::uint32_t RouteCount() const { return static_cast<std::uint32_t>(routes_.size()); }
    // Appends an empty route named by its index; returns the new count (0 on failure).
    std::uint32_t AddRoute();
    // Appends an entry (ident and comment cut to 23 and 63 bytes without
    // splitting a character); 1, or 0 when out of range.
    int AddRouteEntry(std::uint32_t route, std::string_view ident, double latitude, double longitude,
                      std::string_view comment, std::int16_t symbol, std::int16_t display, float proximity,
                      float altitude);
    int ClearRoute(std::uint32_t route);
    std::uint32_t EntryCount(std::uint32_t route) const;
    int SetRouteName(std::uint32_t route, std::string_view name);
    std::string GetRouteName(std::uint32_t route) const; // "" when out of range
    // Entry accessors give 0 (or "") when the route or the entry index is
    // out of range.
    std::string GetEntryIdent(std::uint32_t route, std::uint32_t entry) const;
    std::string GetEntryComment(std::uint32_t route, std::uint32_t entry) const;
    double GetEntryLatitude(std::uint32_t route, std::uint32_t entry) const;
    double GetEntryLongitude(std::uint32_t route, std::uint32_t entry) const;
    std::int16_t GetEntrySymbol(std::uint32_t route, std::uint32_t entry) const;
    std::int16_t GetEntryDisplay(std::uint32_t route, std::uint32_t entry) const;
    float GetEntryProximity(std::uint32_t route, std::uint32_t entry) const;
    float GetEntryAltitude(std::uint32_t route, std::uint32_t entry) const;

    std::span<const Route> routes() const { return routes_; }
    // Replaces every route (route download, native file load).
    void replaceAll(std::vector<Route> routes) { routes_ = std::move(routes); }

    static std::string defaultName(std::uint32_t index);

private:
    const RouteEntry* entryAt(std::uint32_t route, std::uint32_t entry) const;
    std::vector<Route> routes_;
};

} // namespace nuvrel
