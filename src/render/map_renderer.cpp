#include "render/map_renderer.h"

#include "core/app/ift_option.h"
#include "core/data/ift_garmin_data.h"
#include "core/data/ift_garmin_track.h"
#include "core/data/ift_garmin_waypoint.h"
#include "core/data/route_store.h"
#include "render/code_page_text.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>

namespace nuvrel::render {

QColor colorFromOption(std::int32_t bgr) {
    const auto v = static_cast<std::uint32_t>(bgr);
    return QColor(static_cast<int>(v & 0xff), static_cast<int>((v >> 8) & 0xff), static_cast<int>((v >> 16) & 0xff));
}

namespace {

QPen linePen(const QColor& color, int width) {
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// Appends the pixels of points first..last, leaving out a point that lands on
// the pixel of the one before (it would add nothing to the line).
void appendSegment(QPolygon& line, std::span<const TrackPoint> points, int first, int last, const ViewTransform& v) {
    line.clear();
    for (int k = first; k <= last; ++k) {
        const Pixel p = v.PositionToPixel(points[k].latitude, points[k].longitude);
        if (!line.isEmpty() && line.constLast().x() == p.x && line.constLast().y() == p.y)
            continue;
        line.append(QPoint(p.x, p.y));
    }
    if (line.size() == 1 && last > first)
        line.append(line.constFirst()); // a segment standing on one pixel
}

bool nonDecreasing(std::span<const TrackPoint> points) {
    for (std::size_t i = 1; i < points.size(); ++i)
        if (points[i].segment < points[i - 1].segment)
            return false;
    return true;
}

} // namespace

void DrawTrackLog(QImage& image, const IFTGarminTrack* track, const ViewTransform& view, const QColor& color,
                  int width) {
    if (!track || track->count() == 0 || image.isNull())
        return;
    const auto points = track->points();
    QPainter painter(&image);
    painter.setPen(linePen(color, width));
    QPolygon line;
    line.reserve(static_cast<int>(std::min<std::size_t>(points.size(), 1 << 20)));
    // The segment numbers of a log never decrease, so one walk finds every
    // segment's range; a log that breaks the rule asks the log for each.
    const bool ordered = nonDecreasing(points);
    std::size_t cursor = 0;
    for (std::uint32_t n = 1; n <= track->segmentCount(); ++n) {
        int first = -1, last = -1;
        if (ordered) {
            while (cursor < points.size() && points[cursor].segment < static_cast<std::int64_t>(n))
                ++cursor;
            if (cursor < points.size() && points[cursor].segment == static_cast<std::int64_t>(n)) {
                first = static_cast<int>(cursor);
                while (cursor < points.size() && points[cursor].segment == static_cast<std::int64_t>(n))
                    ++cursor;
                last = static_cast<int>(cursor) - 1;
            }
        } else {
            track->segmentRange(static_cast<int>(n), first, last);
        }
        if (first == -1 || last == -1)
            break;
        appendSegment(line, points, first, last, view);
        if (line.size() >= 2)
            painter.drawPolyline(line);
    }
}

void DrawWaypoints(QImage& image, const IFTGarminWaypoint* waypoints, const ViewTransform& view,
                   const QFont& font) {
    if (!waypoints || waypoints->count() == 0 || image.isNull())
        return;
    QPainter painter(&image);
    painter.setFont(font);
    const QFontMetrics metrics(font, &image);
    for (std::size_t i = 0; i < waypoints->count(); ++i) {
        const Pixel p = view.PositionToPixel(waypoints->latitude(i), waypoints->longitude(i));
        const QString name = fromCodePage(waypoints->ident(i));
        if (!name.isEmpty()) {
            const QRect box(p.x, p.y, metrics.horizontalAdvance(name), metrics.height());
            painter.fillRect(box, kBackground);
            painter.setPen(Qt::black);
            painter.drawText(p.x, p.y + metrics.ascent(), name);
        }
        painter.fillRect(QRect(p.x - 4, p.y - 4, 9, 9), kWaypointGreen);
    }
}

void DrawRoutes(QImage& image, const CRouteField* routes, const ViewTransform& view) {
    if (!routes || image.isNull())
        return;
    QPainter painter(&image);
    painter.setPen(linePen(kRouteBlue, 2));
    QPolygon line;
    for (const auto& route : routes->routes()) {
        if (route.entries.empty())
            continue;
        line.clear();
        for (const auto& e : route.entries) {
            const Pixel p = view.RoutePixel(e.latitude, e.longitude);
            line.append(QPoint(p.x, p.y));
        }
        if (line.size() >= 2)
            painter.drawPolyline(line);
    }
}

void RedrawAll(QImage& image, const IFTGarminData& data, const CRouteField* routes, const IFTMapParam& param,
               const IFTOption& option, bool showWaypoints, const QFont& font) {
    const ViewTransform view = ViewTransform::of(data, param);
    DrawTrackLog(image, data.track(), view, colorFromOption(option.PenColor()), option.PenWidth());
    if (showWaypoints)
        DrawWaypoints(image, data.waypoints(), view, font);
    DrawRoutes(image, routes, view);
}

} // namespace nuvrel::render
