#include "core/analysis/contest_score.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <queue>
#include <unordered_map>

namespace nuvrel {

namespace {

constexpr double kDegToRad = 3.14159265358979323846 / 180;

double round2(double v) { return std::round(v * 100) / 100; }

// The FCC formula's scales (km per degree) from cos(mean latitude).
template <typename T> inline void fccScales(T cf, T& k1, T& k2) {
    const T c2 = 2 * cf * cf - 1;
    const T c3 = cf * (2 * c2 - 1);
    const T c4 = 2 * c2 * c2 - 1;
    const T c5 = 2 * c2 * c3 - cf;
    k1 = T(111.13209) - T(0.56605) * c2 + T(0.00120) * c4;
    k2 = T(111.41513) * cf - T(0.09455) * c3 + T(0.00012) * c5;
}

struct ScoringType {
    const char* name;
    double multiplier;
    bool triangle;
    bool fai;              // each side at least 28 % of the perimeter
    double closingFixed;   // km always accepted
    double closingRelative;// share of the perimeter accepted
    double closingFree;    // closings up to this are not deducted
};

constexpr ScoringType kXContest[] = {
    {"Free Flight", 1.0, false, false, 0, 0, 0},
    {"Free Triangle", 1.2, true, false, 0, 0.2, 0},
    {"FAI Triangle", 1.4, true, true, 0, 0.2, 0},
    {"Closed Free Triangle", 1.4, true, false, 0, 0.05, 0},
    {"Closed FAI Triangle", 1.6, true, true, 0, 0.05, 0},
};
constexpr ScoringType kFfvl[] = {
    {"Distance 3 points", 1.0, false, false, 0, 0, 0},
    {"Triangle plat", 1.2, true, false, 3, 0.05, 3},
    {"Triangle FAI", 1.4, true, true, 3, 0.05, 3},
};

// The points in the forms the searches need.
class Flight {
public:
    Flight(std::span<const TrackPoint> pts, const std::vector<std::uint32_t>& keep)
        : n(static_cast<std::uint32_t>(keep.size())) {
        lat.resize(n), lon.resize(n), ch.resize(n), sh.resize(n);
        double south = 90, north = -90;
        for (std::uint32_t i = 0; i < n; ++i) {
            lat[i] = pts[keep[i]].latitude;
            lon[i] = pts[keep[i]].longitude;
            ch[i] = std::cos(lat[i] * kDegToRad / 2);
            sh[i] = std::sin(lat[i] * kDegToRad / 2);
            south = std::min(south, lat[i]), north = std::max(north, lat[i]);
        }
        // The scales at the mean latitude of any two points lie between
        // those at the flight's extreme latitudes (and the equator's when
        // it crosses it): the smallest give distances never longer than the
        // formula's, for the closing search's box tests.
        double k1a, k2a, k1b, k2b;
        fccScales(std::cos(south * kDegToRad), k1a, k2a);
        fccScales(std::cos(north * kDegToRad), k1b, k2b);
        k1Low_ = std::min(k1a, k1b);
        k2Low_ = std::min(k2a, k2b);
        if (south <= 0 && north >= 0) {
            double k1e, k2e;
            fccScales(1.0, k1e, k2e);
            k1Low_ = std::min(k1Low_, k1e);
            k2Low_ = std::min(k2Low_, k2e);
        }
        k1Low_ *= 1 - 1e-9, k2Low_ *= 1 - 1e-9;
        buildTables();
    }

    double dist(std::uint32_t i, std::uint32_t j) const {
        double k1, k2;
        fccScales(ch[i] * ch[j] - sh[i] * sh[j], k1, k2);
        const double a = k1 * (lat[i] - lat[j]), b = k2 * (lon[i] - lon[j]);
        return std::sqrt(a * a + b * b);
    }

    struct Box {
        double lat0, lat1, lon0, lon1;
    };
    // Bounding box of the points first .. last, from the sparse tables.
    Box box(std::uint32_t first, std::uint32_t last) const {
        const int k = std::bit_width(last - first + 1) - 1;
        const auto& a = tables_[static_cast<std::size_t>(k)];
        const std::uint32_t j = last + 1 - (1u << k);
        return {std::min(a[first].lat0, a[j].lat0), std::max(a[first].lat1, a[j].lat1),
                std::min(a[first].lon0, a[j].lon0), std::max(a[first].lon1, a[j].lon1)};
    }

