#include "core/map/geo_raster.h"

#include "core/map/map_file_names.h"
#include "core/map/ozi_map_file.h"
#include "core/map/raster_library.h"
#include "core/regular_file.h"
#include "core/codepage.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_string.h>
#include <gdal.h>
#include <gdal_alg.h>
#include <ogr_srs_api.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <mutex>
#include <vector>

namespace nuvrel {

namespace {

constexpr double kWgs84A = 6378137.0;
constexpr double kWgs84F = 1.0 / 298.257223563;
// A raster without overviews and longer than this on a side gets one made in
// memory the first time it is shown much reduced; its long side.
constexpr int kOwnOverviewSide = 2048;
// The most output pixels read from the raster at a time (a band of rows).
constexpr int kChunkPixels = 1 << 18;

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool endsWith(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() && lower(s.substr(s.size() - suffix.size())) == suffix;
}

// Keeps the raster library quiet on stderr and keeps its last message for
// ours; only the map formats' drivers are registered (and the block cache is
// bounded, so that a map of any size costs the same).
class LibraryScope {
public:
    LibraryScope() {
        UseMapDriversOnly();
        CPLPushErrorHandler(CPLQuietErrorHandler);
        CPLErrorReset();
    }
    ~LibraryScope() { CPLPopErrorHandler(); }
    LibraryScope(const LibraryScope&) = delete;
    LibraryScope& operator=(const LibraryScope&) = delete;

    static std::string lastMessage() {
        const char* m = CPLGetLastErrorMsg();
        return m && *m ? std::string(": ") + m : std::string();
    }
};

struct DatasetCloser {
    void operator()(GDALDatasetH h) const {
        if (h)
            GDALClose(h);
    }
};
using Dataset = std::unique_ptr<std::remove_pointer_t<GDALDatasetH>, DatasetCloser>;

struct SrsCloser {
    void operator()(OGRSpatialReferenceH h) const {
        if (h)
            OSRDestroySpatialReference(h);
    }
};
using Srs = std::unique_ptr<std::remove_pointer_t<OGRSpatialReferenceH>, SrsCloser>;

struct TransformCloser {
    void operator()(OGRCoordinateTransformationH h) const {
        if (h)
            OCTDestroyCoordinateTransformation(h);
    }
};
using Transform = std::unique_ptr<std::remove_pointer_t<OGRCoordinateTransformationH>, TransformCloser>;

std::string format(double v) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.17g", v);
    return buffer;
}

// Longitude first, as x.
Srs gisOrder(Srs srs) {
    if (srs)
        OSRSetAxisMappingStrategy(srs.get(), OAMS_TRADITIONAL_GIS_ORDER);
    return srs;
}

bool isWgs84(const DatumRow& datum) {
    return datum.da == 0 && datum.df == 0 && datum.dx == 0 && datum.dy == 0 && datum.dz == 0;
}

// A datum of the table as a coordinate system, longitude first.
Srs datumSrs(const DatumRow& datum) {
    Srs srs(OSRNewSpatialReference(nullptr));
    if ((isWgs84(datum) ? OSRSetWellKnownGeogCS(srs.get(), "WGS84")
                        : OSRImportFromProj4(srs.get(), DatumProjString(datum).c_str())) != OGRERR_NONE)
        return nullptr;
    return gisOrder(std::move(srs));
}

// A datum of the table by the name a .map file gives it: exactly, else with
// letter case, blanks and punctuation ignored.
const DatumRow* findDatum(const MapDatum& table, const std::string& name) {
    const auto key = [](std::string_view s) {
        std::string k;
        for (char c : s)
            if (std::isalnum(static_cast<unsigned char>(c)))
                k += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return k;
    };
    for (const DatumRow& r : table.rows())
        if (r.name == name)
            return &r;
    const std::string wanted = key(name);
    for (const DatumRow& r : table.rows())
        if (!wanted.empty() && key(r.name) == wanted)
            return &r;
    return nullptr;
}

// Text of the Windows Western code page (CP1252), in which .map files written
// on Windows name their image, as UTF-8. The five bytes CP1252 leaves
// undefined make the name Latin-1 instead (it then names no file anyway).
std::string cp1252ToUtf8(std::string_view text) {
    std::string out;
    if (decodeToUtf8(text, "windows-1252", out))
        return out;
    return codePageToUtf8(text, CodePage::Latin1);
}

// The file's name for messages: a name in another encoding (a .map written
// on Windows) shown as text, not as raw bytes.
std::string shown(const std::string& name) { return isUtf8(name) ? name : cp1252ToUtf8(name); }

// ---------------------------------------------------------------------------
// The projection of one raster.

class RasterProjection final : public MapProjection {
public:
    RasterProjection(int width, int height, const std::array<double, 6>& g, Transform toCrs, Transform fromCrs,
                     double period)
        : width_(width), height_(height), g_(g), toCrs_(std::move(toCrs)), fromCrs_(std::move(fromCrs)),
          period_(period) {
        // Open() has made sure that the grid is not degenerate.
        if (!GDALInvGeoTransform(g_.data(), inverse_.data()))
            inverse_.fill(0);
        centreX_ = g_[0] + g_[1] * width_ / 2.0 + g_[2] * height_ / 2.0;
    }

