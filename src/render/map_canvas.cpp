#include "render/map_canvas.h"

#include "core/data/ift_garmin_data.h"
#include "core/errors.h"
#include "core/map/calibration_file.h"
#include "core/map/geo_raster.h"
#include "core/ift_option.h"
#include "core/map/map_file_names.h"
#include "core/map/tiled_map_info.h"
#include "core/regular_file.h"
#include "render/map_renderer.h"

#include <QFile>
#include <QImageReader>
#include <QPainter>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace nuvrel::render {

namespace {

QString qPath(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

// Bitmaps and tiles load up to the program's own pixel cap, far beyond the
// image reader's default allocation limit (a 6000 x 6000 map needs 137 MB).
QImage readImage(const std::string& path, std::string& why) {
    static const bool raised = [] {
        QImageReader::setAllocationLimit(static_cast<int>(kMaxMapPixels * 4 / (1024 * 1024)) + 1);
        return true;
    }();
    (void)raised;
    // A tile that is a FIFO or a device would be waited on: unreadable.
    if (!IsReadableRegularFile(path, &why))
        return {};
    QImageReader reader(qPath(path));
    // Said before the reader fails on it with a message of its own.
    if (const QSize size = reader.size(); size.isValid() && !CheckMapSize(size.width(), size.height()).empty()) {
        why = "the map is " + std::to_string(size.width()) + " x " + std::to_string(size.height()) +
              " pixels; the largest that can be shown is " + std::to_string(kMaxMapPixels / 1000000) +
              " million pixels (" + std::to_string(kMaxMapSide) + " on a side)";
        return {};
    }
    QImage image = reader.read();
    if (image.isNull())
        why = reader.errorString().toStdString();
    return image;
}

// A geographic map's picture is held whole up to this size (16 MB); larger
// ones as a window round what is shown, of at least this side and with this
// margin round the visible part.
constexpr std::int64_t kWholeGeoPicturePixels = 4 << 20;
constexpr int kGeoWindowSide = 2048;
constexpr int kGeoWindowMargin = 256;
// The whole picture of a geographic map on a page.
constexpr std::int64_t kPrintGeoPixels = 24'000'000;

// A geographic map's whole picture is never allocated: only its side is
// bounded (by what a widget can be).
std::string CheckGeoPictureSize(std::int64_t width, std::int64_t height) {
    constexpr std::int64_t kMaxSide = 1 << 23;
    if (width < 1 || height < 1)
        return "the map would be less than one pixel";
    if (width > kMaxSide || height > kMaxSide)
        return "the map would be " + std::to_string(width) + " x " + std::to_string(height) +
               " pixels; the largest side that can be shown is " + std::to_string(kMaxSide);
    return {};
}

std::string FileNameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

QImage blankImage(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(kBackground);
    return image;
}

} // namespace

MapCanvas::MapCanvas(IFTGarminData& data, CRouteField& routes, IFTOption& option, UserPrompts& prompts)
    : data_(data), routes_(routes), option_(option), prompts_(prompts) {}

std::string MapCanvas::Failure::describe() const {
    return error > 0 ? ErrorMessage(error) + " " + text : text;
}

bool MapCanvas::reportFailure(const std::string& text) {
    prompts_.showMessage("Error", text);
    return loadFailed();
}

bool MapCanvas::loadFailed() {
    // Only the map still shown keeps its name: "Refresh" must not try a
    // failed one again.
    const bool mapShown =
        picture_ == Picture::PlainMap || picture_ == Picture::TiledMap || picture_ == Picture::GeoMap;
    param_.mapFileName = mapShown ? pictureSource_ : std::string();
    return false;
}

bool MapCanvas::LoadMap() {
    if (param_.mapFileName.empty())
        return false;
    loadNote_.clear();
    // A FIFO, a device or a folder is refused before anything waits on it.
    const bool tiled = IsTiledMapName(param_.mapFileName);
    const bool geographic = !tiled && IsGeoRasterName(param_.mapFileName);
    // The file named first: a FIFO given as a map is named as given, not by
    // the bitmap or calibration names made from it.
    if (std::string why; !IsReadableRegularFile(param_.mapFileName, &why) && why != std::strerror(ENOENT))
        return reportFailure("Can't load " + param_.mapFileName + ": " + why + ".");
    const PlainMapPaths paths = findPlainMapFiles(param_.mapFileName);
    for (const std::string& file : tiled || geographic ? std::vector<std::string>{findFileAnyCase(param_.mapFileName)}
                                                       : std::vector<std::string>{paths.bitmap, paths.calibration}) {
        std::string why;
        if (!IsReadableRegularFile(file, &why) && why != std::strerror(ENOENT))
            return reportFailure("Can't load " + file + ": " + why + ".");
    }
    if (tiled)
        return LoadTiledMap(param_.mapFileName);
    if (geographic)
        return LoadGeoMap(param_.mapFileName);
    return LoadPlainMap(param_.mapFileName);
}

bool MapCanvas::composePlain(const std::string& bitmapPath, int width, int height, QImage& out) {
    std::string why;
    QImage source = readImage(bitmapPath, why);
    if (source.isNull())
        return false;
    composePlain(std::move(source), width, height, out);
    return true;
}

void MapCanvas::composePlain(QImage source, int width, int height, QImage& out) {
    // 1-bit and palette bitmaps become true colour, so that coloured
    // drawing shows in colour.
    source = source.convertToFormat(QImage::Format_RGB32);
    if (source.width() == width && source.height() == height) {
        out = std::move(source);
        return;
    }
    out = blankImage(width, height);
    QPainter painter(&out);
    // Shrinking smooths; enlarging repeats pixels, so that zooming in and out
    // again gives back the picture of the file.
    const bool shrinking = width < source.width() || height < source.height();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, shrinking);
    painter.drawImage(QRect(0, 0, width, height), source);
}

