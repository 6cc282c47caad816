#include "core/analysis/flight_report.h"

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
constexpr double kShortRunS = 60;        // runs shorter than this (and of fewer than 3 points) are closed
constexpr double kMinAirTimeS = 60;
constexpr double kGapS = 120;            // no window reaches over a longer pause in the log
constexpr double kStoppedS = 600;        // a longer pause is the log stopped: no flight reaches over it
// Placing take-off and landing.
constexpr double kLineSpanS = 45; // each side of the coarse boundary
// Thermals.
constexpr double kClimbHalfWindowS = 20;
constexpr double kThermalClimbMs = 0.3;
constexpr double kMinThermalS = 60;
constexpr double kMinThermalGainM = 30;
constexpr double kThermalMergeS = 30;
constexpr double kAssumedCircleM = 70; // the drift's error when too few points for a fit
constexpr std::size_t kMinFitPoints = 16;

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

// Residual sum of squares of straight lines through x, y and z over time on [a, b].
double lineResidual(const Local& l, std::size_t a, std::size_t b) {
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
            flying[i] = pathKmh > kFlyingPathKmh || std::abs(vz) > kFlyingVerticalMs;
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

// Residual sum of squares of a hinge fit over [a, b] broken at point c: in
// x, y and z, one straight line up to t[c] and another from there on, meeting
// at t[c] (a position does not jump).
double hingeResidual(const Local& l, std::size_t a, std::size_t b, std::size_t c) {
    const double tc = l.t[c];
    double m[3][3] = {};
    for (std::size_t i = a; i <= b; ++i) {
        const double f[3] = {1, std::min(l.t[i] - tc, 0.0), std::max(l.t[i] - tc, 0.0)};
        for (int p = 0; p < 3; ++p)
            for (int q = 0; q < 3; ++q)
                m[p][q] += f[p] * f[q];
    }
    // The inverse of the 3x3 normal matrix (by cofactors).
    const double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                       m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                       m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    if (std::abs(det) < 1e-9)
        return lineResidual(l, a, b);
    double inv[3][3];
    for (int p = 0; p < 3; ++p)
        for (int q = 0; q < 3; ++q) {
            const int p1 = (q + 1) % 3, p2 = (q + 2) % 3, q1 = (p + 1) % 3, q2 = (p + 2) % 3;
            inv[p][q] = (m[p1][q1] * m[p2][q2] - m[p1][q2] * m[p2][q1]) / det;
        }
    double rss = 0;
    for (const auto* v : {&l.x, &l.y, &l.z}) {
        double r[3] = {};
        for (std::size_t i = a; i <= b; ++i) {
            const double f[3] = {1, std::min(l.t[i] - tc, 0.0), std::max(l.t[i] - tc, 0.0)};
            for (int p = 0; p < 3; ++p)
                r[p] += f[p] * (*v)[i];
        }
        double k[3] = {};
        for (int p = 0; p < 3; ++p)
            for (int q = 0; q < 3; ++q)
                k[p] += inv[p][q] * r[q];
        for (std::size_t i = a; i <= b; ++i) {
            const double e = (*v)[i] - (k[0] + k[1] * std::min(l.t[i] - tc, 0.0) + k[2] * std::max(l.t[i] - tc, 0.0));
            rss += e * e;
        }
    }
    return rss;
}

// The point where the motion changes near the coarse boundary `near`: the
// break of the hinge fit over a window of points around it that leaves the
// least residual.
std::size_t placeBoundary(const Local& l, std::size_t near, std::size_t lo, std::size_t hi, double dt) {
    const double reach = std::max(kLineSpanS, 3 * dt);
    std::size_t from = near, to = near;
    while (from > lo && l.t[near] - l.t[from - 1] <= reach)
        --from;
    while (to < hi && l.t[to + 1] - l.t[near] <= reach)
        ++to;
    std::size_t best = near;
    double bestCost = std::numeric_limits<double>::infinity();
    for (std::size_t c = from; c <= to; ++c) {
        const double cost = hingeResidual(l, from, to, c);
        if (cost < bestCost) {
            bestCost = cost;
            best = c;
        }
    }
    return best;
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

// Solves the 4x4 system m * x = r in place (partial pivoting); a pivot that
// vanishes leaves its unknown at 0.
std::array<double, 4> solve4(std::array<std::array<double, 4>, 4> m, std::array<double, 4> r) {
    std::array<int, 4> order{0, 1, 2, 3};
    for (int c = 0; c < 4; ++c) {
        int p = c;
        for (int i = c + 1; i < 4; ++i)
            if (std::abs(m[order[i]][c]) > std::abs(m[order[p]][c]))
                p = i;
        std::swap(order[c], order[p]);
        const double piv = m[order[c]][c];
        if (std::abs(piv) < 1e-12)
            continue;
        for (int i = c + 1; i < 4; ++i) {
            const double f = m[order[i]][c] / piv;
            for (int j = c; j < 4; ++j)
                m[order[i]][j] -= f * m[order[c]][j];
            r[order[i]] -= f * r[order[c]];
        }
    }
    std::array<double, 4> x{};
    for (int c = 3; c >= 0; --c) {
        const double piv = m[order[c]][c];
        if (std::abs(piv) < 1e-12)
            continue;
        double s = r[order[c]];
        for (int j = c + 1; j < 4; ++j)
            s -= m[order[c]][j] * x[j];
        x[c] = s / piv;
    }
    return x;
}

WindFigure windOf(double we, double wn, double errorKmh) {
    WindFigure w = windFigureOf(we, wn, errorKmh);
    w.fromThermals = true;
    return w;
}

WindFigure thermalWindLocal(const Local& l, std::size_t a, std::size_t b) {
    if (b <= a || l.t[b] <= l.t[a])
        return {};
    const std::size_t n = b - a + 1;
    const double tm = (l.t[a] + l.t[b]) / 2;
    const double span = l.t[b] - l.t[a];
    if (n < kMinFitPoints) {
        // Too few points for a fit: the drift from first to last point.
        return windOf((l.x[b] - l.x[a]) / span, (l.y[b] - l.y[a]) / span, kAssumedCircleM / span * 3.6);
    }
    struct Fit {
        double rss = std::numeric_limits<double>::infinity();
        double we = 0, wn = 0, stt = 1;
    } best;
    for (double period = 12; period <= 60; period += 0.25) {
        const double w = 2 * kPi / period;
        std::array<std::array<double, 4>, 4> m{};
        std::array<double, 4> rx{}, ry{};
        for (std::size_t i = a; i <= b; ++i) {
            const double t = l.t[i] - tm;
            const std::array<double, 4> f{1, t, std::cos(w * t), std::sin(w * t)};
            for (int p = 0; p < 4; ++p) {
                for (int q = 0; q < 4; ++q)
                    m[p][q] += f[p] * f[q];
                rx[p] += f[p] * l.x[i];
                ry[p] += f[p] * l.y[i];
            }
        }
        // A turn the sampling cannot see must not swallow the drift.
        m[2][2] += 1e-6 * static_cast<double>(n);
        m[3][3] += 1e-6 * static_cast<double>(n);
        const auto cx = solve4(m, rx), cy = solve4(m, ry);
        double rss = 0;
        for (std::size_t i = a; i <= b; ++i) {
            const double t = l.t[i] - tm;
            const double c = std::cos(w * t), s = std::sin(w * t);
            const double ex = l.x[i] - (cx[0] + cx[1] * t + cx[2] * c + cx[3] * s);
            const double ey = l.y[i] - (cy[0] + cy[1] * t + cy[2] * c + cy[3] * s);
            rss += ex * ex + ey * ey;
        }
        if (rss < best.rss)
            best = {rss, cx[1], cy[1], m[1][1]};
    }
    const double dof = static_cast<double>(2 * n) - 8;
    if (dof < 2)
        return windOf((l.x[b] - l.x[a]) / span, (l.y[b] - l.y[a]) / span, kAssumedCircleM / span * 3.6);
    const double sigma = std::sqrt(best.rss / dof);
    const double error = sigma / std::sqrt(std::max(best.stt, 1e-9)) * 3.6 * std::sqrt(2.0);
    return windOf(best.we, best.wn, error);
}

struct Span {
    std::size_t first, last;
};

std::vector<Span> thermalsOf(const Local& l, std::size_t to, std::size_t ld) {
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
    std::vector<Span> out;
    for (const Span& r : runs)
        if (l.t[r.last] - l.t[r.first] >= kMinThermalS && l.z[r.last] - l.z[r.first] >= kMinThermalGainM)
            out.push_back(r);
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

FlightReport buildFlightReport(std::span<const TrackPoint> held, int segment, ContestRules rules,
                               std::string_view datumName, bool score) {
    FlightReport report;
    if (held.empty())
        return report;
    // Everything is measured on WGS-84 positions.
    const MapDatum datum(datumName);
    std::vector<TrackPoint> converted;
    if (datum.da() != 0 || datum.df() != 0 || datum.dx() != 0 || datum.dy() != 0 || datum.dz() != 0) {
        converted.assign(held.begin(), held.end());
        for (TrackPoint& p : converted) {
            double lat, lon, alt;
            datum.toWgs84(p.latitude, p.longitude, p.altitude, lat, lon, alt);
            p.latitude = lat, p.longitude = lon;
        }
    }
    const std::span<const TrackPoint> points = converted.empty() ? held : std::span<const TrackPoint>(converted);
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

    std::vector<char> flying = judgeFlying(l, first, last);
    closeShortRuns(flying, l, first, last, 1, kShortRunS / 2);
    closeShortRuns(flying, l, first, last, 0, kShortRunS);
    closeShortRuns(flying, l, first, last, 1, kShortRunS);
    // A receiver switched off after one landing and on again before the next
    // launch logs little ground on either side: the pause itself is ground.
    for (std::size_t i = first + 1; i <= last; ++i)
        if (l.t[i] - l.t[i - 1] > kStoppedS)
            flying[i - 1] = flying[i] = 0;

    for (std::size_t i = first; i <= last; ++i) {
        if (!flying[i])
            continue;
        std::size_t j = i;
        while (j < last && flying[j + 1])
            ++j;
        const std::size_t lo = report.flights.empty() ? first : report.flights.back().landing;
        std::size_t end = last;
        for (std::size_t k = j + 1; k <= last; ++k)
            if (flying[k]) {
                end = k - 1;
                break;
            }
        // A log that starts or ends with a few still points (the receiver
        // switched on just before the launch, off just after the landing)
        // has its take-off or landing placed as well; one that starts or ends
        // in the air, not.
        const std::size_t to = i > first || stillAt(l, first, last, true) ? placeBoundary(l, i, lo, j, dt) : first;
        const std::size_t ld =
            j < last || stillAt(l, first, last, false) ? placeBoundary(l, j, std::max(to, i), end, dt) : last;
        i = j;
        if (ld <= to || l.t[ld] - l.t[to] < kMinAirTimeS)
            continue;
        FlightReportEntry f;
        f.takeoff = static_cast<std::uint32_t>(to);
        f.landing = static_cast<std::uint32_t>(ld);
        f.airTimeS = l.t[ld] - l.t[to];
        for (std::size_t k = to + 1; k <= ld; ++k)
            f.trackKm += std::hypot(l.x[k] - l.x[k - 1], l.y[k] - l.y[k - 1]) / 1000;
        std::vector<WindFigure> winds;
        std::size_t glideFrom = to;
        auto windsBetween = [&](std::size_t a, std::size_t b) {
            if (b > a)
                for (TurnWind& w : turnWinds(l.x, l.y, l.t, a, b, dt))
                    winds.push_back(f.turnWinds.emplace_back(w).wind);
        };
        for (const Span& s : thermalsOf(l, to, ld)) {
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
