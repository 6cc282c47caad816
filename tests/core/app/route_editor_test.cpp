// The route editor without its window: loading and saving routes, route
// number changes, and the store steps of route creation mode.
#include "core/ift_option.h"
#include "core/app/route_editor.h"
#include "core/data/ift_garmin_waypoint.h"
#include "core/inline_work_runner.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

using namespace nuvrel;

namespace {

struct EditorFixture : ::testing::Test {
    test::MemorySettingsStore settings;
    IFTOption option{settings};
    CRouteField routes{2};
    RouteEditor editor{routes, option};

    EditorFixture() {
        option.SetGPSModelID(77); // D103: six-letter names
        routes.SetRouteName(0, "FLIGHT");
        routes.AddRouteEntry(0, "START", 35.123456789, 139.987654321, "take-off", 3, 1, 10.5f, 812.25f);
        routes.AddRouteEntry(0, "TURN1", 35.2, 139.1, "", 0, 0, 0.0f, 0.0f);
        routes.AddRouteEntry(0, "GOAL", 35.3, 139.2, "landing", 1, 0, 0.0f, 95.0f);
    }

    std::vector<std::string> idents(std::uint32_t r) const {
        std::vector<std::string> out;
        for (std::uint32_t i = 0; i < routes.EntryCount(r); ++i)
            out.push_back(routes.GetEntryIdent(r, i));
        return out;
    }
};

using Texts = std::vector<std::string>;

} // namespace

TEST_F(EditorFixture, LoadShowsEveryEntryAndTheName) {
    editor.LoadRouteIntoGrid(0);
    EXPECT_EQ(editor.name(), "FLIGHT");
    ASSERT_EQ(editor.grid().rowCount(), 4u);
    EXPECT_EQ(editor.grid().cell(1, RouteGrid::Ident), "START");
    EXPECT_EQ(editor.grid().cell(1, RouteGrid::Latitude), " 35^07'24.45\"");
    EXPECT_EQ(editor.grid().cell(1, RouteGrid::Symbol), "car");
    EXPECT_EQ(editor.grid().cell(3, RouteGrid::No), "3");

    editor.LoadRouteIntoGrid(1);
    EXPECT_EQ(editor.name(), "ROUTE-01");
    EXPECT_EQ(editor.grid().rowCount(), 2u);
    EXPECT_TRUE(RouteGrid::isBlank(editor.grid().row(1)));

    // Beyond the store: an empty route with an empty name.
    editor.LoadRouteIntoGrid(7);
    EXPECT_EQ(editor.name(), "");
    EXPECT_EQ(editor.grid().rowCount(), 2u);
}

TEST_F(EditorFixture, SavingAnUntouchedTableChangesNothing) {
    editor.LoadRouteIntoGrid(0);
    EXPECT_FALSE(editor.SaveGridToRoute());
    EXPECT_DOUBLE_EQ(routes.GetEntryLatitude(0, 0), 35.123456789);

    ASSERT_TRUE(editor.ChangeRoute("1", true));
    EXPECT_FALSE(editor.SaveGridToRoute()); // an empty route stays empty
    EXPECT_EQ(routes.EntryCount(1), 0u);
    EXPECT_EQ(routes.GetRouteName(1), "ROUTE-01");
}

TEST_F(EditorFixture, EditedRowsAreReadBackAndUntouchedRowsKeepTheirEntries) {
    // A long name from a newer receiver is not cut by merely being shown.
    routes.AddRouteEntry(0, "LONGNAME10", 35.4, 139.4, "", 0, 0, 0.0f, 0.0f);
    editor.LoadRouteIntoGrid(0);
    editor.grid().setCell(2, RouteGrid::Ident, "TURNPOINT");
    editor.grid().setCell(2, RouteGrid::Display, "x");
    editor.setName("CUP");
    ASSERT_TRUE(editor.SaveGridToRoute());

    EXPECT_EQ(idents(0), (Texts{"START", "TURNPO", "GOAL", "LONGNAME10"}));
    EXPECT_EQ(routes.GetRouteName(0), "CUP");
    EXPECT_DOUBLE_EQ(routes.GetEntryLatitude(0, 0), 35.123456789);
    EXPECT_FLOAT_EQ(routes.GetEntryAltitude(0, 0), 812.25f);
    EXPECT_EQ(routes.GetEntrySymbol(0, 0), 3);
    EXPECT_EQ(routes.GetEntryDisplay(0, 1), 0);
    EXPECT_DOUBLE_EQ(routes.GetEntryLatitude(0, 1), 35.2);

    // Saved once, the same table is not written again.
    EXPECT_FALSE(editor.SaveGridToRoute());
}

