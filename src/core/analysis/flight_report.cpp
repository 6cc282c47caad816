#include "core/analysis/flight_report.h"

#include "core/analysis/linear_solve.h"
#include "core/geo/map_datum.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace nuvrel {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kEarthRadiusM = 6371008.8;

// Judging flying or ground.
constexpr double kHalfWindowS = 30;      // measures over +-30 s (at least one neighbour)
constexpr double kStepS = 5;             // path length at steps of at least 5 s
constexpr double kFlyingPathKmh = 15;    // faster than a walk plus jitter
constexpr double kFlyingVerticalMs = 0.5;// sinking or climbing
constexpr double kMovedM = 20;           //   while the position moves this far over the window
constexpr double kShortRunS = 60;        // runs shorter than this (and of fewer than 3 points) are closed
constexpr double kMinAirTimeS = 60;
constexpr double kGapS = 120;            // no window reaches over a longer pause in the log
constexpr double kStoppedS = 600;        // a longer pause is the log stopped, unless in the air on both sides:
constexpr double kAboveGroundM = 150;    //   this far above the ground last seen
constexpr double kFastKmh = 25;          //   or this fast over the ground
constexpr double kEdgeS = 15;            //   next to the pause
constexpr double kStillHeightM = 6;      // height range over a window of a pilot standing or walking
// Placing take-off and landing.
constexpr double kLineSpanS = 45; // each side of the coarse boundary
constexpr double kMinCurvePoints = 8; // on the flying side, to follow a turn there
constexpr double kCurveGain = 3;       // a parabola counts where it leaves a third of the line's residual
// Thermals.
constexpr double kClimbHalfWindowS = 20;
constexpr double kThermalClimbMs = 0.3;
constexpr double kMinThermalS = 60;
constexpr double kMinThermalGainM = 30;
constexpr double kThermalMergeS = 30;
constexpr double kAssumedCircleM = 70; // the drift's error when too few points for a fit
constexpr std::size_t kMinFitPoints = 16;
constexpr double kMaxTurnS = 100;          // a whole turn takes at most this long (a figure-eight's loop 90 s)
constexpr double kMinCircleErrorKmh = 0.5; // circle drifts agree no better than this
constexpr double kMinStepM = 25;           // a heading from a step at least this long (well above the jitter)
// Circling: a circle fitted over a window of this long (and of at least
// kMinCirclePoints points), with a radius a glider flies, explaining most of
// the motion (the residual at most this share of the drift's alone).
constexpr double kCircleWindowS = 90;
constexpr double kMinTurnPeriodS = 12, kMaxTurnPeriodS = 60;
constexpr std::size_t kMinCirclePoints = 8;
constexpr double kMinCircleRadiusM = 15;
constexpr double kMaxCircleRadiusM = 250;
constexpr double kCircleShare = 0.35;
constexpr double kMaxPhaseBunching = 0.7; // resultant of the points' phases (half a circle evenly: 0.64)

// Positions in metres east and north of a reference point, height in metres,
// time in seconds.
struct Local {
    std::vector<double> x, y, z, t;
};

Local localOf(std::span<const TrackPoint> pts) {
    Local l;
    const std::size_t n = pts.size();
    l.x.resize(n), l.y.resize(n), l.z.resize(n), l.t.resize(n);
    if (n == 0)
        return l;
    const double lat0 = pts[0].latitude, lon0 = pts[0].longitude;
    const double my = kEarthRadiusM * kPi / 180, mx = my * std::cos(lat0 * kPi / 180);
    for (std::size_t i = 0; i < n; ++i) {
        l.x[i] = (pts[i].longitude - lon0) * mx;
        l.y[i] = (pts[i].latitude - lat0) * my;
        l.z[i] = pts[i].altitude;
        l.t[i] = static_cast<double>(pts[i].time) - static_cast<double>(pts[0].time);
    }
    return l;
}

// Least-squares slope of v over t on [a, b].
double slope(const std::vector<double>& t, const std::vector<double>& v, std::size_t a, std::size_t b) {
    const double n = static_cast<double>(b - a + 1);
    double st = 0, sv = 0;
    for (std::size_t i = a; i <= b; ++i)
        st += t[i], sv += v[i];
    const double mt = st / n, mv = sv / n;
    double num = 0, den = 0;
    for (std::size_t i = a; i <= b; ++i) {
        num += (t[i] - mt) * (v[i] - mv);
        den += (t[i] - mt) * (t[i] - mt);
    }
    return den > 0 ? num / den : 0;
}

