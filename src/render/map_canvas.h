// The map picture and how it is built: the calibration record, the bitmap
// that the drawing passes paint into, the zoom level, and the operations
// that rebuild the picture from a plain map, a tiled map or a fitted view.
// The map window shows it; the command-line tool and the image export use it
// without a window.
#pragma once

#include "core/map/fitted_view.h"
#include "core/map/ift_map_param.h"

#include <QFont>
#include <QImage>

#include <cstdint>
#include <memory>
#include <string>

namespace nuvrel {
class GeoRaster;
class IFTGarminData;
class CRouteField;
class IFTOption;
class UserPrompts;
} // namespace nuvrel

namespace nuvrel::render {

class MapCanvas {
public:
    // What the picture currently shows.
    // A geographic map is a georeferenced raster (GeoTIFF, MBTiles, a .map
    // calibrated image) shown in its own projection: the picture is the
    // raster's grid at the zoom's scale, and only a window of it round what
    // is shown is held (all of it when it is small).
    enum class Picture { Blank, PlainMap, TiledMap, GeoMap, FittedView };

    MapCanvas(IFTGarminData& data, CRouteField& routes, IFTOption& option, UserPrompts& prompts);

    IFTMapParam& param() { return param_; }
    const IFTMapParam& param() const { return param_; }
    // The held picture: the whole picture, or for a large geographic map the
    // window of it that starts at imageOrigin().
    QImage& image() { return image_; }
    const QImage& image() const { return image_; }
    QPoint imageOrigin() const { return origin_; }
    // The size of the whole picture (the calibration's bitmap size).
    QSize pictureSize() const;
    // Makes the held picture cover `visible` (a rectangle of the whole
    // picture), reading that part of a geographic map at the shown scale and
    // drawing the data over it. True when the held picture changed.
    bool ShowArea(const QRect& visible);
    // The whole picture with the drawings (a geographic map read whole at
    // its zoom): the image export. Empty, or why not (too large).
    std::string WholePicture(QImage& out);
    // The view transform for drawing into the held picture.
    ViewTransform drawingView() const;
    Picture picture() const { return picture_; }
    int zoomLevel() const { return zoomLevel_; }
    void setZoomLevel(int level) { zoomLevel_ = level; }
    void setLabelFont(const QFont& font) { labelFont_ = font; }

    // Loads param().mapFileName: a tiled map when its last 11 characters are
    // "mapinfo.dat" in any case, a geographic map for ".tif", ".tiff",
    // ".mbtiles" and ".map", otherwise a plain map. The files are found in
    // any letter case, and the map name becomes the file found. False (and
    // the picture, calibration and view as they were) when nothing is chosen
    // or the load fails; failures are reported through the prompts, naming
    // the file tried, and the map name falls back to the map still shown.
    bool LoadMap();
    bool LoadPlainMap(const std::string& path);
    bool LoadTiledMap(const std::string& path);
    bool LoadGeoMap(const std::string& path);
    // What the last load has to tell beside success (a geographic map shown
    // coarser than its source); empty otherwise.
    const std::string& loadNote() const { return loadNote_; }

    // The whole picture (or a new one of width x height) in the background
    // colour.
    void FillBackground();
    void FillBackground(int width, int height);

    // The fitted view over a picture of width x height; false (and nothing
    // changed) when there is nothing to fit.
    bool FitViewToData(int width, int height, bool keepAspect, FittedDistances& distances);

    // One zoom step, in or out: the picture is rebuilt from its source at
    // twice or half the size. Returns an empty text, or why the step was
    // refused (the picture and the view are then as they were).
    std::string Zoom(bool in);
    // The picture without the drawings, built again from its source at its
    // size and zoom level. Returns an empty text, or why it could not be
    // built (the picture is then as it was).
    std::string Rebuild();

    // Track log, waypoints when showWaypoints, routes.
    void RedrawAll(bool showWaypoints);

    // The picture without the drawings, built apart from the screen's (the
    // picture, the calibration and the view stay as they are): a plain map
    // read again at the size its calibration file gives, a tiled map at the
    // current zoom level, a fitted or blank view blank at its size. `param`
    // receives the calibration that goes with it. Returns an empty text, or
    // why the map could not be read again; `out` then holds a blank picture
    // of the current size and `param` the current calibration.
    std::string CleanPicture(QImage& out, IFTMapParam& param);

private:
    // Reports a failed load and ends it (loadFailed).
    bool reportFailure(const std::string& text);
    // After a failed load: the map name is the one of the map still shown,
    // or empty. Returns false.
    bool loadFailed();
    // A failure: a number of the error table with the file it concerns, or
    // 0 with a text saying why.
    struct Failure {
        int error = 0;
        std::string text;
        bool failed() const { return error != 0 || !text.empty(); }
        std::string describe() const;
    };
    // The picture of the source at zoom `level`, `width` x `height` unless
    // the tiles decide; `next` receives its size. Empty, or why not.
    std::string compose(int level, std::int64_t width, std::int64_t height, QImage& out, IFTMapParam& next);
    void takePicture(int level, QImage picture, const IFTMapParam& next);
    Failure composeTiled(const std::string& path, int zoomLevel, QImage& out, IFTMapParam& param);
    bool composePlain(const std::string& bitmapPath, int width, int height, QImage& out);
    static void composePlain(QImage source, int width, int height, QImage& out);

    IFTGarminData& data_;
    CRouteField& routes_;
    IFTOption& option_;
    UserPrompts& prompts_;
    IFTMapParam param_;
    QImage image_;
    Picture picture_ = Picture::Blank;
    std::string pictureSource_; // bitmap or description the picture was built from
    int zoomLevel_ = 0;
    QFont labelFont_;
    std::shared_ptr<GeoRaster> geo_;
    QPoint origin_;
    bool showWaypoints_ = true;
    std::string loadNote_;

    // Reads the window `area` of the geographic map's picture (param_'s
    // size) into image_.
    std::string readGeoWindow(const QRect& area);
    // The window to hold round `visible`.
    QRect geoWindowFor(const QRect& visible) const;
};

} // namespace nuvrel::render
