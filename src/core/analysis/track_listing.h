// The texts of the two track windows: the track list (one row per segment
// and a total) and the track detail (one row per point of a segment), and
// the detail rows as clipboard text.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace nuvrel {

class IFTGarminTrack;

// Track list: "Track No.", "Dist[km]", "Time[s]", "Vel[km/h]".
inline constexpr int kTrackListColumns = 4;
using TrackListRow = std::array<std::string, kTrackListColumns>;
extern const TrackListRow kTrackListHeader;

// The highest segment number a point can carry (segment numbers are 16-bit).
inline constexpr std::uint32_t kMaxSegmentNumber = 32767;

// Rows for the segments 1 .. segmentCount (at most kMaxSegmentNumber: no
// point can carry a larger number), then "TOTAL" with the distance along
// the whole log, joins between segments included. A segment number that
// does not occur shows 0 distance and time and "-" as its speed, as does a
// segment whose time is not positive. Built in one pass over the log.
std::vector<TrackListRow> trackListRows(const IFTGarminTrack& track);

// Track detail: "Point No", "Dist[km]", "Time[s]", "Vel[km/h]", "dir[deg]",
// "TIME", "Latitude", "Longitude".
inline constexpr int kTrackDetailColumns = 8;
using TrackDetailRow = std::array<std::string, kTrackDetailColumns>;
extern const TrackDetailRow kTrackDetailHeader;

// The points a detail window lists: the range of segment n, or none when n
// does not occur in the log.
struct DetailRange {
    std::uint32_t first = 0;
    std::uint32_t count = 0; // number of rows; 0 when the segment is missing
};
DetailRange detailRange(const IFTGarminTrack& track, int n);

// The row of point q, a point of the segment that starts at `first`. The
// distance, speed and direction measure the leg from q-1 (from the previous
// segment's last point for a segment's first point; nothing for point 0).
// Time is the time since `first` with totalTime, else since q-1. TIME is the
// point's time shown with timeOffset (UTC minus local time, seconds).
TrackDetailRow trackDetailRow(const IFTGarminTrack& track, std::uint32_t first, std::uint32_t q,
                              std::int32_t timeOffset, bool totalTime);

// All rows of segment n.
std::vector<TrackDetailRow> trackDetailRows(const IFTGarminTrack& track, int n, std::int32_t timeOffset,
                                            bool totalTime);

// The clipboard text of detail rows: columns 1 .. 7 of each row exactly as
// shown, joined by tabs, each row ended by a line feed.
std::string trackDetailCopyText(const std::vector<TrackDetailRow>& rows);
void appendTrackDetailCopyLine(std::string& out, const TrackDetailRow& row);

// "%02d:%02d:%02d %04d/%02d/%02d" (hour, minute, second, year, month, day)
// of a Unix time read as UTC. Any 64-bit time converts (proleptic Gregorian
// calendar).
std::string pointTimeText(std::int64_t unixSeconds);

} // namespace nuvrel