// Residual sum of squares of straight lines through x, y and (withHeight) z
// over time on [a, b].
double lineResidual(const Local& l, std::size_t a, std::size_t b, bool withHeight = true) {
    if (b <= a + 1)
        return 0;
    const double n = static_cast<double>(b - a + 1);
    double st = 0;
    for (std::size_t i = a; i <= b; ++i)
        st += l.t[i];
    const double mt = st / n;
    double stt = 0;
    for (std::size_t i = a; i <= b; ++i)
        stt += (l.t[i] - mt) * (l.t[i] - mt);
    double rss = 0;
    for (const auto* v : {&l.x, &l.y, &l.z}) {
        if (v == &l.z && !withHeight)
            break;
        double sv = 0, stv = 0;
        for (std::size_t i = a; i <= b; ++i)
            sv += (*v)[i];
        const double mv = sv / n;
        for (std::size_t i = a; i <= b; ++i)
            stv += (l.t[i] - mt) * ((*v)[i] - mv);
        const double k = stt > 0 ? stv / stt : 0;
        for (std::size_t i = a; i <= b; ++i) {
            const double r = (*v)[i] - mv - k * (l.t[i] - mt);
            rss += r * r;
        }
    }
    return rss;
}

// Pieces of the log between pauses longer than kGapS: [first, last] pairs.
std::vector<std::pair<std::size_t, std::size_t>> piecesOf(const Local& l, std::size_t first, std::size_t last) {
    std::vector<std::pair<std::size_t, std::size_t>> out;
    std::size_t start = first;
    for (std::size_t i = first + 1; i <= last; ++i)
        if (l.t[i] - l.t[i - 1] > kGapS) {
            out.emplace_back(start, i - 1);
            start = i;
        }
    out.emplace_back(start, last);
    return out;
}

// The window [a, b] of about +-half seconds around i inside the piece,
// with at least one neighbour on each side where there is one.
std::pair<std::size_t, std::size_t> windowAround(const Local& l, std::size_t i, std::size_t p0, std::size_t p1,
                                                 double half) {
    std::size_t a = i, b = i;
    while (a > p0 && l.t[i] - l.t[a - 1] <= half)
        --a;
    while (b < p1 && l.t[b + 1] - l.t[i] <= half)
        ++b;
    if (a == i && i > p0)
        --a;
    if (b == i && i < p1)
        ++b;
    return {a, b};
}

std::vector<char> judgeFlying(const Local& l, std::size_t first, std::size_t last) {
    std::vector<char> flying(l.t.size(), 0);
    for (const auto& [p0, p1] : piecesOf(l, first, last)) {
        for (std::size_t i = p0; i <= p1; ++i) {
            const auto [a, b] = windowAround(l, i, p0, p1, kHalfWindowS);
            if (a == b)
                continue;
            const double span = l.t[b] - l.t[a];
            double path = 0;
            std::size_t from = a;
            for (std::size_t j = a + 1; j <= b; ++j)
                if (l.t[j] - l.t[from] >= kStepS || j == b) {
                    path += std::hypot(l.x[j] - l.x[from], l.y[j] - l.y[from]);
                    from = j;
                }
            const double pathKmh = span > 0 ? path / span * 3.6 : 0;
            const double vz = slope(l.t, l.z, a, b);
            // Climb or sink alone is flight only where the position moves
            // too: a receiver's altitude settling after it is switched on
            // changes quickly while it lies still.
            const double moved = std::hypot(l.x[b] - l.x[a], l.y[b] - l.y[a]);
            flying[i] = pathKmh > kFlyingPathKmh || (std::abs(vz) > kFlyingVerticalMs && moved > kMovedM);
        }
    }
    return flying;
}

// Runs of `value` shorter than `shorter` seconds between runs of the other
// value take their neighbours' value. Used in turn: single jolts on the
// ground, then moments of slow flight (a flight is not cut by them), then
// what is left of short flights.
void closeShortRuns(std::vector<char>& v, const Local& l, std::size_t first, std::size_t last, char value,
                    double shorter) {
    std::size_t i = first;
    while (i <= last) {
        std::size_t j = i;
        while (j < last && v[j + 1] == v[i])
            ++j;
        const bool inner = i > first && j < last;
        if (v[i] == value && inner && l.t[j] - l.t[i] < shorter)
            std::fill(v.begin() + static_cast<std::ptrdiff_t>(i), v.begin() + static_cast<std::ptrdiff_t>(j) + 1,
                      static_cast<char>(!value));
        i = j + 1;
    }
}

