#include "core/analysis/turn_wind.h"

#include "core/analysis/linear_solve.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

namespace nuvrel {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kMinChordS = 10;         // velocities over at least this long
constexpr double kMinWindowS = 480;       // windows of at least this long, or 24 chords
constexpr double kMaxTurnDeg = 45;        // heading change from one chord to the next
constexpr double kMaxTurnAcrossDeg = 90;  // and from the chord before to the one after
constexpr double kMinAirSpeedMs = 5;      // a circle of another size is no flight's
constexpr double kMaxAirSpeedMs = 40;     // (a tiny one is the jitter of a glide)
constexpr double kMinCoverDeg = 150;      // of the circle, with no hole wider than
constexpr double kMaxHoleDeg = 100;
constexpr int kMinSectors = 3;            // of 30 degrees with two velocities each
constexpr double kMaxErrorKmh = 2;
constexpr std::size_t kMinChords = 8;
constexpr std::size_t kMaxChordPoints = 1000;   // points searched for a chord's end
constexpr std::size_t kMaxWindowChords = 20000;
constexpr double kNoiseFloorMs = 0.2;     // the spread a fit is never more sure than

struct V2 {
    double x = 0, y = 0;
};

struct Chord {
    std::size_t from, to;
    V2 v;
    std::optional<V2> before, after; // the chords ending where this starts, and starting where it ends
};

// The wind circle: centre c, air speed r.
struct Circle {
    V2 c;
    double r = 0;
    double errorMs = 0;
    std::vector<V2> inliers;
};

// The algebraic (Kasa) fit: x^2 + y^2 + D x + E y + F = 0 in the least
// squares, with a steady air speed.
std::optional<Circle> algebraicFit(const std::vector<V2>& p) {
    V2 mean;
    for (const V2& q : p)
        mean.x += q.x, mean.y += q.y;
    mean.x /= static_cast<double>(p.size()), mean.y /= static_cast<double>(p.size());
    std::array<std::array<double, 3>, 3> m{};
    std::array<double, 3> r{};
    for (const V2& q : p) {
        const double x = q.x - mean.x, y = q.y - mean.y, z = x * x + y * y;
        const std::array<double, 3> f{x, y, 1};
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j)
                m[i][j] += f[i] * f[j];
            r[i] -= f[i] * z;
        }
    }
    const auto s = SolveLinear<3>(m, r);
    if (!s)
        return std::nullopt;
    Circle c;
    c.c = {mean.x - (*s)[0] / 2, mean.y - (*s)[1] / 2};
    const double rr = ((*s)[0] * (*s)[0] + (*s)[1] * (*s)[1]) / 4 - (*s)[2];
    if (!(rr > 0))
        return std::nullopt;
    c.r = std::sqrt(rr);
    return c;
}

// The geometric fit (sum of squared distances to the circle) from `c` by
// Gauss-Newton, with the standard error of the centre.
std::optional<Circle> geometricFit(const std::vector<V2>& p, Circle c) {
    using Row = std::array<double, 3>;
    std::array<Row, 3> jtj{};
    double rss = 0;
    for (int iter = 0; iter < 30; ++iter) {
        // The Jacobian row of a velocity is (-ux, -uy, -1), u the unit
        // vector from the centre to it.
        double sxx = 0, sxy = 0, syy = 0, sx = 0, sy = 0, count = 0, ex = 0, ey = 0, e1 = 0;
        rss = 0;
        for (const V2& q : p) {
            const double dx = q.x - c.c.x, dy = q.y - c.c.y, d = std::sqrt(dx * dx + dy * dy);
            if (d < 1e-9)
                continue;
            const double ux = dx / d, uy = dy / d, e = d - c.r;
            sxx += ux * ux, sxy += ux * uy, syy += uy * uy, sx += ux, sy += uy, count += 1;
            ex += ux * e, ey += uy * e, e1 += e;
            rss += e * e;
        }
        jtj = {Row{sxx, sxy, sx}, Row{sxy, syy, sy}, Row{sx, sy, count}};
        const Row jte{ex, ey, e1};
        const auto step = SolveLinear<3>(jtj, jte);
        if (!step)
            return std::nullopt;
        c.c.x += (*step)[0], c.c.y += (*step)[1], c.r += (*step)[2];
        if (std::abs((*step)[0]) + std::abs((*step)[1]) + std::abs((*step)[2]) < 1e-6)
            break;
    }
    if (!(c.r > 0) || !std::isfinite(c.c.x) || !std::isfinite(c.c.y))
        return std::nullopt;
    // The centre's variance: sigma^2 times the diagonal of the inverse normal matrix.
    const double n = static_cast<double>(p.size());
    const double sigma2 = std::max(rss / std::max(n - 3, 1.0), kNoiseFloorMs * kNoiseFloorMs);
    double var = 0;
    for (std::size_t k = 0; k < 2; ++k) {
        Row unit{};
        unit[k] = 1;
        const auto col = SolveLinear<3>(jtj, unit);
        if (!col)
            return std::nullopt;
        var += (*col)[k];
    }
    c.errorMs = std::sqrt(std::max(var, 0.0) * sigma2);
    c.inliers = p;
    return c;
}

