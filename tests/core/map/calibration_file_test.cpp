#include "core/map/calibration_file.h"
#include "core/map/ift_map_param.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace nuvrel {
namespace {

IFTMapParam previousMap() {
    IFTMapParam p;
    p.ido_top = 36;
    p.ido_bottom = 35;
    p.kei_left = 139;
    p.kei_right = 140;
    p.bitmap_width = 800;
    p.bitmap_height = 600;
    return p;
}

TEST(CalibrationFile, ReadsTheWrittenForm) {
    IFTMapParam p;
    ReadCalibration("; center of latitude = 35.5     , center of longitude = 139.5    \r\n"
                    "ido_top       =  35.527307\r\n"
                    "kei_left      = 139.451030\r\n"
                    "ido_bottom    =  35.472693\r\n"
                    "kei_right     = 139.548970\r\n"
                    "bitmap_width  = 1004\r\n"
                    "bitmap_height = 632\r\n",
                    p);
    EXPECT_DOUBLE_EQ(p.ido_top, 35.527307);
    EXPECT_DOUBLE_EQ(p.kei_left, 139.45103);
    EXPECT_DOUBLE_EQ(p.ido_bottom, 35.472693);
    EXPECT_DOUBLE_EQ(p.kei_right, 139.54897);
    EXPECT_EQ(p.bitmap_width, 1004);
    EXPECT_EQ(p.bitmap_height, 632);
    EXPECT_TRUE(p.mapFileName.empty());
}

TEST(CalibrationFile, MissingKeysKeepThePreviousValues) {
    IFTMapParam p = previousMap();
    ReadCalibration("ido_top=37.25\n", p);
    EXPECT_EQ(p.ido_top, 37.25);
    EXPECT_EQ(p.ido_bottom, 35);
    EXPECT_EQ(p.kei_left, 139);
    EXPECT_EQ(p.kei_right, 140);
    EXPECT_EQ(p.bitmap_width, 800);
    EXPECT_EQ(p.bitmap_height, 600);

    IFTMapParam fresh;
    ReadCalibration("ido_top = 37.25", fresh); // no line break at the end
    EXPECT_EQ(fresh.ido_top, 37.25);
    EXPECT_EQ(fresh.ido_bottom, 0);
    EXPECT_EQ(fresh.bitmap_width, 0);
}

TEST(CalibrationFile, KeysArePrefixesInTheFirstColumnWithCNumbers) {
    IFTMapParam p = previousMap();
    ReadCalibration("kei_left   \t = \t 138.5xyz\n"   // blanks before "=", longest numeric prefix
                    "kei_rightmost=141=99\n"          // prefix match; the value ends at the next "="
                    " ido_bottom = 1\n"                // not in the first column: ignored
                    "bitmap_width = abc\n"             // no number: 0
                    "bitmap_height = 12.9\n"           // integer part only
                    "ido_top 36.5\n",                  // no "=": ignored
                    p);
    EXPECT_EQ(p.kei_left, 138.5);
    EXPECT_EQ(p.kei_right, 141);
    EXPECT_EQ(p.ido_bottom, 35);
    EXPECT_EQ(p.bitmap_width, 0);
    EXPECT_EQ(p.bitmap_height, 12);
    EXPECT_EQ(p.ido_top, 36);
}

TEST(CalibrationFile, LongLinesAreReadInPiecesOf63Bytes) {
    // A 100-character line: the first 63 bytes set ido_top, the rest is read
    // as a line of its own and sets kei_left.
    std::string line = "ido_top = 35.5";
    line.append(63 - line.size(), ' ');
    line += "kei_left=139.75";
    line.append(100 - line.size(), ' ');
    ASSERT_EQ(line.size(), 100u);
    IFTMapParam p = previousMap();
    ReadCalibration(line + "\r\nbitmap_width=640\r\n", p);
    EXPECT_EQ(p.ido_top, 35.5);
    EXPECT_EQ(p.kei_left, 139.75);
    EXPECT_EQ(p.bitmap_width, 640);

    // A key that straddles the cut is not recognised in either piece.
    std::string cut(60, ' ');
    cut += "ido_bottom=1";
    IFTMapParam q = previousMap();
    ReadCalibration(cut, q);
    EXPECT_EQ(q.ido_bottom, 35);
}

TEST(CalibrationFile, ChoosingTheBitmapOrTheCalibrationGivesTheSamePair) {
    for (const char* chosen : {"/maps/x.dat", "/maps/x.bmp"}) {
        const PlainMapPaths paths = plainMapPaths(chosen);
        EXPECT_EQ(paths.bitmap, "/maps/x.bmp");
        EXPECT_EQ(paths.calibration, "/maps/x.dat");
    }
    EXPECT_EQ(plainMapPaths("ab").bitmap, ".bmp");
}

TEST(CalibrationFile, ReadsAFileAndReportsAMissingOne) {
    test::TempDir dir;
    test::writeFileBytes(dir / "m.dat", "kei_right = 140.5\r\n");
    IFTMapParam p = previousMap();
    EXPECT_TRUE(ReadCalibrationFile((dir / "m.dat").string(), p));
    EXPECT_EQ(p.kei_right, 140.5);
    EXPECT_FALSE(ReadCalibrationFile((dir / "none.dat").string(), p));
    EXPECT_EQ(p.kei_right, 140.5);
}

TEST(CalibrationFile, WritesTheSevenLinesByteForByte) {
    CalibrationTexts t{"35.1234567", "139.123456789", "35.1234567", "139.123456789",
                       "35.1", "139.2", "1004", "632"};
    EXPECT_EQ(CalibrationFileText(t),
              "; center of latitude = 35.123456, center of longitude = 139.12345\r\n"
              "ido_top       =  35.123456\r\n"
              "kei_left      = 139.123456\r\n"
              "ido_bottom    =       35.1\r\n"
              "kei_right     =      139.2\r\n"
              "bitmap_width  = 1004\r\n"
              "bitmap_height = 632\r\n");
    // Short centre texts are padded on the right.
    CalibrationTexts s{"35", "-1", "1", "2", "3", "4", "12345678901", ""};
    const std::string text = CalibrationFileText(s);
    EXPECT_EQ(text.substr(0, text.find('\r')),
              "; center of latitude = 35       , center of longitude = -1       ");
    EXPECT_NE(text.find("bitmap_width  = 12345678901\r\nbitmap_height = \r\n"), std::string::npos);

    // What is written reads back.
    IFTMapParam back;
    ReadCalibration(CalibrationFileText(t), back);
    EXPECT_DOUBLE_EQ(back.ido_top, 35.123456);
    EXPECT_DOUBLE_EQ(back.kei_left, 139.123456);
    EXPECT_DOUBLE_EQ(back.ido_bottom, 35.1);
    EXPECT_DOUBLE_EQ(back.kei_right, 139.2);
    EXPECT_EQ(back.bitmap_width, 1004);
    EXPECT_EQ(back.bitmap_height, 632);
}

} // namespace
} // namespace nuvrel
