#include "core/map/tiled_map_info.h"

#include <gtest/gtest.h>

namespace nuvrel {
namespace {

const char* kDescription = "Nuvrel CE map\r\n"
                           "101\r\n"
                           "24bit\r\n"
                           "3\r\n"
                           "2\r\n"
                           "36.0\r\n"
                           "139.0\r\n"
                           "35.0\r\n"
                           "140.5\r\n"
                           "500\r\n"
                           "400\r\n";

TEST(TiledMapInfo, RecognisesTheDescriptionByItsLastElevenCharacters) {
    EXPECT_TRUE(IsTiledMapName("/maps/mapinfo.dat"));
    EXPECT_TRUE(IsTiledMapName("/maps/MAPINFO.DAT"));
    EXPECT_TRUE(IsTiledMapName("/maps/mymapinfo.dat"));
    EXPECT_TRUE(IsTiledMapName("mapinfo.dat"));
    EXPECT_FALSE(IsTiledMapName("/maps/mapinfo.dat.bak"));
    EXPECT_FALSE(IsTiledMapName("/maps/x.dat"));
    EXPECT_FALSE(IsTiledMapName("apinfo.dat"));
}

TEST(TiledMapInfo, ReadsTheElevenLines) {
    TiledMapInfo info;
    ASSERT_TRUE(ReadTiledMapInfo(kDescription, info).ok());
    EXPECT_EQ(info.columns, 3);
    EXPECT_EQ(info.rows, 2);
    EXPECT_EQ(info.ido_top, 36.0);
    EXPECT_EQ(info.kei_left, 139.0);
    EXPECT_EQ(info.ido_bottom, 35.0);
    EXPECT_EQ(info.kei_right, 140.5);
    EXPECT_EQ(info.tileWidth, 500);
    EXPECT_EQ(info.tileHeight, 400);
}

TEST(TiledMapInfo, ChecksTagVersionAndPixelFormat) {
    auto with = [](int line, const std::string& text) {
        std::string d = kDescription;
        std::size_t pos = 0;
        for (int i = 1; i < line; ++i)
            pos = d.find('\n', pos) + 1;
        d.replace(pos, d.find('\r', pos) - pos, text);
        TiledMapInfo info;
        return ReadTiledMapInfo(d, info).error;
    };
    EXPECT_EQ(with(1, "nuvrel CE"), 7);
    EXPECT_EQ(with(1, "Nuvrel C"), 7);
    EXPECT_EQ(with(2, "100"), 0);
    EXPECT_EQ(with(2, "101b"), 0);
    EXPECT_EQ(with(2, "102"), 10);
    EXPECT_EQ(with(2, "2"), 10);
    EXPECT_EQ(with(3, "2bpp"), 10);
    EXPECT_EQ(with(3, "1bpp"), 0);
    TiledMapInfo info;
    EXPECT_EQ(ReadTiledMapInfo("", info).error, 7);
}

TEST(TiledMapInfo, AShortOrUnusableDescriptionIsRefusedWithAReason) {
    TiledMapInfo info;
    info.columns = 99;
    std::string shortText(kDescription);
    shortText.resize(shortText.find("500"));
    const auto r = ReadTiledMapInfo(shortText, info);
    EXPECT_EQ(r.error, -1);
    EXPECT_NE(r.message.find("9 lines"), std::string::npos);
    EXPECT_EQ(info.columns, 99); // nothing taken over

    std::string flat(kDescription);
    flat.replace(flat.find("35.0"), 4, "36.0");
    EXPECT_EQ(ReadTiledMapInfo(flat, info).error, -1);
    std::string noTiles(kDescription);
    noTiles.replace(noTiles.find("\r\n3\r\n"), 5, "\r\n0\r\n");
    EXPECT_EQ(ReadTiledMapInfo(noTiles, info).error, -1);
    // More tiles than a map may have pixels can never load, at any zoom.
    std::string tooMany(kDescription);
    tooMany.replace(tooMany.find("\r\n3\r\n2\r\n"), 8, "\r\n20000\r\n20000\r\n");
    const auto many = ReadTiledMapInfo(tooMany, info);
    EXPECT_EQ(many.error, -1);
    EXPECT_NE(many.message.find("20000 x 20000 tiles"), std::string::npos) << many.message;
    EXPECT_EQ(info.columns, 99);
}

TEST(TiledMapInfo, TilesAreNumberedRowMajorBesideTheDescription) {
    EXPECT_EQ(TilePath("/maps/mapinfo.dat", 0), "/maps/m0.bmp");
    EXPECT_EQ(TilePath("/maps/MAPINFO.DAT", 4), "/maps/M4.bmp");
    EXPECT_EQ(TilePath("/maps/mymapinfo.dat", 12), "/maps/mym12.bmp");
}

TEST(TiledMapInfo, SizesAndTileRectanglesAtEachZoomLevel) {
    TiledMapInfo info;
    ASSERT_TRUE(ReadTiledMapInfo(kDescription, info).ok());
    std::int64_t w = 0, h = 0;
    TiledMapSize(info, 0, w, h);
    EXPECT_EQ(w, 1500);
    EXPECT_EQ(h, 800);
    TiledMapSize(info, -1, w, h);
    EXPECT_EQ(w, 750);
    EXPECT_EQ(h, 400);
    // Tile 4 is row 1, column 1.
    EXPECT_EQ(TiledMapTileRect(info, -1, 1, 1), (TileRect{250, 200, 500, 400}));
    TiledMapSize(info, 2, w, h);
    EXPECT_EQ(w, 6000);
    EXPECT_EQ(h, 3200);
    EXPECT_EQ(TiledMapTileRect(info, 2, 1, 2), (TileRect{4000, 1600, 6000, 3200}));
    // Each quotient is truncated on its own.
    info.tileWidth = 333;
    TiledMapSize(info, -2, w, h);
    EXPECT_EQ(w, 249); // 999 / 4
    EXPECT_EQ(TiledMapTileRect(info, -2, 0, 1), (TileRect{83, 0, 83 + 83, 100}));
    // Absurd levels saturate instead of overflowing.
    TiledMapSize(info, 40, w, h);
    EXPECT_FALSE(CheckMapSize(w, h).empty());
    TiledMapSize(info, -40, w, h);
    EXPECT_FALSE(CheckMapSize(w, h).empty());
}

TEST(TiledMapInfo, MapSizeBounds) {
    EXPECT_EQ(CheckMapSize(1, 1), "");
    EXPECT_EQ(CheckMapSize(32768, 2000), "");
    EXPECT_NE(CheckMapSize(32769, 1), "");
    EXPECT_NE(CheckMapSize(0, 10), "");
    EXPECT_NE(CheckMapSize(20000, 20000).find("million"), std::string::npos);
}

} // namespace
} // namespace nuvrel
