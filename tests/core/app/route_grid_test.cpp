// The route editor's table: its row operations and the texts of its cells.
#include "core/app/route_grid.h"
#include "core/data/ift_garmin_waypoint.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace nuvrel;

namespace {

constexpr SymbolModel kD103{77, 0};  // GPS12XL
constexpr SymbolModel kETrex{130, 0}; // new formats
constexpr SymbolModel kD100{59, 0};  // GPS II

RouteGrid::Row named(const std::string& ident, const std::string& comment = {}) {
    RouteGrid::Row row;
    row[RouteGrid::Ident] = ident;
    row[RouteGrid::Comment] = comment;
    return row;
}

std::vector<std::string> column(const RouteGrid& grid, std::size_t c) {
    std::vector<std::string> texts;
    for (std::size_t r = 1; r < grid.rowCount(); ++r)
        texts.push_back(grid.cell(r, c));
    return texts;
}

using Texts = std::vector<std::string>;

} // namespace

TEST(RouteGrid, StartsWithTheHeaderAndOneNumberedEmptyRow) {
    RouteGrid grid;
    ASSERT_EQ(grid.rowCount(), 2u);
    EXPECT_EQ(Texts(grid.row(0).begin(), grid.row(0).end()),
              (Texts{"", "Waypoint", "Latitude", "Longitude", "Comment", "Symbol", "dspl", "dst", "height"}));
    EXPECT_EQ(grid.cell(1, 0), "1");
    EXPECT_TRUE(RouteGrid::isBlank(grid.row(1)));
    EXPECT_EQ(RouteGrid::totalWidth(), 40 + 70 + 90 + 90 + 120 + 136 + 40 + 40 + 80);
    EXPECT_EQ(RouteGrid::columnWidth(5), 136);

    grid.setEntryRows({});
    EXPECT_EQ(grid.rowCount(), 2u);
}

TEST(RouteGrid, AddAppendsAnEmptyNumberedRow) {
    RouteGrid grid;
    grid.setEntryRows({named("A"), named("B")});
    grid.addRow();
    EXPECT_EQ(column(grid, 0), (Texts{"1", "2", "3"}));
    EXPECT_EQ(column(grid, 1), (Texts{"A", "B", ""}));
}

TEST(RouteGrid, InsertPutsAnEmptyRowBelowTheCurrentOneAndMovesTheRestWithAllColumns) {
    RouteGrid grid;
    grid.setEntryRows({named("A", "a"), named("B", "b"), named("C", "c")});
    EXPECT_EQ(grid.insertRow(1), 2u);
    EXPECT_EQ(column(grid, 0), (Texts{"1", "2", "3", "4"}));
    EXPECT_EQ(column(grid, 1), (Texts{"A", "", "B", "C"}));
    EXPECT_EQ(column(grid, 4), (Texts{"a", "", "b", "c"}));

    // Below the last row: a new last row. Never above row 2.
    EXPECT_EQ(grid.insertRow(4), 5u);
    EXPECT_EQ(grid.insertRow(0), 2u);
    EXPECT_EQ(column(grid, 1), (Texts{"A", "", "", "B", "C", ""}));
    const std::size_t last = grid.insertRow(99);
    EXPECT_EQ(last, grid.rowCount() - 1);
}

TEST(RouteGrid, DeleteRemovesTheCurrentRowAndEmptiesTheLastOne) {
    RouteGrid grid;
    grid.setEntryRows({named("A"), named("B"), named("C")});
    // Row 1 is deleted like any other: the selected entry goes, not its neighbour.
    EXPECT_TRUE(grid.deleteRow(1));
    EXPECT_EQ(column(grid, 1), (Texts{"B", "C"}));
    EXPECT_EQ(column(grid, 0), (Texts{"1", "2"}));
    EXPECT_TRUE(grid.deleteRow(2));
    EXPECT_EQ(column(grid, 1), (Texts{"B"}));
    // The only row stays, emptied.
    EXPECT_TRUE(grid.deleteRow(1));
    EXPECT_EQ(grid.rowCount(), 2u);
    EXPECT_TRUE(RouteGrid::isBlank(grid.row(1)));
    EXPECT_EQ(grid.cell(1, 0), "1");
    EXPECT_FALSE(grid.deleteRow(0));
    EXPECT_FALSE(grid.deleteRow(5));
}