    int width() const override { return width_; }
    int height() const override { return height_; }

    bool toRaster(double latitude, double longitude, double& x, double& y) const override {
        double u = longitude, v = latitude;
        if (!std::isfinite(u) || !std::isfinite(v) || std::fabs(v) > 90 ||
            !OCTTransform(toCrs_.get(), 1, &u, &v, nullptr) || !std::isfinite(u) || !std::isfinite(v))
            return false;
        // Round the world to the raster's side: a map across the
        // antimeridian has its positions east of 180 or west of -180.
        if (period_ > 0)
            u += period_ * std::round((centreX_ - u) / period_);
        x = inverse_[0] + inverse_[1] * u + inverse_[2] * v;
        y = inverse_[3] + inverse_[4] * u + inverse_[5] * v;
        return true;
    }

    bool toPosition(double x, double y, double& latitude, double& longitude) const override {
        double u = g_[0] + g_[1] * x + g_[2] * y;
        double v = g_[3] + g_[4] * x + g_[5] * y;
        if (!OCTTransform(fromCrs_.get(), 1, &u, &v, nullptr) || !std::isfinite(u) || !std::isfinite(v))
            return false;
        longitude = std::remainder(u, 360.0);
        latitude = v;
        return true;
    }

    // The position without folding the longitude back into -180..180.
    bool unfolded(double x, double y, double& latitude, double& longitude) const {
        double u = g_[0] + g_[1] * x + g_[2] * y;
        double v = g_[3] + g_[4] * x + g_[5] * y;
        if (!OCTTransform(fromCrs_.get(), 1, &u, &v, nullptr) || !std::isfinite(u) || !std::isfinite(v))
            return false;
        longitude = u;
        latitude = v;
        return true;
    }

private:
    int width_;
    int height_;
    std::array<double, 6> g_;
    std::array<double, 6> inverse_{};
    Transform toCrs_;
    Transform fromCrs_;
    double period_;
    double centreX_ = 0;
};

// How far apart the same place lies in the raster's system once round the
// world: 360 degrees for latitude/longitude, the equator's length for the
// cylindrical projections; 0 where the system does not repeat.
double worldPeriod(OGRSpatialReferenceH crs, OGRCoordinateTransformationH toCrs) {
    if (OSRIsGeographic(crs)) {
        const double toDegrees = OSRGetAngularUnits(crs, nullptr) * 180.0 / M_PI;
        return toDegrees > 0 ? 360.0 / toDegrees : 360.0;
    }
    const char* method = OSRGetAttrValue(crs, "PROJECTION", 0);
    const std::string m = method ? lower(method) : std::string();
    const bool cylindrical = (m.find("mercator") != std::string::npos && m.find("transverse") == std::string::npos &&
                              m.find("oblique") == std::string::npos) ||
                             m.find("equirectangular") != std::string::npos || m.find("miller") != std::string::npos;
    if (!cylindrical)
        return 0;
    double u[2] = {0, 90}, v[2] = {0, 0};
    if (!OCTTransform(toCrs, 2, u, v, nullptr))
        return 0;
    const double quarter = std::fabs(u[1] - u[0]);
    return std::isfinite(quarter) && quarter > 0 ? 4 * quarter : 0;
}

// ---------------------------------------------------------------------------
// How the raster's bands become colours.

enum class Colours { Grey, Palette, Rgb };

struct BandPlan {
    GDALRasterBandH band = nullptr;
    bool bytes = true;    // read as bytes as they are
    double offset = 0;    // else value -> (value - offset) * scale, clamped to 0..255
    double scale = 1;
    bool hasNoData = false;
    double noData = 0;
};

struct Bands {
    Colours colours = Colours::Grey;
    std::vector<BandPlan> colour; // 1 (grey, palette) or 3
    GDALRasterBandH alpha = nullptr;
    std::array<std::uint32_t, 256> palette{}; // 0xAARRGGBB
};

BandPlan planBand(GDALRasterBandH band) {
    BandPlan p;
    p.band = band;
    int has = 0;
    p.noData = GDALGetRasterNoDataValue(band, &has);
    p.hasNoData = has != 0 && std::isfinite(p.noData);
    if (GDALGetRasterDataType(band) == GDT_Byte)
        return p;
    // 16-bit and floating-point values: spread the band's range over 0..255.
    p.bytes = false;
    double low = 0, high = 0, mean = 0, deviation = 0;
    double range[2] = {0, 0};
    if (GDALGetRasterStatistics(band, TRUE, FALSE, &low, &high, &mean, &deviation) == CE_None) {
        range[0] = low;
        range[1] = high;
    } else if (GDALComputeRasterMinMax(band, TRUE, range) != CE_None) {
        range[0] = 0;
        range[1] = 255;
    }
    if (!(range[1] > range[0]) || !std::isfinite(range[0]) || !std::isfinite(range[1]))
        range[1] = range[0] + 1;
    p.offset = range[0];
    p.scale = 255.0 / (range[1] - range[0]);
    return p;
}

Bands planBands(GDALDatasetH ds) {
    Bands b;
    const int count = GDALGetRasterCount(ds);
    int colourCount = count;
    if (count >= 2 && GDALGetRasterColorInterpretation(GDALGetRasterBand(ds, count)) == GCI_AlphaBand) {
        b.alpha = GDALGetRasterBand(ds, count);
        colourCount = count - 1;
    }
    GDALRasterBandH first = GDALGetRasterBand(ds, 1);
    if (colourCount >= 3) {
        b.colours = Colours::Rgb;
        for (int i = 1; i <= 3; ++i)
            b.colour.push_back(planBand(GDALGetRasterBand(ds, i)));
        return b;
    }
    b.colour.push_back(planBand(first));
    if (GDALColorTableH table = GDALGetRasterColorTable(first)) {
        b.colours = Colours::Palette;
        b.colour[0].bytes = true;
        const int entries = std::min(GDALGetColorEntryCount(table), 256);
        for (int i = 0; i < entries; ++i) {
            GDALColorEntry e;
            GDALGetColorEntryAsRGB(table, i, &e);
            b.palette[std::size_t(i)] = std::uint32_t(std::clamp<int>(e.c4, 0, 255)) << 24 |
                                        std::uint32_t(std::clamp<int>(e.c1, 0, 255)) << 16 |
                                        std::uint32_t(std::clamp<int>(e.c2, 0, 255)) << 8 |
                                        std::uint32_t(std::clamp<int>(e.c3, 0, 255));
        }
    }
    return b;
}

std::uint32_t blend(std::uint32_t r, std::uint32_t g, std::uint32_t b, std::uint32_t a, std::uint32_t background) {
    if (a >= 255)
        return 0xff000000u | r << 16 | g << 8 | b;
    const auto mix = [a](std::uint32_t fg, std::uint32_t bg) { return (fg * a + bg * (255 - a) + 127) / 255; };
    return 0xff000000u | mix(r, (background >> 16) & 0xff) << 16 | mix(g, (background >> 8) & 0xff) << 8 |
           mix(b, background & 0xff);
}

} // namespace

