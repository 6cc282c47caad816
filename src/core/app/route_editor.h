// The route editor without its window: which route is shown, its table and
// name as the user edits them, and the writing back into the route store.
// Also the route commands of the GPS menu that need no window: route
// creation mode's store steps and the upload of one route under a number.
#pragma once

#include "core/app/gps_commands.h"
#include "core/app/route_grid.h"
#include "core/data/route_store.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nuvrel {

class IFTOption;
class IFTGarminWaypoint;

class RouteEditor {
public:
    // The store and the settings are the main window's; both outlive the editor.
    RouteEditor(CRouteField& routes, const IFTOption& option);

    std::uint32_t currentRoute() const { return current_; }
    RouteGrid& grid() { return grid_; }
    const RouteGrid& grid() const { return grid_; }
    const std::string& name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }
    SymbolModel receiver() const;

    // Shows route r: its name and one row per entry (one empty row for a
    // route without entries or beyond the store).
    void LoadRouteIntoGrid(std::uint32_t r);
    // Writes the table back into the route shown. Nothing is written while
    // the table and the name are as they were loaded (or last saved), so
    // looking at a route never changes it; rows left as loaded keep their
    // entries exactly, blank rows are left out, and a table of blank rows
    // empties the route. True when the route was rewritten.
    bool SaveGridToRoute();
    // Before the window shows: the route shown is kept within the store (a
    // download or a loaded file may have replaced it) and loaded afresh.
    void PrepareShow();
    // The route number text changed: when `saveFirst`, the table is saved
    // into the route it showed; a whole number naming a route of the store
    // is then loaded. False (the route shown unchanged) for any other text.
    bool ChangeRoute(std::string_view numberText, bool saveFirst);
    // Fills entry row `row` from the first waypoint named `ident`; false when
    // there is none.
    bool FillRowFromWaypoint(std::size_t row, const IFTGarminWaypoint& waypoints, std::string_view ident);

private:
    struct Kept {
        RouteGrid::Row row;
        RouteEntry entry;
    };
    void remember();

    CRouteField& routes_;
    const IFTOption& option_;
    std::uint32_t current_ = 0;
    RouteGrid grid_;
    std::string name_ = "ROUTE00";
    // What was loaded or saved last: the table, the name and each row's entry.
    RouteGrid savedGrid_;
    std::string savedName_ = "ROUTE00";
    std::vector<Kept> kept_;
};

// A whole number (surrounding blanks allowed) from 0 to maximum.
std::optional<std::uint32_t> ParseRouteNumber(std::string_view text, std::uint32_t maximum);
// A number being typed that no further digit can turn into another route
// number: valid, and 0 or more than a tenth of the maximum ("2" of 0..15, not
// "1", which may become "12"). Empty while the number may still grow.
std::optional<std::uint32_t> CompleteRouteNumber(std::string_view text, std::uint32_t maximum);
// What a route number may be: "... a whole number from 0 to 100."
std::string RouteNumberRange(std::uint32_t maximum);

// Appends default-named routes until route n exists.
void EnsureRoute(CRouteField& routes, std::uint32_t n);

// Route creation mode, after a waypoint was placed on the map: the waypoint
// becomes the last entry of route `route` (created when missing), with
// symbol, display, distance and height 0. 1, or 0 when out of memory.
int AddRouteWaypoint(CRouteField& routes, std::uint32_t route, std::string_view ident, double latitude,
                     double longitude, std::string_view comment);

// The editor's "Upload": the model check, then route `index` under route
// number `number` in a transfer of its own. A route without entries sends
// nothing and beeps; a port that cannot be opened shows error 1, a transfer
// that fails error 2. 1 when the route was sent.
int UploadRouteCommand(const CRouteField& routes, std::uint32_t index, std::uint8_t number,
                       const GpsCommandServices& services);

} // namespace nuvrel
