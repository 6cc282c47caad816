// The arithmetic of the position marker and of what it follows: the order in
// which the animation frames are shown, how a frame pixel is turned to a
// heading, the heading of a track point, the pixel of a live position, and
// the steps of a track playback.
#pragma once

#include "core/data/records.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace nuvrel {

class IFTGarminTrack;
struct IFTMapParam;
class IFTGarminData;

// The marker frames are square pictures of this many pixels a side.
inline constexpr int kMarkSize = 31;
// The centre pixel of a frame (integer half of the size).
inline constexpr int kMarkCentre = kMarkSize / 2;

// Frame numbers 0, 1, ..., count-1, then count-2 down to 1, so the
// animation swings back and forth; one frame gives {0}, none gives {}.
std::vector<int> frameSequence(int count);

// Turning a frame clockwise by a heading in whole degrees (on the screen,
// with rows growing downwards). Each source pixel (i, j) goes to the target
// pixel at that pixel's turned position, rounded, and clamped to the frame.
// Mapped this way a turned frame has single-pixel holes; source() maps a
// target pixel back, so that the holes can be filled from the frame.
class FrameTurn {
public:
    explicit FrameTurn(int degrees, int size = kMarkSize);
    struct Target {
        int u;
        int v;
    };
    Target operator()(int i, int j) const;
    // The source pixel that target pixel (u, v) shows, or false when it
    // falls outside the frame.
    bool source(int u, int v, int& i, int& j) const;

private:
    double s_, c_;
    int centre_, max_;
};

// The marker's heading at point i: the bearing of the leg to point i+1,
// truncated to whole degrees (the last point gives 180, as two equal points).
int markHeading(std::span<const TrackPoint> points, std::uint32_t i);

// The map pixel of a live position: like the view transform, but clamped to
// the map picture, so that a position off the map shows on its edge.
struct MarkPixel {
    int x = 0;
    int y = 0;
    friend bool operator==(const MarkPixel&, const MarkPixel&) = default;
};
MarkPixel livePositionPixel(const IFTGarminData& data, const IFTMapParam& param, double latitude,
                            double longitude);

// A playback: one track point per step, from the first point to the last.
class TrackPlaybackCursor {
public:
    struct Step {
        std::uint32_t index;
        double latitude;
        double longitude;
        int heading; // whole degrees clockwise from north
    };
    void restart() { index_ = 0; }
    std::uint32_t index() const { return index_; }
    // The next point to show, or nothing when the log has been played to the
    // end (or is empty).
    std::optional<Step> next(const IFTGarminTrack* track);

private:
    std::uint32_t index_ = 0;
};

} // namespace nuvrel
