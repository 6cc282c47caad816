// Receivers of the 1990s count GPS weeks in ten bits. After each rollover
// of that count (August 1999, April 2019) many of them report dates 1024
// weeks (19.6 years) too early. These helpers find that in a track log and
// move the track's times by whole weeks.
#pragma once

#include "core/data/ift_garmin_track.h"

#include <cstdint>
#include <span>
#include <string>

namespace nuvrel {

inline constexpr std::int64_t kWeekSeconds = 7 * 86400;
inline constexpr int kRolloverWeeks = 1024;
// How far the newest point may lie from a whole rollover behind the clock.
inline constexpr std::int64_t kRolloverSlack = 60 * 86400;

// 1024 or 2048 when the newest dated point lies that many weeks (within 60
// days) before now (seconds since 1970); else 0. A time of 0 holds no date.
int detectRollover(std::span<const TrackPoint> points, std::int64_t now);

// Adds weeks (negative: takes them away) to the time of every dated point;
// points without a time keep none. False, and the track unchanged, when a
// time would leave what the receiver's clock can hold (1989-12-31 to 2126).
// The track counts as modified afterwards.
bool shiftTrackWeeks(IFTGarminTrack& track, int weeks);

// "The receiver's dates are 1024 weeks behind. Correct them?" for 1024.
std::string rolloverQuestion(int weeks);

} // namespace nuvrel
