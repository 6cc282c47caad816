// The drawing passes over the map picture: the track log, the waypoints and
// the routes, painted straight into a QImage. The screen, the image export
// and printing share them.
#pragma once

#include "core/map/ift_map_param.h"

#include <QColor>
#include <QFont>
#include <QImage>

namespace nuvrel {
class IFTGarminData;
class IFTGarminTrack;
class IFTGarminWaypoint;
class CRouteField;
class IFTOption;
} // namespace nuvrel

namespace nuvrel::render {

// A settings colour 0x00BBGGRR.
QColor colorFromOption(std::int32_t bgr);

inline const QColor kWaypointGreen{0, 128, 0};
inline const QColor kRouteBlue{0, 0, 255};
inline const QColor kBackground{Qt::white};

// Each segment 1 .. segmentCount as one polyline in the pen colour and
// width; the pass stops at the first segment number that does not occur.
void DrawTrackLog(QImage& image, const IFTGarminTrack* track, const ViewTransform& view, const QColor& color,
                  int width);
// Each waypoint's name on an opaque box of the background colour with its
// top-left corner at the waypoint, then a green 9 x 9 square centred on it.
void DrawWaypoints(QImage& image, const IFTGarminWaypoint* waypoints, const ViewTransform& view,
                   const QFont& font);
// Each route with entries as a blue line of width 2.
void DrawRoutes(QImage& image, const CRouteField* routes, const ViewTransform& view);

// The track log, the waypoints when showWaypoints, then the routes, with the
// data set's view fields and the calibration's height. Nothing is erased.
void RedrawAll(QImage& image, const IFTGarminData& data, const CRouteField* routes, const IFTMapParam& param,
               const IFTOption& option, bool showWaypoints, const QFont& font = QFont());
// The same with the given view transform.
void RedrawAll(QImage& image, const IFTGarminData& data, const CRouteField* routes, const ViewTransform& view,
               const IFTOption& option, bool showWaypoints, const QFont& font = QFont());

} // namespace nuvrel::render
