#include "core/map/map_info_calc.h"

#include <gtest/gtest.h>

namespace nuvrel {
namespace {

TEST(MapInfoCalc, DegreesMinutesSecondsText) {
    EXPECT_EQ(formatGeneral15(DmsTextToDegrees("35 40 12.5")), "35.6701388888889");
    EXPECT_EQ(formatGeneral15(DmsTextToDegrees("35")), "35");
    EXPECT_EQ(formatGeneral15(DmsTextToDegrees("")), "0");
    // Each separator is one character: a degree sign and a blank make an
    // empty minutes field, so the minutes count as seconds.
    EXPECT_EQ(DmsTextToDegrees("35\xb0 30"), 35 + 30.0 / 3600);
    EXPECT_EQ(DmsTextToDegrees("35d30m"), 35.5);
    // A sign of several bytes is still one character.
    for (const char* text : {"35\u00b040'12.5\"", "35\u00b040\u203212.5\u2033", "35\x81\x8b" "40'12.5"})
        EXPECT_EQ(formatGeneral15(DmsTextToDegrees(text)), "35.6701388888889") << text;
    // No sign: "-" separates.
    EXPECT_EQ(DmsTextToDegrees("-35"), 35.0 / 60);
    // Nine separators at most: the tenth field is not read.
    EXPECT_EQ(DmsTextToDegrees(":::::::::1"), 0);
    EXPECT_GT(DmsTextToDegrees("::::::::1"), 0);
}

TEST(MapInfoCalc, CornersFromCentreScaleAndSize) {
    const MapCorners c = CalculateMapCorners(25000, 1004, 632, 35.5, 139.5);
    // At 1:25000 a pixel is 1/11537.5 degree of latitude, 1/10250.709 of longitude.
    EXPECT_NEAR(c.top - c.bottom, 632 / 11537.5, 1e-12);
    EXPECT_NEAR(c.right - c.left, 1004 / 10250.709, 1e-9);
    EXPECT_DOUBLE_EQ((c.top + c.bottom) / 2, 35.5);
    EXPECT_DOUBLE_EQ((c.left + c.right) / 2, 139.5);
    const MapCorners d = CalculateMapCorners(50000, 1004, 632, 35.5, 139.5);
    EXPECT_NEAR(d.top - d.bottom, 2 * (c.top - c.bottom), 1e-12);
    EXPECT_EQ(formatGeneral15(c.top), "35.5273889490791");
}

TEST(MapInfoCalc, WholeTextConversions) {
    EXPECT_EQ(textToFloat(" 35.5 "), 35.5);
    EXPECT_EQ(textToFloat("1e3"), 1000);
    EXPECT_FALSE(textToFloat("35.5x"));
    EXPECT_FALSE(textToFloat(""));
    EXPECT_FALSE(textToFloat("nan"));
    EXPECT_EQ(textToInt("25000"), 25000);
    EXPECT_FALSE(textToInt("25000.5"));
    EXPECT_FALSE(textToInt("99999999999"));
    EXPECT_EQ(notAFloatMessage("abc"), "'abc' is not a valid floating point value");
    EXPECT_EQ(notAnIntegerMessage("x"), "'x' is not a valid integer value");
}

} // namespace
} // namespace nuvrel
