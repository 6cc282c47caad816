// Measures of the track log: path length, time span and initial bearing
// between two points, and the length and duration of a segment. The earth is
// a sphere of radius 6377397.155 m.
//
// Indices are 0-based into the whole log and taken as unsigned, so -1 is
// larger than every index. Each measure normalises its range: `to` past the
// last point becomes the last point, then a `from` after `to` becomes 0. An
// empty log gives 0.
#pragma once

#include "core/data/records.h"

#include <cstdint>
#include <span>

namespace nuvrel {

class IFTGarminTrack;

// Kilometres along the legs from..to.
double distance(std::span<const TrackPoint> points, std::uint32_t from, std::uint32_t to);
// time[to] - time[from] in seconds, as a signed 32-bit difference.
double timeSpan(std::span<const TrackPoint> points, std::uint32_t from, std::uint32_t to);
// Initial bearing from `from` to `to` in degrees clockwise from north, in
// [0, 360); 180 for two points on the same meridian unless `to` is north.
double bearing(std::span<const TrackPoint> points, std::uint32_t from, std::uint32_t to);

// distance / timeSpan over segment n, or 0 when the segment does not occur.
double segmentDistance(const IFTGarminTrack& track, int n);
double segmentTime(const IFTGarminTrack& track, int n);

} // namespace nuvrel