// Residual sum of squares of a hinge fit over [a, b] broken at time tc: in
// x and y a straight line on the ground side and on the flying side (after
// tc when flyingAfter, else before) a parabola; in z a level on the ground
// and a line in the air; both sides meet at tc (a position does not jump). The parabola follows a turn
// right after the launch or before the landing, which a straight line would
// take for the change; it needs points enough on the flying side (curved).
double hingeResidualAt(const Local& l, std::size_t a, std::size_t b, double tc, bool flyingAfter, bool curved) {
    auto basis = [&](double t) {
        const double d = t - tc;
        const double ground = flyingAfter ? std::min(d, 0.0) : std::max(d, 0.0);
        const double flying = flyingAfter ? std::max(d, 0.0) : std::min(d, 0.0);
        return std::array<double, 4>{1, ground, flying, curved ? flying * flying : 0};
    };
    std::array<std::array<double, 4>, 4> m{};
    for (std::size_t i = a; i <= b; ++i) {
        const auto f = basis(l.t[i]);
        for (int p = 0; p < 4; ++p)
            for (int q = 0; q < 4; ++q)
                m[p][q] += f[p] * f[q];
    }
    double rss = 0;
    for (const auto* v : {&l.x, &l.y, &l.z}) {
        std::array<double, 4> r{};
        for (std::size_t i = a; i <= b; ++i) {
            const auto f = basis(l.t[i]);
            for (int p = 0; p < 4; ++p)
                r[p] += f[p] * (*v)[i];
        }
        // The height stays level on the ground (a pilot walking up or down
        // a slope changes it little over the window) and changes steadily in
        // the air: no slope on the ground side, no parabola on either.
        const bool height = v == &l.z;
        auto mv = m;
        for (int unused = 1; unused <= 3; ++unused)
            if ((unused == 1 && height) || (unused == 3 && (height || !curved))) {
                for (int p = 0; p < 4; ++p)
                    mv[unused][p] = mv[p][unused] = p == unused ? 1 : 0;
                r[unused] = 0;
            }
        const auto k = *SolveLinear(mv, r, SingularPivot::LeaveZero);
        for (std::size_t i = a; i <= b; ++i) {
            const auto f = basis(l.t[i]);
            const double e = (*v)[i] - (k[0] * f[0] + k[1] * f[1] + k[2] * f[2] + k[3] * f[3]);
            rss += e * e;
        }
    }
    return rss;
}

// The time where the motion changes near the coarse boundary `near`: the
// break of the hinge fit over a window of points around it that leaves the
// least residual, first at the points' times, then between the neighbours of
// the best point (so that a log of one point in 20 or 30 s places it between
// two fixes).
double placeBoundary(const Local& l, std::size_t near, std::size_t lo, std::size_t hi, double dt, bool flyingAfter) {
    const double reach = std::max(kLineSpanS, 3 * dt);
    std::size_t from = near, to = near;
    while (from > lo && l.t[near] - l.t[from - 1] <= reach)
        --from;
    while (to < hi && l.t[to + 1] - l.t[near] <= reach)
        ++to;
    // A turn next to the boundary: the parabola is taken where it explains
    // the flying side much better than a line does; not in a steady glide
    // nor in circles, which it cannot follow either.
    const bool curvable = reach / dt >= kMinCurvePoints;
    auto hingeCost = [&](double tc) {
        const double line = hingeResidualAt(l, from, to, tc, flyingAfter, false);
        return curvable ? std::min(line, kCurveGain * hingeResidualAt(l, from, to, tc, flyingAfter, true)) : line;
    };
    std::size_t best = near;
    double bestCost = std::numeric_limits<double>::infinity();
    for (std::size_t c = from; c <= to; ++c) {
        const double cost = hingeCost(l.t[c]);
        if (cost < bestCost) {
            bestCost = cost;
            best = c;
        }
    }
    double bestTime = l.t[best];
    if (to < from + 3)
        return bestTime;
    const double t0 = l.t[best > from ? best - 1 : best], t1 = l.t[best < to ? best + 1 : best];
    constexpr int kSteps = 24;
    for (int k = 1; k < kSteps; ++k) {
        const double tc = t0 + (t1 - t0) * k / kSteps;
        const double cost = hingeCost(tc);
        if (cost < bestCost) {
            bestCost = cost;
            bestTime = tc;
        }
    }
    return bestTime;
}

// The first point at or after time tc in [a, b] (and the last at or before).
std::size_t firstFrom(const Local& l, double tc, std::size_t a, std::size_t b) {
    while (a < b && l.t[a] < tc - 0.5)
        ++a;
    return a;
}
std::size_t lastUpTo(const Local& l, double tc, std::size_t a, std::size_t b) {
    while (b > a && l.t[b] > tc + 0.5)
        --b;
    return b;
}

// Whether the first (or last) few seconds of [first, last] are still: at
// least three points over at least two steps of kStepS, moving (end to end,
// so jitter does not add up) slower than a flight both ways.
bool stillAt(const Local& l, std::size_t first, std::size_t last, bool start) {
    std::size_t a = start ? first : last, b = a, n = 1;
    while (n < 3 || std::abs(l.t[b] - l.t[a]) < 2 * kStepS) {
        if ((start ? b : a) == (start ? last : first))
            return false;
        start ? ++b : --a;
        ++n;
    }
    const double span = l.t[b] - l.t[a];
    if (span <= 0 || span > 2 * kHalfWindowS)
        return false;
    const double moved = std::hypot(l.x[b] - l.x[a], l.y[b] - l.y[a]);
    return moved / span * 3.6 < kFlyingPathKmh && std::abs(l.z[b] - l.z[a]) / span < kFlyingVerticalMs;
}

double medianStep(const Local& l, std::size_t first, std::size_t last) {
    std::vector<double> d;
    for (std::size_t i = first + 1; i <= last; ++i)
        if (l.t[i] > l.t[i - 1])
            d.push_back(l.t[i] - l.t[i - 1]);
    if (d.empty())
        return 1;
    std::nth_element(d.begin(), d.begin() + static_cast<std::ptrdiff_t>(d.size() / 2), d.end());
    return d[d.size() / 2];
}