// ---------------------------------------------------------------------------

struct GeoRaster::Impl {
    Dataset dataset;
    int width = 0;
    int height = 0;
    std::shared_ptr<const MapProjection> projection;
    GeoRasterBox box;
    std::string note;
    std::string name;
    Bands bands;
    bool hasOverviews = false;
    // The most pixels one read takes from the file.
    std::int64_t maxPixels = 0;
    // The raster reduced in memory (for one without overviews).
    mutable std::vector<std::uint32_t> reduced;
    mutable int reducedWidth = 0;
    mutable int reducedHeight = 0;
    mutable std::uint32_t reducedBackground = 0;

    std::string readBands(double x, double y, double w, double h, int outWidth, int outHeight, std::uint32_t background,
                          std::uint32_t* out, std::ptrdiff_t stride) const;
    int overviewFor(double w, double h, double reduction) const;
    void toColours(const std::vector<std::vector<float>>& values, const std::vector<float>& alpha, int outWidth,
                   int outHeight, std::uint32_t background, std::uint32_t* out, std::ptrdiff_t stride) const;
    std::string read(double x, double y, double w, double h, int outWidth, int outHeight, std::uint32_t background,
                     std::uint32_t* out, std::ptrdiff_t stride) const;
};

namespace {

// Reads one band's window into values (outWidth x outHeight doubles or
// bytes, as the plan says).
// overview is the level to read from, -1 for the raster itself (the library
// then picks an overview for a reduced read).
bool readBand(const BandPlan& plan, int overview, double x, double y, double w, double h, int outWidth,
              int outHeight, bool nearest, std::vector<float>& values) {
    GDALRasterBandH band = plan.band;
    if (overview >= 0) {
        band = GDALGetOverview(plan.band, overview);
        if (!band)
            return false;
        const double fx = double(GDALGetRasterBandXSize(band)) / GDALGetRasterBandXSize(plan.band);
        const double fy = double(GDALGetRasterBandYSize(band)) / GDALGetRasterBandYSize(plan.band);
        x *= fx;
        w *= fx;
        y *= fy;
        h *= fy;
    }
    GDALRasterIOExtraArg extra;
    INIT_RASTERIO_EXTRA_ARG(extra);
    extra.eResampleAlg = nearest ? GRIORA_NearestNeighbour : GRIORA_Bilinear;
    extra.bFloatingPointWindowValidity = TRUE;
    extra.dfXOff = x;
    extra.dfYOff = y;
    extra.dfXSize = w;
    extra.dfYSize = h;
    const int ix = std::clamp(int(std::floor(x)), 0, GDALGetRasterBandXSize(band) - 1);
    const int iy = std::clamp(int(std::floor(y)), 0, GDALGetRasterBandYSize(band) - 1);
    const int iw = std::clamp(int(std::ceil(x + w)) - ix, 1, GDALGetRasterBandXSize(band) - ix);
    const int ih = std::clamp(int(std::ceil(y + h)) - iy, 1, GDALGetRasterBandYSize(band) - iy);
    values.resize(std::size_t(outWidth) * std::size_t(outHeight));
    return GDALRasterIOEx(band, GF_Read, ix, iy, iw, ih, values.data(), outWidth, outHeight, GDT_Float32, 0, 0,
                          &extra) == CE_None;
}

std::uint32_t level(const BandPlan& plan, float v) {
    if (plan.bytes)
        return std::uint32_t(std::clamp(v, 0.0f, 255.0f));
    const double s = (double(v) - plan.offset) * plan.scale;
    return std::uint32_t(std::clamp(s + 0.5, 0.0, 255.0));
}

} // namespace

