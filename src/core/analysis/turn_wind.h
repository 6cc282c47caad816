// Wind from the ground speeds of flight outside thermals. A paraglider or
// hang glider keeps nearly the same air speed for a few minutes, so its
// ground velocities over different headings lie on a circle around the wind
// vector. Over windows of a few minutes the velocities between points about
// ten seconds apart are fitted with a circle (algebraic fit, then the
// geometric one, rejecting outliers); velocities taken while the heading
// turns fast (more than 60 degrees from one to the next) are left out, since
// a chord across a turn is shorter than the air speed. A window gives a
// figure only when its velocities cover at least 150 degrees of the circle
// with no hole wider than 135 degrees: flight on two opposite headings alone
// (ridge beats) leaves the wind across them open.
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
