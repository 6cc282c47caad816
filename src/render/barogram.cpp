#include "render/barogram.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace nuvrel::render {

namespace {

const QColor kAltitude(30, 80, 170);
const QColor kSpeed(200, 90, 20);
const QColor kThermal(255, 200, 60, 110);
const QColor kTakeoff(0, 150, 0);
const QColor kLanding(200, 0, 0);

// Where things go inside the area: the plot frames and the time scale.
struct Layout {
    double s = 1; // text and margins grow with large areas (a printed page)
    QRectF alt, speed;
    double t0 = 0, t1 = 1;
    double x(double t) const { return alt.left() + (t - t0) / (t1 - t0) * alt.width(); }
};

Layout layoutOf(const QRectF& area, std::span<const TrackPoint> points, const FlightReport& report) {
    Layout l;
    l.s = std::max(1.0, area.height() / 400);
    // Outside the plots: the axis titles and scale labels on the left, the
    // legend above, the times of day and their title below.
    const double left = 64 * l.s, right = 10 * l.s, top = 20 * l.s, bottom = 36 * l.s, gap = 14 * l.s;
    const QRectF inner = area.adjusted(left, top, -right, -bottom);
    const double altH = (inner.height() - gap) * 0.7;
    l.alt = QRectF(inner.left(), inner.top(), inner.width(), altH);
    l.speed = QRectF(inner.left(), inner.top() + altH + gap, inner.width(), inner.height() - altH - gap);
    if (!points.empty() && report.last < points.size()) {
        l.t0 = points[report.first].time;
        l.t1 = std::max<double>(points[report.last].time, l.t0 + 1);
    }
    return l;
}

double speedKmh(std::span<const TrackPoint> points, std::size_t i) {
    // Over about 20 s, so that position jitter does not fill the plot.
    std::size_t a = i, b = i;
    while (a > 0 && points[i].time - points[a - 1].time <= 10)
        --a;
    while (b + 1 < points.size() && points[b + 1].time - points[i].time <= 10)
        ++b;
    if (a == b) {
        a = i ? i - 1 : i;
        b = i + 1 < points.size() ? i + 1 : i;
    }
    const double dt = static_cast<double>(points[b].time) - static_cast<double>(points[a].time);
    if (dt <= 0)
        return 0;
    constexpr double kPi = 3.14159265358979323846;
    const double my = 6371008.8 * kPi / 180, mx = my * std::cos(points[i].latitude * kPi / 180);
    return std::hypot((points[b].latitude - points[a].latitude) * my, (points[b].longitude - points[a].longitude) * mx) /
           dt * 3.6;
}

// A step of the time-of-day scale, in minutes: the first of the usual ones
// that gives at most `wanted` labels.
double clockStep(double minutes, int wanted) {
    for (double m : {1.0, 2.0, 5.0, 10.0, 15.0, 20.0, 30.0, 60.0, 120.0, 180.0, 360.0, 720.0})
        if (minutes / m <= wanted)
            return m;
    return 1440;
}

// "HH:MM" of receiver seconds shown as UTC minus the offset.
QString clockText(double receiverTime, std::int32_t timeOffset) {
    const long long local = static_cast<long long>(std::floor(receiverTime)) - timeOffset;
    const long long day = ((local % 86400) + 86400) % 86400;
    return QStringLiteral("%1:%2").arg(day / 3600, 2, 10, QLatin1Char('0')).arg(day / 60 % 60, 2, 10, QLatin1Char('0'));
}

double niceStep(double range, int wanted) {
    const double raw = range / std::max(wanted, 1);
    const double p = std::pow(10.0, std::floor(std::log10(std::max(raw, 1e-9))));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (raw <= m * p)
            return m * p;
    return 10 * p;
}

} // namespace

