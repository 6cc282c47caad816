// The flight report: the flights in a track log (several take-offs and
// landings), the phases between (ground, gliding, thermalling), the thermals
// with their height gain, climb and wind, the wind of each flight with a
// quality figure, and each flight's contest score.
//
// Take-off and landing: every point is judged flying or on the ground from
// measures over about half a minute around it (the path length at steps of at
// least five seconds, and the climb or sink), so that position jitter and
// sampling from 1 to 30 s do not decide; short interruptions are closed. The
// take-off and landing points are then placed where the motion changes, by
// fitting a straight line in space and height to the points before and one
// to the points after each candidate: this finds a launch into a strong wind
// (little ground speed, but sink) as well as the end of the final glide.
//
// Wind: over each thermal, the positions are fitted with a steady drift plus
// one circling motion (every turn period from 12 to 60 s is tried); the drift
// is the wind. Partial circles and any sampling interval leave it unbiased,
// since the circling is part of the fit. Its standard error gives the quality
// figure 1 / (1 + error in km/h). Between thermals, windows of straight and
// turning flight give winds from their ground speeds (see turn_wind.h); a
// flight's wind is all these winds weighted by their inverse variance.
#pragma once

#include "core/analysis/contest_score.h"
#include "core/analysis/turn_wind.h"
#include "core/analysis/wind_figure.h"
#include "core/data/records.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace nuvrel {

struct ThermalReport {
    std::uint32_t start = 0; // point indices into the whole log
    std::uint32_t end = 0;
    double gainM = 0;
    double climbMs = 0;
    WindFigure wind;
};

enum class PhaseKind { Ground, Gliding, Thermalling };
const char* phaseName(PhaseKind kind); // "ground", "gliding", "thermalling"

struct FlightPhase {
    PhaseKind kind = PhaseKind::Ground;
    std::uint32_t first = 0;
    std::uint32_t last = 0;
};

struct FlightReportEntry {
    std::uint32_t takeoff = 0; // the first and last point in the air
    std::uint32_t landing = 0;
    double takeoffTime = 0; // receiver seconds, placed between the points
    double landingTime = 0;
    double airTimeS = 0;
    double trackKm = 0;
    WindFigure wind;
    std::vector<ThermalReport> thermals;
    std::vector<TurnWind> turnWinds; // from the flight between thermals
    ContestScore score;
};

struct FlightReport {
    std::uint32_t first = 0; // the points looked at
    std::uint32_t last = 0;
    std::vector<FlightReportEntry> flights;
    std::vector<FlightPhase> phases; // first .. last, in order, without overlap
    // How times are shown (UTC minus this many seconds, the data set's time
    // offset); the report itself is in UTC. Set by whoever shows it.
    std::int32_t timeOffset = 0;
};

// The points in WGS-84: `held` itself when its datum is WGS-84, else
// converted copies kept in `storage` (heights stay as held).
std::span<const TrackPoint> PointsInWgs84(std::span<const TrackPoint> held, std::string_view datumName,
                                          std::vector<TrackPoint>& storage);

// The report of the points of segment n of the log (n = -1: the whole log),
// held in the map datum of that name: the contest score is measured, and its
// turnpoints given, in WGS-84 (without score, each flight's score stays
// empty: the costly part of a long flight). An empty log, or a segment that
// does not occur, gives a report without flights or phases.
FlightReport buildFlightReport(std::span<const TrackPoint> points, int segment, ContestRules rules,
                               std::string_view datumName = "WGS 84", bool score = true);

// Wind from the drift of one thermal's points first .. last (exposed for the
// tests).
WindFigure thermalWind(std::span<const TrackPoint> points, std::uint32_t first, std::uint32_t last);

} // namespace nuvrel