TEST_F(EditorFixture, NewFormatReceiversKeepTenLetters) {
    option.SetGPSModelID(130);
    ASSERT_TRUE(editor.ChangeRoute("1", false));
    editor.grid().setCell(1, RouteGrid::Ident, "ABCDEFGH");
    ASSERT_TRUE(editor.ChangeRoute("0", true));
    EXPECT_EQ(idents(1), (Texts{"ABCDEFGH"}));
}

TEST_F(EditorFixture, RowOperationsThenSave) {
    editor.LoadRouteIntoGrid(0);
    editor.grid().insertRow(1);
    editor.grid().setCell(2, RouteGrid::Ident, "MID");
    editor.grid().addRow(); // left blank: not saved
    editor.grid().deleteRow(4);
    ASSERT_TRUE(editor.SaveGridToRoute());
    EXPECT_EQ(idents(0), (Texts{"START", "MID", "TURN1"}));
}

TEST_F(EditorFixture, RowsWithoutANameAreSavedButBlankRowsAreNot) {
    ASSERT_TRUE(editor.ChangeRoute("1", false));
    editor.grid().setCell(1, RouteGrid::Latitude, "35.5");
    editor.grid().addRow();
    editor.grid().addRow();
    editor.grid().setCell(3, RouteGrid::Ident, "LAST");
    ASSERT_TRUE(editor.SaveGridToRoute());
    EXPECT_EQ(idents(1), (Texts{"", "LAST"}));
    EXPECT_DOUBLE_EQ(routes.GetEntryLatitude(1, 0), 35.5);
}

TEST_F(EditorFixture, ATableOfBlankRowsEmptiesTheRoute) {
    editor.LoadRouteIntoGrid(0);
    editor.grid().deleteRow(1);
    editor.grid().deleteRow(1);
    editor.grid().deleteRow(1);
    editor.setName("EMPTY");
    ASSERT_TRUE(editor.SaveGridToRoute());
    EXPECT_EQ(routes.EntryCount(0), 0u);
    EXPECT_EQ(routes.GetRouteName(0), "EMPTY");
}

TEST_F(EditorFixture, ChangingTheRouteNumberSavesTheShownRouteFirst) {
    editor.LoadRouteIntoGrid(0);
    editor.grid().setCell(1, RouteGrid::Ident, "BEGIN");
    ASSERT_TRUE(editor.ChangeRoute("1", true));
    EXPECT_EQ(editor.currentRoute(), 1u);
    EXPECT_EQ(idents(0), (Texts{"BEGIN", "TURN1", "GOAL"}));
    EXPECT_EQ(editor.name(), "ROUTE-01");

    // Not a number, or no such route: the route shown stays.
    for (const char* text : {"", "abc", "2", "-1", "1x"}) {
        EXPECT_FALSE(editor.ChangeRoute(text, true)) << text;
        EXPECT_EQ(editor.currentRoute(), 1u);
    }
    EXPECT_TRUE(editor.ChangeRoute(" 0 ", true));
    EXPECT_EQ(editor.grid().cell(1, RouteGrid::Ident), "BEGIN");
}

TEST_F(EditorFixture, ChangingTheRouteWithoutSavingDropsNothingIntoTheStore) {
    // The window is hidden: its table is not the user's, route 0 stays as the
    // map clicks left it.
    editor.LoadRouteIntoGrid(0);
    routes.AddRouteEntry(0, "CLICK", 35.5, 139.5, "", 0, 0, 0.0f, 0.0f);
    editor.grid().setCell(1, RouteGrid::Ident, "STALE");
    ASSERT_TRUE(editor.ChangeRoute("1", false));
    EXPECT_EQ(idents(0), (Texts{"START", "TURN1", "GOAL", "CLICK"}));
}

TEST_F(EditorFixture, PrepareShowKeepsTheRouteWithinTheStore) {
    ASSERT_TRUE(editor.ChangeRoute("1", false));
    routes = CRouteField(1);
    editor.PrepareShow();
    EXPECT_EQ(editor.currentRoute(), 0u);
    EXPECT_EQ(editor.name(), "ROUTE-00");

    routes = CRouteField(0);
    editor.PrepareShow();
    EXPECT_EQ(routes.RouteCount(), 1u);
    EXPECT_EQ(editor.currentRoute(), 0u);
}

