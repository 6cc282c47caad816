#include "core/app/waypoint_rows.h"
#include "core/codepage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace nuvrel;

namespace {

constexpr SymbolModel kD104{72, 0};
constexpr SymbolModel kD103{73, 0};
constexpr SymbolModel kD100{59, 0};

IFTGarminWaypoint sampleStore() {
    std::vector<WaypointRecord> records(2);
    std::memset(records.data(), 0, sizeof(WaypointRecord) * records.size());
    records[0].latitude = 35.5;
    records[0].longitude = 139.77;
    records[0].altitude = 1234.5f;
    records[0].proximity = 0.1f;
    records[0].symbol = 178;
    records[0].display = 3;
    copyToField(records[0].ident, sizeof records[0].ident, "TAKEOFF");
    copyToField(records[0].comment, sizeof records[0].comment, "launch, west slope");
    records[1].latitude = -0.5;
    records[1].longitude = 5.5;
    records[1].altitude = -12.0f;
    records[1].symbol = 150;
    copyToField(records[1].ident, sizeof records[1].ident, "LZ");
    return IFTGarminWaypoint(std::move(records));
}

using Row = WaypointRows::Row;

} // namespace

TEST(WaypointRows, ShowsEveryColumnOfTheStore) {
    const IFTGarminWaypoint store = sampleStore();
    const WaypointRows rows(&store, kD104);
    ASSERT_EQ(2u, rows.size());
    EXPECT_EQ((Row{"TAKEOFF", " 35^30'00.00\"", "139^46'12.00\"", "launch, west slope", "Flag", "3", "0.1", "1234.5"}),
              rows.row(0));
    EXPECT_EQ((Row{"LZ", " -0^30'00.00\"", "  5^30'00.00\"", "", "Boat Ramp", "0", "0", "-12"}), rows.row(1));

    // The symbol names follow the receiver: a D103 set names unknown codes "dot", D100 has none.
    EXPECT_EQ("dot", WaypointRows(&store, kD103).cell(0, WaypointRows::kSymbolColumn));
    EXPECT_EQ("", WaypointRows(&store, kD100).cell(0, WaypointRows::kSymbolColumn));
}

TEST(WaypointRows, NoStoreOrAnEmptyOneShowsOneEmptyRow) {
    const IFTGarminWaypoint empty;
    for (const IFTGarminWaypoint* store : {static_cast<const IFTGarminWaypoint*>(nullptr), &empty}) {
        const WaypointRows rows(store, kD104);
        ASSERT_EQ(1u, rows.size());
        EXPECT_EQ(Row(8), rows.row(0));
    }
    // Written back, the empty row is one waypoint at 0/0 with the symbol of the empty name.
    const IFTGarminWaypoint rebuilt = WaypointRows().toStore(kD104);
    ASSERT_EQ(1u, rebuilt.count());
    EXPECT_EQ("", rebuilt.ident(0));
    EXPECT_EQ(0.0, rebuilt.latitude(0));
    EXPECT_EQ(0.0, rebuilt.longitude(0));
    EXPECT_EQ(18, rebuilt.symbol(0));
    EXPECT_EQ(1, rebuilt.modified());
}

TEST(WaypointRows, WritingBackUnchangedRowsKeepsTheWaypoints) {
    const IFTGarminWaypoint store = sampleStore();
    const IFTGarminWaypoint back = WaypointRows(&store, kD104).toStore(kD104);
    ASSERT_EQ(store.count(), back.count());
    for (std::size_t i = 0; i < store.count(); ++i) {
        EXPECT_EQ(store.ident(i), back.ident(i));
        EXPECT_EQ(store.comment(i), back.comment(i));
        EXPECT_NEAR(store.latitude(i), back.latitude(i), 1e-6);
        EXPECT_NEAR(store.longitude(i), back.longitude(i), 1e-6);
        EXPECT_EQ(store.symbol(i), back.symbol(i));
        EXPECT_EQ(store.display(i), back.display(i));
        EXPECT_EQ(store.record(i).proximity, back.record(i).proximity); // exact: shortest text reads back
        EXPECT_EQ(store.record(i).altitude, back.record(i).altitude);
    }
    // Typed texts: hemisphere forms, decimal degrees, a display above 255.
    WaypointRows typed;
    for (int c = 0; c < 8; ++c)
        typed.setCell(0, c, std::vector<std::string>{"X", "S35:30:00.00", "139.77", "", "Flag", "259", "50", "1e3"}[c]);
    const IFTGarminWaypoint w = typed.toStore(kD104);
    EXPECT_DOUBLE_EQ(-35.5, w.latitude(0));
    EXPECT_DOUBLE_EQ(139.77, w.longitude(0));
    EXPECT_EQ(178, w.symbol(0));
    EXPECT_EQ(3, w.display(0));
    EXPECT_EQ(50.0f, w.record(0).proximity);
    EXPECT_EQ(1000.0f, w.record(0).altitude);
}