// Whole turns in [a, b]: each from a point to the one where the heading,
// followed step by step through the turn, has come round a full 360 degrees
// one way within kMaxTurnS. A circle flown at a steady air speed returns to
// its start in the air, so the drift over a whole turn is the wind.
struct Circle {
    std::size_t first, last;
    double we, wn; // m/s
};

std::vector<Circle> wholeCircles(const Local& l, std::size_t a, std::size_t b) {
    std::vector<Circle> out;
    std::size_t start = a, from = a; // headings are of steps from `from`, long enough to stand out of the jitter
    double turned = 0, heading = std::numeric_limits<double>::quiet_NaN();
    for (std::size_t i = a + 1; i <= b; ++i) {
        if (l.t[i] - l.t[i - 1] > kGapS || l.t[i] - l.t[start] > kMaxTurnS) {
            start = i - 1, turned = 0;
            if (l.t[i] - l.t[i - 1] > kGapS)
                heading = std::numeric_limits<double>::quiet_NaN(), from = i - 1;
        }
        const double dx = l.x[i] - l.x[from], dy = l.y[i] - l.y[from];
        if (std::hypot(dx, dy) < kMinStepM)
            continue;
        from = i;
        const double h = std::atan2(dx, dy);
        if (std::isnan(heading)) {
            heading = h, start = i - 1, turned = 0;
            continue;
        }
        double d = h - heading;
        d -= 2 * kPi * std::round(d / (2 * kPi));
        heading = h;
        if (turned * d < 0 && std::abs(d) > kPi / 6) // the turn reverses: a new one starts
            start = i - 1, turned = 0;
        turned += d;
        if (std::abs(turned) >= 2 * kPi) {
            // The step into i has the heading of the step out of `start`:
            // points start and i - 1 are a whole turn apart.
            const std::size_t end = i - 1;
            if (end > start && l.t[end] > l.t[start]) {
                const double span = l.t[end] - l.t[start];
                out.push_back({start, end, (l.x[end] - l.x[start]) / span, (l.y[end] - l.y[start]) / span});
            }
            start = end, turned = 0;
        }
    }
    return out;
}

// The mean drift of whole circles and its standard error (km/h) from their
// spread; unknown for fewer than two.
WindFigure circleDrift(std::span<const Circle> circles) {
    const std::size_t n = circles.size();
    if (n < 2)
        return {};
    double we = 0, wn = 0;
    for (const Circle& c : circles)
        we += c.we, wn += c.wn;
    we /= double(n), wn /= double(n);
    double ss = 0;
    for (const Circle& c : circles)
        ss += (c.we - we) * (c.we - we) + (c.wn - wn) * (c.wn - wn);
    const double error = std::sqrt(ss / double(n - 1) / double(n)) * 3.6;
    return windFigureOf(we, wn, std::max(error, kMinCircleErrorKmh));
}

WindFigure windOf(double we, double wn, double errorKmh) {
    WindFigure w = windFigureOf(we, wn, errorKmh);
    w.fromThermals = true;
    return w;
}

// The positions of [a, b] fitted with a steady drift plus one circling
// motion: x(t) = x0 + we t + c cos(w t) + s sin(w t), the same in y, for every
// turn period from 12 to 60 s; the period that leaves the least residual
// wins. Sampled more coarsely than the turn, the circling shows as one of its
// aliases, which the fit finds as well (the drift stays unbiased).
struct CircleFit {
    bool ok = false;
    double we = 0, wn = 0; // m/s
    double radiusM = 0;    // of the circling motion
    double periodS = 0;
    double rss = 0;        // residual of the fit, x and y
    double rssDrift = 0;   // residual of the drift alone (a straight line through x and y)
    double errorKmh = 0;   // the drift's standard error
};