// The level a window of w x h raster pixels is read from: the raster itself
// (-1, the library choosing an overview as fine as the reduction needs) when
// the window is within the pixel limit; else the overview the reduction
// needs, or the finest coarser one, whose part of the window is within it;
// -2 when there is none.
int GeoRaster::Impl::overviewFor(double w, double h, double reduction) const {
    if (w * h <= double(maxPixels))
        return -1;
    GDALRasterBandH band = GDALGetRasterBand(dataset.get(), 1);
    int fine = -2, coarse = -2;
    double fineFactor = 0, coarseFactor = 0;
    for (int i = 0; band && i < GDALGetOverviewCount(band); ++i) {
        GDALRasterBandH overview = GDALGetOverview(band, i);
        if (!overview || GDALGetRasterBandXSize(overview) < 1 || GDALGetRasterBandYSize(overview) < 1)
            continue;
        const double fx = double(width) / GDALGetRasterBandXSize(overview);
        const double fy = double(height) / GDALGetRasterBandYSize(overview);
        if ((w / fx) * (h / fy) > double(maxPixels))
            continue;
        const double factor = std::max(fx, fy);
        if (factor <= reduction * 1.01 && factor > fineFactor) {
            fine = i;
            fineFactor = factor;
        } else if (factor > reduction * 1.01 && (coarse < -1 || factor < coarseFactor)) {
            coarse = i;
            coarseFactor = factor;
        }
    }
    return fine >= 0 ? fine : coarse;
}

std::string GeoRaster::Impl::readBands(double x, double y, double w, double h, int outWidth, int outHeight,
                                       std::uint32_t background, std::uint32_t* out, std::ptrdiff_t stride) const {
    // Palettes and enlargement take pixels as they are; a reduction is
    // interpolated (from the overview just finer than needed).
    const bool nearest = bands.colours == Colours::Palette || outWidth >= w;
    const int overview = overviewFor(w, h, std::max(w / outWidth, h / outHeight));
    if (overview < -1)
        return "can't read " + name + ": the part shown is more than the program's pixel limit";
    // In bands of rows, so that the values read at a time stay small
    // whatever the size of the window.
    const int chunk = std::max(1, kChunkPixels / outWidth);
    const double rowHeight = h / outHeight;
    std::vector<std::vector<float>> values(bands.colour.size());
    std::vector<float> alpha;
    for (int first = 0; first < outHeight; first += chunk) {
        const int rows = std::min(chunk, outHeight - first);
        const double cy = y + first * rowHeight, ch = rows * rowHeight;
        for (std::size_t i = 0; i < bands.colour.size(); ++i)
            if (!readBand(bands.colour[i], overview, x, cy, w, ch, outWidth, rows, nearest, values[i]))
                return "can't read " + name + LibraryScope::lastMessage();
        if (bands.alpha && !readBand(BandPlan{bands.alpha}, overview, x, cy, w, ch, outWidth, rows, nearest, alpha))
            return "can't read " + name + LibraryScope::lastMessage();
        toColours(values, alpha, outWidth, rows, background, out + std::ptrdiff_t(first) * stride, stride);
    }
    return {};
}

