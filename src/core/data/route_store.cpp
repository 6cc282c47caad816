#include "core/data/route_store.h"

#include "core/codepage.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace nuvrel {

namespace {

std::string cutName(std::string_view name) {
    const auto nul = name.find('\0');
    if (nul != std::string_view::npos)
        name = name.substr(0, nul);
    return std::string(name.substr(0, fitLength(name, kRouteNameSize - 1)));
}

} // namespace

std::string CRouteField::defaultName(std::uint32_t index) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "ROUTE-%02u", static_cast<unsigned>(index));
    return buf;
}

CRouteField::CRouteField(std::uint32_t n) {
    routes_.resize(n);
    for (std::uint32_t i = 0; i < n; ++i)
        routes_[i].name = defaultName(i);
}

std::uint32_t CRouteField::AddRoute() {
    try {
        const auto index = static_cast<std::uint32_t>(routes_.size());
        routes_.push_back(Route{defaultName(index), {}});
        return index + 1;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

int CRouteField::AddRouteEntry(std::uint32_t route, std::string_view ident, double latitude, double longitude,
                               std::string_view comment, std::int16_t symbol, std::int16_t display, float proximity,
                               float altitude) {
    if (route >= routes_.size())
        return 0;
    RouteEntry e;
    std::memset(&e, 0, sizeof e);
    e.latitude = latitude;
    e.longitude = longitude;
    e.proximity = proximity;
    e.symbol = symbol;
    e.display = display;
    e.altitude = altitude;
    copyToField(e.ident, sizeof e.ident, ident);
    copyToField(e.comment, sizeof e.comment, comment);
    try {
        routes_[route].entries.push_back(e);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return 1;
}

int CRouteField::ClearRoute(std::uint32_t route) {
    if (route >= routes_.size())
        return 0;
    std::vector<RouteEntry>().swap(routes_[route].entries);
    return 1;
}

std::uint32_t CRouteField::EntryCount(std::uint32_t route) const {
    return route < routes_.size() ? static_cast<std::uint32_t>(routes_[route].entries.size()) : 0;
}

int CRouteField::SetRouteName(std::uint32_t route, std::string_view name) {
    if (route >= routes_.size())
        return 0;
    routes_[route].name = cutName(name);
    return 1;
}

std::string CRouteField::GetRouteName(std::uint32_t route) const {
    return route < routes_.size() ? routes_[route].name : std::string();
}

const RouteEntry* CRouteField::entryAt(std::uint32_t route, std::uint32_t entry) const {
    if (route >= routes_.size() || entry >= routes_[route].entries.size())
        return nullptr;
    return &routes_[route].entries[entry];
}

std::string CRouteField::GetEntryIdent(std::uint32_t route, std::uint32_t entry) const {
    const RouteEntry* e = entryAt(route, entry);
    return e ? fieldText(e->ident, sizeof e->ident) : std::string();
}

std::string CRouteField::GetEntryComment(std::uint32_t route, std::uint32_t entry) const {
    const RouteEntry* e = entryAt(route, entry);
    return e ? fieldText(e->comment, sizeof e->comment) : std::string();
}

double CRouteField::GetEntryLatitude(std::uint32_t route, std::uint32_t entry) const {
    const RouteEntry* e = entryAt(route, entry);
    return e ? e->latitude : 0.0;
}

double CRouteField::GetEntryLongitude(std::uint32_t route, std::uint32_t entry) const {
    const RouteEntry* e = entryAt(route, entry);
    return e ? e->longitude : 0.0;
}

std::int16_t CRouteField::GetEntrySymbol(std::uint32_t route, std::uint32_t entry) const {
    const RouteEntry* e = entryAt(route, entry);
    return e ? e->symbol : std::int16_t{0};
}

std::int16_t CRouteField::GetEntryDisplay(std::uint32_t route, std::uint32_t entry) const {
    const RouteEntry* e = entryAt(route, entry);
    return e ? e->display : std::int16_t{0};
}

float CRouteField::GetEntryProximity(std::uint32_t route, std::uint32_t entry) const {
    const RouteEntry* e = entryAt(route, entry);
    return e ? e->proximity : 0.0f;
}

float CRouteField::GetEntryAltitude(std::uint32_t route, std::uint32_t entry) const {
    const RouteEntry* e = entryAt(route, entry);
    return e ? e->altitude : 0.0f;
}

} // namespace nuvrel