TEST_F(EditorFixture, FillRowFromTheFirstWaypointOfThatName) {
    IFTGarminWaypoint waypoints;
    waypoints.append("HILL", 36.0, 138.0, "first", 1);
    waypoints.append("HILL", 37.0, 137.0, "second", 1);
    editor.LoadRouteIntoGrid(0);
    ASSERT_TRUE(editor.FillRowFromWaypoint(2, waypoints, "HILL"));
    EXPECT_EQ(editor.grid().cell(2, RouteGrid::Comment), "first");
    EXPECT_EQ(editor.grid().cell(2, RouteGrid::Latitude), " 36^00'00.00\"");
    EXPECT_EQ(editor.grid().cell(2, RouteGrid::No), "2");
    EXPECT_FALSE(editor.FillRowFromWaypoint(2, waypoints, "NONE"));
    EXPECT_FALSE(editor.FillRowFromWaypoint(9, waypoints, "HILL"));
}

TEST(RouteCreation, EnsureRouteAppendsDefaultNamedRoutes) {
    CRouteField routes(1);
    EnsureRoute(routes, 3);
    ASSERT_EQ(routes.RouteCount(), 4u);
    EXPECT_EQ(routes.GetRouteName(1), "ROUTE-01");
    EXPECT_EQ(routes.GetRouteName(3), "ROUTE-03");
    EnsureRoute(routes, 2);
    EXPECT_EQ(routes.RouteCount(), 4u);
}

TEST(RouteCreation, MapWaypointsBecomeEntriesWithZeroFields) {
    CRouteField routes(1);
    EXPECT_EQ(AddRouteWaypoint(routes, 2, "P1", 35.5, 139.5, "note"), 1);
    ASSERT_EQ(routes.RouteCount(), 3u);
    ASSERT_EQ(routes.EntryCount(2), 1u);
    EXPECT_EQ(routes.GetEntryIdent(2, 0), "P1");
    EXPECT_EQ(routes.GetEntryComment(2, 0), "note");
    EXPECT_DOUBLE_EQ(routes.GetEntryLongitude(2, 0), 139.5);
    EXPECT_EQ(routes.GetEntrySymbol(2, 0), 0);
    EXPECT_EQ(routes.GetEntryDisplay(2, 0), 0);
    EXPECT_EQ(routes.GetEntryProximity(2, 0), 0.0f);
    EXPECT_EQ(routes.GetEntryAltitude(2, 0), 0.0f);
}

TEST(RouteCreation, RouteNumbersAreWholeNumbersWithinTheLimit) {
    EXPECT_EQ(ParseRouteNumber("12", 100), 12u);
    EXPECT_EQ(ParseRouteNumber(" 0", 0), 0u);
    EXPECT_FALSE(ParseRouteNumber("101", 100));
    EXPECT_FALSE(ParseRouteNumber("-3", 100));
    EXPECT_FALSE(ParseRouteNumber("1.5", 100));
    EXPECT_FALSE(ParseRouteNumber("", 100));
}

TEST(RouteEditor, ARouteNumberIsCompleteWhenNoDigitCanFollow) {
    struct Row {
        const char* text;
        std::uint32_t maximum;
        std::optional<std::uint32_t> complete;
    };
    const Row rows[] = {{"1", 15, std::nullopt}, {"12", 15, 12u}, {"2", 15, 2u}, {"0", 15, 0u},
                        {"16", 15, std::nullopt}, {"1", 9, 1u}, {"10", 100, std::nullopt}, {"", 15, std::nullopt}};
    for (const Row& r : rows)
        EXPECT_EQ(CompleteRouteNumber(r.text, r.maximum), r.complete) << r.text << " of 0.." << r.maximum;
}

TEST(RouteCreation, UploadingAnEmptyRouteSendsNothing) {
    test::MemorySettingsStore settings;
    IFTOption option(settings);
    test::RecordingPrompts prompts;
    NullProgress progress;
    InlineWorkRunner runner(prompts, progress);
    SerialPorts ports = SerialPorts::System(nullptr);
    ports.environment = [](const std::string&) -> std::optional<std::string> { return "/nonexistent/tty"; };
    CRouteField routes(1);
    EXPECT_EQ(UploadRouteCommand(routes, 0, 0, {ports, option, prompts, runner}), 0);
    EXPECT_EQ(prompts.count("beep"), 1);
    EXPECT_EQ(prompts.entries.back().text, "Route 0 has no waypoints to upload: add at least one first.");
    EXPECT_TRUE(prompts.errors().empty());

    // With entries, the model check comes first: no receiver, error 2.
    routes.AddRouteEntry(0, "A", 1, 2, "", 0, 0, 0, 0);
    EXPECT_EQ(UploadRouteCommand(routes, 0, 0, {ports, option, prompts, runner}), 0);
    EXPECT_EQ(prompts.errors(), std::vector<int>{2});
}