void paintBarogram(QPainter& p, const QRectF& area, std::span<const TrackPoint> points, const FlightReport& report) {
    p.save();
    p.fillRect(area, Qt::white);
    const Layout l = layoutOf(area, points, report);
    p.setPen(QPen(Qt::gray, 1));
    p.drawRect(l.alt);
    p.drawRect(l.speed);
    if (points.empty() || report.last >= points.size() || report.first > report.last) {
        p.restore();
        return;
    }
    QFont font = p.font();
    font.setPixelSize(static_cast<int>(11 * l.s));
    const double s = l.s;
    p.setFont(font);

    // Thermals shaded, take-offs and landings marked, over both plots.
    for (const FlightReportEntry& f : report.flights)
        for (const ThermalReport& t : f.thermals) {
            const double x0 = l.x(points[t.start].time), x1 = l.x(points[t.end].time);
            p.fillRect(QRectF(x0, l.alt.top(), std::max(x1 - x0, 1.0), l.alt.height()), kThermal);
        }

    // A receiver that logs no altitude (D300 tracks) leaves every point at
    // the same height: no curve then, a note instead.
    bool hasAltitude = false;
    for (std::size_t i = report.first + 1; i <= report.last && !hasAltitude; ++i)
        hasAltitude = points[i].altitude != points[report.first].altitude;
    double lo = points[report.first].altitude, hi = lo, top = 1;
    std::vector<double> speed(report.last - report.first + 1);
    for (std::size_t i = report.first; i <= report.last; ++i) {
        lo = std::min<double>(lo, points[i].altitude);
        hi = std::max<double>(hi, points[i].altitude);
        speed[i - report.first] = speedKmh(points, i);
        top = std::max(top, speed[i - report.first]);
    }
    const double altStep = niceStep(std::max(hi - lo, 10.0), 4);
    lo = std::floor(lo / altStep) * altStep;
    hi = std::max(std::ceil(hi / altStep) * altStep, lo + altStep);
    const double speedStep = niceStep(top, 2);
    top = std::ceil(top / speedStep) * speedStep;
    auto yAlt = [&](double a) { return l.alt.bottom() - (a - lo) / (hi - lo) * l.alt.height(); };
    auto ySpeed = [&](double v) { return l.speed.bottom() - v / top * l.speed.height(); };

    // Scales.
    p.setPen(QPen(QColor(210, 210, 210), 1));
    for (double a = lo; hasAltitude && a <= hi + 1e-9; a += altStep) {
        p.drawLine(QPointF(l.alt.left(), yAlt(a)), QPointF(l.alt.right(), yAlt(a)));
        p.setPen(Qt::black);
        p.drawText(QRectF(l.alt.left() - 50 * s, yAlt(a) - 7 * s, 46 * s, 14 * s), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(a, 'f', 0));
        p.setPen(QPen(QColor(210, 210, 210), 1));
    }
    for (double v = 0; v <= top + 1e-9; v += speedStep) {
        p.drawLine(QPointF(l.speed.left(), ySpeed(v)), QPointF(l.speed.right(), ySpeed(v)));
        p.setPen(Qt::black);
        p.drawText(QRectF(l.speed.left() - 50 * s, ySpeed(v) - 7 * s, 46 * s, 14 * s), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(v, 'f', 0));
        p.setPen(QPen(QColor(210, 210, 210), 1));
    }
    p.setPen(Qt::black);
    // The axis titles, turned up along the left edge, and the time below.
    auto verticalTitle = [&](const QRectF& plot, const QString& text) {
        p.save();
        p.translate(area.left() + 2 * s, plot.center().y());
        p.rotate(-90);
        p.drawText(QRectF(-plot.height() / 2 - 20 * s, 0, plot.height() + 40 * s, 13 * s),
                   Qt::AlignHCenter | Qt::AlignTop, text);
        p.restore();
    };
    verticalTitle(l.alt, QStringLiteral("altitude (m)"));
    verticalTitle(l.speed, QStringLiteral("ground speed (km/h)"));
    const double minutes = (l.t1 - l.t0) / 60;
    const double stepS = clockStep(minutes, std::max(2, static_cast<int>(l.alt.width() / (56 * s)))) * 60;
    const double shift = -static_cast<double>(report.timeOffset); // local = UTC - offset
    for (double t = std::ceil((l.t0 + shift) / stepS) * stepS - shift; t <= l.t1 + 1e-9; t += stepS) {
        const double x = l.x(t);
        p.drawLine(QPointF(x, l.speed.bottom()), QPointF(x, l.speed.bottom() + 3 * s));
        // Labels stay inside the area.
        const double labelX = std::clamp(x - 30 * s, area.left(), area.right() - 60 * s);
        p.drawText(QRectF(labelX, l.speed.bottom() + 3 * s, 60 * s, 14 * s), Qt::AlignHCenter | Qt::AlignTop,
                   clockText(t, report.timeOffset));
    }
    p.drawText(QRectF(l.speed.left(), l.speed.bottom() + 18 * s, l.speed.width(), 14 * s), Qt::AlignHCenter | Qt::AlignTop,
               QStringLiteral("local time"));
    // The legend above the plots.
    {
        const QFontMetricsF fm(p.font(), p.device());
        double x = l.alt.left();
        const double y = area.top() + 4 * s, h = 11 * s;
        auto item = [&](const QString& text, auto&& mark) {
            mark(QRectF(x, y, 14 * s, h));
            x += 18 * s;
            p.setPen(Qt::black);
            p.drawText(QPointF(x, y + h - 2 * s), text);
            x += fm.horizontalAdvance(text) + 14 * s;
        };
        auto line = [&](const QColor& colour) {
            return [&, colour](const QRectF& r) {
                p.setPen(QPen(colour, 2 * s));
                p.drawLine(QPointF(r.center().x(), r.top()), QPointF(r.center().x(), r.bottom()));
            };
        };
        item(QStringLiteral("take-off"), line(kTakeoff));
        item(QStringLiteral("landing"), line(kLanding));
        item(QStringLiteral("thermal"), [&](const QRectF& r) { p.fillRect(r, kThermal); });
        if (hasAltitude) {
            item(QStringLiteral("altitude"), [&](const QRectF& r) {
                p.setPen(QPen(kAltitude, 1.5 * s));
                p.drawLine(QPointF(r.left(), r.center().y()), QPointF(r.right(), r.center().y()));
            });
        }
        item(QStringLiteral("ground speed"), [&](const QRectF& r) {
            p.setPen(QPen(kSpeed, 1.2 * s));
            p.drawLine(QPointF(r.left(), r.center().y()), QPointF(r.right(), r.center().y()));
        });
    }
    if (!hasAltitude) {
        p.setPen(Qt::darkGray);
        p.drawText(l.alt, Qt::AlignCenter, QStringLiteral("no altitude recorded in this track"));
    }

    // The curves; a pause in the log leaves a gap.
    p.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath altPath, speedPath;
    for (std::size_t i = report.first; i <= report.last; ++i) {
        const double x = l.x(points[i].time);
        const bool pause = i > report.first && points[i].time - points[i - 1].time > 120;
        const QPointF a(x, yAlt(points[i].altitude)), s(x, ySpeed(speed[i - report.first]));
        if (i == report.first || pause) {
            altPath.moveTo(a);
            speedPath.moveTo(s);
        } else {
            altPath.lineTo(a);
            speedPath.lineTo(s);
        }
    }
    p.setPen(QPen(kAltitude, 1.5 * s));
    if (hasAltitude)
        p.drawPath(altPath);
    p.setPen(QPen(kSpeed, 1.2 * s));
    p.drawPath(speedPath);
    p.setRenderHint(QPainter::Antialiasing, false);
    for (const FlightReportEntry& f : report.flights) {
        // At the times placed between the points, where known.
        const double takeoff = f.takeoffTime > 0 ? f.takeoffTime : points[f.takeoff].time;
        const double landing = f.landingTime > 0 ? f.landingTime : points[f.landing].time;
        for (const auto& [time, colour] : {std::pair{takeoff, kTakeoff}, std::pair{landing, kLanding}}) {
            const double x = l.x(time);
            p.setPen(QPen(colour, 2 * s));
            p.drawLine(QPointF(x, l.alt.top()), QPointF(x, l.speed.bottom()));
        }
    }
    p.restore();
}