// The circle through the velocities, leaving out those more than three
// robust spreads off it, as long as that leaves some out.
std::optional<Circle> robustFit(std::vector<V2> p) {
    for (int round = 0; round < 4; ++round) {
        if (p.size() < kMinChords)
            return std::nullopt;
        const auto start = algebraicFit(p);
        if (!start)
            return std::nullopt;
        const auto fit = geometricFit(p, *start);
        if (!fit)
            return std::nullopt;
        std::vector<double> off;
        for (const V2& q : p)
            off.push_back(std::abs(std::hypot(q.x - fit->c.x, q.y - fit->c.y) - fit->r));
        std::vector<double> sorted = off;
        std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 2), sorted.end());
        const double limit = 3 * std::max(1.4826 * sorted[sorted.size() / 2], kNoiseFloorMs);
        std::vector<V2> kept;
        for (std::size_t i = 0; i < p.size(); ++i)
            if (off[i] <= limit)
                kept.push_back(p[i]);
        if (kept.size() == p.size())
            return fit;
        p = std::move(kept);
    }
    return std::nullopt;
}

// How the velocities seen from the centre cover the circle: the largest and
// the second largest hole between their directions, in degrees, and the
// number of 30-degree sectors holding at least two (the most over three
// placings of the sectors, so that a bunch of velocities is not split).
struct Coverage {
    double hole = 0, inner = 0;
    int sectors = 0;
};

Coverage coverage(const Circle& c) {
    std::vector<double> a;
    for (const V2& q : c.inliers)
        a.push_back(std::atan2(q.y - c.c.y, q.x - c.c.x) * 180 / kPi + 180); // 0 .. 360
    std::sort(a.begin(), a.end());
    Coverage out;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const double gap = i + 1 < a.size() ? a[i + 1] - a[i] : a[0] + 360 - a[i];
        if (gap > out.hole)
            out.inner = out.hole, out.hole = gap;
        else if (gap > out.inner)
            out.inner = gap;
    }
    for (const double offset : {0.0, 10.0, 20.0}) {
        std::array<int, 12> inSector{};
        for (const double deg : a)
            ++inSector[static_cast<std::size_t>(std::fmod(deg + offset, 360.0) / 30) % inSector.size()];
        out.sectors = std::max(out.sectors, static_cast<int>(std::count_if(inSector.begin(), inSector.end(),
                                                                            [](int n) { return n >= 2; })));
    }
    return out;
}

double turnDeg(V2 a, V2 b, double r) {
    return 2 * std::asin(std::min(1.0, std::hypot(a.x - b.x, a.y - b.y) / (2 * r))) * 180 / kPi;
}

// A chord through a steady turn of angle phi is shorter than the air speed
// by sin(phi / 2) / (phi / 2); the turn across it is half the turn from the
// chord before to the one after. Lengthens the air vector (seen from the
// centre c) back.
V2 unshrunk(const Chord& ch, V2 c) {
    if (!ch.before || !ch.after)
        return ch.v;
    const double a0 = std::atan2(ch.before->y - c.y, ch.before->x - c.x);
    const double a1 = std::atan2(ch.after->y - c.y, ch.after->x - c.x);
    const double phi = std::abs(std::remainder(a1 - a0, 2 * kPi)) / 2;
    if (phi < 1e-6)
        return ch.v;
    const double k = (phi / 2) / std::sin(phi / 2);
    return {c.x + (ch.v.x - c.x) * k, c.y + (ch.v.y - c.y) * k};
}