CircleFit circleFit(const Local& l, std::size_t a, std::size_t b) {
    CircleFit out;
    const std::size_t n = b - a + 1;
    if (b <= a || l.t[b] <= l.t[a] || n < kMinCirclePoints)
        return out;
    const double tm = (l.t[a] + l.t[b]) / 2;
    struct Fit {
        double rss = std::numeric_limits<double>::infinity();
        double we = 0, wn = 0, stt = 1, radius = 0, period = 0;
    } best;
    std::vector<double> cs(n), sn(n);
    auto tryPeriod = [&](double period) {
        const double w = 2 * kPi / period;
        // Periods whose phases at the points' times bunch on one side of
        // the circle (an alias close to a multiple of the sampling rate)
        // cannot be told from a drift: such a "circle" is a long arc.
        double sc = 0, ss = 0;
        for (std::size_t k = 0; k < n; ++k) {
            cs[k] = std::cos(w * (l.t[a + k] - tm)), sn[k] = std::sin(w * (l.t[a + k] - tm));
            sc += cs[k], ss += sn[k];
        }
        if (std::hypot(sc, ss) > kMaxPhaseBunching * static_cast<double>(n))
            return;
        std::array<std::array<double, 4>, 4> m{};
        std::array<double, 4> rx{}, ry{};
        for (std::size_t k = 0; k < n; ++k) {
            const std::array<double, 4> f{1, l.t[a + k] - tm, cs[k], sn[k]};
            for (int p = 0; p < 4; ++p) {
                for (int q = 0; q < 4; ++q)
                    m[p][q] += f[p] * f[q];
                rx[p] += f[p] * l.x[a + k];
                ry[p] += f[p] * l.y[a + k];
            }
        }
        // A turn the sampling cannot see must not swallow the drift.
        m[2][2] += 1e-6 * static_cast<double>(n);
        m[3][3] += 1e-6 * static_cast<double>(n);
        const auto cx = *SolveLinear(m, rx, SingularPivot::LeaveZero);
        const auto cy = *SolveLinear(m, ry, SingularPivot::LeaveZero);
        double rss = 0;
        for (std::size_t k = 0; k < n; ++k) {
            const double t = l.t[a + k] - tm;
            const double ex = l.x[a + k] - (cx[0] + cx[1] * t + cx[2] * cs[k] + cx[3] * sn[k]);
            const double ey = l.y[a + k] - (cy[0] + cy[1] * t + cy[2] * cs[k] + cy[3] * sn[k]);
            rss += ex * ex + ey * ey;
        }
        if (rss < best.rss)
            best = {rss, cx[1], cy[1], m[1][1],
                    std::sqrt((cx[2] * cx[2] + cx[3] * cx[3] + cy[2] * cy[2] + cy[3] * cy[3]) / 2), period};
    };
    // Turn frequencies from 1/60 to 1/12 Hz, first at a step fine enough for
    // the span (a quarter of the width of a minimum of the residual), then
    // finer around the best.
    const double span = l.t[b] - l.t[a];
    const double step = 1 / (4 * span);
    for (double f = 1.0 / kMaxTurnPeriodS; f <= 1.0 / kMinTurnPeriodS; f += step)
        tryPeriod(1 / f);
    if (std::isfinite(best.rss)) {
        const double around = 1 / best.period;
        for (int k = -3; k <= 3; ++k)
            if (k != 0 && around + k * step / 4 > 1.0 / kMaxTurnPeriodS && around + k * step / 4 < 1.0 / kMinTurnPeriodS)
                tryPeriod(1 / (around + k * step / 4));
    }
    if (!std::isfinite(best.rss))
        return out;
    const double dof = static_cast<double>(2 * n) - 8;
    const double sigma = std::sqrt(best.rss / std::max(dof, 1.0));
    out.ok = true;
    out.we = best.we, out.wn = best.wn;
    out.radiusM = best.radius, out.periodS = best.period;
    out.rss = best.rss;
    out.rssDrift = lineResidual(l, a, b, false);
    out.errorKmh = sigma / std::sqrt(std::max(best.stt, 1e-9)) * 3.6 * std::sqrt(2.0);
    return out;
}

WindFigure thermalWindLocal(const Local& l, std::size_t a, std::size_t b) {
    if (b <= a || l.t[b] <= l.t[a])
        return {};
    const std::size_t n = b - a + 1;
    const double span = l.t[b] - l.t[a];
    const CircleFit fit = n < kMinFitPoints ? CircleFit{} : circleFit(l, a, b);
    if (!fit.ok) {
        // Too few points for a fit: the drift from first to last point.
        return windOf((l.x[b] - l.x[a]) / span, (l.y[b] - l.y[a]) / span, kAssumedCircleM / span * 3.6);
    }
    // The fit's error holds for a steady circle in a steady wind; the drifts
    // of the single whole turns show how much either really varied.
    double error = fit.errorKmh;
    const std::vector<Circle> circles = wholeCircles(l, a, b);
    if (circles.size() >= 3)
        error = std::max(error, circleDrift(circles).errorKmh);
    return windOf(fit.we, fit.wn, error);
}

// Whether the glider circled in [a, b]: somewhere in it, over a window of a
// few turns, the positions are a drift plus a circle of a glider's radius
// (well above the receiver's jitter) that explains most of the motion, and
// the window lasts a whole turn at least. A straight climb is a drift alone,
// beats along a ridge fit no circle.
bool circled(const Local& l, std::size_t a, std::size_t b, double dt) {
    const double window = std::max(kCircleWindowS, kMinCirclePoints * dt);
    for (std::size_t w0 = a; w0 <= b;) {
        std::size_t w1 = w0;
        while (w1 < b && l.t[w1 + 1] - l.t[w0] <= window)
            ++w1;
        if (w1 == b) // the last window reaches back a whole window where it can
            while (w0 > a && l.t[b] - l.t[w0 - 1] <= window)
                --w0;
        const CircleFit fit = circleFit(l, w0, w1);
        if (fit.ok && fit.radiusM >= kMinCircleRadiusM && fit.radiusM <= kMaxCircleRadiusM &&
            fit.rss <= kCircleShare * fit.rssDrift && l.t[w1] - l.t[w0] >= fit.periodS)
            return true;
        if (w1 == b)
            break;
        // Half a window on.
        std::size_t next = w0;
        while (next < w1 && l.t[next] - l.t[w0] < window / 2)
            ++next;
        w0 = std::max(next, w0 + 1);
    }
    return false;
}

