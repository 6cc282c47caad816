#include "core/gps/gps_model.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace nuvrel {

namespace {

struct ModelEntry {
    std::int32_t id;
    std::int32_t charSet;
    const char* name;
};

constexpr ModelEntry kModels[] = {
    {87, 1, "GPS12"},          {138, 1, "GPS12(2)"},      {77, 1, "GPS12XL"},        {96, 1, "GPS12XL(2)"},
    {105, 2, "GPS12XLJ"},      {116, 1, "GPS12CX"},       {129, 1, "GPS12MAP"},      {41, 1, "GPS38"},
    {62, 2, "GPS38J"},         {31, 1, "GPS40"},          {96, 1, "GPS48"},          {59, 1, "GPS II"},
    {73, 1, "GPS II Plus"},    {97, 1, "GPS II Plus(2)"}, {72, 1, "GPS III"},        {119, 1, "GPS III Plus"},
    {111, 1, "eMap"},          {130, 1, "eTrex"},         {141, 1, "eTrex Summit"},  {153, 2, "Pocket Mini"},
    {154, 1, "eTrex Venture"}, {179, 1, "eTrex Legend"},  {169, 1, "eTrex Vista"},   {156, 1, "eTrex Camo"},
    {173, 1, "GPS76"},         {177, 1, "GPSMAP76"},
};

constexpr const char* kSymbols16[] = {"dot",  "house", "gas",    "car",  "fish", "boat", "anchor", "wreck",
                                      "exit", "skull", "flag",   "camp", "duck", "deer", "buoy",   "back track"};

struct SymbolRun {
    int first;
    std::initializer_list<const char*> names;
};

const SymbolRun kSymbolRuns[] = {
    {0,
     {"white Anchor", "white Bell", "green Diamond", "red Diamond", "diver Down flag 1", "diver Down flag 2",
      "white Bank", "white Fishing Area", "white Gas Station", "white Horn", "white Residence", "white Restaurant",
      "white light", "white Bar", "white Danger Area", "green Square", "red Square", "white buoy waypoint",
      "Waypoint dot", "white Shipwreck", "null symbol (transparent)", "Man Overboard", "amber map buoy",
      "black map buoy", "blue map buoy", "green map buoy", "green/red map buoy", "green/white map buoy",
      "orange map buoy", "red map buoy", "red/green map buoy", "red/white map buoy", "violet map buoy",
      "white map buoy", "white/green map buoy", "white/red map buoy", "white dot", "radio beacon"}},
    {150,
     {"Boat Ramp", "Campground", "Restroom", "Shower", "Drinking Water", "Telephone", "Medical Facility",
      "Information", "Parking Area", "Park", "Picnic Area", "Scenic Area", "Skiing Area", "Swimming Area", "Dam",
      "Controlled Area", "Dangerous Area", "restricted area", "null", "Ball Park", "Car", "Hunting Area",
      "Shopping Center", "Hotel", "Mine", "Trail Head", "Truck Stop"}},
    {178, {"Flag"}},
    {8192,
     {"Interstate hwy", "US hwy", "State hwy", "Mile Marker", "TracBack (feet)", "Golf Course", "Small City",
      "Medium City", "Large City", "intl freeway hwy", "intl national hwy", "capitol city (star)", "Amusement Park",
      "Bowling", "Car Rental", "Car Repair", "Fast Food", "Fitness Center", "Movie Theater", "Museum", "Pharmacy",
      "Pizza", "Post Office", "RV Park", "School", "Stadium", "Department Store", "Zoo", "Convenience Store",
      "Live Theater"}},
    {8226, {"Scales", "Toll Booth"}},
    {8233, {"Bridge", "Building", "Cemetery", "Church"}},
    {8238, {"Crossing"}},
    {8242, {"Oil Field", "Tunnel"}},
    {8245, {"Forest", "Summit"}},
    {16384,
     {"Airport", "intersection", "non-directional beacon", "VHF omni-range", "Heliport", "Private Field",
      "Soft Field", "Tall Tower", "Short Tower", "Glider Area", "Ultralight Area", "Parachute Area", "VOR/TACAN",
      "VOR-DME", "first approach fix", "localizer outer marker", "missed approach point", "TACAN",
      "Seaplane Base"}},
};

const std::vector<GPSModel::Symbol>& symbols126() {
    static const std::vector<GPSModel::Symbol> table = [] {
        std::vector<GPSModel::Symbol> t;
        for (const auto& run : kSymbolRuns) {
            int code = run.first;
            for (const char* name : run.names)
                t.push_back({code++, name});
        }
        return t;
    }();
    return table;
}

} // namespace