bool MapCanvas::LoadPlainMap(const std::string& path) {
    const PlainMapPaths paths = findPlainMapFiles(path);
    std::string why;
    QImage source = readImage(paths.bitmap, why);
    if (source.isNull())
        return reportFailure("Can't read the map bitmap " + paths.bitmap + ": " + why + ".");
    IFTMapParam next = param_;
    next.mapFileName = paths.bitmap;
    next.projection = nullptr; // calibrated linearly
    if (!ReadCalibrationFile(paths.calibration, next)) {
        ShowError(prompts_, kErrDatFileNotFound, paths.calibration);
        return loadFailed();
    }
    if (!next.HasUsableTransform())
        return reportFailure("The calibration file " + paths.calibration +
                             " describes no usable map: ido_top must differ from ido_bottom, kei_left from "
                             "kei_right, and bitmap_width and bitmap_height must be at least 1.");
    if (const std::string why = CheckMapSize(next.bitmap_width, next.bitmap_height); !why.empty())
        return reportFailure("Can't load " + paths.bitmap + ": " + why + ".");
    QImage picture;
    composePlain(std::move(source), next.bitmap_width, next.bitmap_height, picture);
    param_ = next;
    image_ = std::move(picture);
    picture_ = Picture::PlainMap;
    geo_.reset();
    origin_ = QPoint();
    pictureSource_ = paths.bitmap;
    SetViewTransform(param_, data_);
    return true;
}

MapCanvas::Failure MapCanvas::composeTiled(const std::string& path, int zoomLevel, QImage& out,
                                           IFTMapParam& param) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {kErrDatFileNotFound, path};
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    TiledMapInfo info;
    const TiledMapReadResult read = ReadTiledMapInfo(text, info);
    if (read.error > 0)
        return {read.error, path};
    if (!read.ok())
        return {0, read.message};
    std::int64_t width = 0, height = 0;
    TiledMapSize(info, zoomLevel, width, height);
    if (const std::string why = CheckMapSize(width, height); !why.empty())
        return {0, why};
    // Any tile that cannot be read fails the map: the first one stops it,
    // before the picture is made.
    FileNameResolver names;
    std::string why;
    const std::string firstPath = names.resolve(TilePath(path, 0));
    QImage first = readImage(firstPath, why);
    if (first.isNull())
        return {0, "can't read the tile " + firstPath + ": " + why};
    QImage picture = blankImage(static_cast<int>(width), static_cast<int>(height));
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, zoomLevel < 0);
    for (std::int32_t row = 0; row < info.rows; ++row)
        for (std::int32_t column = 0; column < info.columns; ++column) {
            const std::int64_t n = std::int64_t{row} * info.columns + column;
            const TileRect r = TiledMapTileRect(info, zoomLevel, row, column);
            if (r.right <= r.left || r.bottom <= r.top)
                continue;
            const std::string tilePath = n == 0 ? firstPath : names.resolve(TilePath(path, n));
            const QImage tile = n == 0 ? first : readImage(tilePath, why);
            if (tile.isNull())
                return {0, "can't read the tile " + tilePath + ": " + why};
            painter.drawImage(QRect(static_cast<int>(r.left), static_cast<int>(r.top),
                                    static_cast<int>(r.right - r.left), static_cast<int>(r.bottom - r.top)),
                              tile);
        }
    painter.end();
    param.ido_top = info.ido_top;
    param.kei_left = info.kei_left;
    param.ido_bottom = info.ido_bottom;
    param.kei_right = info.kei_right;
    param.bitmap_width = static_cast<std::int32_t>(width);
    param.bitmap_height = static_cast<std::int32_t>(height);
    out = std::move(picture);
    return {};
}