int barogramPointAt(const QRectF& area, std::span<const TrackPoint> points, const FlightReport& report, double x) {
    if (points.empty() || report.last >= points.size() || report.first > report.last)
        return -1;
    const Layout l = layoutOf(area, points, report);
    if (x < l.alt.left() || x > l.alt.right())
        return -1;
    const double t = l.t0 + (x - l.alt.left()) / l.alt.width() * (l.t1 - l.t0);
    const auto first = points.begin() + report.first, last = points.begin() + report.last + 1;
    auto it = std::lower_bound(first, last, t, [](const TrackPoint& p, double v) { return p.time < v; });
    if (it == last)
        --it;
    if (it != first && std::abs(static_cast<double>((it - 1)->time) - t) <= std::abs(static_cast<double>(it->time) - t))
        --it;
    return static_cast<int>(it - points.begin());
}

void paintFlightReportPage(QPainter& p, const QRectF& page, const QStringList& lines, std::span<const TrackPoint> points,
                           const FlightReport& report) {
    p.save();
    p.fillRect(page, Qt::white);
    QFont font(QStringLiteral("Liberation Mono"));
    font.setStyleHint(QFont::Monospace);
    font.setPixelSize(std::max(10, static_cast<int>(page.width() / 90)));
    p.setFont(font);
    p.setPen(Qt::black);
    const double margin = page.width() * 0.04;
    const double lineHeight = QFontMetricsF(font, p.device()).lineSpacing();
    double y = page.top() + margin;
    for (const QString& line : lines) {
        if (y + lineHeight > page.top() + page.height() * 0.55)
            break;
        p.drawText(QPointF(page.left() + margin, y + lineHeight * 0.8), line);
        y += lineHeight;
    }
    const QRectF plot(page.left() + margin, page.top() + page.height() * 0.56, page.width() - 2 * margin,
                      page.height() * 0.40);
    p.restore();
    paintBarogram(p, plot, points, report);
}

QImage barogramImage(int width, int height, std::span<const TrackPoint> points, const FlightReport& report) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    paintBarogram(p, QRectF(0, 0, width, height), points, report);
    return image;
}

} // namespace nuvrel::render
