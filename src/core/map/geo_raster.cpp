#include "core/map/geo_raster.h"

#include "core/map/ozi_map_file.h"
#include "core/map/tiled_map_info.h"

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
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <sys/stat.h>

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
// ours; registers the drivers once.
class LibraryScope {
public:
    LibraryScope() {
        static std::once_flag once;
        std::call_once(once, [] { GDALAllRegister(); });
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
    if (OSRImportFromProj4(srs.get(), DatumProjString(datum).c_str()) != OGRERR_NONE)
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

// The file of that name in folder, in any letter case (maps are often copied
// from systems that ignore it); empty when there is none.
std::string findBeside(const std::string& folder, const std::string& name) {
    const std::string exact = folder + name;
    struct stat st;
    if (::stat(exact.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        return exact;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.empty() ? "." : folder.c_str()), ::closedir);
    if (!dir)
        return {};
    const std::string wanted = lower(name);
    while (const dirent* e = ::readdir(dir.get()))
        if (lower(e->d_name) == wanted)
            return folder + e->d_name;
    return {};
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

// The image of an OziExplorer .map with its fitted calibration, as a
// virtual dataset in the map's datum.
Source openOziMap(const std::string& path) {
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
    const std::string image = findBeside(folder, imageName);
    if (image.empty())
        return Source(path + ": its image " + imageName + " is not beside it");
    Dataset img(GDALOpen(image.c_str(), GA_ReadOnly));
    if (!img)
        return Source("can't read the image " + image + LibraryScope::lastMessage());
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

Source openRaster(const std::string& path) {
    Dataset ds(GDALOpenEx(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY, nullptr, nullptr, nullptr));
    if (!ds)
        return Source("can't read the map " + path + LibraryScope::lastMessage());
    std::array<double, 6> g;
    const bool hasTransform = GDALGetGeoTransform(ds.get(), g.data()) == CE_None;
    const bool hasGcps = GDALGetGCPCount(ds.get()) > 0;
    const char* projection = hasGcps && !hasTransform ? GDALGetGCPProjection(ds.get()) : GDALGetProjectionRef(ds.get());
    if ((!hasTransform && !hasGcps) || !projection || !*projection)
        return Source(path + " has no georeferencing (no coordinate system or no position of its pixels)");
    return Source(std::move(ds));
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
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return "can't open the map " + path;
    if (!S_ISREG(st.st_mode))
        return path + " is not a map file";
    LibraryScope library;
    Source source = endsWith(path, ".map") ? openOziMap(path) : openRaster(path);
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

    char** argv = nullptr;
    const auto add = [&argv](const std::string& a) { argv = CSLAddString(argv, a.c_str()); };
    // On its own grid the source's pixels are taken as they are (nearest
    // neighbour); a projected or reduced source is interpolated.
    for (const char* a : {"-of", "MEM", "-r", keepsGrid && shrink <= 1 ? "near" : "bilinear", "-dstalpha", "-multi", "-wo",
                          "NUM_THREADS=ALL_CPUS", "-t_srs"})
        add(a);
    add(targetWkt);
    add("-te");
    for (double v : extent)
        add(format(v));
    add("-ts");
    add(std::to_string(width));
    add(std::to_string(height));
    GDALWarpAppOptions* options = GDALWarpAppOptionsNew(argv, nullptr);
    CSLDestroy(argv);
    if (!options)
        return "can't warp " + path + LibraryScope::lastMessage();
    int usageError = 0;
    Dataset warped(GDALWarp("", nullptr, 1, &src, options, &usageError));
    GDALWarpAppOptionsFree(options);
    if (!warped)
        return "can't warp " + path + " into the datum " + datum.name + LibraryScope::lastMessage();

    // Read straight into the picture, 0xAARRGGBB as the bytes B, G, R, A.
    const int bands = GDALGetRasterCount(warped.get());
    const bool hasAlpha =
        bands >= 2 && GDALGetRasterColorInterpretation(GDALGetRasterBand(warped.get(), bands)) == GCI_AlphaBand;
    const int colours = bands - (hasAlpha ? 1 : 0);
    int bandMap[4] = {colours >= 3 ? 3 : 1, colours >= 3 ? 2 : 1, 1, bands};
    GeoRasterImage image;
    image.width = width;
    image.height = height;
    image.argb.assign(std::size_t(width) * height, 0xff000000u);
    if (GDALDatasetRasterIO(warped.get(), GF_Read, 0, 0, width, height, image.argb.data(), width, height, GDT_Byte,
                            hasAlpha ? 4 : 3, bandMap, 4, std::int64_t(width) * 4, 1) != CE_None)
        return "can't read " + path + LibraryScope::lastMessage();
    if (hasAlpha) {
        // Blend over the background where the source is missing or thin.
        for (std::uint32_t& p : image.argb) {
            const std::uint32_t a = p >> 24;
            if (a == 255)
                continue;
            std::uint32_t blended = 0xff000000u;
            for (int shift = 0; shift < 24; shift += 8) {
                const std::uint32_t fg = (p >> shift) & 0xff, bg = (background >> shift) & 0xff;
                blended |= ((fg * a + bg * (255 - a) + 127) / 255) << shift;
            }
            p = blended;
        }
    }
    image.kei_left = extent[0];
    image.ido_bottom = extent[1];
    image.kei_right = extent[2];
    image.ido_top = extent[3];
    if (shrink > 1) {
        char percent[16];
        std::snprintf(percent, sizeof percent, "%.0f%%", 100.0 / shrink);
        image.note = fileName(path) + " is shown at " + percent +
                     " of its resolution, the most the program's pixel limit allows";
    }
    out = std::move(image);
    return {};
}

} // namespace nuvrel