    // The longest distance between a point of box p and a point of box q
    // can be (an upper bound).
    static double maxDist(const Box& p, const Box& q) {
        const double dlat = std::max(p.lat1 - q.lat0, q.lat1 - p.lat0);
        const double dlon = std::max(p.lon1 - q.lon0, q.lon1 - p.lon0);
        // k1 grows and k2 shrinks with the mean latitude's distance from the equator.
        const double m0 = (p.lat0 + q.lat0) / 2, m1 = (p.lat1 + q.lat1) / 2;
        const double far = std::max(std::abs(m0), std::abs(m1));
        const double near = (m0 <= 0 && m1 >= 0) ? 0 : std::min(std::abs(m0), std::abs(m1));
        double k1, k2, unused;
        fccScales(std::cos(far * kDegToRad), k1, unused);
        fccScales(std::cos(near * kDegToRad), unused, k2);
        const double a = k1 * dlat, b = k2 * dlon;
        return std::sqrt(a * a + b * b) * (1 + 1e-9);
    }

    // The shortest distance between a point at or before a and a point at or
    // after c (a <= c). The pair (in, out) found answers every query (a', c')
    // with in <= a' <= a and c <= c' <= out as well, since the smaller sets
    // still hold it: answers are kept as such rectangles and looked up
    // first. Otherwise the two index ranges are split in halves together;
    // the track's continuity keeps the boxes of index ranges small, so most
    // pairs of halves are left out by their boxes.
    double closing(std::uint32_t a, std::uint32_t c) {
        if (a >= c)
            return 0;
        const std::uint64_t key = std::uint64_t{a} * n + c;
        if (auto it = closings_.find(key); it != closings_.end())
            return it->second.d;
        Closing best{dist(a, c), a, c};
        for (const Known& k : known_) {
            if (k.c.in > a || k.c.out < c)
                continue; // not a pair of this query
            if (k.a >= a && k.cFrom <= c) {
                closings_.emplace(key, k.c);
                return k.c.d;
            }
            if (k.c.d < best.d)
                best = k.c;
        }
        using Pair = PairOfRanges;
        std::vector<Pair>& stack = stack_;
        stack.assign(1, Pair{0, a, c, n - 1});
        while (!stack.empty()) {
            const Pair w = stack.back();
            stack.pop_back();
            if (lowerDist(box(w.p0, w.p1), box(w.q0, w.q1)) >= best.d)
                continue;
            const std::uint32_t np = w.p1 - w.p0 + 1, nq = w.q1 - w.q0 + 1;
            if (np * nq <= 32) {
                for (std::uint32_t i = w.p0; i <= w.p1; ++i)
                    for (std::uint32_t j = w.q0; j <= w.q1; ++j)
                        if (const double d = dist(i, j); d < best.d)
                            best = {d, i, j};
                continue;
            }
            if (np >= nq) {
                const std::uint32_t m = w.p0 + (w.p1 - w.p0) / 2;
                stack.push_back({w.p0, m, w.q0, w.q1});
                stack.push_back({m + 1, w.p1, w.q0, w.q1}); // the later half, nearer c, first
            } else {
                const std::uint32_t m = w.q0 + (w.q1 - w.q0) / 2;
                stack.push_back({w.p0, w.p1, m + 1, w.q1});
                stack.push_back({w.p0, w.p1, w.q0, m}); // the earlier half, nearer a, first
            }
        }
        closings_.emplace(key, best);
        known_.push_back({best, a, c});
        return best.d;
    }
    // Never longer than the distance of any point of p to any point of q.
    double lowerDist(const Box& p, const Box& q) const {
        const double dlat = std::max({0.0, p.lat0 - q.lat1, q.lat0 - p.lat1});
        const double dlon = std::max({0.0, p.lon0 - q.lon1, q.lon0 - p.lon1});
        const double a = k1Low_ * dlat, b = k2Low_ * dlon;
        return std::sqrt(a * a + b * b);
    }

    std::pair<std::uint32_t, std::uint32_t> closingPair(std::uint32_t a, std::uint32_t c) {
        if (a >= c)
            return {a, a};
        closing(a, c);
        const auto& k = closings_.at(std::uint64_t{a} * n + c);
        return {k.in, k.out};
    }

    const std::uint32_t n;
    std::vector<double> lat, lon, ch, sh;

private:
    struct Closing {
        double d;
        std::uint32_t in, out;
    };
    struct Known {
        Closing c;
        std::uint32_t a, cFrom; // the query answered
    };

