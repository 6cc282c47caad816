// Wind from the ground speeds of flight outside thermals. A paraglider or
// hang glider keeps nearly the same air speed for a few minutes, so its
// ground velocities over different headings lie on a circle around the wind
// vector. Over windows of eight minutes (or 24 velocities at coarse
// sampling) the velocities between points at least ten seconds apart are
// fitted with a circle: the algebraic fit, then the geometric one, rejecting
// outliers. Velocities across fast turns (the heading changing more than 45
// degrees from one to the next, or 90 from the one before to the one after)
// are left out, and those of gentle turns lengthened to the air speed, since
// a chord across a turn is shorter than the path flown. A window gives a
// figure only when the circle is a flight's (air speed 18 to 144 km/h), its
// velocities cover at least 150 degrees of it with no hole wider than 100
// degrees, in three or more 30-degree sectors, and its standard error is at
// most 2 km/h: flight on two opposite headings alone (ridge beats) leaves the
// wind across them open, and a straight glide gives none.
#pragma once

#include "core/analysis/wind_figure.h"

#include <cstdint>
#include <span>
#include <vector>

namespace nuvrel {

struct TurnWind {
    std::uint32_t start = 0; // point indices into the whole log
    std::uint32_t end = 0;
    WindFigure wind;
};

// The winds of the windows of points first .. last, at positions x, y in
// metres east and north and times t in seconds, sampled about every `step`
// seconds: windows that do not overlap, the better one kept where two would.
std::vector<TurnWind> turnWinds(std::span<const double> x, std::span<const double> y, std::span<const double> t,
                                std::size_t first, std::size_t last, double step);

} // namespace nuvrel
