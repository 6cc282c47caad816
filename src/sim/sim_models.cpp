#include "sim_models.h"

#include <cstdio>

namespace gpssim {

namespace {

struct Entry {
    int id;
    const char* name;
    int charSet;
    WptType wpt;
};

const Entry kTable[] = {
    {87, "GPS 12", 1, WptType::D103},        {138, "GPS 12", 1, WptType::D103},
    {77, "GPS 12XL", 1, WptType::D103},       {96, "GPS 12XL", 1, WptType::D103},
    {105, "GPS 12XL Japanese", 2, WptType::D103}, {116, "GPS 12CX", 1, WptType::D103},
    {129, "GPSMAP 12", 1, WptType::D104},     {41, "GPS 38", 1, WptType::D100},
    {62, "GPS 38 Japanese", 2, WptType::D100}, {31, "GPS 40", 1, WptType::D100},
    {59, "GPS II", 1, WptType::D100},         {73, "GPS II Plus", 1, WptType::D103},
    {97, "GPS II Plus", 1, WptType::D103},    {72, "GPS III", 1, WptType::D104},
    {119, "GPS III Plus", 1, WptType::D104},  {111, "eMap", 1, WptType::D108},
    {130, "eTrex", 1, WptType::D108},         {141, "eTrex Summit", 1, WptType::D108},
    {153, "Pocket Mini", 2, WptType::D108},   {154, "eTrex Venture", 1, WptType::D108},
    {179, "eTrex Legend", 1, WptType::D108},  {169, "eTrex Vista", 1, WptType::D108},
    {156, "eTrex Camo", 1, WptType::D108},    {173, "GPS 76", 1, WptType::D108},
    {177, "GPSMAP 76", 1, WptType::D108},
};

} // namespace

const char* Model::wptName() const {
    static const char* names[] = {"D100", "D103", "D104", "D108", "D109"};
    return names[int(wpt)];
}

std::string Model::description() const {
    char buf[96];
    std::snprintf(buf, sizeof buf, "%s Software Version %d.%02d", name.c_str(), softwareVersion / 100,
                  (softwareVersion < 0 ? -softwareVersion : softwareVersion) % 100);
    return buf;
}

std::vector<std::pair<char, int>> Model::protocols() const {
    if (!newFormat)
        return {};
    const int w = wpt == WptType::D109 ? 109 : 108;
    return {{'P', 0},   {'L', 1},   {'A', 10},  {'A', 100}, {'D', w},   {'A', 201}, {'D', 202},
            {'D', w},   {'D', 210}, {'A', 301}, {'D', 310}, {'D', 301}, {'A', 500}, {'D', 501},
            {'A', 600}, {'D', 600}, {'A', 700}, {'D', 700}, {'A', 800}, {'D', 800}};
}

Model ModelFor(int productId, int softwareVersion) {
    Model m;
    m.productId = productId;
    m.softwareVersion = softwareVersion;
    m.name = "GPS";
    for (const Entry& e : kTable)
        if (e.id == productId) {
            m.name = e.name;
            m.charSet = e.charSet;
            m.wpt = e.wpt;
            m.known = true;
            break;
        }
    // The eMap moved to D109 waypoints with software 2.70.
    if (productId == 111 && softwareVersion >= 270)
        m.wpt = WptType::D109;
    // The GPS 12XL moved from D100 to D103 waypoints with software 3.01.
    if (productId == 77 && softwareVersion < 301)
        m.wpt = WptType::D100;
    m.newFormat = m.wpt == WptType::D108 || m.wpt == WptType::D109;
    return m;
}

std::vector<std::pair<int, std::string>> KnownModels() {
    std::vector<std::pair<int, std::string>> out;
    for (const Entry& e : kTable)
        out.push_back({e.id, e.name});
    return out;
}

} // namespace gpssim