struct Span {
    std::size_t first, last;
};

std::vector<Span> thermalsOf(const Local& l, std::size_t to, std::size_t ld, double dt) {
    std::vector<Span> runs;
    std::vector<char> climbing(l.t.size(), 0);
    for (const auto& [p0, p1] : piecesOf(l, to, ld)) {
        for (std::size_t i = p0; i <= p1; ++i) {
            const auto [a, b] = windowAround(l, i, p0, p1, kClimbHalfWindowS);
            climbing[i] = a < b && slope(l.t, l.z, a, b) > kThermalClimbMs;
        }
        const std::size_t before = runs.size();
        for (std::size_t i = p0; i <= p1; ++i) {
            if (!climbing[i])
                continue;
            std::size_t j = i;
            while (j < p1 && climbing[j + 1])
                ++j;
            if (runs.size() > before && l.t[i] - l.t[runs.back().last] <= kThermalMergeS)
                runs.back().last = j;
            else
                runs.push_back({i, j});
            i = j;
        }
        // The climb judged over a window starts and ends a little early and
        // late: the thermal runs from the lowest point near its start to the
        // highest near its end.
        for (std::size_t k = before; k < runs.size(); ++k) {
            Span& r = runs[k];
            const auto [a0, a1] = windowAround(l, r.first, p0, p1, kClimbHalfWindowS);
            const auto [b0, b1] = windowAround(l, r.last, p0, p1, kClimbHalfWindowS);
            std::size_t lo = a0, hi = b1;
            for (std::size_t i = a0; i <= a1; ++i)
                if (l.z[i] < l.z[lo])
                    lo = i;
            for (std::size_t i = b0; i <= b1; ++i)
                if (l.z[i] > l.z[hi])
                    hi = i;
            if (lo < hi)
                r = {lo, hi};
        }
    }
    // A thermal is circled: a climb without a whole turn (along a ridge, in
    // a straight line through rising air) is not one.
    std::vector<Span> out;
    for (const Span& r : runs)
        if (l.t[r.last] - l.t[r.first] >= kMinThermalS && l.z[r.last] - l.z[r.first] >= kMinThermalGainM &&
            circled(l, r.first, r.last, dt))
            out.push_back(r);
    return out;
}

// Whether the glider is in the air at point i at the edge of a pause in the
// log: moving in the last (first) seconds on its side of the pause, and
// fast over the ground or far above the ground it was last on (a pilot who
// has landed, even higher up than the launch, stands still).
bool airborneAtEdge(const Local& l, std::size_t i, std::size_t r0, std::size_t r1, bool before,
                    double groundZ) {
    std::size_t a = i, b = i;
    if (before)
        while (a > r0 && (a == i || l.t[i] - l.t[a - 1] <= kEdgeS))
            --a;
    else
        while (b < r1 && (b == i || l.t[b + 1] - l.t[i] <= kEdgeS))
            ++b;
    const double span = l.t[b] - l.t[a];
    if (span <= 0)
        return false;
    double path = 0;
    for (std::size_t from = a, j = a + 1; j <= b; ++j)
        if (l.t[j] - l.t[from] >= kStepS || j == b) {
            path += std::hypot(l.x[j] - l.x[from], l.y[j] - l.y[from]);
            from = j;
        }
    const double kmh = path / span * 3.6;
    const bool moving = kmh > kFlyingPathKmh || std::abs(l.z[b] - l.z[a]) / span > kFlyingVerticalMs;
    return moving && (kmh > kFastKmh || l.z[i] - groundZ > kAboveGroundM);
}

// Whether the ground run [a, b] between two runs of flight is really ground:
// at least half of it still (slow over the ground and the height steady over
// the window), as a pilot who has landed is. A glider hovering into the wind
// is slow over the ground too, but its height keeps changing.
bool stillRun(const Local& l, std::size_t a, std::size_t b, std::size_t r0, std::size_t r1) {
    std::size_t still = 0;
    for (std::size_t i = a; i <= b; ++i) {
        const auto [w0, w1] = windowAround(l, i, r0, r1, kHalfWindowS);
        double lo = l.z[i], hi = l.z[i];
        for (std::size_t k = w0; k <= w1; ++k)
            lo = std::min(lo, l.z[k]), hi = std::max(hi, l.z[k]);
        still += hi - lo < kStillHeightM;
    }
    return 2 * still >= b - a + 1;
}

struct FlightSpan {
    std::size_t takeoff, landing; // the first and last point in the air
    double takeoffTime, landingTime; // seconds of the local time axis, between points
};

