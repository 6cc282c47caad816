// The analysis over any track log a file can hold: every 32 bytes are one
// track point as the native data file stores it (NaN and infinite positions,
// times running backwards, segment numbers in any order), and the first byte
// picks the segment the windows would ask for.
#include "core/analysis/flight_analysis.h"
#include "core/analysis/position_mark.h"
#include "core/analysis/track_listing.h"
#include "core/data/ift_garmin_track.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

using namespace nuvrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const int segment = static_cast<std::int8_t>(data[0]);
    ++data;
    --size;
    std::vector<TrackPoint> points(std::min<std::size_t>(size / sizeof(TrackPoint), 4096));
    if (!points.empty())
        std::memcpy(points.data(), data, points.size() * sizeof(TrackPoint));
    IFTGarminTrack track(std::move(points));

    const FlightRange whole = detectFlight(track, -1, kFlightThresholdKmh);
    const FlightAnalysis a = analyseFlight(track, whole);
    (void)flightAnalysisRows(a);
    (void)analyseFlight(track, detectFlight(track, segment, kFlightThresholdKmh));
    (void)flightOfSegments(track, segment, segment + 2);
    // Keep the summary small: the segment count comes from the last point.
    if (track.segmentCount() <= 2000)
        (void)trackListRows(track);
    (void)trackDetailCopyText(trackDetailRows(track, segment, -32400, segment & 1));
    TrackPlaybackCursor cursor;
    while (auto step = cursor.next(&track))
        (void)FrameTurn(step->heading)(0, 30);
    return 0;
}
