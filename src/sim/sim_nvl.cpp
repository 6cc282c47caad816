#include "sim_nvl.h"

#include "core/data/ift_garmin_data.h"
#include "core/data/route_store.h"
#include "core/time_zone.h"

#include <cstdio>

namespace gpssim {

namespace {

class StderrPrompts final : public nuvrel::UserPrompts {
public:
    std::string last;
    void showError(int, const std::string& message) override { last = message; }
    bool askYesNo(const std::string&, const std::string&) override { return false; }
    void showMessage(const std::string&, const std::string& text) override { last = text; }
    void beep() override {}
};

// A name as the receiver can hold it: 6 characters on older units, 10 on new ones.
std::string receiverName(const std::string& s, const Model& m) {
    const std::size_t max = m.newFormat ? 10 : 6;
    return s.substr(0, s.size() < max ? s.size() : max);
}

std::string cut(const char* field, std::size_t size) {
    std::size_t n = 0;
    while (n < size && field[n])
        ++n;
    return std::string(field, n);
}

Waypoint fromRecord(const Model& m, const std::string& ident, const std::string& comment, double lat, double lon,
                    float alt, int symbol, int display, float proximity) {
    Waypoint w;
    w.ident = receiverName(ident, m);
    w.comment = m.newFormat ? "" : comment.substr(0, 40);
    w.lat = lat;
    w.lon = lon;
    w.alt = alt;
    w.symbol = symbol;
    w.display = display;
    w.proximity = proximity;
    return w;
}

} // namespace

bool LoadNativeFile(const std::string& path, const Model& model, Data& data, std::string& error) {
    StderrPrompts prompts;
    nuvrel::CLibraryTimeZone zone;
    nuvrel::IFTGarminData set(nuvrel::DataContext{prompts, zone});
    nuvrel::CRouteField routes;
    if (!set.load(path, routes)) {
        error = prompts.last.empty() ? "cannot read " + path : prompts.last;
        return false;
    }
    data.waypoints.clear();
    data.tracks.clear();
    data.routes.clear();
    if (const auto* w = set.waypoints())
        for (const auto& r : w->records())
            data.waypoints.push_back(fromRecord(model, cut(r.ident, sizeof r.ident), cut(r.comment, sizeof r.comment),
                                                r.latitude, r.longitude, r.altitude, r.symbol, r.display,
                                                r.proximity));
    if (const auto* t = set.track()) {
        int segment = -1;
        for (const auto& p : t->points()) {
            if (data.tracks.empty() || p.segment != segment) {
                segment = p.segment;
                data.tracks.push_back(Track{"TRACK " + std::to_string(data.tracks.size() + 1), {}});
            }
            TrackPoint q;
            q.lat = p.latitude;
            q.lon = p.longitude;
            q.time = p.time;
            q.alt = p.altitude;
            q.depth = p.depth;
            q.newTrack = data.tracks.back().points.empty();
            data.tracks.back().points.push_back(q);
        }
    }
    const auto all = routes.routes();
    for (std::size_t i = 0; i < all.size() && i < 256; ++i) {
        if (all[i].entries.empty())
            continue;
        Route r;
        r.number = int(i);
        r.name = all[i].name;
        for (const auto& e : all[i].entries)
            r.points.push_back(fromRecord(model, cut(e.ident, sizeof e.ident), cut(e.comment, sizeof e.comment),
                                          e.latitude, e.longitude, e.altitude, e.symbol, e.display, e.proximity));
        data.routes.push_back(std::move(r));
    }
    if (!data.tracks.empty()) {
        data.lat = data.tracks.back().points.back().lat;
        data.lon = data.tracks.back().points.back().lon;
    } else if (!data.waypoints.empty()) {
        data.lat = data.waypoints.front().lat;
        data.lon = data.waypoints.front().lon;
    }
    return true;
}

} // namespace gpssim
