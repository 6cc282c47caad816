// The printed page: the map picture scaled to the page width inside a thin
// frame half an inch from the edges, the track log and the waypoints drawn at
// the page's resolution, and under it the map's file name and the summary of
// the longest segment and of the whole log. Painted with any QPainter (a
// printer, a PDF writer or an image), in device pixels.
#pragma once

#include "core/map/ift_map_param.h"

#include <QColor>
#include <QImage>

#include <cstdint>
#include <string>

class QPainter;

namespace nuvrel {
class IFTGarminData;
class IFTGarminTrack;
class IFTGarminWaypoint;
class IFTOption;
} // namespace nuvrel

namespace nuvrel::render {

class MapCanvas;

// Where things go on the page, in device pixels.
struct PrintPageGeometry {
    int margin = 0;         // half an inch at the horizontal resolution
    int printableWidth = 0; // page width less two margins
    double scale = 0;       // page pixels per map pixel
    int left = 0, top = 0, right = 0, bottom = 0; // the map frame
    int valueColumn = 0;    // the summary's values, 2.5 inches right of left
};

// The device painted on: its physical page size in pixels and its
// resolution in pixels per inch.
struct PrintDevice {
    int pageWidth = 0;
    int pageHeight = 0; // 0: no bottom edge to keep to
    int dpiX = 0;
    int dpiY = 0;
};

// The map takes the page width less the margins; a map so tall that it would
// run past the bottom margin is scaled down to end there instead (and is
// then narrower than the page).
PrintPageGeometry printPageGeometry(const PrintDevice& device, int bitmapWidth, int bitmapHeight);

// Font sizes of the page, in points.
inline constexpr int kWaypointPoints = 8;
inline constexpr int kSummaryPoints = 14;

// Pixel height of a font of `points` at `dpi` pixels per inch, rounded: the
// step from one summary line to the next.
int fontPixels(int points, int dpi);

struct PrintPageContent {
    QImage map;          // the picture without drawings
    int bitmapWidth = 0; // the map's size in map pixels (its calibration)
    int bitmapHeight = 0;
    ViewTransform view;  // positions to map pixels
    std::string mapFileName;
    const IFTGarminTrack* track = nullptr;
    const IFTGarminWaypoint* waypoints = nullptr;
    std::int32_t timeOffset = 0; // UTC minus the shown time, seconds
    QColor penColor{Qt::red};
    int penWidth = 1;    // in device pixels
};

// What the page shows of the canvas's map (its picture without drawings,
// see MapCanvas::CleanPicture), the data set and the track pen of the
// settings. `unreadable` receives why the map could not be read again (the
// map area is then blank), or an empty text.
PrintPageContent PrintContentOf(MapCanvas& canvas, const IFTGarminData& data, const IFTOption& option,
                                std::string& unreadable);

// The position of a map-pixel projection on the page: x = trunc(X * scale +
// left), y = trunc((bitmapHeight - Y) * scale + top), with X and Y unrounded.
QPoint pagePoint(const PrintPageGeometry& g, const PrintPageContent& c, double latitude, double longitude);

// Paints the page. The frame and the map always; the track segments (the
// legs to and from points outside the frame left out), the waypoints inside
// the frame, and the summary when the log holds points. A summary that would
// run past the bottom margin of a paged device (a printer, a PDF) goes on a
// second page. The painter is left as it was. Returns false when drawing
// stopped on a failure (what was drawn stays).
bool PaintPrintPage(QPainter& painter, const PrintDevice& device, const PrintPageContent& content);

// The device of a painter on a printer or a PDF writer, with the painter's
// origin at the paper's corner.
PrintDevice pagedDevice(const QPainter& painter);

} // namespace nuvrel::render