TEST(RouteGrid, EntryRowShowsEveryFieldForTheReceiver) {
    RouteEntry e;
    std::memset(&e, 0, sizeof e);
    std::strcpy(e.ident, "TAKEOFF");
    std::strcpy(e.comment, "launch");
    e.latitude = 35.5;
    e.longitude = -139.77;
    e.symbol = 8;
    e.display = 2;
    e.proximity = 12.5f;
    e.altitude = 1234.5f;
    const RouteGrid::Row row = RouteEntryRow(e, kETrex);
    EXPECT_EQ(Texts(row.begin() + 1, row.end()),
              (Texts{"TAKEOFF", " 35^30'00.00\"", "-139^46'12.00\"", "launch", "white Gas Station", "2", "12.5",
                     "1234.5"}));
    EXPECT_EQ(RouteEntryRow(e, kD103)[RouteGrid::Symbol], "exit");
    EXPECT_EQ(RouteEntryRow(e, kD100)[RouteGrid::Symbol], "");

    e.proximity = 0;
    e.altitude = 1.1f;
    EXPECT_EQ(RouteEntryRow(e, kETrex)[RouteGrid::Proximity], "0");
    EXPECT_EQ(RouteEntryRow(e, kETrex)[RouteGrid::Altitude], "1.1");
}

TEST(RouteGrid, RowBecomesAnEntryWithTheNameCutForTheReceiver) {
    RouteGrid::Row row = named("ABCDEFGH", std::string(50, 'c'));
    row[RouteGrid::Latitude] = "35^30'00.00\"";
    row[RouteGrid::Longitude] = "-139.5";
    row[RouteGrid::Symbol] = "house";
    row[RouteGrid::Display] = " 1 ";
    row[RouteGrid::Proximity] = "0.25";
    row[RouteGrid::Altitude] = "812";

    RouteEntry old = RouteEntryFromRow(row, kD103);
    EXPECT_STREQ(old.ident, "ABCDEF");
    EXPECT_EQ(std::string(old.comment), std::string(40, 'c'));
    EXPECT_DOUBLE_EQ(old.latitude, 35.5);
    EXPECT_DOUBLE_EQ(old.longitude, -139.5);
    EXPECT_EQ(old.symbol, 1);
    EXPECT_EQ(old.display, 1);
    EXPECT_FLOAT_EQ(old.proximity, 0.25f);
    EXPECT_FLOAT_EQ(old.altitude, 812.0f);

    EXPECT_STREQ(RouteEntryFromRow(row, kETrex).ident, "ABCDEFGH");
    row[RouteGrid::Ident] = "ABCDEFGHIJKLMN";
    EXPECT_STREQ(RouteEntryFromRow(row, kETrex).ident, "ABCDEFGHIJ");
}

TEST(RouteGrid, CellsThatAreNotNumbersReadAsZero) {
    RouteGrid::Row row = named("X");
    row[RouteGrid::Display] = "two";
    row[RouteGrid::Proximity] = "near";
    row[RouteGrid::Altitude] = "12m";
    row[RouteGrid::Symbol] = "no such symbol";
    const RouteEntry e = RouteEntryFromRow(row, kD103);
    EXPECT_EQ(e.display, 0);
    EXPECT_EQ(e.proximity, 0.0f);
    EXPECT_EQ(e.altitude, 0.0f);
    EXPECT_EQ(e.symbol, 0);
    EXPECT_EQ(e.latitude, 0.0);
}

TEST(RouteGrid, NamesAreNotCutInsideACharacter) {
    // Five bytes of letters, then a two-byte character: six bytes would split it.
    const RouteEntry e = RouteEntryFromRow(named("ABCDE\xC3\xA9Z"), kD103);
    EXPECT_STREQ(e.ident, "ABCDE");
}

TEST(RouteGrid, WaypointRowCopiesTheWaypoint) {
    IFTGarminWaypoint store;
    store.append("HOME", 35.25, 139.0, "house", 1);
    const RouteGrid::Row row = WaypointRow(store, 0, kD103);
    EXPECT_EQ(Texts(row.begin() + 1, row.end()),
              (Texts{"HOME", " 35^15'00.00\"", "139^00'00.00\"", "house", "dot", "1", "0", "0"}));
}

TEST(RouteGrid, BlankMeansOnlyBlanksInTheEntryColumns) {
    RouteGrid::Row row;
    row[RouteGrid::No] = "7";
    row[RouteGrid::Comment] = "  ";
    EXPECT_TRUE(RouteGrid::isBlank(row));
    row[RouteGrid::Altitude] = "0";
    EXPECT_FALSE(RouteGrid::isBlank(row));
}
