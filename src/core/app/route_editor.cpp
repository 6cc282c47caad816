#include "core/app/route_editor.h"

#include "core/ift_option.h"
#include "core/codepage.h"
#include "core/data/ift_garmin_waypoint.h"
#include "core/errors.h"

namespace nuvrel {

namespace {

int addEntry(CRouteField& routes, std::uint32_t route, const RouteEntry& e) {
    return routes.AddRouteEntry(route, fieldText(e.ident, sizeof e.ident), e.latitude, e.longitude,
                                fieldText(e.comment, sizeof e.comment), e.symbol, e.display, e.proximity,
                                e.altitude);
}

} // namespace

RouteEditor::RouteEditor(CRouteField& routes, const IFTOption& option) : routes_(routes), option_(option) {}

SymbolModel RouteEditor::receiver() const { return {option_.GPSModelID(), option_.GPSSoftwareVersion()}; }

void RouteEditor::LoadRouteIntoGrid(std::uint32_t r) {
    const SymbolModel rx = receiver();
    const std::uint32_t n = routes_.EntryCount(r);
    name_ = routes_.GetRouteName(r);
    kept_.clear();
    std::vector<RouteGrid::Row> rows;
    rows.reserve(n);
    for (std::uint32_t i = 0; i < n; ++i) {
        const RouteEntry& e = routes_.routes()[r].entries[i];
        rows.push_back(RouteEntryRow(e, rx));
        kept_.push_back({rows.back(), e});
    }
    grid_.setEntryRows(std::move(rows));
    remember();
}

void RouteEditor::remember() {
    savedGrid_ = grid_;
    savedName_ = name_;
}

bool RouteEditor::SaveGridToRoute() {
    if (grid_ == savedGrid_ && name_ == savedName_)
        return false;
    EnsureRoute(routes_, current_);
    if (current_ >= routes_.RouteCount())
        return false;
    const SymbolModel rx = receiver();
    std::vector<Kept> written;
    for (std::size_t r = 1; r < grid_.rowCount(); ++r) {
        const RouteGrid::Row& row = grid_.row(r);
        if (RouteGrid::isBlank(row))
            continue;
        const Kept* same = nullptr;
        for (const Kept& k : kept_)
            if (RouteGrid::sameEntry(k.row, row)) {
                same = &k;
                break;
            }
        written.push_back({row, same ? same->entry : RouteEntryFromRow(row, rx)});
    }
    routes_.ClearRoute(current_);
    routes_.SetRouteName(current_, name_);
    for (const Kept& k : written)
        addEntry(routes_, current_, k.entry);
    kept_ = std::move(written);
    remember();
    return true;
}

void RouteEditor::PrepareShow() {
    EnsureRoute(routes_, 0);
    if (current_ >= routes_.RouteCount())
        current_ = routes_.RouteCount() - 1;
    LoadRouteIntoGrid(current_);
}

bool RouteEditor::ChangeRoute(std::string_view numberText, bool saveFirst) {
    if (saveFirst)
        SaveGridToRoute();
    if (routes_.RouteCount() == 0)
        return false;
    const auto number = ParseRouteNumber(numberText, routes_.RouteCount() - 1);
    if (!number)
        return false;
    current_ = *number;
    LoadRouteIntoGrid(current_);
    return true;
}

bool RouteEditor::FillRowFromWaypoint(std::size_t row, const IFTGarminWaypoint& waypoints, std::string_view ident) {
    if (row < 1 || row >= grid_.rowCount())
        return false;
    for (std::size_t i = 0; i < waypoints.count(); ++i) {
        if (waypoints.ident(i) != ident)
            continue;
        RouteGrid::Row filled = WaypointRow(waypoints, i, receiver());
        for (std::size_t c = 1; c < RouteGrid::kColumns; ++c)
            grid_.setCell(row, c, std::move(filled[c]));
        return true;
    }
    return false;
}

std::optional<std::uint32_t> ParseRouteNumber(std::string_view text, std::uint32_t maximum) {
    long long value = 0;
    if (!IFTGarminWaypoint::parseInteger(text, value) || value < 0 || value > static_cast<long long>(maximum))
        return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

std::optional<std::uint32_t> CompleteRouteNumber(std::string_view text, std::uint32_t maximum) {
    const auto number = ParseRouteNumber(text, maximum);
    if (!number || (*number != 0 && std::uint64_t{*number} * 10 <= maximum))
        return std::nullopt;
    return number;
}

std::string RouteNumberRange(std::uint32_t maximum) {
    return "The route number must be a whole number from 0 to " + std::to_string(maximum) + ".";
}

void EnsureRoute(CRouteField& routes, std::uint32_t n) {
    while (routes.RouteCount() <= n)
        if (routes.AddRoute() == 0)
            return;
}

int AddRouteWaypoint(CRouteField& routes, std::uint32_t route, std::string_view ident, double latitude,
                     double longitude, std::string_view comment) {
    EnsureRoute(routes, route);
    return routes.AddRouteEntry(route, ident, latitude, longitude, comment, 0, 0, 0.0f, 0.0f);
}

int UploadRouteCommand(const CRouteField& routes, std::uint32_t index, std::uint8_t number,
                       const GpsCommandServices& services) {
    if (routes.EntryCount(index) == 0) {
        services.prompts.beep();
        services.prompts.showMessage("NUVREL", "Route " + std::to_string(index) +
                                                   " has no waypoints to upload: add at least one first.");
        return 0;
    }
    if (!RunModelCheck(services.ports, services.option, services.prompts) ||
        !ConfirmRouteNames(routes, index, index, services))
        return 0;
    switch (UploadRouteTransfer(routes, index, number, services)) {
    case RouteUploadResult::Sent: return 1;
    case RouteUploadResult::Empty: services.prompts.beep(); return 0;
    case RouteUploadResult::PortFailed: ShowError(services.prompts, kErrCantOpenSerialPort); return 0;
    case RouteUploadResult::Failed: ShowNoResponse(services.prompts, services.ports, services.option.CommPort()); return 0;
    case RouteUploadResult::Cancelled: return 0;
    }
    return 0;
}

} // namespace nuvrel