// The wind of the chords of one window, if they determine it.
std::optional<Circle> windowWind(const std::vector<Chord>& chords) {
    std::vector<V2> all;
    for (const Chord& c : chords)
        all.push_back(c.v);
    auto fit = robustFit(all);
    if (!fit)
        return std::nullopt;
    // Leave out the chords across fast turns, judged by the air speed of
    // the fit over all (a fit over the steady chords alone may be free to
    // take any radius).
    const double r = std::clamp(fit->r, 4.0, 30.0);
    std::vector<const Chord*> steady;
    for (const Chord& c : chords)
        if ((!c.before || turnDeg(*c.before, c.v, r) <= kMaxTurnDeg) &&
            (!c.after || turnDeg(c.v, *c.after, r) <= kMaxTurnDeg) &&
            (!c.before || !c.after || turnDeg(*c.before, *c.after, r) <= kMaxTurnAcrossDeg))
            steady.push_back(&c);
    std::vector<V2> samples;
    for (const Chord* c : steady)
        samples.push_back(c->v);
    fit = robustFit(samples);
    // Then twice: the chords of the gentle turns lengthened to the air speed.
    for (int round = 0; round < 2 && fit; ++round) {
        samples.clear();
        for (const Chord* c : steady)
            samples.push_back(unshrunk(*c, fit->c));
        fit = robustFit(samples);
    }
    if (!fit)
        return std::nullopt;
    const Coverage cover = coverage(*fit);
    if (fit->r < kMinAirSpeedMs || fit->r > kMaxAirSpeedMs || 360 - cover.hole < kMinCoverDeg ||
        cover.inner > kMaxHoleDeg || cover.sectors < kMinSectors || fit->errorMs * 3.6 > kMaxErrorKmh ||
        5 * fit->inliers.size() < 2 * chords.size())
        return std::nullopt;
    return fit;
}

} // namespace

std::vector<TurnWind> turnWinds(std::span<const double> x, std::span<const double> y, std::span<const double> t,
                                std::size_t first, std::size_t last, double step) {
    std::vector<TurnWind> out;
    if (last >= t.size() || first >= last)
        return out;
    const double chordS = std::max(kMinChordS, step);
    // The point at least chordS after i (or before it), within twice that;
    // the search gives up after kMaxChordPoints points (times standing still).
    auto later = [&](std::size_t i) -> std::optional<std::size_t> {
        for (std::size_t j = i + 1; j <= last && j - i <= kMaxChordPoints; ++j)
            if (t[j] - t[i] >= chordS)
                return t[j] - t[i] <= 2 * chordS ? std::optional(j) : std::nullopt;
        return std::nullopt;
    };
    auto earlier = [&](std::size_t i) -> std::optional<std::size_t> {
        for (std::size_t j = i; j-- > first && i - j <= kMaxChordPoints;)
            if (t[i] - t[j] >= chordS)
                return t[i] - t[j] <= 2 * chordS ? std::optional(j) : std::nullopt;
        return std::nullopt;
    };
    auto velocity = [&](std::size_t a, std::size_t b) -> std::optional<V2> {
        const double dt = t[b] - t[a];
        const V2 v{(x[b] - x[a]) / dt, (y[b] - y[a]) / dt};
        if (!std::isfinite(v.x) || !std::isfinite(v.y))
            return std::nullopt;
        return v;
    };
    std::vector<Chord> chords;
    for (std::size_t i = first; i < last; ++i) {
        const auto j = later(i);
        const auto v = j ? velocity(i, *j) : std::nullopt;
        if (!v)
            continue;
        Chord c{i, *j, *v, std::nullopt, std::nullopt};
        if (const auto p = earlier(i))
            c.before = velocity(*p, i);
        if (const auto k = later(*j))
            c.after = velocity(*j, *k);
        chords.push_back(c);
    }
    if (chords.empty())
        return out;

    const double windowS = std::max(kMinWindowS, 24 * chordS);
    struct Found {
        std::size_t from, to;
        Circle fit;
    };
    std::vector<Found> found;
    // Windows from chord k on, the next one starting a third of a window
    // later (over pauses in the log, at the next chord).
    for (std::size_t k = 0; k < chords.size();) {
        const double ws = t[chords[k].from], we = ws + windowS;
        std::vector<Chord> in;
        std::size_t next = k + 1;
        for (std::size_t i = k; i < chords.size() && i - k < kMaxWindowChords && t[chords[i].from] <= we; ++i) {
            if (t[chords[i].from] >= ws && t[chords[i].to] <= we)
                in.push_back(chords[i]);
            if (t[chords[i].from] < ws + windowS / 3)
                next = i + 1;
        }
        if (auto fit = windowWind(in))
            found.push_back({in.front().from, in.back().to, std::move(*fit)});
        if (we >= t[last])
            break;
        k = next;
    }
    // The surest windows first, each kept unless it overlaps one kept before.
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) { return a.fit.errorMs < b.fit.errorMs; });
    for (const Found& f : found) {
        const bool overlaps = std::any_of(out.begin(), out.end(), [&](const TurnWind& w) {
            return f.from <= w.end && w.start <= f.to;
        });
        if (overlaps)
            continue;
        TurnWind w;
        w.start = static_cast<std::uint32_t>(f.from);
        w.end = static_cast<std::uint32_t>(f.to);
        w.wind = windFigureOf(f.fit.c.x, f.fit.c.y, f.fit.errorMs * 3.6);
        w.wind.fromTurns = true;
        out.push_back(w);
    }
    std::sort(out.begin(), out.end(), [](const TurnWind& a, const TurnWind& b) { return a.start < b.start; });
    return out;
}

} // namespace nuvrel
