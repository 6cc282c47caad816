#include "core/gps/gps_model.h"

#include <gtest/gtest.h>

#include <set>

namespace nuvrel {
namespace {

TEST(GPSModelTable, RowsInOrder) {
    GPSModel m;
    ASSERT_EQ(m.Count(), GPSModel::NumberOfModels);
    EXPECT_EQ(m.ModelNameAt(0), "GPS12");
    EXPECT_EQ(m.ModelNameAt(11), "GPS II");
    EXPECT_EQ(m.ModelNameAt(25), "GPSMAP76");
    EXPECT_EQ(m.ModelNameAt(26), "");
    EXPECT_EQ(m.ModelNameAt(-1), "");
    EXPECT_EQ(m.RowAt(4).charSet, 2);
    EXPECT_EQ(m.RowAt(19).productId, 153);
}

TEST(GPSModelTable, LookupsFindTheFirstRowAndFallBack) {
    GPSModel m;
    EXPECT_EQ(m.ModelNameForId(96), "GPS12XL(2)"); // never "GPS48"
    EXPECT_EQ(m.IdForModelName("GPS48"), 96);
    EXPECT_EQ(m.ModelNameForId(1234), "GPS II");
    EXPECT_EQ(m.CharSetForId(105), 2);
    EXPECT_EQ(m.CharSetForId(62), 2);
    EXPECT_EQ(m.CharSetForId(153), 2);
    EXPECT_EQ(m.CharSetForId(1234), 1);
    EXPECT_EQ(m.IdForModelName("eTrex Vista"), 169);
    EXPECT_EQ(m.IdForModelName("etrex vista"), 59); // case counts
    EXPECT_EQ(m.IdForModelName("Others"), 59);
    EXPECT_EQ(m.IdForModelName(""), 59);
}

TEST(GPSModelFormats, WaypointFormatByIdAndVersion) {
    using F = WaypointFormat;
    const std::set<int> d103{73, 77, 87, 96, 97, 105, 116, 138}, d104{72, 119, 129},
        d108{130, 141, 153, 154, 156, 169, 173, 177, 179};
    GPSModel m;
    for (int i = 0; i < m.Count(); ++i) {
        const int id = m.RowAt(i).productId;
        F want = d103.count(id) ? F::D103 : d104.count(id) ? F::D104 : d108.count(id) ? F::D108 : F::D100;
        if (id == 111)
            want = F::D108;
        EXPECT_EQ(GPSModel::WaypointFormatFor(id, 0), want) << id;
        EXPECT_EQ(GPSModel::UsesNewFormats(id), want == F::D108) << id;
        EXPECT_EQ(GPSModel::DisplayDefaultFor(id, 0), want == F::D104 ? 3 : 0) << id;
    }
    EXPECT_EQ(GPSModel::WaypointFormatFor(111, 269), F::D108);
    EXPECT_EQ(GPSModel::WaypointFormatFor(111, 270), F::D109);
    EXPECT_TRUE(GPSModel::UsesNewFormats(111));
    EXPECT_EQ(GPSModel::WaypointFormatFor(-1, 0), F::D100);
    EXPECT_EQ(GPSModel::WaypointFormatFor(9999, 999), F::D100);
    EXPECT_FALSE(GPSModel::UsesNewFormats(9999));
    EXPECT_STREQ(WaypointFormatName(F::D109), "D109");
}

TEST(GPSModelSymbols, SixteenSymbolSet) {
    EXPECT_EQ(GPSModel::SymbolName(87, 0, 0), "dot");
    EXPECT_EQ(GPSModel::SymbolName(87, 0, 15), "back track");
    EXPECT_EQ(GPSModel::SymbolName(87, 0, 99), "dot");
    EXPECT_EQ(GPSModel::SymbolName(87, 0, -1), "dot");
    EXPECT_EQ(GPSModel::SymbolCode(87, 0, "deer"), 13);
    EXPECT_EQ(GPSModel::SymbolCode(87, 0, "Deer"), 0);
    EXPECT_EQ(GPSModel::Symbols(WaypointFormat::D103).size(), 16u);
}

TEST(GPSModelSymbols, OneHundredTwentySixSymbolSet) {
    const auto all = GPSModel::Symbols(WaypointFormat::D108);
    ASSERT_EQ(all.size(), 126u);
    for (std::size_t i = 1; i < all.size(); ++i)
        EXPECT_LT(all[i - 1].code, all[i].code);
    EXPECT_EQ(GPSModel::SymbolName(72, 0, 18), "Waypoint dot");
    EXPECT_EQ(GPSModel::SymbolName(72, 0, 177), "waypoint dot"); // a gap between 176 and 178
    EXPECT_EQ(GPSModel::SymbolName(72, 0, 178), "Flag");
    EXPECT_EQ(GPSModel::SymbolName(169, 0, 37), "radio beacon");
    EXPECT_EQ(GPSModel::SymbolName(169, 0, 150), "Boat Ramp");
    EXPECT_EQ(GPSModel::SymbolName(169, 0, 176), "Truck Stop");
    EXPECT_EQ(GPSModel::SymbolName(169, 0, 8221), "Live Theater");
    EXPECT_EQ(GPSModel::SymbolName(169, 0, 8246), "Summit");
    EXPECT_EQ(GPSModel::SymbolName(111, 300, 16402), "Seaplane Base");
    EXPECT_EQ(GPSModel::SymbolName(111, 300, 16403), "waypoint dot");
    EXPECT_EQ(GPSModel::SymbolCode(169, 0, "Waypoint dot"), 18);
    EXPECT_EQ(GPSModel::SymbolCode(169, 0, "no such symbol"), 18);
    EXPECT_EQ(GPSModel::SymbolCode(169, 0, "Glider Area"), 16393);
    EXPECT_EQ(GPSModel::SymbolCode(129, 0, "Church"), 8236);
    for (const auto& s : all)
        EXPECT_EQ(GPSModel::SymbolCode(177, 0, s.name), s.code) << s.name;
}

TEST(GPSModelSymbols, NoSymbolsOnD100) {
    EXPECT_EQ(GPSModel::SymbolName(59, 0, 0), "");
    EXPECT_EQ(GPSModel::SymbolName(59, 0, 18), "");
    EXPECT_EQ(GPSModel::SymbolCode(59, 0, "dot"), 0);
    EXPECT_TRUE(GPSModel::Symbols(WaypointFormat::D100).empty());
}

} // namespace
} // namespace nuvrel