    void buildTables() {
        tables_.emplace_back(n);
        for (std::uint32_t i = 0; i < n; ++i)
            tables_[0][i] = {lat[i], lat[i], lon[i], lon[i]};
        for (std::uint32_t w = 2; w <= n; w *= 2) {
            const auto& prev = tables_.back();
            std::vector<Box> next(n - w + 1);
            for (std::uint32_t i = 0; i + w <= n; ++i) {
                const Box& p = prev[i];
                const Box& q = prev[i + w / 2];
                next[i] = {std::min(p.lat0, q.lat0), std::max(p.lat1, q.lat1), std::min(p.lon0, q.lon0),
                           std::max(p.lon1, q.lon1)};
            }
            tables_.push_back(std::move(next));
        }
    }

    std::vector<std::vector<Box>> tables_;
    std::unordered_map<std::uint64_t, Closing> closings_;
    std::vector<Known> known_;
    double k1Low_ = 0, k2Low_ = 0;
    struct PairOfRanges {
        std::uint32_t p0, p1, q0, q1;
    };
    std::vector<PairOfRanges> stack_;
};

// out[k] = max over j <= k of in[j] + distance(j, k), and the arg max.
// Single precision: only the choice of points comes from here, the score is
// measured again in double precision. The points are taken in blocks: a
// block whose best input plus the longest distance its box allows cannot
// beat the best found so far is passed over.
struct FloatPoints {
    static constexpr std::uint32_t kBlock = 32;
    std::vector<float> dlat, dlon, ch, sh;
    struct BlockBox {
        float lat0, lat1, lon0, lon1;
    };
    std::vector<BlockBox> boxes;
    float k1High = 0, k2High = 0; // scales never below the formula's for any two points