TEST(WaypointRows, NumberTextIsTheShortestThatReadsBack) {
    EXPECT_EQ("0", WaypointRows::numberText(0.0f));
    EXPECT_EQ("0.1", WaypointRows::numberText(0.1f));
    EXPECT_EQ("-5.25", WaypointRows::numberText(-5.25f));
    EXPECT_EQ("100000", WaypointRows::numberText(100000.0f));
    EXPECT_EQ("1e+20", WaypointRows::numberText(1e20f));
    EXPECT_EQ("1e-07", WaypointRows::numberText(1e-7f));
    for (float v : {3.4028235e38f, 1.17549435e-38f, 9876.543f, -0.0001f}) {
        double back = 0;
        ASSERT_TRUE(IFTGarminWaypoint::parseDecimal(WaypointRows::numberText(v), back)) << v;
        EXPECT_EQ(v, static_cast<float>(back));
    }
}

TEST(WaypointRows, AddAndRemoveKeepAtLeastOneRow) {
    WaypointRows rows;
    EXPECT_EQ(1u, rows.addRow());
    EXPECT_EQ(2u, rows.addRow());
    rows.setCell(0, 0, "A");
    rows.setCell(1, 0, "B");
    rows.setCell(2, 0, "C");
    EXPECT_FALSE(rows.removeRows(3, 3)); // below the last row
    EXPECT_FALSE(rows.removeRows(2, 1));
    EXPECT_TRUE(rows.removeRows(1, 1));
    ASSERT_EQ(2u, rows.size());
    EXPECT_EQ("C", rows.cell(1, 0));
    EXPECT_TRUE(rows.removeRows(0, 7)); // a range past the end stops at the last row
    ASSERT_EQ(1u, rows.size());
    EXPECT_EQ(Row(8), rows.row(0));

    // Cells outside the grid read empty and ignore writes.
    rows.setCell(5, 0, "x");
    rows.setCell(0, 8, "x");
    EXPECT_EQ("", rows.cell(5, 0));
    EXPECT_EQ("", rows.cell(0, -1));
    EXPECT_EQ(Row(8), rows.row(0));
}

TEST(WaypointRows, CopiedRowsPasteBackExactly) {
    const IFTGarminWaypoint store = sampleStore();
    const WaypointRows source(&store, kD104);
    const std::string text = source.copyText(0, 1);
    EXPECT_EQ("TAKEOFF\t 35^30'00.00\"\t139^46'12.00\"\tlaunch, west slope\tFlag\t3\t0.1\t1234.5\n"
              "LZ\t -0^30'00.00\"\t  5^30'00.00\"\t\tBoat Ramp\t0\t0\t-12\n",
              text);
    EXPECT_EQ("", source.copyText(2, 3));
    EXPECT_EQ(source.copyText(1, 1), source.copyText(1, 9));

    // Into a list whose last row is empty: that row is filled and one more added.
    WaypointRows target;
    target.setCell(0, 0, "FIRST");
    target.addRow();
    EXPECT_EQ(1u, target.paste(text));
    ASSERT_EQ(3u, target.size());
    EXPECT_EQ("FIRST", target.cell(0, 0));
    // The comment held a comma, which separates fields on pasting.
    EXPECT_EQ((Row{"TAKEOFF", " 35^30'00.00\"", "139^46'12.00\"", "launch", " west slope", "Flag", "3", "0.1"}),
              target.row(1));
    EXPECT_EQ(source.row(1), target.row(2));

    // Into a list whose last row has a name: appended after it.
    EXPECT_EQ(3u, target.paste("NEXT\n"));
    EXPECT_EQ(4u, target.size());
    EXPECT_EQ("NEXT", target.cell(3, 0));
}

TEST(WaypointRows, ClipboardLinesAndFields) {
    // Tabs and commas both separate; consecutive separators give empty fields.
    EXPECT_EQ((std::vector<Row>{{"A", "35.5", "", "c", "", "", "", ""}}), WaypointRows::parseClipboardText("A,35.5\t\tc"));
    // More than eight fields: the rest is ignored; three fill three.
    EXPECT_EQ((std::vector<Row>{{"1", "2", "3", "4", "5", "6", "7", "8"}, {"a", "b", "c", "", "", "", "", ""}}),
              WaypointRows::parseClipboardText("1,2,3,4,5,6,7,8,9,10\na,b,c\n"));
    // CR LF line ends: the CR is dropped, so the last field keeps its plain text.
    const auto crlf = WaypointRows::parseClipboardText("P1\t1\t2\tnote\r\nP2\t3\t4\tx\tFlag\t0\t0\t250\r\n");
    ASSERT_EQ(2u, crlf.size());
    EXPECT_EQ("note", crlf[0][3]);
    EXPECT_EQ("250", crlf[1][7]);
    // A last line without line feed counts, even a single character; an empty line is an empty row.
    EXPECT_EQ(3u, WaypointRows::parseClipboardText("a\n\nb").size());
    EXPECT_TRUE(WaypointRows::parseClipboardText("").empty());

    WaypointRows rows;
    EXPECT_EQ(1u, rows.paste(""));
    EXPECT_EQ(1u, rows.size());
    EXPECT_EQ(0u, rows.paste("A\r\nB\r\n"));
    ASSERT_EQ(2u, rows.size());
    EXPECT_EQ("B", rows.cell(1, 0));
}
