// The built-in table of 124 map datums and the conversion of positions
// between WGS-84, in which the receiver talks, and a selected datum
// (Molodensky on the WGS-84 ellipsoid). One short-lived instance per use.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace nuvrel {

// One datum: its ellipsoid and the five parameters of the shift from the
// datum to WGS-84.
struct DatumRow {
    std::string name;
    std::string ellipsoid;
    double da = 0; // a(WGS-84) - a(ellipsoid), metres
    double df = 0; // f(WGS-84) - f(ellipsoid)
    double dx = 0; // geocentric shift datum -> WGS-84, metres
    double dy = 0;
    double dz = 0;
};

class MapDatum {
public:
    static constexpr int kDatumCount = 124;
    // "Tokyo", selected when a name matches no row.
    static constexpr int kFallbackIndex = 116;

    // Parses the built-in table and selects the row named exactly datumName
    // (case-sensitive), else row 116 "Tokyo".
    explicit MapDatum(std::string_view datumName);

    // The selected row.
    double da() const { return selected_.da; }
    double df() const { return selected_.df; }
    double dx() const { return selected_.dx; }
    double dy() const { return selected_.dy; }
    double dz() const { return selected_.dz; }
    int index() const { return index_; }
    const std::string& name() const { return selected_.name; }
    const std::string& ellipsoid() const { return selected_.ellipsoid; }
    // Copies the name (or ellipsoid) into buffer, cut to size - 1 bytes and
    // NUL-terminated, and returns the bytes copied; with no buffer returns the
    // full length.
    std::size_t name(char* buffer, std::size_t size) const;
    std::size_t ellipsoid(char* buffer, std::size_t size) const;

    int count() const { return static_cast<int>(rows_.size()); }
    // A copy of row i (an empty row when i is out of range).
    DatumRow row(int i) const;
    DatumRow selected() const { return selected_; }
    const std::vector<DatumRow>& rows() const { return rows_; }

    // True when the selected datum is WGS-84 itself (all five parameters
    // zero): the conversions then give their input unchanged, as the formula
    // would, without its cost.
    bool isWgs84() const {
        return selected_.da == 0 && selected_.df == 0 && selected_.dx == 0 && selected_.dy == 0 && selected_.dz == 0;
    }

    // WGS-84 -> selected datum.
    void toLocal(double lat, double lon, double height, double& outLat, double& outLon, double& outHeight) const;
    // Selected datum -> WGS-84: the exact inverse of toLocal above, found by
    // iterating the forward conversion. Negating the parameters instead is
    // off by up to about 0.15 m for the datums with the largest shifts.
    void toWgs84(double lat, double lon, double height, double& outLat, double& outLon, double& outHeight) const;

    // Molodensky with the given parameters: WGS-84 -> datum with the table's
    // values, datum -> WGS-84 (approximately) with all five negated.
    static void toLocal(double da, double df, double dx, double dy, double dz, double lat, double lon, double height,
                        double& outLat, double& outLon, double& outHeight);
    // Great-circle distance in kilometres on a sphere of radius 6377397.155 m.
    static double SphericalDistance(double lat1, double lon1, double lat2, double lon2);

    // The built-in table: one line per datum, "name,ellipsoid,da,df*10000,dx,dy,dz".
    static std::string_view tableText();

private:
    std::vector<DatumRow> rows_;
    DatumRow selected_;
    int index_ = kFallbackIndex;
};

} // namespace nuvrel
