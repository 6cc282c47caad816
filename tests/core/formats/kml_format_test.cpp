#include "core/formats/kml_format.h"
#include "core/geo/map_datum.h"
#include "sample_data.h"
#include "support/test_support.h"
#include "support/outside_reference.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <sstream>

namespace nuvrel {
namespace {

TEST(KmlWriter, GoldenFileByteForByte) {
    TextSink out;
    KmlWriter("WGS 84", {255, 2}).write(out, test::sampleTrack(), test::sampleWaypoints());
    EXPECT_EQ(out.text(), test::readFileBytes(test::goldenPath("sample.kml")));
    EXPECT_EQ(KmlWriter::colorText(0x00FF8000), "ffff8000");
}

TEST(KmlWriter, NamesInUtf8AndEscaped) {
    const std::vector<WaypointRecord> waypoints = {
        test::makeWaypoint("\x83\x5e\x83\x8f\x81\x5b", "a<b & \"c\"", 35, 139, 0, 0, 0, 0)}; // "タワー" in CP932
    TextSink out;
    KmlWriter("WGS 84", {255, 1, CodePage::Cp932}).write(out, {}, waypoints);
    EXPECT_NE(out.text().find("<name>\xe3\x82\xbf\xe3\x83\xaf\xe3\x83\xbc</name>"), std::string::npos) << out.text();
    EXPECT_NE(out.text().find("<description>a&lt;b &amp; &quot;c&quot;</description>"), std::string::npos);
}

// Latitude, longitude and altitude of GPSBabel's unicsv rows (columns 1, 2 and altColumn).
std::vector<std::array<double, 3>> gpsbabelRows(const std::vector<std::string>& args, int altColumn) {
    const test::ProgramRun r = test::runProgram("/usr/bin/gpsbabel", args, {});
    std::vector<std::array<double, 3>> rows;
    std::istringstream in(r.out);
    std::string line;
    std::getline(in, line); // header
    while (std::getline(in, line)) {
        std::vector<std::string> cells;
        std::istringstream cellsIn(line);
        for (std::string cell; std::getline(cellsIn, cell, ',');)
            cells.push_back(cell);
        rows.push_back({std::stod(cells.at(1)), std::stod(cells.at(2)), std::stod(cells.at(altColumn))});
    }
    return rows;
}

// GPSBabel reads the track and the waypoints back at their WGS-84 positions.
TEST(KmlWriter, ReadByGpsbabelInWgs84) {
    NUVREL_REQUIRE_REFERENCE(std::filesystem::exists("/usr/bin/gpsbabel"), "GPSBabel");
    test::TempDir dir;
    const std::string path = (dir / "t.kml").string();
    const auto points = test::sampleTrack();
    const auto waypoints = test::sampleWaypoints();
    {
        TextSink out(path);
        KmlWriter("Tokyo", {}).write(out, points, waypoints);
        ASSERT_TRUE(out.finish());
    }
    const MapDatum tokyo("Tokyo");
    auto expect = [&](const std::vector<std::array<double, 3>>& got, const auto&... records) {
        std::vector<std::array<double, 3>> want;
        (
            [&] {
                std::array<double, 3> w;
                tokyo.toWgs84(records.latitude, records.longitude, records.altitude, w[0], w[1], w[2]);
                want.push_back(w);
            }(),
            ...);
        ASSERT_EQ(got.size(), want.size());
        for (std::size_t i = 0; i < got.size(); ++i)
            for (int k = 0; k < 3; ++k)
                EXPECT_NEAR(got[i][k], want[i][k], k < 2 ? 1e-6 : 0.05) << i << ' ' << k;
    };
    expect(gpsbabelRows({"-t", "-i", "kml", "-f", path, "-o", "unicsv", "-F", "-"}, 3), points[0], points[1]);
    // A one-point segment is a placemark.
    expect(gpsbabelRows({"-i", "kml", "-f", path, "-o", "unicsv", "-F", "-"}, 4), points[2], waypoints[0],
           waypoints[1]);
}

} // namespace
} // namespace nuvrel