void GeoRaster::Impl::toColours(const std::vector<std::vector<float>>& values, const std::vector<float>& alpha,
                                int outWidth, int outHeight, std::uint32_t background, std::uint32_t* out,
                                std::ptrdiff_t stride) const {
    // Colours as they are, opaque everywhere: the common map, taken straight.
    const auto plain = [](const BandPlan& p) { return p.bytes && !p.hasNoData; };
    if (alpha.empty() && bands.colours != Colours::Palette && std::all_of(bands.colour.begin(), bands.colour.end(), plain)) {
        const std::size_t last = bands.colours == Colours::Rgb ? 2 : 0;
        const float* red = values[0].data();
        const float* green = values[std::min<std::size_t>(1, last)].data();
        const float* blue = values[last].data();
        const auto byte = [](float v) { return std::uint32_t(std::clamp(v, 0.0f, 255.0f)); };
        for (int row = 0; row < outHeight; ++row) {
            std::uint32_t* line = out + row * stride;
            const std::size_t k0 = std::size_t(row) * std::size_t(outWidth);
            for (int column = 0; column < outWidth; ++column) {
                const std::size_t k = k0 + std::size_t(column);
                line[column] = 0xff000000u | byte(red[k]) << 16 | byte(green[k]) << 8 | byte(blue[k]);
            }
        }
        return;
    }
    for (int row = 0; row < outHeight; ++row) {
        std::uint32_t* line = out + row * stride;
        for (int column = 0; column < outWidth; ++column) {
            const std::size_t k = std::size_t(row) * std::size_t(outWidth) + std::size_t(column);
            std::uint32_t a = alpha.empty() ? 255 : std::uint32_t(std::clamp(alpha[k], 0.0f, 255.0f));
            std::uint32_t r = 0, g = 0, b = 0;
            if (bands.colours == Colours::Palette) {
                const std::uint32_t c = bands.palette[std::size_t(std::clamp(values[0][k], 0.0f, 255.0f))];
                r = (c >> 16) & 0xff;
                g = (c >> 8) & 0xff;
                b = c & 0xff;
                a = std::min(a, c >> 24);
                if (bands.colour[0].hasNoData && values[0][k] == float(bands.colour[0].noData))
                    a = 0;
            } else if (bands.colours == Colours::Grey) {
                r = g = b = level(bands.colour[0], values[0][k]);
                if (bands.colour[0].hasNoData && values[0][k] == float(bands.colour[0].noData))
                    a = 0;
            } else {
                r = level(bands.colour[0], values[0][k]);
                g = level(bands.colour[1], values[1][k]);
                b = level(bands.colour[2], values[2][k]);
                bool none = true;
                for (std::size_t i = 0; i < 3; ++i)
                    none = none && bands.colour[i].hasNoData && values[i][k] == float(bands.colour[i].noData);
                if (none)
                    a = 0;
            }
            line[column] = blend(r, g, b, a, background);
        }
    }
}

std::string GeoRaster::Impl::read(double x, double y, double w, double h, int outWidth, int outHeight,
                                  std::uint32_t background, std::uint32_t* out, std::ptrdiff_t stride) const {
    for (int row = 0; row < outHeight; ++row)
        std::fill(out + row * stride, out + row * stride + outWidth, 0xff000000u | background);
    if (!(w > 0) || !(h > 0) || outWidth < 1 || outHeight < 1)
        return {};
    // The part of the window on the raster, and where it goes in out.
    const double x0 = std::max(x, 0.0), y0 = std::max(y, 0.0);
    const double x1 = std::min(x + w, double(width)), y1 = std::min(y + h, double(height));
    if (x1 <= x0 || y1 <= y0)
        return {};
    const int ox0 = std::clamp(int(std::lround((x0 - x) / w * outWidth)), 0, outWidth);
    const int oy0 = std::clamp(int(std::lround((y0 - y) / h * outHeight)), 0, outHeight);
    const int ox1 = std::clamp(int(std::lround((x1 - x) / w * outWidth)), 0, outWidth);
    const int oy1 = std::clamp(int(std::lround((y1 - y) / h * outHeight)), 0, outHeight);
    if (ox1 <= ox0 || oy1 <= oy0)
        return {};
    // The raster window of exactly those output pixels.
    const double sx = w / outWidth, sy = h / outHeight;
    const double rx = x + ox0 * sx, ry = y + oy0 * sy;
    const double rw = (ox1 - ox0) * sx, rh = (oy1 - oy0) * sy;
    std::uint32_t* target = out + oy0 * stride + ox0;
    const int tw = ox1 - ox0, th = oy1 - oy0;

    // Much reduced, a raster without overviews would be read whole for every
    // window: it is reduced once into memory and shown from there.
    const double reduction = rw / tw;
    const int longSide = std::max(width, height);
    if (!hasOverviews && longSide > kOwnOverviewSide * 2 && reduction >= double(longSide) / kOwnOverviewSide) {
        if (reduced.empty() || reducedBackground != background) {
            const double f = double(kOwnOverviewSide) / longSide;
            const int rwid = std::max(1, int(width * f)), rhei = std::max(1, int(height * f));
            std::vector<std::uint32_t> picture(std::size_t(rwid) * std::size_t(rhei));
            // In strips, so that what is read at a time stays small.
            constexpr int kStrip = 256;
            for (int top = 0; top < rhei; top += kStrip) {
                const int rows = std::min(kStrip, rhei - top);
                const double fy = double(height) / rhei;
                if (std::string why = readBands(0, top * fy, width, rows * fy, rwid, rows, background,
                                                picture.data() + std::size_t(top) * rwid, rwid);
                    !why.empty())
                    return why;
            }
            reduced = std::move(picture);
            reducedWidth = rwid;
            reducedHeight = rhei;
            reducedBackground = background;
        }
        const double fx = double(reducedWidth) / width, fy = double(reducedHeight) / height;
        for (int row = 0; row < th; ++row) {
            const int ry0 = std::clamp(int((ry + (row + 0.5) * sy) * fy), 0, reducedHeight - 1);
            for (int column = 0; column < tw; ++column) {
                const int rx0 = std::clamp(int((rx + (column + 0.5) * sx) * fx), 0, reducedWidth - 1);
                target[row * stride + column] = reduced[std::size_t(ry0) * reducedWidth + rx0];
            }
        }
        return {};
    }
    // The library's own window read, with fractions.
    return readBands(rx, ry, rw, rh, tw, th, background, target, stride);
}