    explicit FloatPoints(const Flight& f, bool reversed) {
        const std::uint32_t n = f.n;
        dlat.resize(n), dlon.resize(n), ch.resize(n), sh.resize(n);
        double south = 90, north = -90;
        for (std::uint32_t i = 0; i < n; ++i) {
            const std::uint32_t s = reversed ? n - 1 - i : i;
            dlat[i] = static_cast<float>(f.lat[s] - f.lat[0]);
            dlon[i] = static_cast<float>(f.lon[s] - f.lon[0]);
            ch[i] = static_cast<float>(f.ch[s]);
            sh[i] = static_cast<float>(f.sh[s]);
            south = std::min(south, f.lat[s]), north = std::max(north, f.lat[s]);
        }
        // k1 grows and k2 shrinks away from the equator.
        const double nearest = (south <= 0 && north >= 0) ? 0 : std::min(std::abs(south), std::abs(north));
        const double farthest = std::max(std::abs(south), std::abs(north));
        double k1, k2, unused;
        fccScales(std::cos(farthest * kDegToRad), k1, unused);
        fccScales(std::cos(nearest * kDegToRad), unused, k2);
        k1High = static_cast<float>(k1 * (1 + 1e-5));
        k2High = static_cast<float>(k2 * (1 + 1e-5));
        for (std::uint32_t b = 0; b < n; b += kBlock) {
            BlockBox box{dlat[b], dlat[b], dlon[b], dlon[b]};
            for (std::uint32_t i = b; i < std::min(n, b + kBlock); ++i) {
                box.lat0 = std::min(box.lat0, dlat[i]), box.lat1 = std::max(box.lat1, dlat[i]);
                box.lon0 = std::min(box.lon0, dlon[i]), box.lon1 = std::max(box.lon1, dlon[i]);
            }
            boxes.push_back(box);
        }
    }
    float value(const float* in, std::uint32_t j, float ck, float sk, float la, float lo) const {
        float k1, k2;
        fccScales(ch[j] * ck - sh[j] * sk, k1, k2);
        const float a = k1 * (dlat[j] - la), b = k2 * (dlon[j] - lo);
        return in[j] + std::sqrt(a * a + b * b);
    }
    // The best of in[j] + distance(j, k) over j in [from, to].
    void scan(const float* in, std::uint32_t from, std::uint32_t to, std::uint32_t k, float& best,
              std::uint32_t& arg) const {
        const float ck = ch[k], sk = sh[k], la = dlat[k], lo = dlon[k];
        float top = -1;
        for (std::uint32_t j = from; j <= to; ++j)
            top = std::max(top, value(in, j, ck, sk, la, lo));
        if (top <= best)
            return;
        for (std::uint32_t j = from; j <= to; ++j)
            if (value(in, j, ck, sk, la, lo) == top) {
                best = top, arg = j;
                return;
            }
    }
    void layer(const std::vector<float>& in, std::vector<float>& out, std::vector<std::uint32_t>& arg,
               const std::stop_token& stop) const {
        const std::uint32_t n = static_cast<std::uint32_t>(in.size());
        out.assign(n, 0.f);
        arg.assign(n, 0);
        std::vector<float> blockMax(boxes.size(), -1.f);
        for (std::uint32_t j = 0; j < n; ++j)
            blockMax[j / kBlock] = std::max(blockMax[j / kBlock], in[j]);
        for (std::uint32_t k = 0; k < n; ++k) {
            if (k % 1024 == 0 && stop.stop_requested())
                return;
            float best = -1;
            std::uint32_t at = k;
            // The block that served the point before first: it is likely
            // to serve this one, and a good start passes more blocks over.
            const std::uint32_t hint = k ? arg[k - 1] / kBlock : 0;
            scan(in.data(), hint * kBlock, std::min(k, hint * kBlock + kBlock - 1), k, best, at);
            const float la = dlat[k], lo = dlon[k];
            for (std::uint32_t b = 0; b <= k / kBlock; ++b) {
                if (b == hint)
                    continue;
                const BlockBox& x = boxes[b];
                const float dy = std::max(std::abs(la - x.lat0), std::abs(la - x.lat1));
                const float dx = std::max(std::abs(lo - x.lon0), std::abs(lo - x.lon1));
                const float y = k1High * dy, xx = k2High * dx;
                const float bound = blockMax[b] + std::sqrt(y * y + xx * xx) * (1 + 1e-5f) + 1e-4f;
                if (bound <= best)
                    continue;
                scan(in.data(), b * kBlock, std::min(k, b * kBlock + kBlock - 1), k, best, at);
            }
            out[k] = best;
            arg[k] = at;
        }
    }
};

// Free flight: start <= tp1 <= tp2 <= tp3 <= finish, the longest path, by
// dynamic programming over the points.
void bestFreeFlight(Flight& f, const ScoringType& type, ContestScore& best, const std::stop_token& stop) {
    const std::uint32_t n = f.n;
    const FloatPoints fwd(f, false), rev(f, true);
    const std::vector<float> zero(n, 0.f);
    std::vector<float> l1, l2, l3, tail;
    std::vector<std::uint32_t> a1, a2, a3, aTail;
    fwd.layer(zero, l1, a1, stop);  // start .. tp1
    fwd.layer(l1, l2, a2, stop);    // .. tp2
    fwd.layer(l2, l3, a3, stop);    // .. tp3
    rev.layer(zero, tail, aTail, stop); // tp3 .. finish, reversed
    if (stop.stop_requested())
        return;
    std::uint32_t t3 = 0;
    float top = -1;
    for (std::uint32_t k = 0; k < n; ++k)
        if (l3[k] + tail[n - 1 - k] > top)
            top = l3[k] + tail[n - 1 - k], t3 = k;
    const std::uint32_t t2 = a3[t3], t1 = a2[t2], s = a1[t1], e = n - 1 - aTail[n - 1 - t3];
    std::uint32_t path[] = {s, t1, t2, t3, e};
    // Single precision chose the points; settle them in double precision by
    // moving one at a time while the path grows.
    auto length = [&] {
        double d = 0;
        for (int i = 0; i < 4; ++i)
            d += f.dist(path[i], path[i + 1]);
        return d;
    };
    for (bool moved = true; moved;) {
        moved = false;
        for (int i = 0; i < 5; ++i) {
            const std::uint32_t lo = i ? path[i - 1] : 0, hi = i < 4 ? path[i + 1] : n - 1;
            const std::uint32_t keep = path[i];
            double best = length();
            std::uint32_t at = keep;
            for (std::uint32_t c = keep > lo + 8 ? keep - 8 : lo; c <= std::min(hi, keep + 8); ++c) {
                path[i] = c;
                if (const double d = length(); d > best + 1e-9)
                    best = d, at = c;
            }
            path[i] = at;
            moved = moved || at != keep;
        }
    }
    double distance = 0;
    for (int i = 0; i < 4; ++i)
        distance += round2(f.dist(path[i], path[i + 1]));
    distance = round2(distance);
    const double points = round2(distance * type.multiplier);
    if (points > best.points || best.type.empty()) {
        best.type = type.name;
        best.triangle = false;
        best.distanceKm = distance;
        best.points = points;
        best.closingKm = 0;
        auto at = [&](std::uint32_t i) { return ContestPoint{i, f.lat[i], f.lon[i]}; };
        best.turnpoints = {at(path[1]), at(path[2]), at(path[3])};
        best.ends = {at(path[0]), at(path[4])};
    }
}

// Triangles: branch and bound over three ranges of point indices holding the
// turnpoints in the order flown.
class TriangleSearch {
public:
    TriangleSearch(Flight& f, const ScoringType& t, ContestScore& best, const std::stop_token& stop)
        : f_(f), t_(t), best_(best), stop_(stop) {}

