#include "core/app/preference_values.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace nuvrel {
namespace {

using test::MemorySettingsStore;

PreferenceInput inputFor(const IFTOption& o, std::int32_t timeOffset) {
    PreferenceInput in;
    in.commPort = "COM" + std::to_string(o.CommPort());
    in.gpsModel = o.GPSModel();
    in.penColor = o.PenColor();
    in.penWidth = std::to_string(o.PenWidth());
    in.mapLoadWithStart = o.MapLoadWithStart() == 1;
    in.textFormatDMS = o.TextCoordinateFormat() == 3;
    in.shownTzHours = TzHoursFromOffset(timeOffset);
    in.tzOffset = std::to_string(in.shownTzHours);
    return in;
}

TEST(PreferenceValues, PortNamesAndDevicePathsAreRead) {
    EXPECT_EQ(ParseCommPort("COM3"), 3);
    EXPECT_EQ(ParseCommPort("com8"), 8);
    EXPECT_EQ(ParseCommPort(" 5 "), 5);
    EXPECT_EQ(ParseCommPort("COM2  /dev/ttyUSB1"), 2);
    // A port beyond the eight, or no number at all, names no port.
    for (const char* bad : {"COM12", "COM9", "COM0", "COM", "", "COMx", "COM1x", "LPT1", "/dev/ttyS0", "COM-1"})
        EXPECT_FALSE(ParseCommPort(bad)) << bad;
}

TEST(PreferenceValues, IntegersAndPenWidths) {
    EXPECT_EQ(ParseInteger("-9"), -9);
    EXPECT_EQ(ParseInteger(" +25 "), 25);
    EXPECT_FALSE(ParseInteger("9.5"));
    EXPECT_FALSE(ParseInteger("abc"));
    EXPECT_FALSE(ParseInteger(""));
    EXPECT_FALSE(ParseInteger("++1"));
    EXPECT_FALSE(ParseInteger("99999999999"));
    EXPECT_EQ(PenWidthFromText("3"), 3);
    EXPECT_EQ(PenWidthFromText("thick"), 1);
    EXPECT_EQ(PenWidthFromText("0"), 1);
    EXPECT_EQ(PenWidthFromText("-4"), 1);
    EXPECT_EQ(PenWidthFromText("100000"), kMaxPenWidth);
    EXPECT_EQ(NotAnIntegerMessage("x"), "'x' is not a valid integer value");
}

TEST(PreferenceValues, HoursAndColours) {
    EXPECT_EQ(TzHoursFromOffset(-32400), -9);
    EXPECT_EQ(TzHoursFromOffset(-19800), -5); // toward zero
    EXPECT_EQ(TzHoursFromOffset(19800), 5);
    EXPECT_EQ(ColorRefFromRgb(255, 0, 0), 255);
    EXPECT_EQ(ColorRefFromRgb(0x12, 0x34, 0x56), 0x563412);
    int r = 0, g = 0, b = 0;
    RgbFromColorRef(0x563412, r, g, b);
    EXPECT_EQ(r, 0x12);
    EXPECT_EQ(g, 0x34);
    EXPECT_EQ(b, 0x56);
    EXPECT_EQ(TraceMarkNames().size(), 5u);
    EXPECT_EQ(TraceMarkNames().front(), "HANGGLIDER");
}

TEST(PreferenceValues, OkStoresEverySetting) {
    MemorySettingsStore store;
    IFTOption o(store);
    o.SetGPSSoftwareVersion(330);
    std::int32_t offset = -32400;
    PreferenceInput in = inputFor(o, offset);
    in.commPort = "COM3";
    in.gpsModel = "GPS12XLJ";
    in.penColor = 0x00ff00;
    in.penWidth = "4";
    in.mapLoadWithStart = true;
    in.textFormatDMS = true;
    in.tzOffset = "-8";
    const PreferenceOutcome out = StorePreferences(in, o, offset);
    EXPECT_TRUE(out.tzOffsetOk);
    EXPECT_EQ(o.CommPort(), 3);
    EXPECT_EQ(o.GPSModel(), "GPS12XLJ");
    EXPECT_EQ(o.GPSModelID(), 105);
    EXPECT_EQ(o.GPSCharSet(), 2);
    EXPECT_EQ(o.GPSSoftwareVersion(), 330) << "a model chosen by hand keeps the version";
    EXPECT_EQ(o.PenColor(), 0x00ff00);
    EXPECT_EQ(o.PenWidth(), 4);
    EXPECT_EQ(o.MapLoadWithStart(), 1);
    EXPECT_EQ(o.TextCoordinateFormat(), 3);
    EXPECT_EQ(offset, -28800);

    in.mapLoadWithStart = false;
    in.textFormatDMS = false;
    in.gpsModel = "Others";
    StorePreferences(in, o, offset);
    EXPECT_EQ(o.MapLoadWithStart(), 0);
    EXPECT_EQ(o.TextCoordinateFormat(), 1);
    EXPECT_EQ(o.GPSModel(), "Others");
    EXPECT_EQ(o.GPSModelID(), 59);
    EXPECT_EQ(o.GPSCharSet(), 1);

    in.gpsModel = "GPS48";
    StorePreferences(in, o, offset);
    EXPECT_EQ(o.GPSModelID(), 96);
}

TEST(PreferenceValues, PortOutsideTheEightKeepsTheOldPort) {
    MemorySettingsStore store;
    IFTOption o(store);
    o.SetCommPort(4);
    std::int32_t offset = 0;
    PreferenceInput in = inputFor(o, offset);
    for (const char* typed : {"COM12", "COM9", "ttyS0"}) {
        in.commPort = typed;
        StorePreferences(in, o, offset);
        EXPECT_EQ(o.CommPort(), 4) << typed;
    }
}

TEST(PreferenceValues, TimeOffsetRoundTripsAndKeepsMinutes) {
    MemorySettingsStore store;
    IFTOption o(store);
    // -9 shown, -9 confirmed: -32400 stays.
    std::int32_t offset = -32400;
    PreferenceInput in = inputFor(o, offset);
    EXPECT_EQ(in.tzOffset, "-9");
    StorePreferences(in, o, offset);
    EXPECT_EQ(offset, -32400);

    // A half-hour zone is not cut to whole hours by an unrelated "OK".
    offset = -19800;
    in = inputFor(o, offset);
    in.penWidth = "2";
    StorePreferences(in, o, offset);
    EXPECT_EQ(offset, -19800);
    in.tzOffset = "-6";
    StorePreferences(in, o, offset);
    EXPECT_EQ(offset, -21600);

    // Beyond the up-down's limit, still a whole number of hours.
    in.tzOffset = "25";
    StorePreferences(in, o, offset);
    EXPECT_EQ(offset, 90000);
}

TEST(PreferenceValues, BadTimeOffsetStoresTheRestOnly) {
    MemorySettingsStore store;
    IFTOption o(store);
    std::int32_t offset = 3600;
    PreferenceInput in = inputFor(o, offset);
    in.penWidth = "5";
    for (const char* bad : {"nine", "", "1.5", "9999999"}) {
        in.tzOffset = bad;
        const PreferenceOutcome out = StorePreferences(in, o, offset);
        EXPECT_FALSE(out.tzOffsetOk) << bad;
        EXPECT_EQ(out.message, NotAnIntegerMessage(bad));
        EXPECT_EQ(offset, 3600) << bad;
        EXPECT_EQ(o.PenWidth(), 5);
    }
}

} // namespace
} // namespace nuvrel
