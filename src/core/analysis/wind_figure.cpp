#include "core/analysis/wind_figure.h"

#include <algorithm>
#include <cmath>

namespace nuvrel {

namespace {
constexpr double kPi = 3.14159265358979323846;
}

WindFigure windFigureOf(double eastMs, double northMs, double errorKmh) {
    WindFigure w;
    w.known = true;
    w.speedKmh = std::hypot(eastMs, northMs) * 3.6;
    double from = std::atan2(-eastMs, -northMs) * 180 / kPi; // the wind blows toward (east, north)
    if (from < 0)
        from += 360;
    w.fromDeg = w.speedKmh > 0 ? from : 0;
    w.errorKmh = errorKmh;
    w.quality = 1 / (1 + errorKmh);
    return w;
}

WindFigure combineWinds(std::span<const WindFigure> figures) {
    double we = 0, wn = 0, weight = 0;
    bool thermals = false, turns = false;
    for (const WindFigure& f : figures) {
        if (!f.known)
            continue;
        const double w = 1 / std::max(f.errorKmh * f.errorKmh, 1e-6);
        const double toward = (f.fromDeg + 180) * kPi / 180;
        we += w * f.speedKmh * std::sin(toward);
        wn += w * f.speedKmh * std::cos(toward);
        weight += w;
        thermals = thermals || f.fromThermals;
        turns = turns || f.fromTurns;
    }
    if (weight <= 0)
        return {};
    WindFigure out = windFigureOf(we / weight / 3.6, wn / weight / 3.6, 1 / std::sqrt(weight));
    out.fromThermals = thermals;
    out.fromTurns = turns;
    return out;
}

const char* windSourceName(const WindFigure& w) {
    if (!w.known)
        return "";
    if (w.fromThermals && w.fromTurns)
        return "thermals+turns";
    return w.fromTurns ? "turns" : "thermals";
}

} // namespace nuvrel
