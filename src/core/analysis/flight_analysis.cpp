#include "core/analysis/flight_analysis.h"

#include "core/analysis/track_measures.h"
#include "core/data/ift_garmin_track.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

namespace nuvrel {

namespace {

constexpr double kPi = 3.14159265359;
constexpr std::uint32_t kNone = static_cast<std::uint32_t>(-1);
// A run of more than this many legs decides take-off and landing.
constexpr int kRunLegs = 3;
// Flying speed relative to the first wind estimate, km/s.
constexpr double kFlyingMin = 30.0 / 3600;
constexpr double kFlyingMax = 55.0 / 3600;
// Below this east component (km/s) the drift is taken as due north or south.
constexpr double kDirectionGuard = 1e-5;

// The speed of leg k in km/h, or false when the leg has no speed (its time
// difference is not positive).
bool legSpeed(std::span<const TrackPoint> points, std::uint32_t k, double& kmh) {
    const double t = timeSpan(points, k - 1, k);
    if (!(t > 0))
        return false;
    kmh = distance(points, k - 1, k) * 3600 / t;
    return true;
}

// The mean of the components >= 0 plus the mean of those < 0.
class SplitMean {
public:
    void add(double v) {
        if (v >= 0) {
            sumPos_ += v;
            ++countPos_;
        } else {
            sumNeg_ += v;
            ++countNeg_;
        }
    }
    double value() const {
        return (countPos_ > 0 ? sumPos_ / static_cast<double>(countPos_) : 0) +
               (countNeg_ > 0 ? sumNeg_ / static_cast<double>(countNeg_) : 0);
    }

private:
    double sumPos_ = 0, sumNeg_ = 0;
    std::size_t countPos_ = 0, countNeg_ = 0;
};

struct Velocity {
    double east; // km/s
    double north;
};

// Force in km/h and the direction the wind comes from, of a mean drift.
void windOf(double mx, double my, double& force, double& direction) {
    force = std::sqrt(mx * mx + my * my) * 3600;
    if (std::fabs(mx) < kDirectionGuard) {
        direction = my > 0 ? 180 : 0;
        return;
    }
    const double alpha = std::atan2(my, mx) * 360 / (2 * kPi); // counter-clockwise from east
    direction = 270 - alpha;
    if (direction > 360)
        direction -= 360;
}

} // namespace

FlightRange detectFlight(const IFTGarminTrack& track, int n, double thresholdKmh) {
    const std::uint32_t count = track.count();
    if (count == 0)
        return {0, 0};
    const FlightRange whole{0, count - 1};
    std::uint32_t first = 0, last = count - 1;
    if (n != -1) {
        int f = -1, l = -1;
        track.segmentRange(n, f, l);
        if (f == -1 || l == -1)
            return whole;
        first = static_cast<std::uint32_t>(f);
        last = static_cast<std::uint32_t>(l);
    }
    const auto points = track.points();
    std::uint32_t takeOff = kNone, landing = kNone;
    int run = 0;
    for (std::uint32_t k = first + 1; k <= last && k != 0; ++k) {
        double kmh = 0;
        if (!legSpeed(points, k, kmh))
            continue; // no speed: neither extends nor breaks a run
        const bool fast = kmh >= thresholdKmh;
        if (takeOff == kNone) {
            if (!fast) {
                run = 0;
            } else if (++run > kRunLegs) {
                takeOff = k - 2;
                run = 0;
            }
        } else if (fast) {
            run = 0;
        } else if (++run > kRunLegs) {
            landing = k - 2;
            break;
        }
    }
    if (takeOff != kNone && landing == kNone)
        landing = last - static_cast<std::uint32_t>(run);
    if (landing <= takeOff)
        return whole;
    return {takeOff, landing};
}

WindEstimate estimateWind(std::span<const TrackPoint> points, std::uint32_t s, std::uint32_t e) {
    WindEstimate w;
    if (points.empty())
        return w;
    const std::uint32_t lastIndex = static_cast<std::uint32_t>(points.size() - 1);
    if (e > lastIndex)
        e = lastIndex;
    if (s >= e)
        return w;

    std::vector<Velocity> legs;
    legs.reserve(e - s);
    for (std::uint32_t k = s + 1; k < e; ++k) {
        const double t = timeSpan(points, k - 1, k);
        if (!(t > 0))
            continue;
        const double a = (90 - bearing(points, k - 1, k)) * (1.0 / 360) * 2 * kPi;
        const double d = distance(points, k - 1, k);
        const Velocity v{std::cos(a) * d / t, std::sin(a) * d / t};
        if (std::isfinite(v.east) && std::isfinite(v.north))
            legs.push_back(v);
    }

    SplitMean east1, north1;
    for (const Velocity& v : legs) {
        east1.add(v.east);
        north1.add(v.north);
    }
    const double mx = east1.value(), my = north1.value();
    windOf(mx, my, w.force1, w.direction1);

    SplitMean east2, north2;
    for (const Velocity& v : legs) {
        const double r = std::hypot(v.east - mx, v.north - my);
        if (r > kFlyingMax || r < kFlyingMin)
            continue;
        if (v.east == 0 && v.north == 0)
            continue;
        east2.add(v.east);
        north2.add(v.north);
    }
    windOf(east2.value(), north2.value(), w.force2, w.direction2);
    return w;
}

FlightAnalysis analyseFlight(const IFTGarminTrack& track, FlightRange range) {
    FlightAnalysis a;
    a.range = range;
    const auto points = track.points();
    if (points.empty())
        return a;
    a.airTime = timeSpan(points, range.takeOff, range.landing);
    a.distance = distance(points, range.takeOff, range.landing);
    a.averageSpeed = a.airTime > 0 ? a.distance / a.airTime * 3600 : std::numeric_limits<double>::quiet_NaN();
    a.wind = estimateWind(points, range.takeOff, range.landing);
    return a;
}

FlightRange flightOfSegments(const IFTGarminTrack& track, int top, int bottom) {
    if (top > bottom)
        std::swap(top, bottom);
    if (top == bottom)
        return detectFlight(track, -1, kFlightThresholdKmh);
    const FlightRange r{detectFlight(track, top, kFlightThresholdKmh).takeOff,
                        detectFlight(track, bottom, kFlightThresholdKmh).landing};
    if (r.landing < r.takeOff)
        return detectFlight(track, -1, kFlightThresholdKmh);
    return r;
}

const char* compassLabel(double d) {
    if (d == 0 || d == 360)
        return "N";
    if (d == 90)
        return "E";
    if (d == 180)
        return "S";
    if (d == 270)
        return "W";
    if (d > 0 && d < 90)
        return "NE";
    if (d > 90 && d < 180)
        return "SE";
    if (d > 180 && d < 270)
        return "SW";
    if (d > 270 && d < 360)
        return "NW";
    return "-";
}

std::string airTimeText(double t) {
    if (!std::isfinite(t))
        return "-";
    const long long whole = static_cast<long long>(std::fabs(t)); // truncated toward zero
    const long long h = whole / 3600, m = (whole - 3600 * h) / 60, s = whole - 3600 * h - 60 * m;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s%02lld:%02lld:%02lld", t <= -1 ? "-" : "", h, m, s);
    return buf;
}

namespace {

std::string number(double v) {
    if (!std::isfinite(v))
        return "-";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%9.3f", v);
    return buf;
}

std::string directionText(double d) {
    if (!std::isfinite(d))
        return "-";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%4.0f (%s)", d, compassLabel(d));
    return buf;
}

} // namespace

std::array<FlightAnalysisRow, 7> flightAnalysisRows(const FlightAnalysis& a) {
    return {{
        {"Air Time[min]", airTimeText(a.airTime)},
        {"Distance[km]", number(a.distance)},
        {"Ave Speed[km/h]", number(a.averageSpeed)},
        {"Wind Force[km/h]", number(a.wind.force1)},
        {"Wind Dir[deg]", directionText(a.wind.direction1)},
        {"Wind Force(2)", number(a.wind.force2)},
        {"Wind Dir(2)", directionText(a.wind.direction2)},
    }};
}

} // namespace nuvrel
