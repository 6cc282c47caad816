#include "core/map/geo_raster.h"

#include "core/map/map_file_names.h"
#include "core/map/ozi_map_file.h"
#include "core/map/raster_library.h"
#include "core/map/tiled_map_info.h"
#include "core/regular_file.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_string.h>
#include <gdal.h>
#include <gdal_alg.h>
#include <gdal_utils.h>
#include <ogr_srs_api.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>

namespace nuvrel {

namespace {

constexpr double kWgs84A = 6378137.0;
constexpr double kWgs84F = 1.0 / 298.257223563;

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool endsWith(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() && lower(s.substr(s.size() - suffix.size())) == suffix;
}

std::string fileName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Keeps the raster library quiet on stderr and keeps its last message for
// ours; only the map formats' drivers are registered.
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

// A datum of the table as a coordinate system, longitude first.
Srs datumSrs(const DatumRow& datum) {
    Srs srs(OSRNewSpatialReference(nullptr));
    const bool wgs84 = datum.da == 0 && datum.df == 0 && datum.dx == 0 && datum.dy == 0 && datum.dz == 0;
    if ((wgs84 ? OSRSetWellKnownGeogCS(srs.get(), "WGS84") : OSRImportFromProj4(srs.get(), DatumProjString(datum).c_str())) !=
        OGRERR_NONE)
        return nullptr;
    OSRSetAxisMappingStrategy(srs.get(), OAMS_TRADITIONAL_GIS_ORDER);
    return srs;
}

std::string wkt(OGRSpatialReferenceH srs) {
    char* text = nullptr;
    OSRExportToWkt(srs, &text);
    std::string out = text ? text : "";
    CPLFree(text);
    return out;
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

// The raster to warp, on top of the datasets it reads from (a virtual
// dataset reads through its base), closed top first.
struct Source {
    std::vector<Dataset> layers;
    std::string error;

    Source(std::string why) : error(std::move(why)) {}
    explicit Source(Dataset ds) { layers.push_back(std::move(ds)); }
    Source(Source&&) = default;
    ~Source() {
        while (!layers.empty())
            layers.pop_back();
    }
    GDALDatasetH top() const { return layers.empty() ? nullptr : layers.back().get(); }
    void push(Dataset ds) { layers.push_back(std::move(ds)); }
};

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

// A source over the pixel cap that cannot be read coarser.
std::string overCap(const std::string& path, GDALDatasetH ds) {
    return path + " is " + std::to_string(GDALGetRasterXSize(ds)) + " x " + std::to_string(GDALGetRasterYSize(ds)) +
           " pixels, more than the program's pixel limit, and has no overview within it (gdaladdo adds them)";
}

std::int64_t pixelsOf(GDALDatasetH ds) { return std::int64_t{GDALGetRasterXSize(ds)} * GDALGetRasterYSize(ds); }

// The image of an OziExplorer .map with its fitted calibration, as a
// virtual dataset in the map's datum.
Source openOziMap(const std::string& path, std::int64_t maxPixels) {
    std::ifstream in(path, std::ios::binary);
    std::string text;
    if (in) {
        text.resize(1 << 20);
        in.read(text.data(), std::streamsize(text.size()));
        text.resize(std::size_t(in.gcount()));
    }
    if (!in && text.empty())
        return Source("can't read " + path);
    OziMapFile map;
    if (std::string why = ParseOziMap(text, map); !why.empty())
        return Source(path + ": " + why);
    const MapDatum table("WGS 84");
    const DatumRow* datum = findDatum(table, map.datumName);
    if (!datum)
        return Source(path + ": unknown datum \"" + map.datumName + "\"");
    std::array<double, 6> g;
    if (!FitOziAffine(map.points, g))
        return Source(path + ": the calibration points lie on one line");
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string imageName = OziImageBaseName(map.imageName);
    // Found in any letter case, as maps copied from Windows name it.
    const std::string image = findFileAnyCase(folder + imageName);
    if (!IsReadableRegularFile(image))
        return Source(path + ": its image " + imageName + " is not beside it");
    Dataset img(openMapFile(image));
    if (!img)
        return Source(notOpened(image, "can't read the image "));
    if (pixelsOf(img.get()) > maxPixels)
        return Source(overCap(image, img.get()));
    GDALDriverH vrt = GDALGetDriverByName("VRT");
    Dataset copy(vrt ? GDALCreateCopy(vrt, "", img.get(), FALSE, nullptr, nullptr, nullptr) : nullptr);
    if (!copy)
        return Source("can't read the image " + image + LibraryScope::lastMessage());
    const Srs srs = datumSrs(*datum);
    GDALSetGeoTransform(copy.get(), g.data());
    GDALSetProjection(copy.get(), wkt(srs.get()).c_str());
    Source source(std::move(img));
    source.push(std::move(copy));
    return source;
}

// The pixel cap holds for what is read, not only for the picture: a source
// over the cap is read from its finest overview (or MBTiles zoom level)
// within the cap, and one without such an overview is refused; reduced is
// then how much coarser that overview is.
Source openRaster(const std::string& path, std::int64_t maxPixels, double& reduced) {
    Dataset ds(openMapFile(path));
    if (!ds)
        return Source(notOpened(path, "can't read the map "));
    std::array<double, 6> g;
    const bool hasTransform = GDALGetGeoTransform(ds.get(), g.data()) == CE_None;
    const bool hasGcps = GDALGetGCPCount(ds.get()) > 0;
    const char* projection = hasGcps && !hasTransform ? GDALGetGCPProjection(ds.get()) : GDALGetProjectionRef(ds.get());
    if ((!hasTransform && !hasGcps) || !projection || !*projection)
        return Source(path + " has no georeferencing (no coordinate system or no position of its pixels)");
    if (pixelsOf(ds.get()) <= maxPixels)
        return Source(std::move(ds));
    GDALRasterBandH band = GDALGetRasterBand(ds.get(), 1);
    int level = -1;
    std::int64_t best = 0;
    for (int i = 0; band && i < GDALGetOverviewCount(band); ++i) {
        GDALRasterBandH overview = GDALGetOverview(band, i);
        const std::int64_t pixels =
            overview ? std::int64_t{GDALGetRasterBandXSize(overview)} * GDALGetRasterBandYSize(overview) : 0;
        if (pixels > 0 && pixels <= maxPixels && pixels > best) {
            level = i;
            best = pixels;
        }
    }
    if (level < 0)
        return Source(overCap(path, ds.get()));
    char** options = CSLSetNameValue(nullptr, "OVERVIEW_LEVEL", std::to_string(level).c_str());
    Dataset overview(GDALOpenEx(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY, MapDrivers(), options, nullptr));
    CSLDestroy(options);
    if (!overview)
        return Source("can't read the overviews of " + path + LibraryScope::lastMessage());
    reduced = double(GDALGetRasterXSize(ds.get())) / GDALGetRasterXSize(overview.get());
    return Source(std::move(overview));
}

// Colour tables become red, green, blue and alpha, so that the warp blends
// colours rather than palette indices.
Dataset expandPalette(GDALDatasetH source) {
    if (GDALGetRasterCount(source) != 1 || !GDALGetRasterColorTable(GDALGetRasterBand(source, 1)))
        return nullptr;
    char** argv = nullptr;
    argv = CSLAddString(argv, "-of");
    argv = CSLAddString(argv, "VRT");
    argv = CSLAddString(argv, "-expand");
    argv = CSLAddString(argv, "rgba");
    GDALTranslateOptions* options = GDALTranslateOptionsNew(argv, nullptr);
    CSLDestroy(argv);
    Dataset out(GDALTranslate("", source, options, nullptr));
    GDALTranslateOptionsFree(options);
    return out;
}

std::string format(double v) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.17g", v);
    return buffer;
}


// The given colour bands (and alpha band, when not 0) of source, as a virtual
// dataset.
Dataset pickBands(GDALDatasetH source, int colours, int alphaBand) {
    char** argv = CSLAddString(nullptr, "-of");
    argv = CSLAddString(argv, "VRT");
    for (int b = 1; b <= colours; ++b) {
        argv = CSLAddString(argv, "-b");
        argv = CSLAddString(argv, std::to_string(b).c_str());
    }
    if (alphaBand > 0) {
        argv = CSLAddString(argv, "-b");
        argv = CSLAddString(argv, std::to_string(alphaBand).c_str());
    }
    GDALTranslateOptions* options = GDALTranslateOptionsNew(argv, nullptr);
    CSLDestroy(argv);
    Dataset out(options ? GDALTranslate("", source, options, nullptr) : nullptr);
    if (options)
        GDALTranslateOptionsFree(options);
    return out;
}

// A dataset whose bands are the bytes of the picture: colour bands at bytes
// 0 (and 1, 2), alpha at byte 3 of each 4-byte pixel.
Dataset pictureDataset(std::uint8_t* bytes, int width, int height, int colours) {
    GDALDriverH mem = GDALGetDriverByName("MEM");
    Dataset ds(mem ? GDALCreate(mem, "", width, height, 0, GDT_Byte, nullptr) : nullptr);
    if (!ds)
        return nullptr;
    const auto addBand = [&](int offset) {
        char pointer[64];
        std::snprintf(pointer, sizeof pointer, "DATAPOINTER=%p", static_cast<void*>(bytes + offset));
        char** options = CSLAddString(nullptr, pointer);
        options = CSLAddString(options, "PIXELOFFSET=4");
        options = CSLAddString(options, ("LINEOFFSET=" + std::to_string(std::int64_t(width) * 4)).c_str());
        const bool ok = GDALAddBand(ds.get(), GDT_Byte, options) == CE_None;
        CSLDestroy(options);
        return ok;
    };
    for (int b = 0; b < colours; ++b)
        if (!addBand(b))
            return nullptr;
    if (!addBand(3))
        return nullptr;
    GDALSetRasterColorInterpretation(GDALGetRasterBand(ds.get(), colours + 1), GCI_AlphaBand);
    return ds;
}

// Reads the source's own grid into the picture's bytes.
bool readInto(GDALDatasetH source, int width, int height, std::uint8_t* bytes, int count, int* bandMap,
              int colours) {
    // Colour bands to bytes 0..colours-1; an alpha band (the last of the
    // map) to byte 3.
    for (int i = 0; i < count; ++i) {
        const int offset = i < colours ? i : 3;
        if (GDALRasterIO(GDALGetRasterBand(source, bandMap[i]), GF_Read, 0, 0, width, height, bytes + offset, width,
                         height, GDT_Byte, 4, std::int64_t(width) * 4) != CE_None)
            return false;
    }
    return true;
}

// R, G, B, A bytes (a single grey byte when colours is 1) to 0xFFRRGGBB,
// blended over the background where alpha is below 255.
void toPicture(std::vector<std::uint32_t>& pixels, int colours, std::uint32_t background) {
    for (std::uint32_t& p : pixels) {
        const std::uint32_t r = p & 0xff;
        const std::uint32_t g = colours == 1 ? r : (p >> 8) & 0xff;
        const std::uint32_t b = colours == 1 ? r : (p >> 16) & 0xff;
        const std::uint32_t a = p >> 24;
        if (a == 255) {
            p = 0xff000000u | r << 16 | g << 8 | b;
            continue;
        }
        const auto mix = [a](std::uint32_t fg, std::uint32_t bg) { return (fg * a + bg * (255 - a) + 127) / 255; };
        p = 0xff000000u | mix(r, (background >> 16) & 0xff) << 16 | mix(g, (background >> 8) & 0xff) << 8 |
            mix(b, background & 0xff);
    }
}


// A source on a north-up latitude/longitude grid of another datum: the
// shift between the datums bends the grid very little. When moving its edges
// (stretching each axis linearly) places every corner and edge middle within
// half a pixel of its exact position, as close as a nearest-neighbour warp
// would, the source keeps its own grid and only its edges move (edges: left,
// top, right, bottom in the target datum). Much faster than warping each
// pixel.
bool shiftedEdges(OGRSpatialReferenceH sourceSrs, OGRSpatialReferenceH target, const double* g, int width, int height,
                  double* edges) {
    Srs from(OSRClone(sourceSrs));
    OSRSetAxisMappingStrategy(from.get(), OAMS_TRADITIONAL_GIS_ORDER);
    OGRCoordinateTransformationH t = OCTNewCoordinateTransformation(from.get(), target);
    if (!t)
        return false;
    const double left = g[0], top = g[3], right = g[0] + width * g[1], bottom = g[3] + height * g[5];
    const double midX = (left + right) / 2, midY = (top + bottom) / 2;
    const double x0[9] = {left, right, left, right, midX, left, right, midX, midX};
    const double y0[9] = {top, top, bottom, bottom, midY, midY, midY, top, bottom};
    double x[9], y[9];
    std::copy(x0, x0 + 9, x);
    std::copy(y0, y0 + 9, y);
    const bool ok = OCTTransform(t, 9, x, y, nullptr) != 0;
    OCTDestroyCoordinateTransformation(t);
    if (!ok)
        return false;
    edges[0] = (x[0] + x[2] + x[5]) / 3;
    edges[1] = (y[0] + y[1] + y[7]) / 3;
    edges[2] = (x[1] + x[3] + x[6]) / 3;
    edges[3] = (y[2] + y[3] + y[8]) / 3;
    for (int i = 0; i < 9; ++i) {
        const double px = edges[0] + (x0[i] - left) / (right - left) * (edges[2] - edges[0]);
        const double py = edges[1] + (y0[i] - top) / (bottom - top) * (edges[3] - edges[1]);
        if (std::fabs(x[i] - px) > 0.5 * std::fabs(g[1]) || std::fabs(y[i] - py) > 0.5 * std::fabs(g[5]))
            return false;
    }
    return true;
}

} // namespace

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

std::string LoadGeoRaster(const std::string& path, const DatumRow& datum, std::uint32_t background,
                          std::int64_t maxPixels, GeoRasterImage& out) {
    if (std::string why = RefuseMapName(path); !why.empty())
        return why;
    if (std::string why; !IsReadableRegularFile(path, &why))
        return "can't open " + path + ": " + why;
    LibraryScope library;
    double reduced = 1;
    Source source = endsWith(path, ".map") ? openOziMap(path, maxPixels) : openRaster(path, maxPixels, reduced);
    if (!source.top())
        return source.error;
    if (Dataset expanded = expandPalette(source.top()))
        source.push(std::move(expanded));
    GDALDatasetH src = source.top();

    const Srs target = datumSrs(datum);
    if (!target)
        return "can't describe the datum " + datum.name + LibraryScope::lastMessage();
    const std::string targetWkt = wkt(target.get());

    // The grid at about the source's resolution.
    char** transformOptions = CSLSetNameValue(nullptr, "DST_SRS", targetWkt.c_str());
    void* transformer = GDALCreateGenImgProjTransformer2(src, nullptr, transformOptions);
    CSLDestroy(transformOptions);
    if (!transformer)
        return "can't warp " + path + " into the datum " + datum.name + LibraryScope::lastMessage();
    double g[6];
    double extent[4];
    int width = 0, height = 0;
    const CPLErr suggested = GDALSuggestedWarpOutput2(src, GDALGenImgProjTransform, transformer, g, &width, &height,
                                                      extent, 0);
    GDALDestroyGenImgProjTransformer(transformer);
    if (suggested != CE_None || width < 1 || height < 1)
        return "can't warp " + path + " into the datum " + datum.name + LibraryScope::lastMessage();
    // A north-up source in latitude and longitude keeps its own pixel grid:
    // the datum shift barely bends it, and the map needs no square pixels.
    double sg[6];
    OGRSpatialReferenceH sourceSrs = GDALGetSpatialRef(src);
    const bool keepsGrid = GDALGetGeoTransform(src, sg) == CE_None && sg[2] == 0 && sg[4] == 0 && sourceSrs &&
                           OSRIsGeographic(sourceSrs);
    if (keepsGrid) {
        width = GDALGetRasterXSize(src);
        height = GDALGetRasterYSize(src);
    }

    // Within the pixel cap: the raster library then reads from the overview
    // (or MBTiles zoom level) that is just finer than needed.
    double shrink = 1;
    const double pixels = double(width) * double(height);
    shrink = std::max({shrink, std::sqrt(pixels / double(maxPixels)), double(width) / double(kMaxMapSide),
                       double(height) / double(kMaxMapSide)});
    if (shrink > 1) {
        width = std::max(1, int(std::floor(width / shrink)));
        height = std::max(1, int(std::floor(height / shrink)));
        while (std::int64_t(width) * height > maxPixels) {
            width = std::max(1, width - 1);
            height = std::max(1, height - 1);
        }
    }

    // The library writes the bytes R, G, B, A of each pixel straight into the
    // picture; alpha 0 marks where the source has no pixels.
    int sourceBands = GDALGetRasterCount(src);
    const bool sourceAlpha =
        sourceBands >= 2 &&
        GDALGetRasterColorInterpretation(GDALGetRasterBand(src, sourceBands)) == GCI_AlphaBand;
    const int colours = sourceBands - (sourceAlpha ? 1 : 0) >= 3 ? 3 : 1;
    if (colours + (sourceAlpha ? 1 : 0) != sourceBands) {
        // Only the first colour bands (and the alpha band) are shown.
        if (Dataset picked = pickBands(src, colours, sourceAlpha ? sourceBands : 0)) {
            source.push(std::move(picked));
            src = source.top();
            sourceBands = GDALGetRasterCount(src);
        } else {
            return "can't read the bands of " + path + LibraryScope::lastMessage();
        }
    }
    GeoRasterImage image;
    image.width = width;
    image.height = height;
    image.argb.assign(std::size_t(width) * height, 0xff000000u);
    auto* bytes = reinterpret_cast<std::uint8_t*>(image.argb.data());

    double sourceTransform[6];
    const char* sameness[] = {"CRITERION=EQUIVALENT_EXCEPT_AXIS_ORDER_GEOGCRS",
                              "IGNORE_DATA_AXIS_TO_SRS_AXIS_MAPPING=YES", nullptr};
    double edges[4] = {};
    const bool ownGrid = keepsGrid && shrink <= 1 && GDALGetGeoTransform(src, sourceTransform) == CE_None;
    if (ownGrid && OSRIsSameEx(sourceSrs, target.get(), sameness)) {
        edges[0] = sourceTransform[0];
        edges[1] = sourceTransform[3];
        edges[2] = sourceTransform[0] + width * sourceTransform[1];
        edges[3] = sourceTransform[3] + height * sourceTransform[5];
    }
    if (ownGrid && (OSRIsSameEx(sourceSrs, target.get(), sameness) ||
                    shiftedEdges(sourceSrs, target.get(), sourceTransform, width, height, edges))) {
        int bandMap[4] = {1, 2, 3, sourceBands};
        const int count = colours + (sourceAlpha ? 1 : 0);
        if (sourceAlpha)
            bandMap[colours] = sourceBands;
        if (!readInto(src, width, height, bytes, count, bandMap, colours))
            return "can't read " + path + LibraryScope::lastMessage();
        image.kei_left = edges[0];
        image.ido_top = edges[1];
        image.kei_right = edges[2];
        image.ido_bottom = edges[3];
    } else {
        std::fill(image.argb.begin(), image.argb.end(), 0u);
        const double g[6] = {extent[0], (extent[2] - extent[0]) / width, 0, extent[3], 0, -(extent[3] - extent[1]) / height};
        Dataset target(pictureDataset(bytes, width, height, colours));
        if (!target)
            return "can't warp " + path + LibraryScope::lastMessage();
        GDALSetGeoTransform(target.get(), const_cast<double*>(g));
        GDALSetProjection(target.get(), targetWkt.c_str());
        char** argv = nullptr;
        // On its own grid the source's pixels are taken as they are (nearest
        // neighbour); a projected or reduced source is interpolated.
        for (const char* arg : {"-r", keepsGrid && shrink <= 1 ? "near" : "bilinear", "-dstalpha", "-multi", "-wo",
                                "NUM_THREADS=ALL_CPUS"})
            argv = CSLAddString(argv, arg);
        GDALWarpAppOptions* options = GDALWarpAppOptionsNew(argv, nullptr);
        CSLDestroy(argv);
        int usageError = 0;
        const bool warped = options && GDALWarp(nullptr, target.get(), 1, &src, options, &usageError) != nullptr;
        if (options)
            GDALWarpAppOptionsFree(options);
        if (!warped)
            return "can't warp " + path + " into the datum " + datum.name + LibraryScope::lastMessage();
        image.kei_left = extent[0];
        image.ido_bottom = extent[1];
        image.kei_right = extent[2];
        image.ido_top = extent[3];
    }
    toPicture(image.argb, colours, background);
    if (shrink * reduced > 1) {
        char percent[16];
        std::snprintf(percent, sizeof percent, "%.0f%%", 100.0 / (shrink * reduced));
        image.note = fileName(path) + " is shown at " + percent +
                     " of its resolution, the most the program's pixel limit allows";
    }
    out = std::move(image);
    return {};
}

} // namespace nuvrel