bool MapCanvas::LoadTiledMap(const std::string& path) {
    const std::string description = findFileAnyCase(path);
    IFTMapParam next = param_;
    next.mapFileName = description;
    next.projection = nullptr; // calibrated linearly
    QImage picture;
    if (const Failure f = composeTiled(description, zoomLevel_, picture, next); f.failed()) {
        if (f.error > 0) {
            ShowError(prompts_, f.error, description);
            return loadFailed();
        }
        return reportFailure("Can't load the map " + description + ": " + f.text + ".");
    }
    param_ = next;
    image_ = std::move(picture);
    picture_ = Picture::TiledMap;
    geo_.reset();
    origin_ = QPoint();
    pictureSource_ = description;
    SetViewTransform(param_, data_);
    return true;
}

bool MapCanvas::LoadGeoMap(const std::string& path) {
    param_.mapFileName = path;
    std::unique_ptr<GeoRaster> raster;
    const MapDatum datum(option_.DatumName());
    if (const std::string why = GeoRaster::Open(path, datum.selected(), kMaxMapPixels, raster); !why.empty())
        return reportFailure("Can't load the map: " + why + ".");
    // The raster's own grid, scaled by the zoom level.
    std::int64_t width = raster->width(), height = raster->height();
    for (int i = 0; i < zoomLevel_; ++i) {
        width *= 2;
        height *= 2;
    }
    for (int i = 0; i > zoomLevel_; --i) {
        width /= 2;
        height /= 2;
    }
    if (const std::string why = CheckGeoPictureSize(width, height); !why.empty())
        return reportFailure("Can't load the map " + path + ": " + why + ".");
    IFTMapParam next = param_;
    const GeoRasterBox& box = raster->box();
    next.ido_top = box.top;
    next.ido_bottom = box.bottom;
    next.kei_left = box.left;
    next.kei_right = box.right;
    next.bitmap_width = static_cast<std::int32_t>(width);
    next.bitmap_height = static_cast<std::int32_t>(height);
    next.projection = raster->projection();
    const IFTMapParam before = param_;
    const QImage beforeImage = image_;
    const auto beforeGeo = geo_;
    const QPoint beforeOrigin = origin_;
    param_ = next;
    geo_ = std::move(raster);
    if (const std::string why = readGeoWindow(geoWindowFor(QRect(0, 0, 1, 1))); !why.empty()) {
        param_ = before;
        image_ = beforeImage;
        geo_ = beforeGeo;
        origin_ = beforeOrigin;
        return reportFailure("Can't load the map: " + why + ".");
    }
    picture_ = Picture::GeoMap;
    pictureSource_ = path;
    loadNote_ = geo_->note().empty() ? std::string() : FileNameOf(path) + ": " + geo_->note();
    SetViewTransform(param_, data_);
    return true;
}

QSize MapCanvas::pictureSize() const {
    if (picture_ == Picture::GeoMap)
        return {param_.bitmap_width, param_.bitmap_height};
    return image_.isNull() ? QSize(0, 0) : image_.size();
}

ViewTransform MapCanvas::drawingView() const {
    ViewTransform view = ViewTransform::of(data_, param_);
    view.originX = origin_.x();
    view.originY = origin_.y();
    return view;
}

QRect MapCanvas::geoWindowFor(const QRect& visible) const {
    const QRect whole(0, 0, param_.bitmap_width, param_.bitmap_height);
    // A small picture is held whole.
    if (std::int64_t{whole.width()} * whole.height() <= kWholeGeoPicturePixels)
        return whole;
    // Else the visible part and a margin round it for scrolling, at least a
    // screenful.
    QRect area = visible.intersected(whole);
    if (area.isEmpty())
        area = QRect(visible.topLeft(), QSize(1, 1)).intersected(whole);
    const int mx = std::max(kGeoWindowMargin, (kGeoWindowSide - area.width()) / 2);
    const int my = std::max(kGeoWindowMargin, (kGeoWindowSide - area.height()) / 2);
    return area.adjusted(-mx, -my, mx, my).intersected(whole);
}

