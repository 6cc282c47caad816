#include "render/map_renderer.h"

#include "core/ift_option.h"
#include "core/data/ift_garmin_data.h"
#include "core/data/ift_garmin_track.h"
#include "core/data/ift_garmin_waypoint.h"
#include "core/data/route_store.h"
#include "render/code_page_text.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>

#include <algorithm>
#include <optional>
#include <vector>

namespace nuvrel::render {

QColor colorFromOption(std::int32_t bgr) {
    const auto v = static_cast<std::uint32_t>(bgr);
    return QColor(static_cast<int>(v & 0xff), static_cast<int>((v >> 8) & 0xff), static_cast<int>((v >> 16) & 0xff));
}

namespace {

QPen linePen(const QColor& color, int width) {
    // Width 0 (and a nonsensical negative setting) draws one pixel wide.
    return QPen(color, std::max(width, 0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
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

// One-pixel lines written straight into a 32-bit image: the track log of a
// long flight is a million short lines, which this draws several times
// faster than a painter. Lines that leave the image go to the painter, which
// clips them.
class ThinLines {
public:
    ThinLines(QImage& image, const QColor& color)
        : bits_(reinterpret_cast<std::uint32_t*>(image.bits())),
          stride_(static_cast<std::size_t>(image.bytesPerLine() / 4)), width_(image.width()),
          height_(image.height()), pixel_(color.rgb()) {}

    static bool suits(const QImage& image, int penWidth) {
        return penWidth <= 1 &&
               (image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32 ||
                image.format() == QImage::Format_ARGB32_Premultiplied);
    }

    void polyline(const QPolygon& line) {
        for (qsizetype i = 1; i < line.size(); ++i)
            segment(line[i - 1], line[i]);
    }
    const QVector<QLine>& clipped() const { return clipped_; }

private:
    bool inside(const QPoint& p) const { return p.x() >= 0 && p.y() >= 0 && p.x() < width_ && p.y() < height_; }

    void segment(const QPoint& a, const QPoint& b) {
        if (!inside(a) || !inside(b)) {
            // Entirely beside the image on one side: nothing to draw.
            if ((a.x() < 0 && b.x() < 0) || (a.y() < 0 && b.y() < 0) || (a.x() >= width_ && b.x() >= width_) ||
                (a.y() >= height_ && b.y() >= height_))
                return;
            clipped_.append(QLine(a, b));
            return;
        }
        // Bresenham, both ends included.
        int x = a.x(), y = a.y();
        const int dx = std::abs(b.x() - x), sx = x < b.x() ? 1 : -1;
        const int dy = -std::abs(b.y() - y), sy = y < b.y() ? 1 : -1;
        int err = dx + dy;
        for (;;) {
            bits_[static_cast<std::size_t>(y) * stride_ + static_cast<std::size_t>(x)] = pixel_;
            if (x == b.x() && y == b.y())
                break;
            const int e2 = 2 * err;
            if (e2 >= dy) {
                err += dy;
                x += sx;
            }
            if (e2 <= dx) {
                err += dx;
                y += sy;
            }
        }
    }

    std::uint32_t* bits_;
    std::size_t stride_;
    int width_;
    int height_;
    std::uint32_t pixel_;
    QVector<QLine> clipped_;
};

} // namespace

void DrawTrackLog(QImage& image, const IFTGarminTrack* track, const ViewTransform& view, const QColor& color,
                  int width) {
    if (!track || track->count() == 0 || image.isNull())
        return;
    const auto points = track->points();
    std::optional<ThinLines> thin;
    if (ThinLines::suits(image, width))
        thin.emplace(image, color);
    QPolygon line;
    line.reserve(static_cast<int>(std::min<std::size_t>(points.size(), 1 << 20)));
    std::vector<QPolygon> polylines; // drawn by the painter (wide pens)
    for (const auto& run : track->segmentRuns()) {
        appendSegment(line, points, run.first, run.last, view);
        if (line.size() < 2)
            continue;
        if (thin)
            thin->polyline(line);
        else
            polylines.push_back(line);
    }
    if (polylines.empty() && (!thin || thin->clipped().isEmpty()))
        return;
    QPainter painter(&image);
    painter.setPen(linePen(color, width));
    for (const QPolygon& p : polylines)
        painter.drawPolyline(p);
    if (thin)
        painter.drawLines(thin->clipped());
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
    RedrawAll(image, data, routes, ViewTransform::of(data, param), option, showWaypoints, font);
}

void RedrawAll(QImage& image, const IFTGarminData& data, const CRouteField* routes, const ViewTransform& view,
               const IFTOption& option, bool showWaypoints, const QFont& font) {
    DrawTrackLog(image, data.track(), view, colorFromOption(option.PenColor()), option.PenWidth());
    if (showWaypoints)
        DrawWaypoints(image, data.waypoints(), view, font);
    DrawRoutes(image, routes, view);
}

} // namespace nuvrel::render
