#include "core/data/ift_garmin_waypoint.h"

#include "core/codepage.h"

#include <gtest/gtest.h>

#include <cstring>

namespace nuvrel {
namespace {

// Restores the process code page after each test.
class IFTGarminWaypointTest : public ::testing::Test {
protected:
    CodePage saved_ = activeCodePage();
    void TearDown() override { setActiveCodePage(saved_); }
};

TEST_F(IFTGarminWaypointTest, AppendToEmptyStore) {
    IFTGarminWaypoint w;
    EXPECT_EQ(0u, w.count());
    EXPECT_EQ(4u, w.fileSize());
    w.append("HOME", 35.5, 139.25, "take-off", 3);
    ASSERT_EQ(1u, w.count());
    EXPECT_EQ("HOME", w.ident(0));
    EXPECT_EQ("take-off", w.comment(0));
    EXPECT_DOUBLE_EQ(35.5, w.latitude(0));
    EXPECT_DOUBLE_EQ(139.25, w.longitude(0));
    EXPECT_EQ(0.0, w.altitude(0));
    EXPECT_EQ(0.0, w.proximity(0));
    EXPECT_EQ(0, w.symbol(0));
    EXPECT_EQ(3, w.display(0));
    EXPECT_EQ(1, w.modified());
    EXPECT_EQ(4u + 116, w.fileSize());
    w.append("SECOND", 1, 2, "", 0);
    ASSERT_EQ(2u, w.count());
    EXPECT_EQ("HOME", w.ident(0)); // earlier records survive the growth
    EXPECT_EQ("SECOND", w.ident(1));
}

TEST_F(IFTGarminWaypointTest, AppendCutsTextsToTheirFields) {
    setActiveCodePage(CodePage::Utf8);
    IFTGarminWaypoint w;
    const std::string thirty = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123";
    w.append(thirty, 0, 0, std::string(70, 'c'), 0);
    EXPECT_EQ(thirty.substr(0, 23), w.ident(0));
    EXPECT_EQ(std::string(63, 'c'), w.comment(0));
    // The fields stay terminated.
    EXPECT_EQ('\0', w.record(0).ident[23]);
    EXPECT_EQ('\0', w.record(0).comment[63]);

    // UTF-8: a three-byte character at bytes 21..23 does not fit in 23.
    const std::string kanji = "\xE6\x97\xA5"; // U+65E5
    w.append(std::string(21, 'a') + kanji, 0, 0, "", 0);
    EXPECT_EQ(std::string(21, 'a'), w.ident(1));
    // ...but one at bytes 20..22 does.
    w.append(std::string(20, 'a') + kanji + "z", 0, 0, "", 0);
    EXPECT_EQ(std::string(20, 'a') + kanji, w.ident(2));
}

TEST_F(IFTGarminWaypointTest, AppendKeepsCp932CharactersWhole) {
    setActiveCodePage(CodePage::Cp932);
    IFTGarminWaypoint w;
    const std::string sjis = "\x93\xFA"; // a double-byte CP932 character
    // 22 single bytes then a double-byte character: byte 23 would split it.
    w.append(std::string(22, 'a') + sjis, 0, 0, "", 0);
    EXPECT_EQ(std::string(22, 'a'), w.ident(0));
    // Eleven double-byte characters (22 bytes) fit; the twelfth does not.
    std::string many;
    for (int i = 0; i < 12; ++i)
        many += sjis;
    w.append(many, 0, 0, "", 0);
    EXPECT_EQ(many.substr(0, 22), w.ident(1));
    // Half-width katakana are single bytes in CP932: 23 of them fit.
    w.append(std::string(25, '\xB1'), 0, 0, "", 0);
    EXPECT_EQ(std::string(23, '\xB1'), w.ident(2));
}

TEST_F(IFTGarminWaypointTest, RebuildFromOneEmptyRow) {
    std::vector<IFTGarminWaypoint::GridRow> rows = {IFTGarminWaypoint::GridRow(8)};
    std::string askedSymbol = "unasked";
    auto w = IFTGarminWaypoint::fromGridRows(rows, [&](std::string_view name) {
        askedSymbol = std::string(name);
        return std::int16_t{18};
    });
    ASSERT_EQ(1u, w.count());
    EXPECT_EQ("", w.ident(0));
    EXPECT_EQ("", w.comment(0));
    EXPECT_EQ(0.0, w.latitude(0));
    EXPECT_EQ(0.0, w.longitude(0));
    EXPECT_EQ(0, w.display(0));
    EXPECT_EQ(0.0, w.proximity(0));
    EXPECT_EQ(0.0, w.altitude(0));
    EXPECT_EQ("", askedSymbol);
    EXPECT_EQ(18, w.symbol(0)); // whatever the model table gives for ""

    // A row with no cells at all behaves the same.
    std::vector<IFTGarminWaypoint::GridRow> bare = {{}};
    EXPECT_EQ(1u, IFTGarminWaypoint::fromGridRows(bare, nullptr).count());
}

TEST_F(IFTGarminWaypointTest, RebuildReadsEveryColumn) {
    std::vector<IFTGarminWaypoint::GridRow> rows = {
        {"TAKEOFF", "35.5", "-139.25", "launch", "Flag", "259", " 50.5 ", "1234"},
        {std::string(30, 'N'), "N35:30", "abc", std::string(80, 'c'), "", "-1", "far", "1e3"},
        {"X", "", "", "", "", "12abc", "", "+7"},
    };
    // The angle parser is handed in; here a stand-in that knows one form.
    auto parseAngle = [](std::string_view t) {
        if (t == "N35:30")
            return 35.5;
        double v = 0;
        return IFTGarminWaypoint::parseDecimal(t, v) ? v : 0.0;
    };
    auto symbol = [](std::string_view name) { return name == "Flag" ? std::int16_t{178} : std::int16_t{0}; };
    auto w = IFTGarminWaypoint::fromGridRows(rows, symbol, parseAngle);
    ASSERT_EQ(3u, w.count());
    EXPECT_EQ(1, w.modified());

    EXPECT_EQ("TAKEOFF", w.ident(0));
    EXPECT_DOUBLE_EQ(35.5, w.latitude(0));
    EXPECT_DOUBLE_EQ(-139.25, w.longitude(0));
    EXPECT_EQ("launch", w.comment(0));
    EXPECT_EQ(178, w.symbol(0));
    EXPECT_EQ(3, w.display(0)); // 259 keeps its lowest 8 bits
    EXPECT_FLOAT_EQ(50.5f, static_cast<float>(w.proximity(0)));
    EXPECT_FLOAT_EQ(1234.0f, static_cast<float>(w.altitude(0)));

    EXPECT_EQ(std::string(23, 'N'), w.ident(1));
    EXPECT_EQ(std::string(63, 'c'), w.comment(1));
    EXPECT_DOUBLE_EQ(35.5, w.latitude(1));
    EXPECT_EQ(0.0, w.longitude(1));
    EXPECT_EQ(255, w.display(1));
    EXPECT_EQ(0.0, w.proximity(1));
    EXPECT_FLOAT_EQ(1000.0f, static_cast<float>(w.altitude(1)));

    EXPECT_EQ(0, w.display(2)); // not an integer
    EXPECT_FLOAT_EQ(7.0f, static_cast<float>(w.altitude(2)));
}

TEST_F(IFTGarminWaypointTest, RebuildWithoutAnAngleParserReadsDecimalDegrees) {
    std::vector<IFTGarminWaypoint::GridRow> rows = {{"A", "-35.25", "139^46'12.00\""}};
    auto w = IFTGarminWaypoint::fromGridRows(rows, nullptr);
    EXPECT_DOUBLE_EQ(-35.25, w.latitude(0));
    EXPECT_EQ(0.0, w.longitude(0));
}

TEST_F(IFTGarminWaypointTest, NumberParsers) {
    double d = -1;
    EXPECT_TRUE(IFTGarminWaypoint::parseDecimal(" 1.5\t", d));
    EXPECT_EQ(1.5, d);
    EXPECT_TRUE(IFTGarminWaypoint::parseDecimal("-.5", d));
    EXPECT_EQ(-0.5, d);
    EXPECT_FALSE(IFTGarminWaypoint::parseDecimal("", d));
    EXPECT_FALSE(IFTGarminWaypoint::parseDecimal("1,5", d));
    EXPECT_FALSE(IFTGarminWaypoint::parseDecimal("+-1", d));
    long long i = 0;
    EXPECT_TRUE(IFTGarminWaypoint::parseInteger("+42", i));
    EXPECT_EQ(42, i);
    EXPECT_FALSE(IFTGarminWaypoint::parseInteger("4.2", i));
    EXPECT_FALSE(IFTGarminWaypoint::parseInteger("99999999999999999999", i));
}

} // namespace
} // namespace nuvrel