    void run() {
        const std::uint32_t last = f_.n - 1;
        push({{0, last}, {0, last}, {0, last}});
        for (std::uint64_t step = 0; !queue_.empty(); ++step) {
            if (step % 256 == 0 && stop_.stop_requested())
                return;
            Node node = queue_.top();
            queue_.pop();
            if (node.bound <= best_.points)
                break; // the queue is ordered by bound: nothing better is left
            // The bound's slack grows with the boxes: split the largest box.
            std::size_t widest = 0;
            for (std::size_t r = 1; r < 3; ++r)
                if (size(node.r[widest]) == 1 || (size(node.r[r]) > 1 && node.extent[r] > node.extent[widest]))
                    widest = r;
            if (size(node.r[0]) * size(node.r[1]) * size(node.r[2]) <= kLeafCombinations) {
                scoreLeaf(node);
                continue;
            }
            const Range& w = node.r[widest];
            const std::uint32_t mid = w.first + (w.last - w.first) / 2;
            for (const Range half : {Range{w.first, mid}, Range{mid + 1, w.last}}) {
                Node child = node;
                child.r[widest] = half;
                push(child.r);
            }
        }
    }

private:
    struct Range {
        std::uint32_t first, last;
    };
    struct Node {
        Range r[3];
        float extent[3]; // each box's size, roughly in km
        double bound;
        bool operator<(const Node& o) const { return bound < o.bound; }
    };
    static constexpr std::uint64_t kLeafCombinations = 64;
    static std::uint64_t size(const Range& r) { return r.last - r.first + 1; }

    double limit(double perimeter) const {
        return round2(std::max(t_.closingFixed, perimeter * t_.closingRelative));
    }
    double penalty(double closing) const { return closing > t_.closingFree ? closing : 0; }

    void push(const Range (&in)[3]) {
        Node n;
        std::copy(in, in + 3, n.r);
        // The turnpoints keep their order: trim each range by its neighbours.
        n.r[1].first = std::max(n.r[1].first, n.r[0].first);
        n.r[2].first = std::max(n.r[2].first, n.r[1].first);
        n.r[1].last = std::min(n.r[1].last, n.r[2].last);
        n.r[0].last = std::min(n.r[0].last, n.r[1].last);
        for (const Range& r : n.r)
            if (r.first > r.last)
                return;
        const Flight::Box a = f_.box(n.r[0].first, n.r[0].last);
        const Flight::Box b = f_.box(n.r[1].first, n.r[1].last);
        const Flight::Box c = f_.box(n.r[2].first, n.r[2].last);
        const double ab = Flight::maxDist(a, b), bc = Flight::maxDist(b, c), ca = Flight::maxDist(c, a);
        double perimeter = ab + bc + ca;
        if (t_.fai) {
            perimeter = std::min(perimeter, std::min({ab, bc, ca}) / 0.28);
            // Each side at least 28 % of the perimeter: at least 0.28/0.72
            // of the other two together.
            const double nab = f_.lowerDist(a, b) - 0.02, nbc = f_.lowerDist(b, c) - 0.02,
                         nca = f_.lowerDist(c, a) - 0.02; // legs are rounded
            constexpr double k = 0.28 / 0.72;
            if (ab < k * (nbc + nca) || bc < k * (nab + nca) || ca < k * (nab + nbc))
                return;
        }
        perimeter += 0.03; // the legs are rounded
        if (perimeter * t_.multiplier + 0.01 <= best_.points)
            return;
        double closing = 0;
        if (n.r[0].last < n.r[2].first) {
            closing = round2(f_.closing(n.r[0].last, n.r[2].first));
            if (closing > limit(perimeter))
                return;
        }
        n.bound = (perimeter - penalty(closing)) * t_.multiplier + 0.01;
        for (int i = 0; i < 3; ++i) {
            const Flight::Box& x = i == 0 ? a : i == 1 ? b : c;
            n.extent[i] = static_cast<float>((x.lat1 - x.lat0) * 111.2 +
                                             (x.lon1 - x.lon0) * 111.3 * std::cos(x.lat0 * kDegToRad));
        }
        if (n.bound <= best_.points)
            return;
        queue_.push(n);
    }