const char* WaypointFormatName(WaypointFormat format) {
    switch (format) {
    case WaypointFormat::D100: return "D100";
    case WaypointFormat::D103: return "D103";
    case WaypointFormat::D104: return "D104";
    case WaypointFormat::D108: return "D108";
    case WaypointFormat::D109: return "D109";
    }
    return "D100";
}

GPSModel::GPSModel() {
    rows_.reserve(std::size(kModels));
    for (const auto& m : kModels)
        rows_.push_back({m.id, m.charSet, m.name});
    if (rows_.size() != std::size_t(NumberOfModels)) {
        std::fprintf(stderr, "internal check failed: (DWORD)no == NumberOfModels (gpsmodel)\n");
        std::abort();
    }
}

const GPSModel::Row& GPSModel::RowAt(int no) const { return rows_.at(std::size_t(no)); }

std::string GPSModel::ModelNameAt(int no) const {
    if (no < 0 || no >= Count())
        return {};
    return rows_[std::size_t(no)].name;
}

std::string GPSModel::ModelNameForId(std::int32_t productId) const {
    for (const auto& r : rows_)
        if (r.productId == productId)
            return r.name;
    return kDefaultName;
}

std::int32_t GPSModel::CharSetForId(std::int32_t productId) const {
    for (const auto& r : rows_)
        if (r.productId == productId)
            return r.charSet;
    return 1;
}

std::int32_t GPSModel::IdForModelName(const std::string& name) const {
    for (const auto& r : rows_)
        if (r.name == name)
            return r.productId;
    return kDefaultId;
}

WaypointFormat GPSModel::WaypointFormatFor(std::int32_t productId, std::int32_t softwareVersion) {
    switch (productId) {
    case 77:
        // The GPS 12XL took D103 waypoints with software 3.01; a known
        // earlier version sends and expects D100. Version 0 is "not detected".
        return softwareVersion > 0 && softwareVersion < 301 ? WaypointFormat::D100 : WaypointFormat::D103;
    case 73: case 87: case 96: case 97: case 105: case 116: case 138:
        return WaypointFormat::D103;
    case 72: case 119: case 129:
        return WaypointFormat::D104;
    case 130: case 141: case 153: case 154: case 156: case 169: case 173: case 177: case 179:
        return WaypointFormat::D108;
    case 111:
        return softwareVersion < 270 ? WaypointFormat::D108 : WaypointFormat::D109;
    default:
        return WaypointFormat::D100;
    }
}

bool GPSModel::UsesNewFormats(std::int32_t productId) {
    const WaypointFormat f = WaypointFormatFor(productId, 0);
    return f == WaypointFormat::D108 || f == WaypointFormat::D109;
}

std::vector<GPSModel::Symbol> GPSModel::Symbols(WaypointFormat format) {
    if (format == WaypointFormat::D100)
        return {};
    if (format == WaypointFormat::D103) {
        std::vector<Symbol> t;
        for (int i = 0; i < 16; ++i)
            t.push_back({i, kSymbols16[i]});
        return t;
    }
    return symbols126();
}

std::string GPSModel::SymbolName(std::int32_t productId, std::int32_t softwareVersion, int code) {
    const WaypointFormat f = WaypointFormatFor(productId, softwareVersion);
    if (f == WaypointFormat::D100)
        return {};
    if (f == WaypointFormat::D103)
        return code >= 0 && code < 16 ? kSymbols16[code] : "dot";
    const auto& t = symbols126();
    auto it = std::lower_bound(t.begin(), t.end(), code, [](const Symbol& s, int c) { return s.code < c; });
    return it != t.end() && it->code == code ? it->name : "waypoint dot";
}

int GPSModel::SymbolCode(std::int32_t productId, std::int32_t softwareVersion, const std::string& name) {
    const WaypointFormat f = WaypointFormatFor(productId, softwareVersion);
    if (f == WaypointFormat::D100)
        return 0;
    if (f == WaypointFormat::D103) {
        for (int i = 0; i < 16; ++i)
            if (name == kSymbols16[i])
                return i;
        return 0;
    }
    for (const auto& s : symbols126())
        if (name == s.name)
            return s.code;
    return 18;
}

} // namespace nuvrel
