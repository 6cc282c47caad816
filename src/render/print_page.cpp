#include "render/print_page.h"

#include "core/analysis/print_summary.h"
#include "core/ift_option.h"
#include "core/data/ift_garmin_data.h"
#include "core/data/ift_garmin_track.h"
#include "core/data/ift_garmin_waypoint.h"
#include "render/code_page_text.h"
#include "render/map_canvas.h"
#include "render/map_renderer.h"

#include <QFile>
#include <QFontMetrics>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPolygon>

#include <algorithm>
#include <cmath>
#include <exception>

namespace nuvrel::render {

PrintPageGeometry printPageGeometry(const PrintDevice& device, int bitmapWidth, int bitmapHeight) {
    const int pageWidth = device.pageWidth;
    const int dpi = device.dpiX;
    PrintPageGeometry g;
    g.margin = truncToInt(dpi * 0.5);
    g.printableWidth = pageWidth - 2 * g.margin;
    // A map without width has nothing to scale; it takes no room.
    g.scale = bitmapWidth > 0 ? static_cast<double>(g.printableWidth) / bitmapWidth : 0;
    const int height = truncToInt(bitmapHeight * g.scale);
    g.left = g.margin;
    g.top = truncToInt(dpi * 0.5);
    g.right = g.left + g.printableWidth;
    g.bottom = g.top + height;
    g.valueColumn = truncToInt(g.left + dpi * 2.5);
    const int lowest = device.pageHeight - g.top; // the bottom margin as wide as the top one
    if (device.pageHeight > 0 && g.bottom > lowest && bitmapHeight > 0 && lowest > g.top) {
        g.scale = static_cast<double>(lowest - g.top) / bitmapHeight;
        g.right = g.left + truncToInt(bitmapWidth * g.scale);
        g.bottom = g.top + truncToInt(bitmapHeight * g.scale);
    }
    return g;
}

int fontPixels(int points, int dpi) { return static_cast<int>(std::lround(points * static_cast<double>(dpi) / 72)); }

PrintPageContent PrintContentOf(MapCanvas& canvas, const IFTGarminData& data, const IFTOption& option,
                                std::string& unreadable) {
    PrintPageContent content;
    IFTMapParam param;
    unreadable = canvas.CleanPicture(content.map, param);
    content.bitmapWidth = param.bitmap_width;
    content.bitmapHeight = param.bitmap_height;
    content.view = param.HasUsableTransform() ? ViewTransform::forCalibration(param) : ViewTransform::of(data, param);
    content.mapFileName = param.mapFileName;
    content.track = data.track();
    content.waypoints = data.waypoints();
    content.timeOffset = data.timeOffset();
    content.penColor = colorFromOption(option.PenColor());
    content.penWidth = option.PenWidth();
    return content;
}

QPoint pagePoint(const PrintPageGeometry& g, const PrintPageContent& c, double latitude, double longitude) {
    double x = 0, y = 0;
    c.view.MapPoint(latitude, longitude, x, y);
    return {truncToInt(x * g.scale + g.left), truncToInt((c.bitmapHeight - y) * g.scale + g.top)};
}

namespace {

bool inFrame(const PrintPageGeometry& g, const QPoint& p) {
    return p.x() >= g.left && p.x() <= g.right && p.y() >= g.top && p.y() <= g.bottom;
}

QFont pageFont(const QFont& base, int points, int dpiY) {
    QFont font = base;
    font.setPixelSize(std::max(fontPixels(points, dpiY), 1));
    return font;
}

// Text with its top-left corner at (x, y).
void textAt(QPainter& painter, int x, int y, const QString& text) {
    painter.drawText(x, y + painter.fontMetrics().ascent(), text);
}

void drawTrack(QPainter& painter, const PrintPageGeometry& g, const PrintPageContent& c) {
    const IFTGarminTrack& track = *c.track;
    const auto points = track.points();
    painter.setPen(QPen(c.penColor, std::max(c.penWidth, 1), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    const auto at = [&](int k) { return pagePoint(g, c, points[k].latitude, points[k].longitude); };
    // The pieces of a segment between points outside the frame, each one
    // polyline.
    QPolygon run;
    const auto flush = [&] {
        if (run.size() >= 2)
            painter.drawPolyline(run);
        run.clear();
    };
    for (const auto& [first, last] : track.segmentRuns()) {
        run.append(at(first)); // the segment's first point is not checked
        for (int k = first + 1; k <= last; ++k) {
            const QPoint p = at(k);
            if (!inFrame(g, p)) {
                // Neither the leg to this point nor the one from it.
                flush();
                if (k < last)
                    run.append(at(k + 1));
                continue;
            }
            if (run.isEmpty())
                run.append(p);
            else if (run.constLast() != p)
                run.append(p);
        }
        flush();
    }
}

void drawWaypoints(QPainter& painter, const PrintPageGeometry& g, const PrintPageContent& c, int dpiY) {
    const IFTGarminWaypoint& waypoints = *c.waypoints;
    painter.setFont(pageFont(painter.font(), kWaypointPoints, dpiY));
    const QFontMetrics metrics = painter.fontMetrics();
    const double q = g.scale;
    for (std::size_t i = 0; i < waypoints.count(); ++i) {
        const QPoint p = pagePoint(g, c, waypoints.latitude(i), waypoints.longitude(i));
        if (!inFrame(g, p))
            continue;
        const QString name = fromCodePage(waypoints.ident(i));
        if (!name.isEmpty()) {
            painter.fillRect(QRect(p.x(), p.y(), metrics.horizontalAdvance(name), metrics.height()), kBackground);
            painter.setPen(Qt::black);
            textAt(painter, p.x(), p.y(), name);
        }
        // The screen's 9-pixel square, scaled; right and bottom exclusive.
        const QPoint topLeft(truncToInt(p.x() - 4 * q), truncToInt(p.y() - 4 * q));
        const QPoint end(truncToInt(p.x() + 5 * q), truncToInt(p.y() + 5 * q));
        if (end.x() > topLeft.x() && end.y() > topLeft.y())
            painter.fillRect(QRect(topLeft, end - QPoint(1, 1)), kWaypointGreen);
    }
}

void drawSummary(QPainter& painter, const PrintPageGeometry& g, const PrintPageContent& c, const PrintDevice& d) {
    const auto lines = printSummaryLines(*c.track, c.timeOffset);
    const int line = fontPixels(kSummaryPoints, d.dpiY);
    int steps = 1;
    for (const PrintSummaryLine& s : lines)
        steps += s.linesDown;
    int y = g.bottom + line;
    // No room under the map: the summary starts the next page.
    auto* paged = dynamic_cast<QPagedPaintDevice*>(painter.device());
    const int lowest = d.pageHeight - g.top;
    if (paged && d.pageHeight > 0 && y + steps * line > lowest && g.top + steps * line <= lowest && paged->newPage())
        y = g.top;
    painter.setFont(pageFont(painter.font(), kSummaryPoints, d.dpiY));
    painter.setPen(Qt::black);
    textAt(painter, g.left, y, QFile::decodeName(QByteArray::fromStdString(c.mapFileName)));
    for (const PrintSummaryLine& s : lines) {
        y += s.linesDown * line;
        textAt(painter, g.left, y, QString::fromStdString(s.label));
        if (!s.value.empty())
            textAt(painter, g.valueColumn, y, QString::fromStdString(s.value));
    }
}

} // namespace

PrintDevice pagedDevice(const QPainter& painter) {
    PrintDevice d;
    QPaintDevice* device = painter.device();
    if (!device)
        return d;
    d.dpiX = device->logicalDpiX();
    d.dpiY = device->logicalDpiY();
    if (auto* paged = dynamic_cast<QPagedPaintDevice*>(device)) {
        // From the paper's own measure (A4 is 210 mm, not a rounded 595 points).
        const QRectF mm = paged->pageLayout().fullRect(QPageLayout::Millimeter);
        d.pageWidth = truncToInt(mm.width() / 25.4 * d.dpiX);
        d.pageHeight = truncToInt(mm.height() / 25.4 * d.dpiY);
    } else {
        d.pageWidth = device->width();
        d.pageHeight = device->height();
    }
    return d;
}

bool PaintPrintPage(QPainter& painter, const PrintDevice& d, const PrintPageContent& c) {
    painter.save();
    bool complete = true;
    try {
        const PrintPageGeometry g = printPageGeometry(d, c.bitmapWidth, c.bitmapHeight);
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(Qt::NoBrush);
        // The frame one pixel around the map.
        painter.drawRect(QRect(g.left - 1, g.top - 1, g.right - g.left + 2, g.bottom - g.top + 2));
        if (!c.map.isNull() && g.right > g.left && g.bottom > g.top) {
            painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
            painter.drawImage(QRect(g.left, g.top, g.right - g.left, g.bottom - g.top), c.map);
        }
        const bool hasPoints = c.track && c.track->count() > 0;
        if (hasPoints)
            drawTrack(painter, g, c);
        if (c.waypoints && c.waypoints->count() > 0)
            drawWaypoints(painter, g, c, d.dpiY);
        if (hasPoints)
            drawSummary(painter, g, c, d);
    } catch (const std::exception&) {
        // The page keeps what was drawn so far.
        complete = false;
    }
    painter.restore();
    return complete;
}

} // namespace nuvrel::render
