#include "core/data/route_store.h"

#include "core/codepage.h"

#include <gtest/gtest.h>

namespace nuvrel {
namespace {

TEST(CRouteField, CreateNamesRoutesByIndex) {
    CRouteField r(3);
    ASSERT_EQ(3u, r.RouteCount());
    EXPECT_EQ("ROUTE-00", r.GetRouteName(0));
    EXPECT_EQ("ROUTE-01", r.GetRouteName(1));
    EXPECT_EQ("ROUTE-02", r.GetRouteName(2));
    for (std::uint32_t i = 0; i < 3; ++i)
        EXPECT_EQ(0u, r.EntryCount(i));
    EXPECT_EQ("ROUTE-100", CRouteField::defaultName(100));
    EXPECT_EQ(0u, CRouteField().RouteCount());
}

TEST(CRouteField, AddRoute) {
    CRouteField r(10);
    EXPECT_EQ(11u, r.AddRoute());
    EXPECT_EQ("ROUTE-10", r.GetRouteName(10));
    CRouteField empty;
    EXPECT_EQ(1u, empty.AddRoute());
    EXPECT_EQ("ROUTE-00", empty.GetRouteName(0));
}

TEST(CRouteField, EntriesKeepEveryField) {
    CRouteField r(2);
    ASSERT_EQ(1, r.AddRouteEntry(1, "WP1", 35.5, 139.25, "first", 18, 3, 50.0f, 120.5f));
    ASSERT_EQ(1, r.AddRouteEntry(1, "WP2", -1.0, -2.0, "", -1, 0, 0.0f, 0.0f));
    EXPECT_EQ(0u, r.EntryCount(0));
    ASSERT_EQ(2u, r.EntryCount(1));
    EXPECT_EQ("WP1", r.GetEntryIdent(1, 0));
    EXPECT_EQ("first", r.GetEntryComment(1, 0));
    EXPECT_EQ(35.5, r.GetEntryLatitude(1, 0));
    EXPECT_EQ(139.25, r.GetEntryLongitude(1, 0));
    EXPECT_EQ(18, r.GetEntrySymbol(1, 0));
    EXPECT_EQ(3, r.GetEntryDisplay(1, 0));
    EXPECT_EQ(50.0f, r.GetEntryProximity(1, 0));
    EXPECT_EQ(120.5f, r.GetEntryAltitude(1, 0));
    EXPECT_EQ("WP2", r.GetEntryIdent(1, 1));
    EXPECT_EQ(-1, r.GetEntrySymbol(1, 1));
}

TEST(CRouteField, OutOfRangeChangesNothing) {
    CRouteField r(1);
    EXPECT_EQ(0u, r.EntryCount(1)); // index equal to the count
    EXPECT_EQ(0, r.AddRouteEntry(1, "X", 0, 0, "", 0, 0, 0, 0));
    EXPECT_EQ(0, r.ClearRoute(1));
    EXPECT_EQ(0, r.SetRouteName(1, "X"));
    EXPECT_EQ("", r.GetRouteName(1));
    EXPECT_EQ("", r.GetEntryIdent(1, 0));
    EXPECT_EQ("", r.GetEntryComment(0, 0)); // route without entries
    EXPECT_EQ(0.0, r.GetEntryLatitude(0, 0));
    EXPECT_EQ(0.0, r.GetEntryLongitude(5, 0));
    EXPECT_EQ(0, r.GetEntrySymbol(0, 3));
    EXPECT_EQ(0, r.GetEntryDisplay(0, 3));
    EXPECT_EQ(0.0f, r.GetEntryProximity(0, 3));
    EXPECT_EQ(0.0f, r.GetEntryAltitude(0, 3));
    EXPECT_EQ(1u, r.RouteCount());
    EXPECT_EQ("ROUTE-00", r.GetRouteName(0));
}

TEST(CRouteField, ClearRoute) {
    CRouteField r(1);
    EXPECT_EQ(1, r.ClearRoute(0)); // an empty route stays empty
    EXPECT_EQ(0u, r.EntryCount(0));
    r.AddRouteEntry(0, "A", 0, 0, "", 0, 0, 0, 0);
    r.AddRouteEntry(0, "B", 0, 0, "", 0, 0, 0, 0);
    EXPECT_EQ(1, r.ClearRoute(0));
    EXPECT_EQ(0u, r.EntryCount(0));
    EXPECT_EQ("ROUTE-00", r.GetRouteName(0)); // the name stays
}

TEST(CRouteField, TextsAreCutWithoutSplittingCharacters) {
    const CodePage saved = activeCodePage();
    setActiveCodePage(CodePage::Utf8);
    CRouteField r(1);
    std::string seventy;
    for (int i = 0; i < 70; ++i)
        seventy += static_cast<char>('A' + i % 26);
    EXPECT_EQ(1, r.SetRouteName(0, seventy));
    EXPECT_EQ(seventy.substr(0, 63), r.GetRouteName(0));
    // A two-byte character straddling byte 63 is left out whole.
    r.SetRouteName(0, std::string(62, 'x') + "\xC3\xA9");
    EXPECT_EQ(std::string(62, 'x'), r.GetRouteName(0));

    r.AddRouteEntry(0, std::string(22, 'i') + "\xC3\xA9", 0, 0, std::string(62, 'c') + "\xC3\xA9", 0, 0, 0, 0);
    EXPECT_EQ(std::string(22, 'i'), r.GetEntryIdent(0, 0));
    EXPECT_EQ(std::string(62, 'c'), r.GetEntryComment(0, 0));
    r.AddRouteEntry(0, std::string(40, 'i'), 0, 0, std::string(100, 'c'), 0, 0, 0, 0);
    EXPECT_EQ(std::string(23, 'i'), r.GetEntryIdent(0, 1));
    EXPECT_EQ(std::string(63, 'c'), r.GetEntryComment(0, 1));

    setActiveCodePage(CodePage::Cp932);
    r.SetRouteName(0, std::string(62, 'x') + "\x93\xFA");
    EXPECT_EQ(std::string(62, 'x'), r.GetRouteName(0));
    setActiveCodePage(saved);
}

TEST(CRouteField, ReplaceAll) {
    CRouteField r(1);
    std::vector<CRouteField::Route> routes(2);
    routes[0].name = "A";
    routes[1].name = "B";
    routes[1].entries.resize(3);
    r.replaceAll(std::move(routes));
    EXPECT_EQ(2u, r.RouteCount());
    EXPECT_EQ("B", r.GetRouteName(1));
    EXPECT_EQ(3u, r.EntryCount(1));
    r.replaceAll({});
    EXPECT_EQ(0u, r.RouteCount());
    EXPECT_EQ(1u, r.AddRoute());
}

} // namespace
} // namespace nuvrel