std::string MapCanvas::readGeoWindow(const QRect& area) {
    if (!geo_ || area.isEmpty())
        return "the map covers no area";
    QImage window(area.size(), QImage::Format_RGB32);
    if (window.isNull())
        return "not enough memory for the map's window";
    const double sx = double(geo_->width()) / param_.bitmap_width;
    const double sy = double(geo_->height()) / param_.bitmap_height;
    if (std::string why = geo_->Read(area.x() * sx, area.y() * sy, area.width() * sx, area.height() * sy,
                                     area.width(), area.height(), kBackground.rgb(),
                                     reinterpret_cast<std::uint32_t*>(window.bits()), window.bytesPerLine() / 4);
        !why.empty())
        return why;
    image_ = std::move(window);
    origin_ = area.topLeft();
    return {};
}

bool MapCanvas::ShowArea(const QRect& visible) {
    if (picture_ != Picture::GeoMap || !geo_)
        return false;
    const QRect held(origin_, image_.size());
    const QRect whole(0, 0, param_.bitmap_width, param_.bitmap_height);
    if (held.contains(visible.intersected(whole)))
        return false;
    if (!readGeoWindow(geoWindowFor(visible)).empty())
        return false;
    RedrawAll(showWaypoints_);
    return true;
}

std::string MapCanvas::WholePicture(QImage& out) {
    if (picture_ != Picture::GeoMap || !geo_ ||
        (origin_.isNull() && image_.size() == QSize(param_.bitmap_width, param_.bitmap_height))) {
        out = image_;
        return {};
    }
    if (std::string why = CheckMapSize(param_.bitmap_width, param_.bitmap_height); !why.empty())
        return why;
    const QImage held = image_;
    const QPoint heldOrigin = origin_;
    std::string why = readGeoWindow(QRect(0, 0, param_.bitmap_width, param_.bitmap_height));
    if (why.empty()) {
        RedrawAll(showWaypoints_);
        out = image_;
    }
    image_ = held;
    origin_ = heldOrigin;
    return why;
}

void MapCanvas::FillBackground() {
    if (image_.isNull())
        return;
    image_.fill(kBackground);
    picture_ = Picture::Blank;
    geo_.reset();
    origin_ = QPoint();
    param_.mapFileName.clear();
    param_.projection = nullptr;
}

void MapCanvas::FillBackground(int width, int height) {
    image_ = blankImage(std::max(width, 1), std::max(height, 1));
    picture_ = Picture::Blank;
    geo_.reset();
    origin_ = QPoint();
    param_.mapFileName.clear();
    param_.projection = nullptr;
}

bool MapCanvas::FitViewToData(int width, int height, bool keepAspect, FittedDistances& distances) {
    if (!nuvrel::FitViewToData(data_, &routes_, keepAspect, width, height, param_, distances))
        return false;
    image_ = blankImage(param_.bitmap_width, param_.bitmap_height);
    picture_ = Picture::FittedView;
    geo_.reset();
    origin_ = QPoint();
    pictureSource_.clear();
    param_.mapFileName.clear();
    return true;
}

std::string MapCanvas::compose(int level, std::int64_t width, std::int64_t height, QImage& out, IFTMapParam& next) {
    next = param_;
    if (picture_ == Picture::TiledMap) {
        // The tiles decide the size at each level.
        return composeTiled(pictureSource_, level, out, next).describe();
    }
    if (std::string why = picture_ == Picture::GeoMap ? CheckGeoPictureSize(width, height)
                                                       : CheckMapSize(width, height);
        !why.empty())
        return why;
    if (picture_ == Picture::PlainMap) {
        if (!composePlain(pictureSource_, static_cast<int>(width), static_cast<int>(height), out))
            return "can't read the map bitmap " + pictureSource_;
    } else if (picture_ == Picture::GeoMap) {
        out = QImage(); // read by takePicture, round the same spot
    } else {
        out = blankImage(static_cast<int>(width), static_cast<int>(height));
    }
    next.bitmap_width = static_cast<std::int32_t>(width);
    next.bitmap_height = static_cast<std::int32_t>(height);
    return {};
}

