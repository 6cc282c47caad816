// One wind figure: force and direction with the standard error of the
// measurement it came from, and where it came from (a thermal's drift, the
// ground speeds over heading changes, or both when figures are combined).
#pragma once

#include <span>

namespace nuvrel {

struct WindFigure {
    bool known = false;
    double speedKmh = 0;
    double fromDeg = 0;  // where the wind comes from, clockwise from north, 0 .. 360
    double quality = 0;  // 0 .. 1
    double errorKmh = 0; // the fit's standard error
    bool fromThermals = false;
    bool fromTurns = false;
};

// The figure of a wind blowing toward east and north at the given speeds (m/s)
// with the standard error (km/h): quality 1 / (1 + error).
WindFigure windFigureOf(double eastMs, double northMs, double errorKmh);

// The figures that are known, weighted by their inverse variance; unknown
// when none is.
WindFigure combineWinds(std::span<const WindFigure> figures);

// "thermals", "turns", "thermals+turns" ("" for an unknown figure).
const char* windSourceName(const WindFigure& w);

} // namespace nuvrel
