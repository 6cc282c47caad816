// The text summary under the printed map: the longest track segment and the
// whole track log, as label and value lines.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace nuvrel {

class IFTGarminTrack;

// One line of the summary: how many lines down from the line before, the
// text of the label column and the text of the value column.
struct PrintSummaryLine {
    int linesDown = 1;
    std::string label;
    std::string value;
    friend bool operator==(const PrintSummaryLine&, const PrintSummaryLine&) = default;
};

// "** <Longest Track> **" with take-off, landing, distance, time and average
// speed of the longest segment (the lowest number among equally long ones),
// then "** <Total> **" with take-off, landing, distance and time of the whole
// log. Times are shown as UTC minus timeOffset, as the track windows show
// them. Empty for a log without points.
std::vector<PrintSummaryLine> printSummaryLines(const IFTGarminTrack& track, std::int32_t timeOffset);

// The number of the longest segment 1 .. segmentCount (1 when none is longer).
int longestSegment(const IFTGarminTrack& track);

} // namespace nuvrel