// The flights of the points first .. last. Time that runs back starts a new
// run of the log, and no flight reaches across.
std::vector<FlightSpan> findFlights(const Local& l, std::size_t first, std::size_t last, double dt) {
    std::vector<FlightSpan> out;
    std::size_t r0 = first;
    while (r0 <= last) {
        std::size_t r1 = r0;
        while (r1 < last && l.t[r1 + 1] >= l.t[r1])
            ++r1;
        std::vector<char> flying = judgeFlying(l, r0, r1);
        closeShortRuns(flying, l, r0, r1, 1, kShortRunS / 2);
        closeShortRuns(flying, l, r0, r1, 0, kShortRunS);
        // Longer slow stretches inside a flight stay in it unless the glider
        // is still there.
        for (std::size_t i = r0 + 1; i < r1; ++i) {
            if (flying[i] || !flying[i - 1])
                continue;
            std::size_t j = i;
            while (j < r1 && !flying[j + 1])
                ++j;
            const bool paused = [&] {
                for (std::size_t k = i; k <= j + 1 && k <= r1; ++k)
                    if (l.t[k] - l.t[k - 1] > kStoppedS)
                        return true;
                return false;
            }();
            if (j < r1 && !paused && !stillRun(l, i, j, r0, r1))
                std::fill(flying.begin() + std::ptrdiff_t(i), flying.begin() + std::ptrdiff_t(j) + 1, char(1));
            i = j;
        }
        closeShortRuns(flying, l, r0, r1, 1, kShortRunS);
        // A receiver switched off after one landing and on again before the
        // next launch logs little ground on either side: the pause itself is
        // ground. A glider in the air before the pause flew on through it:
        // where the log resumes on the ground, it landed in the pause (at the
        // first point after it, the first seen on the ground); one in the air
        // after the pause only took off in it (at the first point after it).
        double groundZ = std::numeric_limits<double>::infinity();
        for (std::size_t i = r0; i <= r1; ++i) {
            if (!flying[i] && (i == r0 || flying[i - 1] == 0))
                groundZ = l.z[i];
            if (i == r0 || l.t[i] - l.t[i - 1] <= kStoppedS)
                continue;
            const bool airBefore = flying[i - 1] && airborneAtEdge(l, i - 1, r0, r1, true, groundZ);
            const bool airAfter = flying[i] && airborneAtEdge(l, i, r0, r1, false, groundZ);
            if (airBefore)
                flying[i] = 1;
            else
                flying[i - 1] = 0, flying[i] = airAfter;
        }
        auto pauseBefore = [&](std::size_t i) { return i > r0 && l.t[i] - l.t[i - 1] > kStoppedS; };

        for (std::size_t i = r0; i <= r1; ++i) {
            if (!flying[i])
                continue;
            std::size_t j = i;
            while (j < r1 && flying[j + 1])
                ++j;
            const std::size_t lo = out.empty() || out.back().landing < r0 ? r0 : out.back().landing;
            std::size_t end = r1;
            for (std::size_t k = j + 1; k <= r1; ++k)
                if (flying[k]) {
                    end = k - 1;
                    break;
                }
            // A log that starts or ends with a few still points (the receiver
            // switched on just before the launch, off just after the landing)
            // has its take-off or landing placed as well; one that starts or
            // ends in the air, not.
            const double toTime = pauseBefore(i)                          ? l.t[i]
                                  : i > r0 || stillAt(l, r0, r1, true) ? placeBoundary(l, i, lo, j, dt, true)
                                                                       : l.t[r0];
            const std::size_t to = firstFrom(l, toTime, lo, j);
            const double ldTime = pauseBefore(j) && j > i                   ? l.t[j]
                                  : j < r1 || stillAt(l, r0, r1, false) ? placeBoundary(l, j, std::max(to, i), end, dt, false)
                                                                        : l.t[r1];
            const std::size_t ld = lastUpTo(l, ldTime, std::max(to, i), end);
            i = j;
            if (ld <= to || ldTime - toTime < kMinAirTimeS)
                continue;
            out.push_back({to, ld, toTime, ldTime});
        }
        r0 = r1 + 1;
    }
    return out;
}

} // namespace

const char* phaseName(PhaseKind kind) {
    switch (kind) {
    case PhaseKind::Gliding:
        return "gliding";
    case PhaseKind::Thermalling:
        return "thermalling";
    default:
        return "ground";
    }
}

WindFigure thermalWind(std::span<const TrackPoint> points, std::uint32_t first, std::uint32_t last) {
    if (last >= points.size() || first > last)
        return {};
    return thermalWindLocal(localOf(points), first, last);
}

std::span<const TrackPoint> PointsInWgs84(std::span<const TrackPoint> held, std::string_view datumName,
                                          std::vector<TrackPoint>& storage) {
    const MapDatum datum(datumName);
    if (datum.da() == 0 && datum.df() == 0 && datum.dx() == 0 && datum.dy() == 0 && datum.dz() == 0)
        return held;
    storage.assign(held.begin(), held.end());
    for (TrackPoint& p : storage) {
        double lat, lon, alt;
        datum.toWgs84(p.latitude, p.longitude, p.altitude, lat, lon, alt);
        p.latitude = lat, p.longitude = lon;
    }
    return storage;
}