    void scoreLeaf(const Node& node) {
        for (std::uint32_t a = node.r[0].first; a <= node.r[0].last; ++a)
            for (std::uint32_t b = std::max(a, node.r[1].first); b <= node.r[1].last; ++b)
                for (std::uint32_t c = std::max(b, node.r[2].first); c <= node.r[2].last; ++c)
                    scoreTriangle(a, b, c);
    }

    void scoreTriangle(std::uint32_t a, std::uint32_t b, std::uint32_t c) {
        const double ab = round2(f_.dist(a, b)), bc = round2(f_.dist(b, c)), ca = round2(f_.dist(c, a));
        const double perimeter = round2(ab + bc + ca);
        if (perimeter <= 0 || perimeter * t_.multiplier <= best_.points)
            return;
        if (t_.fai) {
            const double side = 0.28 * perimeter;
            if (ab < side || bc < side || ca < side)
                return;
        }
        const double closing = round2(f_.closing(a, c));
        if (closing > limit(perimeter))
            return;
        const double points = round2((perimeter - penalty(closing)) * t_.multiplier);
        if (points <= best_.points)
            return;
        best_.type = t_.name;
        best_.triangle = true;
        best_.distanceKm = perimeter;
        best_.points = points;
        best_.closingKm = closing;
        const auto [in, out] = f_.closingPair(a, c);
        auto at = [&](std::uint32_t i) { return ContestPoint{i, f_.lat[i], f_.lon[i]}; };
        best_.turnpoints = {at(a), at(b), at(c)};
        best_.ends = {at(in), at(out)};
    }

    Flight& f_;
    const ScoringType& t_;
    ContestScore& best_;
    const std::stop_token& stop_;
    std::priority_queue<Node> queue_;
};

} // namespace

const char* contestRulesName(ContestRules rules) { return rules == ContestRules::FFVL ? "ffvl" : "xcontest"; }

double contestDistanceKm(double lat1, double lon1, double lat2, double lon2) {
    double k1, k2;
    fccScales(std::cos((lat1 + lat2) / 2 * kDegToRad), k1, k2);
    const double a = k1 * (lat1 - lat2), b = k2 * (lon1 - lon2);
    return std::sqrt(a * a + b * b);
}

ContestScore scoreFlight(std::span<const TrackPoint> points, ContestRules rules, std::stop_token stop) {
    ContestScore best;
    best.rules = rules;
    // A fix in the same second as the one before it, or at the same place,
    // adds nothing a turnpoint or a closing could use: left out, so that a
    // receiver standing still or logging twice a second costs no time.
    std::vector<std::uint32_t> keep;
    keep.reserve(points.size());
    for (std::uint32_t i = 0; i < points.size(); ++i) {
        if (!keep.empty()) {
            const TrackPoint& prev = points[keep.back()];
            if (points[i].time == prev.time ||
                (points[i].latitude == prev.latitude && points[i].longitude == prev.longitude))
                continue;
        }
        keep.push_back(i);
    }
    if (keep.size() < 2)
        return best;
    Flight f(points, keep);
    const std::span<const ScoringType> types =
        rules == ContestRules::FFVL ? std::span<const ScoringType>(kFfvl) : std::span<const ScoringType>(kXContest);
    bestFreeFlight(f, types[0], best, stop);
    for (const ScoringType& t : types.subspan(1))
        if (!stop.stop_requested())
            TriangleSearch(f, t, best, stop).run();
    if (stop.stop_requested())
    {
        ContestScore none;
        none.rules = rules;
        none.cancelled = true;
        return none;
    }
    for (auto* list : {&best.turnpoints, &best.ends})
        for (ContestPoint& p : *list)
            p.index = keep[p.index];
    return best;
}

} // namespace nuvrel
