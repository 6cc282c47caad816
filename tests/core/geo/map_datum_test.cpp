#include "core/geo/map_datum.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

namespace nuvrel {
namespace {

TEST(MapDatum, TableHas124LinesWithoutAFinalLineFeed) {
    const auto text = MapDatum::tableText();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 123);
    EXPECT_NE(text.back(), '\n');
    MapDatum d("WGS 84");
    ASSERT_EQ(d.count(), 124);
    EXPECT_EQ(d.row(0).name, "Adindan");
    EXPECT_EQ(d.row(8).name, "Astro Beacon \"E\"");
    EXPECT_EQ(d.row(58).name, "Luzon Mean Value");
    EXPECT_EQ(d.row(116).name, "Tokyo");
    EXPECT_EQ(d.row(123).name, "Zanderij");
    EXPECT_EQ(d.row(124).name, "");
    EXPECT_EQ(d.row(-1).name, "");
}

TEST(MapDatum, FixedRowsCarryTheirExactValues) {
    struct Fixed {
        int index;
        const char* name;
        const char* ellipsoid;
        double da, df10000, dx, dy, dz;
    };
    const Fixed fixed[] = {
        {0, "Adindan", "Clarke_1880", -112.145, -0.54750714, -162, -12, 206},
        {13, "Austria NS", "Bessel_1841", 739.845, 0.10037483, 596, 87, 473},
        {29, "Danish Gi 1934", "Danish Gi 1934", 1033, 0.1947733, 662, 18, 734},
        {33, "European 1950", "International", -251, -0.14192702, -87, -98, -121},
        {39, "GGRS 87", "GGRS 87", 0, -0.000000164348, 200, -75, -246},
        {78, "NAD83", "GRS_80", 0, -0.000000164348, 0, 0, 0},
        {109, "Schwarzeck", "Bessel_1841_(Namibia)", 653.135, 0.10037483, 616, 97, -251},
        {116, "Tokyo", "Bessel_1841", 739.845, 0.10037483, -128, 481, 664},
        {119, "Wake-Eniwetok '60", "Hough", -133, -0.14192702, 101, 52, -39},
        {120, "WGS 72", "WGS 72", 2, 0.000312106, 0, 0, 5},
        {121, "WGS 84", "WGS 84", 0, 0, 0, 0, 0},
    };
    for (const auto& f : fixed) {
        MapDatum d(f.name);
        SCOPED_TRACE(f.name);
        EXPECT_EQ(d.index(), f.index);
        EXPECT_EQ(d.name(), f.name);
        EXPECT_EQ(d.ellipsoid(), f.ellipsoid);
        EXPECT_DOUBLE_EQ(d.da(), f.da);
        EXPECT_DOUBLE_EQ(d.df(), f.df10000 * 0.0001);
        EXPECT_DOUBLE_EQ(d.dx(), f.dx);
        EXPECT_DOUBLE_EQ(d.dy(), f.dy);
        EXPECT_DOUBLE_EQ(d.dz(), f.dz);
    }
}

TEST(MapDatum, RowsOfOneEllipsoidShareItsParameters) {
    MapDatum d("Tokyo");
    std::map<std::string, std::pair<double, double>> seen;
    for (const auto& r : d.rows()) {
        if (r.name == "Indonesia 74") {
            EXPECT_DOUBLE_EQ(r.da, -23);
            EXPECT_DOUBLE_EQ(r.df, -0.001126821 * 0.0001);
            continue;
        }
        auto [it, fresh] = seen.emplace(r.ellipsoid, std::make_pair(r.da, r.df));
        if (!fresh) {
            EXPECT_DOUBLE_EQ(it->second.first, r.da) << r.name;
            EXPECT_DOUBLE_EQ(it->second.second, r.df) << r.name;
        }
    }
    EXPECT_EQ(seen.size(), 23u);
    EXPECT_DOUBLE_EQ(seen["Everest"].first, 860.655);
    EXPECT_DOUBLE_EQ(seen["Clarke_1866"].second, -0.37264639 * 0.0001);
}

TEST(MapDatum, UnknownNamesFallBackToTokyo) {
    for (const char* name : {"tokyo", "", "WGS84", "Tokyo "}) {
        MapDatum d(name);
        EXPECT_EQ(d.index(), 116) << name;
        EXPECT_EQ(d.name(), "Tokyo");
    }
}

TEST(MapDatum, NameAccessorsCutToTheBuffer) {
    MapDatum d("Schwarzeck");
    char buf[8] = "xxxxxxx";
    EXPECT_EQ(d.name(nullptr, 0), 10u);
    EXPECT_EQ(d.name(buf, 5), 4u);
    EXPECT_STREQ(buf, "Schw");
    EXPECT_EQ(d.ellipsoid(buf, sizeof buf), 7u);
    EXPECT_STREQ(buf, "Bessel_");
    EXPECT_EQ(d.ellipsoid(nullptr, 0), 21u);
    EXPECT_EQ(d.name(buf, 0), 0u);
}

TEST(MapDatum, Wgs84LeavesPositionsUnchanged) {
    MapDatum d("WGS 84");
    double lat, lon, h;
    d.toLocal(35.68, 139.77, 123.0, lat, lon, h);
    EXPECT_NEAR(lat, 35.68, 1e-9);
    EXPECT_NEAR(lon, 139.77, 1e-9);
    EXPECT_NEAR(h, 123.0, 1e-6);
}

TEST(MapDatum, TokyoShiftNearTokyo) {
    MapDatum d("Tokyo");
    double lat, lon, h;
    d.toLocal(35.68, 139.77, 0, lat, lon, h);
    EXPECT_NEAR(lat - 35.68, -0.0033, 0.0001);
    EXPECT_NEAR(lon - 139.77, 0.0031, 0.0001);
    EXPECT_NEAR(h, -1.7, 0.1);
    // Back with the parameters negated: within about 5 cm.
    double bLat, bLon, bH;
    MapDatum::toLocal(-d.da(), -d.df(), -d.dx(), -d.dy(), -d.dz(), lat, lon, h, bLat, bLon, bH);
    EXPECT_LT(std::hypot((bLat - 35.68) * 111000, (bLon - 139.77) * 90000), 0.05);
    // A lower-case name falls back to the very same row.
    double lLat, lLon, lH;
    MapDatum("tokyo").toLocal(35.68, 139.77, 0, lLat, lLon, lH);
    EXPECT_EQ(lLat, lat);
    EXPECT_EQ(lLon, lon);
    EXPECT_EQ(lH, h);
}

// A point in the region of each datum, in table order.
const struct {
    double lat, lon;
} kRegionPoints[MapDatum::kDatumCount] = {
    {12, 35}, // 0 Adindan
    {3, 45}, // 1 Afgooye
    {26, 50.5}, // 2 AIN EL ABD 1970
    {-12.2, 96.9}, // 3 Anna 1 Astro 1965
    {-18, 30}, // 4 ARC 1950
    {-3, 37}, // 5 ARC 1960
    {-7.95, -14.4}, // 6 Ascension Island '58
    {8.1, 140.4}, // 7 Astro B4 Sorol Atoll
    {24.8, 141.3}, // 8 Astro Beacon "E"
    {-15.95, -5.7}, // 9 Astro Dos 71/4
    {24.3, 154}, // 10 Astronomic Stn '52
    {-25, 135}, // 11 Australian Geod '66
    {-25, 135}, // 12 Australian Geod '84
    {47.5, 14}, // 13 Austria NS
    {50.8, 4.4}, // 14 Belgium 1950
    {-17.7, 168.3}, // 15 Bellevue (IGN)
    {32.3, -64.75}, // 16 Bermuda 1957
    {4.6, -74}, // 17 Bogota Obsrvatry
    {-2, 106}, // 18 Bukit Rimpah
    {-77.85, 166.7}, // 19 Camp Area Astro
    {-35, -64}, // 20 Campo Inchauspe
    {-2.8, -171.7}, // 21 Canton Astro 1966
    {-30, 25}, // 22 Cape
    {28.5, -80.6}, // 23 Cape Canaveral
    {36.8, 10.2}, // 24 Carthage
    {46.9, 8}, // 25 CH-1903
    {-44, -176.5}, // 26 Chatham 1971
    {-25, -57.5}, // 27 Chua Astro
    {-20, -45}, // 28 Corrego Alegre
    {56, 10}, // 29 Danish Gi 1934
    {-6, 107}, // 30 Djakarta (Batavia)
    {-8.1, 156.8}, // 31 Dos 1968
    {-27.1, -109.4}, // 32 Easter Island 1967
    {48, 10}, // 33 European 1950
    {48, 10}, // 34 European 1979
    {62, 25}, // 35 Finland Hayford
    {0, 116}, // 36 G. Segara
    {-0.7, 73.2}, // 37 Gandajika Base
    {-41, 174}, // 38 Geodetic Datum '49
    {38, 23.7}, // 39 GGRS 87
    {13.45, 144.75}, // 40 Guam 1963
    {-9.4, 160}, // 41 Gux 1 Astro
    {34.3, 62.2}, // 42 Herat North
    {64.8, -19}, // 43 Hjorsey 1955
    {22.3, 114.2}, // 44 Hong Kong 1963
    {23.7, 121}, // 45 Hu-Tzu-Shan
    {23.7, 90.4}, // 46 Indian Bangladesh
    {22, 80}, // 47 Indian Mean Value
    {15, 101}, // 48 Indian Thailand
    {-2, 118}, // 49 Indonesia 74
    {53.3, -7.5}, // 50 Ireland 1965
    {-7.3, 72.4}, // 51 ISTS 073 Astro '69
    {16.75, -169.5}, // 52 Johnston Island
    {7.5, 80.7}, // 53 Kandawala
    {-49.3, 69.5}, // 54 Kerguelen Island
    {3.5, 102}, // 55 Kertau 1948
    {19.7, -79.8}, // 56 L.C. 5 Astro
    {6.5, -9.5}, // 57 Liberia 1964
    {14.6, 121}, // 58 Luzon Mean Value
    {7.5, 125}, // 59 Luzon Mindanao
    {14.6, 121}, // 60 Luzon Philippines
    {-4.65, 55.45}, // 61 Mahe 1971
    {30.15, -15.87}, // 62 Marco Astro
    {15.6, 39.45}, // 63 Massawa
    {33.5, -7.6}, // 64 Merchich
    {28.2, -177.4}, // 65 Midway Astro 1961
    {9, 7.5}, // 66 Minna
    {61, -150}, // 67 NAD27 Alaska
    {24.5, -77.5}, // 68 NAD27 Bahamas
    {55, -100}, // 69 NAD27 Canada
    {9, -79.6}, // 70 NAD27 Canal Zone
    {13, -59.5}, // 71 NAD27 Caribbean
    {14.6, -90.5}, // 72 NAD27 Central
    {39, -98}, // 73 NAD27 CONUS
    {22, -79.5}, // 74 NAD27 Cuba
    {70, -40}, // 75 NAD27 Greenland
    {23, -102}, // 76 NAD27 Mexico
    {24.05, -74.5}, // 77 NAD27 San Salvadr
    {45, -100}, // 78 NAD83
    {20.5, 58.8}, // 79 Nahrwn Masirah Is
    {24, 45}, // 80 Nahrwn Saudi Arbia
    {24, 54}, // 81 Nahrwn United Arab
    {10.5, -61.3}, // 82 Naparima BWI
    {52.1, 5.4}, // 83 Netherland Tri 21
    {47, 2.5}, // 84 Nou Triag France
    {49.6, 6.1}, // 85 Nou Triag Luxemb
    {39.5, -31.2}, // 86 Observatorio 1966
    {27, 30}, // 87 Old Egyptian
    {22.05, -159.5}, // 88 Old Hawaii Kauia
    {20.8, -156.3}, // 89 Old Hawaii Maui
    {20.5, -157}, // 90 Old Hawaii Mean
    {21.45, -158}, // 91 Old Hawaii Oahu
    {21, 57}, // 92 Oman
    {53, -1.5}, // 93 Ord Srvy Grt Britn
    {28, -15.6}, // 94 Pico De Las Nieves
    {-25.07, -130.1}, // 95 Pitcairn Astro 1967
    {39.5, -8}, // 96 Portuguese 1973
    {51, 10.5}, // 97 Potsdam
    {8, -66}, // 98 Prov So Amricn '56
    {-53, -70}, // 99 Prov So Chilean '63
    {18.2, -66.5}, // 100 Puerto Rico
    {25.3, 51.2}, // 101 Qatar National
    {64.5, -51}, // 102 Qornoq
    {-21.1, 55.5}, // 103 Reunion
    {40, 9}, // 104 Rome 1940
    {62, 16}, // 105 RT 90
    {-15.3, 167}, // 106 Santo (Dos)
    {37.8, -25.5}, // 107 Sao Braz
    {-51.7, -59}, // 108 Sapper Hill 1943
    {-22.5, 17}, // 109 Schwarzeck
    {-15, -55}, // 110 South American '69
    {1.35, 103.8}, // 111 South Asia
    {33, -16.5}, // 112 Southeast Base
    {38.6, -28}, // 113 Southwest Base
    {-19, 47}, // 114 Tananarive Obsv
    {5, 116}, // 115 Timbalai 1948
    {35.68, 139.77}, // 116 Tokyo
    {-37.1, -12.3}, // 117 Tristan Astro 1968
    {-17.8, 178}, // 118 Viti Levu 1916
    {19.3, 166.6}, // 119 Wake-Eniwetok '60
    {45, 10}, // 120 WGS 72
    {45, 10}, // 121 WGS 84
    {-33, -56}, // 122 Yacare
    {4, -56}, // 123 Zanderij
};

// Metres between two positions in degrees (small distances).
double metresApart(double lat1, double lon1, double lat2, double lon2) {
    const double north = (lat2 - lat1) * 111320.0;
    const double east = (lon2 - lon1) * 111320.0 * std::cos(lat1 * 3.14159265359 / 180.0);
    return std::hypot(north, east);
}

TEST(MapDatum, EveryDatumRoundTripsWithinFiveCentimetres) {
    for (int i = 0; i < MapDatum::kDatumCount; ++i) {
        MapDatum d(MapDatum("WGS 84").row(i).name);
        ASSERT_EQ(d.index(), i);
        const auto p = kRegionPoints[i];
        for (double height : {0.0, 2500.0}) {
            double lat, lon, h;
            d.toLocal(p.lat, p.lon, height, lat, lon, h);
            // The table's shifts are shifts of at most a few hundred metres
            // in the datum's own region.
            EXPECT_LT(metresApart(p.lat, p.lon, lat, lon), 1600.0) << d.name();
            double bLat, bLon, bH;
            d.toWgs84(lat, lon, h, bLat, bLon, bH);
            EXPECT_LT(metresApart(p.lat, p.lon, bLat, bLon), 0.05) << d.name();
            EXPECT_NEAR(bH, height, 0.05) << d.name();
        }
    }
}

TEST(MapDatum, SphericalDistance) {
    EXPECT_NEAR(MapDatum::SphericalDistance(35, 135, 36, 135), 111.3, 0.05);
    EXPECT_NEAR(MapDatum::SphericalDistance(0, 0, 0, 180), 3.14159265359 * 6377.397155, 1e-6);
    EXPECT_NEAR(MapDatum::SphericalDistance(35, 135, 35, 136), MapDatum::SphericalDistance(35, 136, 35, 135), 1e-12);
    // Equal or nearly equal points give 0, never NaN.
    for (double lat : {-89.9, -45.123456, 0.0, 35.681236, 51.477811, 89.999}) {
        for (double lon : {-179.5, 0.0, 12.345678, 139.767125}) {
            const double d = MapDatum::SphericalDistance(lat, lon, lat, lon);
            EXPECT_FALSE(std::isnan(d)) << lat << "," << lon;
            EXPECT_EQ(d, 0.0);
            EXPECT_FALSE(std::isnan(MapDatum::SphericalDistance(lat, lon, lat + 1e-12, lon)));
        }
    }
}

} // namespace
} // namespace nuvrel