FlightReport buildFlightReport(std::span<const TrackPoint> held, int segment, ContestRules rules,
                               std::string_view datumName, bool score) {
    FlightReport report;
    if (held.empty())
        return report;
    // Everything is measured on WGS-84 positions.
    std::vector<TrackPoint> converted;
    const std::span<const TrackPoint> points = PointsInWgs84(held, datumName, converted);
    std::size_t first = 0, last = points.size() - 1;
    if (segment >= 0) {
        const auto at = std::find_if(points.begin(), points.end(), [&](const TrackPoint& p) { return p.segment == segment; });
        if (at == points.end())
            return report;
        first = static_cast<std::size_t>(at - points.begin());
        last = first;
        while (last + 1 < points.size() && points[last + 1].segment == segment)
            ++last;
    }
    report.first = static_cast<std::uint32_t>(first);
    report.last = static_cast<std::uint32_t>(last);
    const Local l = localOf(points);
    const double dt = medianStep(l, first, last);

    for (const FlightSpan& span : findFlights(l, first, last, dt)) {
        const std::size_t to = span.takeoff, ld = span.landing;
        FlightReportEntry f;
        f.takeoff = static_cast<std::uint32_t>(to);
        f.landing = static_cast<std::uint32_t>(ld);
        f.takeoffTime = double(points[0].time) + span.takeoffTime;
        f.landingTime = double(points[0].time) + span.landingTime;
        f.airTimeS = span.landingTime - span.takeoffTime;
        for (std::size_t k = to + 1; k <= ld; ++k)
            f.trackKm += std::hypot(l.x[k] - l.x[k - 1], l.y[k] - l.y[k - 1]) / 1000;
        std::vector<WindFigure> winds;
        std::size_t glideFrom = to;
        auto glideWinds = [&](std::size_t a, std::size_t b) {
            if (b > a)
                for (TurnWind& w : turnWinds(l.x, l.y, l.t, a, b, dt))
                    winds.push_back(f.turnWinds.emplace_back(w).wind);
        };
        // Between thermals: runs of two or more whole circles without climb
        // (figure-eights, circles in a glide) give their mean drift, the rest
        // the winds of the ground speeds over heading changes.
        auto windsBetween = [&](std::size_t a, std::size_t b) {
            if (b <= a)
                return;
            const std::vector<Circle> circles = wholeCircles(l, a, b);
            std::size_t from = a;
            for (std::size_t k = 0; k < circles.size();) {
                std::size_t m = k + 1;
                while (m < circles.size() && circles[m].first == circles[m - 1].last)
                    ++m;
                if (m - k >= 2) {
                    TurnWind w;
                    w.start = static_cast<std::uint32_t>(circles[k].first);
                    w.end = static_cast<std::uint32_t>(circles[m - 1].last);
                    w.wind = circleDrift(std::span<const Circle>(circles).subspan(k, m - k));
                    w.wind.fromTurns = true;
                    glideWinds(from, w.start);
                    from = w.end;
                    winds.push_back(f.turnWinds.emplace_back(w).wind);
                }
                k = m;
            }
            glideWinds(from, b);
        };
        for (const Span& s : thermalsOf(l, to, ld, dt)) {
            ThermalReport t;
            t.start = static_cast<std::uint32_t>(s.first);
            t.end = static_cast<std::uint32_t>(s.last);
            t.gainM = l.z[s.last] - l.z[s.first];
            t.climbMs = t.gainM / (l.t[s.last] - l.t[s.first]);
            t.wind = thermalWindLocal(l, s.first, s.last);
            winds.push_back(t.wind);
            f.thermals.push_back(t);
            windsBetween(glideFrom, s.first);
            glideFrom = s.last;
        }
        windsBetween(glideFrom, ld);
        f.wind = combineWinds(winds);
        if (score)
            f.score = scoreFlight(points.subspan(to, ld - to + 1), rules);
        for (auto* list : {&f.score.turnpoints, &f.score.ends})
            for (ContestPoint& p : *list)
                p.index += static_cast<std::uint32_t>(to);
        report.flights.push_back(std::move(f));
    }

    // Phases: ground outside the flights, thermalling in the thermals,
    // gliding in between.
    std::size_t at = first;
    auto add = [&](PhaseKind kind, std::size_t a, std::size_t b) {
        if (a <= b)
            report.phases.push_back({kind, static_cast<std::uint32_t>(a), static_cast<std::uint32_t>(b)});
    };
    for (const FlightReportEntry& f : report.flights) {
        if (f.takeoff > at)
            add(PhaseKind::Ground, at, f.takeoff - 1);
        std::size_t inFlight = f.takeoff;
        for (const ThermalReport& t : f.thermals) {
            if (t.start > inFlight)
                add(PhaseKind::Gliding, inFlight, t.start - 1);
            add(PhaseKind::Thermalling, t.start, t.end);
            inFlight = t.end + 1;
        }
        add(PhaseKind::Gliding, inFlight, f.landing);
        at = f.landing + 1;
    }
    add(PhaseKind::Ground, at, last);
    return report;
}

} // namespace nuvrel
