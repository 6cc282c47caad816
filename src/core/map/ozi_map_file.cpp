#include "core/map/ozi_map_file.h"

#include <cmath>
#include <cstdlib>

namespace nuvrel {

namespace {

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

std::vector<std::string> splitFields(std::string_view line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = line.find(',', start);
        std::string_view f = line.substr(start, comma == std::string_view::npos ? line.npos : comma - start);
        while (!f.empty() && (f.front() == ' ' || f.front() == '\t'))
            f.remove_prefix(1);
        while (!f.empty() && (f.back() == ' ' || f.back() == '\t'))
            f.remove_suffix(1);
        fields.emplace_back(f);
        if (comma == std::string_view::npos)
            return fields;
        start = comma + 1;
    }
}

// A whole field as a number; false when it is empty or has anything else.
bool number(const std::string& field, double& v) {
    if (field.empty())
        return false;
    char* end = nullptr;
    v = std::strtod(field.c_str(), &end);
    return end == field.c_str() + field.size() && std::isfinite(v);
}

// The grid part of a point: "grid,zone,easting,northing,N|S" from field 12.
bool readGrid(const std::vector<std::string>& f, OziMapPoint& p) {
    if (f.size() < 16 || f[14].empty() || f[15].empty())
        return false;
    double zone = 0;
    if (!number(f[14], p.easting) || !number(f[15], p.northing))
        return false;
    if (!f[13].empty() && number(f[13], zone) && zone >= 1 && zone <= 60)
        p.zone = int(zone);
    p.south = f.size() > 16 && (f[16] == "S" || f[16] == "s");
    return true;
}

// "PointNN,xy,x,y,in,deg,latDeg,latMin,N|S,lonDeg,lonMin,E|W,grid,zone,
// easting,northing,N|S"; an unused point has empty pixel fields. Returns 1
// for a point, 0 for an unused slot, -1 for a malformed line.
int readPoint(const std::vector<std::string>& f, OziMapPoint& p) {
    if (f.size() < 12 || (f[2].empty() && f[3].empty()))
        return 0;
    double latDeg, latMin, lonDeg, lonMin;
    if (!number(f[2], p.x) || !number(f[3], p.y))
        return -1;
    p.hasGrid = readGrid(f, p);
    if (f[6].empty() && f[9].empty()) {
        p.hasPosition = false;
        return p.hasGrid ? 1 : 0;
    }
    if (!number(f[6], latDeg) || !number(f[7], latMin) || !number(f[9], lonDeg) || !number(f[10], lonMin))
        return -1;
    const bool south = f[8] == "S" || f[8] == "s";
    const bool west = f[11] == "W" || f[11] == "w";
    if ((!south && f[8] != "N" && f[8] != "n") || (!west && f[11] != "E" && f[11] != "e"))
        return -1;
    p.latitude = (latDeg + latMin / 60.0) * (south ? -1 : 1);
    p.longitude = (lonDeg + lonMin / 60.0) * (west ? -1 : 1);
    if (std::fabs(p.latitude) > 90 || std::fabs(p.longitude) > 360)
        return -1;
    return 1;
}

} // namespace

std::string ParseOziMap(std::string_view text, OziMapFile& out) {
    out = {};
    const std::vector<std::string_view> lines = splitLines(text);
    if (lines.size() < 5 || !std::string_view(lines[0]).starts_with("OziExplorer Map Data File"))
        return "not an OziExplorer map file (its first line must be \"OziExplorer Map Data File\")";
    out.imageName = std::string(lines[2]);
    while (!out.imageName.empty() && (out.imageName.back() == ' ' || out.imageName.back() == '\t'))
        out.imageName.pop_back();
    if (out.imageName.empty())
        return "the map file names no image (line 3)";
    out.datumName = splitFields(lines[4])[0];
    out.setup.fill(std::nan(""));
    for (std::size_t i = 5; i < lines.size(); ++i) {
        if (std::string_view(lines[i]).starts_with("Map Projection")) {
            const std::vector<std::string> f = splitFields(lines[i]);
            out.projectionName = f.size() > 1 ? f[1] : std::string();
            continue;
        }
        if (std::string_view(lines[i]).starts_with("Projection Setup")) {
            const std::vector<std::string> f = splitFields(lines[i]);
            for (std::size_t k = 0; k < out.setup.size() && k + 1 < f.size(); ++k)
                if (double v = 0; number(f[k + 1], v))
                    out.setup[k] = v;
            continue;
        }
        if (!std::string_view(lines[i]).starts_with("Point"))
            continue;
        OziMapPoint p;
        const int r = readPoint(splitFields(lines[i]), p);
        if (r < 0)
            return "calibration point on line " + std::to_string(i + 1) + " can't be read";
        if (r > 0)
            out.points.push_back(p);
    }
    if (out.points.size() < 3)
        return "only " + std::to_string(out.points.size()) + " calibration point" +
               (out.points.size() == 1 ? "" : "s") + "; at least 3 are needed";
    return {};
}

std::string OziImageBaseName(std::string_view imageName) {
    const std::size_t slash = imageName.find_last_of("\\/");
    return std::string(slash == std::string_view::npos ? imageName : imageName.substr(slash + 1));
}

bool FitOziAffine(const std::vector<OziMapPoint>& points, std::array<double, 6>& g) {
    std::vector<PixelTie> ties;
    for (const OziMapPoint& p : points)
        if (p.hasPosition)
            ties.push_back({p.x, p.y, p.longitude, p.latitude});
    return FitPixelAffine(ties, g);
}

bool FitPixelAffine(const std::vector<PixelTie>& ties, std::array<double, 6>& g) {
    // Normal equations of u = a + b x + c y, about the centroids so that pixel
    // counts in the ten thousands and grid metres in the millions keep their
    // precision.
    if (ties.size() < 3)
        return false;
    const double n = double(ties.size());
    double mx = 0, my = 0, mu = 0, mv = 0;
    for (const PixelTie& t : ties) {
        mx += t.x;
        my += t.y;
        mu += t.u;
        mv += t.v;
    }
    mx /= n;
    my /= n;
    mu /= n;
    mv /= n;
    double sxx = 0, sxy = 0, syy = 0, sux = 0, suy = 0, svx = 0, svy = 0;
    for (const PixelTie& t : ties) {
        const double x = t.x - mx, y = t.y - my, u = t.u - mu, v = t.v - mv;
        sxx += x * x;
        sxy += x * y;
        syy += y * y;
        sux += u * x;
        suy += u * y;
        svx += v * x;
        svy += v * y;
    }
    const double det = sxx * syy - sxy * sxy;
    if (!(std::fabs(det) > 1e-9 * (sxx * syy + 1e-300)))
        return false;
    const double bU = (sux * syy - suy * sxy) / det, cU = (suy * sxx - sux * sxy) / det;
    const double bV = (svx * syy - svy * sxy) / det, cV = (svy * sxx - svx * sxy) / det;
    g = {mu - bU * mx - cU * my, bU, cU, mv - bV * mx - cV * my, bV, cV};
    return true;
}

} // namespace nuvrel