GeoRaster::GeoRaster(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
GeoRaster::~GeoRaster() = default;
int GeoRaster::width() const { return impl_->width; }
int GeoRaster::height() const { return impl_->height; }
const std::shared_ptr<const MapProjection>& GeoRaster::projection() const { return impl_->projection; }
const GeoRasterBox& GeoRaster::box() const { return impl_->box; }
const std::string& GeoRaster::note() const { return impl_->note; }

std::string GeoRaster::Read(double x, double y, double w, double h, int outWidth, int outHeight,
                            std::uint32_t background, std::uint32_t* out, std::ptrdiff_t stride) const {
    LibraryScope library;
    return impl_->read(x, y, w, h, outWidth, outHeight, background & 0xffffffu, out, stride);
}

namespace {

// Where the raster's pixels are, in which system.
struct Georeference {
    Srs crs;
    std::array<double, 6> g{};
    std::string note;
};

// The coordinate system a .map names: its projection line with the setup
// line, on its datum.
std::string ozi_projection(const OziMapFile& map, const DatumRow& datum, std::string& proj, std::string& note) {
    std::string datumPart = DatumProjString(datum);
    datumPart = datumPart.substr(std::string("+proj=longlat").size());
    const auto value = [&](std::size_t i, double fallback) {
        return std::isnan(map.setup[i]) ? fallback : map.setup[i];
    };
    const std::string name = lower(map.projectionName);
    if (name.empty() || name.find("latitude/longitude") != std::string::npos) {
        proj = "+proj=longlat" + datumPart;
        return {};
    }
    if (name.find("utm") != std::string::npos) {
        int zone = 0;
        bool south = false;
        double longitudes = 0, latitudes = 0;
        int positions = 0;
        for (const OziMapPoint& p : map.points) {
            if (p.hasGrid && p.zone > 0 && zone == 0) {
                zone = p.zone;
                south = p.south;
            }
            if (p.hasPosition) {
                longitudes += p.longitude;
                latitudes += p.latitude;
                ++positions;
            }
        }
        if (zone == 0 && positions > 0) {
            const double lon = std::remainder(longitudes / positions, 360.0);
            zone = std::clamp(int(std::floor((lon + 180) / 6)) + 1, 1, 60);
            south = latitudes / positions < 0;
        }
        if (zone == 0)
            return "its UTM zone is not given";
        proj = "+proj=utm +zone=" + std::to_string(zone) + (south ? " +south" : "") + datumPart;
        return {};
    }
    const std::string origin = " +lat_0=" + format(value(0, 0)) + " +lon_0=" + format(value(1, 0)) +
                               " +x_0=" + format(value(3, 0)) + " +y_0=" + format(value(4, 0));
    if (name.find("transverse mercator") != std::string::npos) {
        proj = "+proj=tmerc" + origin + " +k=" + format(value(2, 1)) + datumPart;
        return {};
    }
    if (name.find("lambert conformal conic") != std::string::npos) {
        proj = "+proj=lcc" + origin + " +lat_1=" + format(value(5, value(0, 0))) + " +lat_2=" +
               format(value(6, value(5, value(0, 0)))) + datumPart;
        return {};
    }
    if (name == "mercator") {
        proj = "+proj=merc +lon_0=" + format(value(1, 0)) + " +k=" + format(value(2, 1)) + " +x_0=" +
               format(value(3, 0)) + " +y_0=" + format(value(4, 0)) + datumPart;
        return {};
    }
    note = "its projection \"" + map.projectionName + "\" is not known; the map is fitted in latitude and longitude";
    proj = "+proj=longlat" + datumPart;
    return {};
}

std::string readOziMap(const std::string& path, std::string& imagePath, Georeference& georef) {
    std::ifstream in(path, std::ios::binary);
    std::string text;
    if (in) {
        text.resize(1 << 20);
        in.read(text.data(), std::streamsize(text.size()));
        text.resize(std::size_t(in.gcount()));
    }
    if (!in && text.empty())
        return "can't read " + path;
    OziMapFile map;
    if (std::string why = ParseOziMap(text, map); !why.empty())
        return path + ": " + why;
    const MapDatum table("WGS 84");
    const DatumRow* datum = findDatum(table, map.datumName);
    if (!datum)
        return path + ": unknown datum \"" + shown(map.datumName) + "\"";
    std::string proj;
    if (std::string why = ozi_projection(map, *datum, proj, georef.note); !why.empty())
        return path + ": " + why;
    Srs crs(OSRNewSpatialReference(nullptr));
    if (OSRImportFromProj4(crs.get(), proj.c_str()) != OGRERR_NONE)
        return path + ": its projection can't be set up" + LibraryScope::lastMessage();
    crs = gisOrder(std::move(crs));
    const Srs geographic = datumSrs(*datum);
    Transform toGrid(OCTNewCoordinateTransformation(geographic.get(), crs.get()));
    if (!toGrid)
        return path + ": its projection can't be set up" + LibraryScope::lastMessage();
    // Each point in the map's own coordinates: grid coordinates as given
    // when the map's grid is UTM, else its latitude and longitude projected.
    const bool utm = proj.rfind("+proj=utm", 0) == 0;
    std::vector<PixelTie> ties;
    for (const OziMapPoint& p : map.points) {
        if (p.hasPosition) {
            double u = p.longitude, v = p.latitude;
            if (!OCTTransform(toGrid.get(), 1, &u, &v, nullptr))
                return path + ": a calibration point lies outside its projection";
            ties.push_back({p.x, p.y, u, v});
        } else if (p.hasGrid && utm) {
            ties.push_back({p.x, p.y, p.easting, p.northing});
        }
    }
    if (!FitPixelAffine(ties, georef.g))
        return path + ": the calibration points lie on one line";
    georef.crs = std::move(crs);
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    // The name as written (often on Windows, in its code page), found in any
    // letter case.
    const std::string written = OziImageBaseName(map.imageName);
    std::string image = findFileAnyCase(folder + written);
    if (!IsReadableRegularFile(image) && !isUtf8(written))
        image = findFileAnyCase(folder + cp1252ToUtf8(written));
    if (!IsReadableRegularFile(image))
        return path + ": its image " + shown(written) + " is not beside it";
    imagePath = image;
    return {};
}

// A map file (or a .map's image) through the map formats' drivers only.
Dataset openMapFile(const std::string& path) {
    return Dataset(GDALOpenEx(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY, MapDrivers(), nullptr, nullptr));
}

// Why path did not open: no map driver knows it, or it is damaged.
std::string notOpened(const std::string& path, const std::string& cantRead) {
    const std::string message = LibraryScope::lastMessage();
    if (!GDALIdentifyDriverEx(path.c_str(), GDAL_OF_RASTER, MapDrivers(), nullptr))
        return NotAMapFormat(path);
    return cantRead + path + message;
}

bool hasOverviewWithin(GDALRasterBandH band, std::int64_t maxPixels) {
    for (int i = 0; band && i < GDALGetOverviewCount(band); ++i)
        if (GDALRasterBandH overview = GDALGetOverview(band, i);
            overview && std::int64_t{GDALGetRasterBandXSize(overview)} * GDALGetRasterBandYSize(overview) <= maxPixels)
            return true;
    return false;
}

std::string readRasterGeoreference(GDALDatasetH ds, const std::string& path, Georeference& georef) {
    const bool hasTransform = GDALGetGeoTransform(ds, georef.g.data()) == CE_None;
    const int gcpCount = GDALGetGCPCount(ds);
    OGRSpatialReferenceH crs = nullptr;
    if (hasTransform) {
        crs = GDALGetSpatialRef(ds);
    } else if (gcpCount >= 3) {
        crs = GDALGetGCPSpatialRef(ds);
        if (!GDALGCPsToGeoTransform(gcpCount, GDALGetGCPs(ds), georef.g.data(), TRUE))
            return path + ": its ground control points can't be fitted";
    }
    if (!crs || (!hasTransform && gcpCount < 3))
        return path + " has no georeferencing (no coordinate system or no position of its pixels)";
    georef.crs = gisOrder(Srs(OSRClone(crs)));
    return {};
}

} // namespace

std::string GeoRaster::Open(const std::string& path, const DatumRow& datum, std::int64_t maxPixels,
                            std::unique_ptr<GeoRaster>& out) {
    if (std::string why = RefuseMapName(path); !why.empty())
        return why;
    if (std::string why; !IsReadableRegularFile(path, &why))
        return "can't open " + path + ": " + why;
    LibraryScope library;
    auto impl = std::make_unique<Impl>();
    Georeference georef;
    std::string imagePath = path;
    if (endsWith(path, ".map")) {
        if (std::string why = readOziMap(path, imagePath, georef); !why.empty())
            return why;
    }
    impl->dataset = openMapFile(imagePath);
    if (!impl->dataset)
        return notOpened(imagePath, imagePath == path ? "can't read the map " : "can't read the image ");
    GDALDatasetH ds = impl->dataset.get();
    if (!georef.crs) {
        if (std::string why = readRasterGeoreference(ds, path, georef); !why.empty())
            return why;
    }
    impl->name = path;
    impl->note = georef.note;
    impl->width = GDALGetRasterXSize(ds);
    impl->height = GDALGetRasterYSize(ds);
    if (impl->width < 1 || impl->height < 1 || GDALGetRasterCount(ds) < 1)
        return path + " has no pixels";
    impl->hasOverviews = GDALGetOverviewCount(GDALGetRasterBand(ds, 1)) > 0;
    impl->maxPixels = maxPixels;
    // A raster over the pixel limit is shown only through an overview within
    // it; a .map's image is read whole when reduced, so it must be within it.
    if (std::int64_t{impl->width} * impl->height > maxPixels &&
        (imagePath != path || !hasOverviewWithin(GDALGetRasterBand(ds, 1), maxPixels)))
        return imagePath + " is " + std::to_string(impl->width) + " x " + std::to_string(impl->height) +
               " pixels, more than the program's pixel limit, and has no overview within it (gdaladdo adds them)";
    impl->bands = planBands(ds);

    const Srs target = datumSrs(datum);
    if (!target)
        return "can't describe the datum " + datum.name + LibraryScope::lastMessage();
    Transform toCrs(OCTNewCoordinateTransformation(target.get(), georef.crs.get()));
    Transform fromCrs(OCTNewCoordinateTransformation(georef.crs.get(), target.get()));
    if (!toCrs || !fromCrs)
        return "can't carry positions of the datum " + datum.name + " onto " + path + LibraryScope::lastMessage();
    const std::array<double, 6>& g = georef.g;
    if (!std::isfinite(g[1] * g[5] - g[2] * g[4]) || g[1] * g[5] - g[2] * g[4] == 0)
        return path + ": its pixels have no size on the ground";
    const double period = worldPeriod(georef.crs.get(), toCrs.get());
    auto projection = std::make_shared<RasterProjection>(impl->width, impl->height, georef.g, std::move(toCrs),
                                                         std::move(fromCrs), period);

    // A pole inside the map: north is not up anywhere round it.
    for (const double pole : {90.0, -90.0}) {
        double x = 0, y = 0;
        if (projection->toRaster(pole, 0, x, y) && x > 0.5 && y > 0.5 && x < impl->width - 0.5 &&
            y < impl->height - 0.5)
            return path + ": the " + (pole > 0 ? "North" : "South") +
                   " Pole lies inside this map; a map around a pole can't be shown";
    }
    // The box round the map in the datum, from points along its edges; the
    // longitudes run on across the antimeridian.
    constexpr int kSteps = 64;
    bool any = false;
    double previous = 0;
    GeoRasterBox box{-1e9, 1e9, 1e9, -1e9};
    for (int edge = 0; edge < 4; ++edge)
        for (int i = 0; i <= kSteps; ++i) {
            const double t = double(i) / kSteps;
            const double x = edge == 0 ? t * impl->width : edge == 1 ? impl->width : edge == 2 ? (1 - t) * impl->width : 0;
            const double y = edge == 0 ? 0 : edge == 1 ? t * impl->height : edge == 2 ? impl->height : (1 - t) * impl->height;
            double lat = 0, lon = 0;
            if (!projection->unfolded(x, y, lat, lon))
                continue;
            if (any)
                lon += 360.0 * std::round((previous - lon) / 360.0);
            previous = lon;
            any = true;
            box.top = std::max(box.top, lat);
            box.bottom = std::min(box.bottom, lat);
            box.left = std::min(box.left, lon);
            box.right = std::max(box.right, lon);
        }
    if (!any || !(box.top > box.bottom) || !(box.right > box.left))
        return path + ": its area can't be placed in the datum " + datum.name;
    if (box.left >= 180 || box.left < -180) {
        const double shift = 360.0 * std::floor((box.left + 180) / 360.0);
        box.left -= shift;
        box.right -= shift;
    }
    impl->box = box;
    impl->projection = std::move(projection);
    out.reset(new GeoRaster(std::move(impl)));
    return {};
}

bool IsGeoRasterName(std::string_view path) {
    return endsWith(path, ".tif") || endsWith(path, ".tiff") || endsWith(path, ".mbtiles") || endsWith(path, ".map");
}

std::string DatumProjString(const DatumRow& datum) {
    const double a = kWgs84A - datum.da;
    const double f = kWgs84F - datum.df;
    std::string s = "+proj=longlat +a=" + format(a);
    s += f > 0 ? " +rf=" + format(1.0 / f) : std::string(" +b=") + format(a);
    s += " +towgs84=" + format(datum.dx) + "," + format(datum.dy) + "," + format(datum.dz) + " +no_defs";
    return s;
}

} // namespace nuvrel
