// The barogram of a flight report: altitude over time in the upper part,
// ground speed over time below, take-offs and landings as vertical lines,
// thermals shaded. One painter for the window, the printed report and PNG.
#pragma once

#include "core/analysis/flight_report.h"

#include <QRectF>
#include <QStringList>

#include <span>

class QImage;
class QPainter;

namespace nuvrel::render {

// Paints into `area` (device pixels of the painter) the points
// report.first .. report.last.
void paintBarogram(QPainter& painter, const QRectF& area, std::span<const TrackPoint> points,
                   const FlightReport& report);

// The index of the point nearest in time to x in a barogram painted into
// area; -1 when x lies outside the plot or there are no points.
int barogramPointAt(const QRectF& area, std::span<const TrackPoint> points, const FlightReport& report, double x);

// A whole report page: the text lines above, the barogram below, on white.
void paintFlightReportPage(QPainter& painter, const QRectF& page, const QStringList& lines,
                           std::span<const TrackPoint> points, const FlightReport& report);

// The barogram alone as an image of width x height pixels.
QImage barogramImage(int width, int height, std::span<const TrackPoint> points, const FlightReport& report);

} // namespace nuvrel::render