void MapCanvas::takePicture(int level, QImage picture, const IFTMapParam& next) {
    zoomLevel_ = level;
    if (picture_ == Picture::GeoMap) {
        // The held window's middle stays in the middle, at the new scale.
        const double fx = double(next.bitmap_width) / std::max(param_.bitmap_width, 1);
        const double fy = double(next.bitmap_height) / std::max(param_.bitmap_height, 1);
        const QPointF middle = QRectF(origin_, image_.size()).center();
        param_.bitmap_width = next.bitmap_width;
        param_.bitmap_height = next.bitmap_height;
        const QPoint at(int(middle.x() * fx), int(middle.y() * fy));
        if (!readGeoWindow(geoWindowFor(QRect(at, QSize(1, 1)))).empty())
            image_ = blankImage(1, 1);
        SetViewTransform(param_, data_);
        return;
    }
    param_.bitmap_width = next.bitmap_width;
    param_.bitmap_height = next.bitmap_height;
    image_ = std::move(picture);
    SetViewTransform(param_, data_);
}

std::string MapCanvas::Zoom(bool in) {
    const int level = zoomLevel_ + (in ? 1 : -1);
    std::int64_t width = param_.bitmap_width, height = param_.bitmap_height;
    width = in ? width * 2 : width / 2;
    height = in ? height * 2 : height / 2;
    IFTMapParam next;
    QImage picture;
    if (std::string why = compose(level, width, height, picture, next); !why.empty())
        return why;
    takePicture(level, std::move(picture), next);
    return {};
}

std::string MapCanvas::Rebuild() {
    if (picture_ == Picture::GeoMap)
        return readGeoWindow(QRect(origin_, image_.size()));
    IFTMapParam next;
    QImage picture;
    if (std::string why = compose(zoomLevel_, param_.bitmap_width, param_.bitmap_height, picture, next);
        !why.empty())
        return why;
    takePicture(zoomLevel_, std::move(picture), next);
    return {};
}

std::string MapCanvas::CleanPicture(QImage& out, IFTMapParam& param) {
    param = param_;
    const auto blank = [&] {
        out = blankImage(std::max(param_.bitmap_width, 1), std::max(param_.bitmap_height, 1));
    };
    if (picture_ == Picture::PlainMap) {
        // The natural size, whatever the zoom: the sharpest picture there is.
        IFTMapParam natural = param_;
        const PlainMapPaths paths = findPlainMapFiles(pictureSource_);
        if (!ReadCalibrationFile(paths.calibration, natural) || !natural.HasUsableTransform() ||
            !CheckMapSize(natural.bitmap_width, natural.bitmap_height).empty())
            natural = param_;
        if (composePlain(pictureSource_, natural.bitmap_width, natural.bitmap_height, out)) {
            param = natural;
            return {};
        }
        blank();
        return "can't read the map bitmap " + pictureSource_;
    }
    if (picture_ == Picture::GeoMap && geo_) {
        // The whole raster, at most as many pixels as a page can use.
        double f = std::min(1.0, std::sqrt(double(kPrintGeoPixels) / (double(geo_->width()) * geo_->height())));
        const int width = std::max(1, int(geo_->width() * f)), height = std::max(1, int(geo_->height() * f));
        out = QImage(width, height, QImage::Format_RGB32);
        if (out.isNull()) {
            blank();
            return "not enough memory for the map";
        }
        param.bitmap_width = width;
        param.bitmap_height = height;
        if (std::string why = geo_->Read(0, 0, geo_->width(), geo_->height(), width, height, kBackground.rgb(),
                                         reinterpret_cast<std::uint32_t*>(out.bits()), out.bytesPerLine() / 4);
            !why.empty()) {
            param = param_;
            blank();
            return why;
        }
        return {};
    }
    if (picture_ == Picture::TiledMap) {
        IFTMapParam next = param_;
        if (const Failure f = composeTiled(pictureSource_, zoomLevel_, out, next); f.failed()) {
            blank();
            return f.describe();
        }
        param = next;
        return {};
    }
    blank();
    return {};
}

void MapCanvas::RedrawAll(bool showWaypoints) {
    showWaypoints_ = showWaypoints;
    render::RedrawAll(image_, data_, &routes_, drawingView(), option_, showWaypoints, labelFont_);
}

} // namespace nuvrel::render
