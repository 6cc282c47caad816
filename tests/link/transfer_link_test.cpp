// Track, waypoint and route downloads and uploads through the receiver
// commands, against nuvrel-gpssim on a pseudo-terminal: every record layout,
// the datum conversion, the Japanese name codes, uploads as the receiver
// recorded them, and the faults.
#include "core/app/gps_commands.h"
#include "core/app/monitor_text.h"
#include "core/codepage.h"
#include "core/geo/map_datum.h"
#include "core/gps/garmin_record.h"
#include "core/gps/packet.h"
#include "core/gps/position_request.h"
#include "core/gps/route_transfer.h"
#include "core/gps/receiver_text.h"
#include "core/gps/transfers.h"
#include "transfer_harness.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <thread>

namespace nuvrel {
namespace {

using test::Harness;
using test::SimProcess;
using test::TempDir;
using test::WriteSimData;

// The position the program holds for a receiver position given in degrees:
// the receiver's semicircles converted into the datum.
void expectedLocal(const std::string& datum, double lat, double lon, double alt, double& outLat, double& outLon,
                   double& outAlt) {
    auto semi = [](double d) { return SemicirclesToDegrees(std::int32_t(std::lround(d * 2147483648.0 / 180.0))); };
    MapDatum(datum).toLocal(semi(lat), semi(lon), alt, outLat, outLon, outAlt);
}

std::vector<std::uint8_t> rawOf(const std::string& line) {
    std::vector<std::uint8_t> out;
    const auto at = line.find(" raw=");
    if (at == std::string::npos)
        return out;
    for (std::size_t i = at + 5; i + 1 < line.size(); i += 2)
        out.push_back(std::uint8_t(std::stoi(line.substr(i, 2), nullptr, 16)));
    return out;
}

const char* kOldFormatData = R"(wpt|ALPHA |35.5|139.25|0|5|1|0|FIRST POINT
wpt|B     |-35.5|-0.0001|0|11|3|120.5|0123456789012345678901234567890123456789
track|LOG
trkpt|35.1|139.1|100|0|1
trkpt|35.2|139.2|110|0|0
trkpt|35.3|139.3|120|0|1
trkpt|35.4|139.4|130|0|0
trkpt|35.5|139.5|140|0|1
route|0|TASK
rtept|ALPHA |35.5|139.25|0|5|1|0|FIRST POINT
rtept|B     |-35.5|-0.0001|0|11|3|120.5|SECOND
route|5|LAKE RUN
rtept|B     |-35.5|-0.0001|0|11|3|120.5|SECOND
)";

struct Layout {
    std::int32_t id, version;
    WaypointFormat format;
};

TEST(TransferLink, OlderLayoutsDownloadEveryField) {
    TempDir dir;
    const std::string file = WriteSimData(dir, "old.txt", kOldFormatData);
    // A GPS 12XL below software 3.01 sends D100 records: read so whether the
    // settings know its version (2.60) or not (0, where D103 is expected).
    for (const Layout l : {Layout{59, 300, WaypointFormat::D100}, Layout{87, 300, WaypointFormat::D103},
                           Layout{72, 300, WaypointFormat::D104}, Layout{77, 260, WaypointFormat::D100},
                           Layout{77, 0, WaypointFormat::D100}}) {
        SCOPED_TRACE(l.id);
        SimProcess sim({"--product-id", std::to_string(l.id), "--data-text", file, "--software-version", "260"});
        Harness h(l.id, l.version);
        const auto s = h.services(sim);

        ASSERT_TRUE(DownloadTrack(h.data, 1, h.transfer(sim)));
        const IFTGarminTrack& t = *h.data.track();
        ASSERT_EQ(t.count(), 5u);
        EXPECT_EQ(t.segmentCount(), 3u);
        const int segments[] = {1, 1, 2, 2, 3};
        for (int i = 0; i < 5; ++i) {
            double lat, lon, alt;
            expectedLocal("Tokyo", 35.1 + 0.1 * i, 139.1 + 0.1 * i, 0, lat, lon, alt);
            EXPECT_DOUBLE_EQ(t.latitude(i), lat);
            EXPECT_DOUBLE_EQ(t.longitude(i), lon);
            EXPECT_FLOAT_EQ(t.altitude(i), float(alt)); // the datum's height shift, not 0
            EXPECT_EQ(t.point(i).time, 100u + 10u * unsigned(i));
            EXPECT_EQ(t.segment(i), segments[i]);
            EXPECT_EQ(t.point(i).depth, 0.0f);
        }
        EXPECT_EQ(t.modified(), 1);
        EXPECT_EQ(h.data.timeOffset(), -9 * 3600);
        EXPECT_EQ(h.progress.titles.front(), "Downloading Track");
        EXPECT_EQ(h.progress.labels.front(), "20%(1/5)");
        EXPECT_EQ(h.progress.labels.back(), "100%(5/5)");
        EXPECT_FALSE(h.progress.visible);

        ASSERT_TRUE(DownloadWaypoints(h.data, 1, h.transfer(sim)));
        const IFTGarminWaypoint& w = *h.data.waypoints();
        ASSERT_EQ(w.count(), 2u);
        EXPECT_EQ(w.ident(0), "ALPHA ");
        EXPECT_EQ(w.ident(1), "B     ");
        EXPECT_EQ(w.comment(0), "FIRST POINT" + std::string(29, ' '));
        EXPECT_EQ(w.comment(1), "0123456789012345678901234567890123456789");
        double lat, lon, alt;
        expectedLocal("Tokyo", -35.5, -0.0001, 0, lat, lon, alt);
        EXPECT_DOUBLE_EQ(w.latitude(1), lat);
        EXPECT_DOUBLE_EQ(w.longitude(1), lon);
        EXPECT_EQ(w.altitude(1), 0.0f);
        const bool d103 = l.format == WaypointFormat::D103, d104 = l.format == WaypointFormat::D104;
        EXPECT_EQ(w.symbol(1), d103 || d104 ? 11 : 0);
        EXPECT_EQ(w.display(1), d103 || d104 ? 3 : 0);
        EXPECT_EQ(w.proximity(1), d104 ? 120.5f : 0.0f);
        EXPECT_EQ(w.modified(), 1);
        EXPECT_EQ(h.progress.labels.back(), "100%");
        EXPECT_EQ(h.progress.titles.back(), "Downloading Waypoint");

        // D201 routes numbered 0 and 5: a store of six, 1 to 4 empty.
        ASSERT_TRUE(ReceiveRoutes(h.routes, s));
        ASSERT_EQ(h.routes.RouteCount(), 6u);
        EXPECT_EQ(h.routes.GetRouteName(0), "TASK" + std::string(16, ' '));
        EXPECT_EQ(h.routes.GetRouteName(5), "LAKE RUN" + std::string(12, ' '));
        EXPECT_EQ(h.routes.GetRouteName(3), CRouteField::defaultName(3));
        EXPECT_EQ(h.routes.EntryCount(0), 2u);
        EXPECT_EQ(h.routes.EntryCount(3), 0u);
        EXPECT_EQ(h.routes.EntryCount(5), 1u);
        EXPECT_EQ(h.routes.GetEntryIdent(5, 0), "B     ");
        EXPECT_EQ(h.routes.GetEntryComment(0, 1), "SECOND" + std::string(34, ' '));
        EXPECT_DOUBLE_EQ(h.routes.GetEntryLatitude(5, 0), lat);
        EXPECT_EQ(h.routes.GetEntrySymbol(0, 1), d103 || d104 ? 11 : 0);
        EXPECT_EQ(h.routes.GetEntryDisplay(0, 1), d103 || d104 ? 3 : 0);
        EXPECT_EQ(h.routes.GetEntryProximity(0, 1), d104 ? 120.5f : 0.0f);
        EXPECT_EQ(h.progress.titles.back(), "Downloading Route");
        EXPECT_EQ(h.progress.labels.back(), "4/5");
        EXPECT_TRUE(h.prompts.entries.empty());
    }
}

const char* kNewFormatData = R"(wpt|HILL|35.5|139.25|1450.5|8246|0|0|
wpt|ABCDEFGHIJKLMN|-35.5|150|1e25|18|0|0|
track|ACTIVE
trkpt|35.1|139.1|100|880|1
trkpt|35.2|139.2|110|1e25|0
trkpt|35.3|139.3|120|900|1
route|0|A
rtept|HILL|35.5|139.25|1450.5|8246|0|0|
rtept|ABCDEFGHIJKLMN|-35.5|150|12000|18|0|0|
route|0|B
route|0|C
rtept|HILL|35.5|139.25|1450.5|8246|0|0|
)";

TEST(TransferLink, NewLayoutsDownloadEveryField) {
    TempDir dir;
    const std::string file = WriteSimData(dir, "new.txt", kNewFormatData);
    for (const Layout l : {Layout{130, 300, WaypointFormat::D108}, Layout{111, 269, WaypointFormat::D108},
                           Layout{111, 270, WaypointFormat::D109}}) {
        SCOPED_TRACE(l.id * 1000 + l.version);
        SimProcess sim({"--product-id", std::to_string(l.id), "--software-version", std::to_string(l.version),
                        "--data-text", file});
        Harness h(l.id, l.version, "WGS 84");
        const auto s = h.services(sim);

        ASSERT_TRUE(DownloadTrackCommand(h.data, s));
        const IFTGarminTrack& t = *h.data.track();
        ASSERT_EQ(t.count(), 3u); // the track header packet is not a point
        EXPECT_EQ(t.altitude(0), 880.0f);
        EXPECT_EQ(t.altitude(1), -9999.0f); // 1.0e25: no altitude
        EXPECT_EQ(t.segment(1), 1);
        EXPECT_EQ(t.segment(2), 2);
        EXPECT_EQ(t.point(0).depth, 1.0e25f); // stored as received
        EXPECT_DOUBLE_EQ(t.latitude(2), SemicirclesToDegrees(std::int32_t(std::lround(35.3 * 2147483648.0 / 180))));

        ASSERT_TRUE(DownloadWaypointsCommand(h.data, s));
        const IFTGarminWaypoint& w = *h.data.waypoints();
        ASSERT_EQ(w.count(), 2u);
        EXPECT_EQ(w.ident(0), "HILL      "); // four letters and six spaces
        EXPECT_EQ(w.ident(1), "ABCDEFGHIJ");
        EXPECT_EQ(w.comment(0), "");
        EXPECT_EQ(w.altitude(0), 1450.5f);
        EXPECT_EQ(w.altitude(1), -9999.0f);
        EXPECT_EQ(w.symbol(0), 8246);
        EXPECT_EQ(w.display(0), 0);
        EXPECT_EQ(w.proximity(0), 0.0f);

        // D202 routes arrive in order and are numbered 0, 1, 2.
        ASSERT_TRUE(DownloadRoutesCommand(h.routes, s));
        ASSERT_EQ(h.routes.RouteCount(), 3u);
        EXPECT_EQ(h.routes.GetRouteName(0), "A");
        EXPECT_EQ(h.routes.GetRouteName(1), "B");
        EXPECT_EQ(h.routes.GetRouteName(2), "C");
        EXPECT_EQ(h.routes.EntryCount(0), 2u);
        EXPECT_EQ(h.routes.EntryCount(1), 0u);
        EXPECT_EQ(h.routes.EntryCount(2), 1u);
        // Route entries keep the whole name field of the layout.
        EXPECT_EQ(h.routes.GetEntryIdent(0, 1), l.format == WaypointFormat::D109 ? "ABCDEFGHIJKL" : "ABCDEFGHIJK");
        EXPECT_EQ(h.routes.GetEntryAltitude(0, 0), 1450.5f);
        EXPECT_EQ(h.routes.GetEntryAltitude(0, 1), 12000.0f);
        EXPECT_EQ(h.routes.GetEntrySymbol(0, 1), 18);
        EXPECT_TRUE(h.prompts.entries.empty());
    }
}

TEST(TransferLink, JapaneseNamesDownload) {
    // The second comment is 40 katakana: 120 bytes in UTF-8, so the record
    // keeps 21 of them and the download says so.
    std::string longComment;
    for (int i = 0; i < 40; ++i)
        longComment += "\\xB1";
    TempDir dir;
    const std::string file = WriteSimData(dir, "jp.txt",
                                          "wpt|\\x21\\x52\\x5B\\x4E\\x5C\\x01|35|139|0|3|0|0|C\n"
                                          "wpt|\\x41\\x42\\x5D\\x5E\\x50\\x7F|35|139|0|3|0|0|" +
                                              longComment +
                                              "\n"
                                              "route|3|\\x21\\x22\n"
                                              "rtept|\\x21\\x52\\x5B\\x4E\\x5C\\x01|35|139|0|3|0|0|C\n");
    std::string kept;
    for (int i = 0; i < 21; ++i)
        kept += "\uFF71";
    const struct {
        CodePage page;
        std::string first, second, comment;
        int notices;
    } cases[] = {
        {CodePage::Cp932, "\xB1" "09\xA6- ", "\xD1\xD2\xDF\xDE\xAD ", std::string(40, '\xB1'), 0},
        {CodePage::Utf8, "\uFF71" "09\uFF66- ", "\uFF91\uFF92\uFF9F\uFF9E\uFF6D ", kept, 1},
    };
    for (const auto& c : cases) {
        SimProcess sim({"--product-id", "105", "--data-text", file});
        Harness h(105);
        ASSERT_EQ(h.option.GPSCharSet(), 2);
        setActiveCodePage(c.page);
        const bool ok = DownloadWaypoints(h.data, 1, h.transfer(sim));
        const bool routesOk = ReceiveRoutes(h.routes, h.services(sim));
        setActiveCodePage(CodePage::Utf8);
        ASSERT_TRUE(ok && routesOk);
        ASSERT_EQ(h.data.waypoints()->count(), 2u);
        EXPECT_EQ(h.data.waypoints()->ident(0), c.first);
        EXPECT_EQ(h.data.waypoints()->ident(1), c.second);
        EXPECT_EQ(h.data.waypoints()->comment(1), c.comment);
        // Route entries are translated too; the route name travels as it is.
        ASSERT_EQ(h.routes.RouteCount(), 4u);
        EXPECT_EQ(h.routes.GetEntryIdent(3, 0), c.first);
        EXPECT_EQ(h.routes.GetRouteName(3).substr(0, 2), "!\"");
        ASSERT_EQ(h.prompts.count("message"), c.notices);
        if (c.notices) {
            EXPECT_NE(h.prompts.entries[0].text.find(" -> " + kept + "\n"), std::string::npos)
                << h.prompts.entries[0].text;
        }
    }
}

TEST(TransferLink, ModelCheckRefusalLeavesStoresUntouched) {
    SimProcess sim({"--product-id", "130"});
    Harness h(153); // the settings name another model; the answer is No
    const auto s = h.services(sim);
    h.data.setWaypoints(std::make_unique<IFTGarminWaypoint>(std::vector<WaypointRecord>(3)));
    h.data.setTrack(std::make_unique<IFTGarminTrack>(std::vector<TrackPoint>(4)));
    h.routes = CRouteField(2);
    EXPECT_FALSE(DownloadTrackCommand(h.data, s));
    EXPECT_FALSE(DownloadWaypointsCommand(h.data, s));
    EXPECT_FALSE(DownloadRoutesCommand(h.routes, s));
    EXPECT_EQ(h.data.track()->count(), 4u);
    EXPECT_EQ(h.data.waypoints()->count(), 3u);
    EXPECT_EQ(h.routes.RouteCount(), 2u);
    EXPECT_EQ(h.prompts.count("question"), 3);
    EXPECT_EQ(h.progress.shows, 0);
    EXPECT_TRUE(sim.recordLines("command").empty());
}

TEST(TransferLink, PacketCountFaults) {
    TempDir dir;
    const std::string file = WriteSimData(dir, "old.txt", kOldFormatData);
    {
        // More packets than announced: the extra ones are dropped, the
        // download still ends at Xfer_Cmplt.
        // 7 packets (5 points, 2 unknown) announced as 3.
        SimProcess sim({"--product-id", "87", "--data-text", file, "--records-overcount", "-4", "--unknown-packets"});
        Harness h(87);
        ASSERT_TRUE(DownloadTrack(h.data, 1, h.transfer(sim)));
        EXPECT_EQ(h.data.track()->count(), 3u);
        EXPECT_EQ(h.data.track()->segmentCount(), 2u);
        EXPECT_EQ(h.progress.labels.back(), "100%(3/3)");
        EXPECT_TRUE(h.prompts.entries.empty());
        // 3 packets announced as none: none kept.
        ASSERT_TRUE(DownloadWaypoints(h.data, 1, h.transfer(sim)));
        EXPECT_EQ(h.data.waypoints()->count(), 0u);
        EXPECT_TRUE(h.prompts.entries.empty());
        EXPECT_TRUE(sim.waitForRecord("done command=7"));
        // Routes: every header and entry before Xfer_Cmplt is kept, whatever
        // the count said and however many unknown packets came among them.
        ASSERT_TRUE(ReceiveRoutes(h.routes, h.services(sim)));
        EXPECT_EQ(h.routes.RouteCount(), 6u);
        EXPECT_EQ(h.routes.EntryCount(0), 2u);
        ASSERT_EQ(h.routes.EntryCount(5), 1u);
        EXPECT_EQ(h.routes.GetEntryIdent(5, 0), "B     ");
    }
    {
        // Fewer packets than announced: Xfer_Cmplt comes early, which ends a
        // track or waypoint download well, and fails a route download.
        SimProcess sim({"--product-id", "87", "--data-text", file, "--records-overcount", "3", "--unknown-packets"});
        Harness h(87);
        const auto s = h.services(sim);
        ASSERT_TRUE(DownloadTrack(h.data, 1, h.transfer(sim)));
        EXPECT_EQ(h.data.track()->count(), 5u);
        EXPECT_EQ(h.data.track()->segmentCount(), 3u);
        EXPECT_EQ(h.progress.labels.back(), "50%(5/10)");
        ASSERT_TRUE(DownloadWaypoints(h.data, 1, h.transfer(sim)));
        EXPECT_EQ(h.data.waypoints()->count(), 2u);
        EXPECT_EQ(h.data.waypoints()->ident(0), "ALPHA ");
        h.routes = CRouteField(2);
        ASSERT_FALSE(ReceiveRoutes(h.routes, s));
        EXPECT_EQ(h.routes.RouteCount(), 2u);
        ASSERT_EQ(h.prompts.entries.size(), 1u);
        EXPECT_EQ(h.prompts.entries[0].title, "error");
        EXPECT_EQ(h.prompts.entries[0].text, "download route error");
    }
    {
        // Xfer_Cmplt before any point: an empty log, a success.
        const std::string empty = WriteSimData(dir, "empty.txt", "wpt|A|1|1|0|0|0|0|\n");
        SimProcess sim({"--product-id", "59", "--data-text", empty, "--records-overcount", "5"});
        Harness h(59);
        ASSERT_TRUE(DownloadTrack(h.data, 1, h.transfer(sim)));
        EXPECT_EQ(h.data.track()->count(), 0u);
        EXPECT_EQ(h.data.track()->segmentCount(), 0u);
        EXPECT_EQ(h.data.track()->modified(), 1);
        EXPECT_TRUE(h.prompts.entries.empty());
    }
}

// The time-out cases, each waiting 2 s for a byte, run side by side.
TEST(TransferLink, SilenceAndStalls) {
    SimProcess silent({"--silent"});
    SimProcess stallTrack({"--product-id", "87", "--stall-after", "6"});
    SimProcess stallWpt({"--product-id", "87", "--stall-mid-packet", "4"});
    SimProcess stallRoute({"--product-id", "87", "--stall-after", "5"});
    Harness a(59), b(87), c(87), d(87);
    for (Harness* h : {&a, &b, &c}) {
        h->data.setWaypoints(std::make_unique<IFTGarminWaypoint>(std::vector<WaypointRecord>(3)));
        h->data.setTrack(std::make_unique<IFTGarminTrack>(std::vector<TrackPoint>(4)));
        h->data.setTimeOffset(5);
    }
    d.routes = CRouteField(4);
    const auto sa = a.services(silent), sb = b.services(stallTrack), sc = c.services(stallWpt),
               sd = d.services(stallRoute);
    std::thread t1([&] { DownloadTrack(a.data, 1, sa); });
    std::thread t2([&] { DownloadTrack(b.data, 1, sb); });
    std::thread t3([&] { DownloadWaypoints(c.data, 1, sc); });
    std::thread t4([&] {
        GarminRecord link(sd.ports, 1);
        LinkStatus status = LinkStatus::Ok;
        EXPECT_TRUE(DownloadRoutes(link, 87, 300, TransferControl{}, &status).empty());
        EXPECT_EQ(status, LinkStatus::TimedOut);
    });
    t1.join();
    t2.join();
    t3.join();
    t4.join();
    for (Harness* h : {&a, &b, &c}) {
        EXPECT_EQ(h->prompts.errors(), std::vector<int>{2});
        EXPECT_FALSE(h->progress.visible);
    }
    // A failed download leaves what the user had: the old store, unmodified,
    // and the old offset (the points before the stall are dropped).
    for (Harness* h : {&a, &b, &c}) {
        EXPECT_EQ(h->data.track()->count(), 4u);
        EXPECT_EQ(h->data.track()->modified(), 0);
        EXPECT_EQ(h->data.waypoints()->count(), 3u);
        EXPECT_EQ(h->data.waypoints()->modified(), 0);
        EXPECT_EQ(h->data.timeOffset(), 5);
    }
    EXPECT_FALSE(d.progress.visible);
}

TEST(TransferLink, PortThatCannotOpen) {
    SimProcess sim({});
    Harness h(59);
    h.services(sim);
    h.ports.environment = [](const std::string&) -> std::optional<std::string> { return "/nonexistent/tty"; };
    const TransferServices ts{h.ports, h.option, h.prompts, h.runner};
    h.data.setWaypoints(std::make_unique<IFTGarminWaypoint>(std::vector<WaypointRecord>(3)));
    EXPECT_FALSE(DownloadTrack(h.data, 6, ts)); // ports 5 to 8 are served as well
    EXPECT_FALSE(DownloadWaypoints(h.data, 1, ts));
    EXPECT_EQ(UploadWaypoints(IFTGarminWaypoint(std::vector<WaypointRecord>(1)), 1, ts), 0);
    EXPECT_EQ(h.prompts.errors(), (std::vector<int>{1, 1, 1}));
    EXPECT_EQ(h.data.waypoints()->count(), 3u);
    EXPECT_EQ(h.data.track(), nullptr);
    EXPECT_EQ(h.progress.shows, 0);
}

WaypointRecord record(const char* ident, double lat, double lon, const char* comment, std::int16_t symbol = 0,
                      std::int16_t display = 0, float proximity = 0, float altitude = 0) {
    WaypointRecord w{};
    std::strncpy(w.ident, ident, kIdentSize - 1);
    std::strncpy(w.comment, comment, kCommentSize - 1);
    w.latitude = lat;
    w.longitude = lon;
    w.symbol = symbol;
    w.display = display;
    w.proximity = proximity;
    w.altitude = altitude;
    return w;
}

TEST(TransferLink, WaypointUploadOlderLayout) {
    SimProcess sim({"--product-id", "72"});
    Harness h(72);
    std::vector<WaypointRecord> records;
    records.push_back(record("lz-a", 35.5, 139.25, std::string(50, 'c').c_str(), 8246, 3, 150.5f));
    for (int i = 1; i < 16; ++i)
        records.push_back(record(("W" + std::to_string(i)).c_str(), 35 + i * 0.01, 139, "x"));
    h.data.setWaypoints(std::make_unique<IFTGarminWaypoint>(records));
    ASSERT_EQ(UploadWaypoints(*h.data.waypoints(), 1, h.transfer(sim)), 1);
    EXPECT_TRUE(h.prompts.entries.empty());
    EXPECT_EQ(h.progress.labels, std::vector<std::string>{"Uploading"});
    EXPECT_FALSE(h.progress.visible);

    ASSERT_TRUE(sim.waitForRecord("xfercmplt command=7"));
    EXPECT_EQ(sim.recordLines("records count=16").size(), 1u); // the count 16 went out doubled and arrived whole
    const auto lines = sim.recordLines("wpt ");
    ASSERT_EQ(lines.size(), 16u);
    const auto raw = rawOf(lines[0]);
    ASSERT_EQ(raw.size(), 65u);
    EXPECT_EQ(std::string(raw.begin(), raw.begin() + 6), "LZ-A  ");
    double lat, lon, height;
    MapDatum("Tokyo").toWgs84(35.5, 139.25, 0, lat, lon, height);
    EXPECT_EQ(GetI32(raw.data() + 6), DegreesToSemicircles(lat));
    EXPECT_EQ(GetI32(raw.data() + 10), DegreesToSemicircles(lon));
    EXPECT_EQ(GetU32(raw.data() + 14), 0u);
    EXPECT_EQ(std::string(raw.begin() + 18, raw.begin() + 58), std::string(40, 'c'));
    float prox;
    std::memcpy(&prox, raw.data() + 58, 4);
    EXPECT_EQ(prox, 150.5f);
    EXPECT_EQ(GetI16(raw.data() + 62), 8246);
    EXPECT_EQ(raw[64], 3);
    const auto last = rawOf(lines[15]);
    EXPECT_EQ(std::string(last.begin() + 18, last.begin() + 58), "x" + std::string(39, ' '));

    // A GPS 12XL below software 3.01 takes D100 records.
    SimProcess xl({"--product-id", "77", "--software-version", "260"});
    Harness h77(77, 260);
    ASSERT_EQ(UploadWaypoints(*h.data.waypoints(), 1, h77.transfer(xl)), 1);
    ASSERT_TRUE(xl.waitForRecord("xfercmplt command=7"));
    EXPECT_EQ(rawOf(xl.recordLines("wpt ").at(0)).size(), 58u);

}

TEST(TransferLink, WaypointUploadNewLayoutAndJapanese) {
    {
        SimProcess sim({"--product-id", "111", "--software-version", "270"});
        Harness h(111, 270, "WGS 84");
        h.data.setWaypoints(std::make_unique<IFTGarminWaypoint>(std::vector<WaypointRecord>{
            record("summit of fuji", 35.3606, 138.7274, "comment", 18, 3, 10, 3776.5f),
            record("HILL      ", 35, 139, "")}));
        Harness no(111, 270);
        no.data.setWaypoints(std::make_unique<IFTGarminWaypoint>(std::vector<WaypointRecord>(1)));
        EXPECT_EQ(UploadWaypointsCommand(no.data, no.services(sim)), 0); // answered No: nothing sent
        EXPECT_TRUE(sim.recordLines("productrqst").empty());

        h.prompts.answers = {true, true};
        ASSERT_EQ(UploadWaypointsCommand(h.data, h.services(sim)), 1);
        ASSERT_EQ(h.prompts.entries.size(), 2u);
        EXPECT_EQ(h.prompts.entries[0].title, "Question");
        EXPECT_EQ(h.prompts.entries[0].text,
                  "This operation may replace current Waypoint data.\nDo you wish to continue?");
        // The name the receiver cannot hold whole is named before it is sent.
        EXPECT_EQ(h.prompts.entries[1].title, "Confirm");
        EXPECT_NE(h.prompts.entries[1].text.find("  summit of fuji -> SUMMIT OF\n"), std::string::npos);
        ASSERT_TRUE(sim.waitForRecord("xfercmplt"));
        const auto lines = sim.recordLines("wpt ");
        ASSERT_EQ(lines.size(), 2u);
        // A name padded with spaces by a download goes back without them.
        const auto hill = rawOf(lines[1]);
        ASSERT_EQ(hill.size(), 68u);
        EXPECT_EQ(std::string(hill.begin() + 52, hill.begin() + 64), std::string("HILL\0\0\0\0\0\0\0\0", 12));
        const auto raw = rawOf(lines[0]);
        ASSERT_EQ(raw.size(), 68u);
        const std::uint8_t head[] = {0, 255, 0, 96, 18, 0, 0, 0, 0, 0, 0, 0};
        EXPECT_EQ(0, std::memcmp(raw.data(), head, sizeof head));
        EXPECT_EQ(GetI32(raw.data() + 24), DegreesToSemicircles(35.3606));
        float alt;
        std::memcpy(&alt, raw.data() + 32, 4);
        EXPECT_EQ(alt, 3776.5f);
        EXPECT_EQ(std::string(raw.begin() + 52, raw.begin() + 64), std::string("SUMMIT OF\0\0\0", 12));
        EXPECT_EQ(lines[0].find("comment=\"\"") != std::string::npos, true);
    }
    {
        SimProcess sim({"--product-id", "105"});
        Harness h(105);
        const char name[] = {char(192), char(177), 'a', '0', '7', 0};
        h.data.setWaypoints(
            std::make_unique<IFTGarminWaypoint>(std::vector<WaypointRecord>{record(name, 35, 139, "")}));
        h.prompts.answers = {true};
        ASSERT_EQ(UploadWaypoints(*h.data.waypoints(), 1, h.transfer(sim)), 1);
        ASSERT_TRUE(sim.waitForRecord("xfercmplt"));
        const auto raw = rawOf(sim.recordLines("wpt ").at(0));
        const std::uint8_t codes[] = {48, 33, 82, 82, 89, 32};
        EXPECT_EQ(0, std::memcmp(raw.data(), codes, 6));
    }
}

TEST(TransferLink, RouteUploadBothHeaderLayouts) {
    CRouteField routes(25);
    routes.SetRouteName(0, "ONE");
    routes.SetRouteName(2, "A NAME OF TWENTY-FIVE CHARS");
    for (std::uint32_t r = 0; r < 25; ++r)
        if (r != 1)
            for (std::uint32_t k = 0; k < (r == 0 ? 3u : 1u); ++k)
                routes.AddRouteEntry(r, "pt" + std::to_string(k), 35 + k * 0.1, 139, "route comment", 18, 0, 0,
                                     100.0f);
    {
        SimProcess sim({"--product-id", "87"});
        Harness h(87);
        EXPECT_EQ(SendRoutes(routes, h.services(sim)), 19); // 0 to 19 without the empty 1
        EXPECT_TRUE(h.prompts.errors().empty());
        ASSERT_TRUE(sim.waitForRecord("xfercmplt command=4"));
        const auto counts = sim.recordLines("records count=");
        ASSERT_EQ(counts.size(), 19u);
        EXPECT_EQ(counts[0].substr(0, 16), "records count=4 ");
        EXPECT_EQ(counts[1].substr(0, 16), "records count=2 ");
        const auto headers = sim.recordLines("rtehdr");
        ASSERT_EQ(headers.size(), 19u);
        EXPECT_NE(headers[0].find("number=0 comment=\"ONE                 \""), std::string::npos);
        EXPECT_NE(headers[1].find("number=2 comment=\"A NAME OF TWENTY-FIV\""), std::string::npos);
        EXPECT_NE(headers[18].find("number=19 "), std::string::npos);
        const auto entries = sim.recordLines("rtewpt");
        ASSERT_EQ(entries.size(), 21u);
        const auto raw = rawOf(entries[0]);
        ASSERT_EQ(raw.size(), 60u);
        EXPECT_EQ(std::string(raw.begin(), raw.begin() + 6), "pt0   "); // entries keep their case
        EXPECT_EQ(raw[58], 18);
        EXPECT_TRUE(sim.recordLines("rtelink").empty());
    }
    {
        SimProcess sim({"--product-id", "130"});
        Harness h(130);
        CRouteField two(2);
        two.SetRouteName(0, "A");
        two.AddRouteEntry(0, "X", 35, 139, "", 1, 0, 0, 0);
        two.AddRouteEntry(0, "Y         ", 35, 139, "", 1, 0, 0, 0); // as downloaded: padded to 10
        two.AddRouteEntry(0, "Z", 35, 139, "", 1, 0, 0, 0);
        two.SetRouteName(1, "TWENTY CHARACTERS 20");
        two.AddRouteEntry(1, "X", 35, 139, "", 1, 0, 0, 0);
        h.prompts.answers = {true};
        EXPECT_EQ(UploadRoutesCommand(two, h.services(sim)), 2);
        // The D202 identifier holds 13 characters: the cut is named first.
        EXPECT_NE(h.prompts.entries.at(0).text.find("  TWENTY CHARACTERS 20 -> TWENTY CHARAC\n"), std::string::npos);
        ASSERT_TRUE(sim.waitForRecord("xfercmplt command=4"));
        ASSERT_TRUE(sim.waitForRecord("records count=3"));
        const auto counts = sim.recordLines("records count=");
        ASSERT_EQ(counts.size(), 2u);
        EXPECT_EQ(counts[0].substr(0, 16), "records count=7 ");
        const auto headers = sim.recordLines("rtehdr");
        ASSERT_EQ(headers.size(), 2u);
        EXPECT_NE(headers[0].find("ident=\"A\""), std::string::npos); // without pads: L = 2
        EXPECT_EQ(rawOf(headers[0]).size(), 2u);
        EXPECT_NE(headers[1].find("ident=\"TWENTY CHARAC\""), std::string::npos);
        EXPECT_EQ(sim.recordLines("rtelink class=3").size(), 4u);
        EXPECT_EQ(rawOf(sim.recordLines("rtewpt").at(0)).size(), 64u);
        const auto y = rawOf(sim.recordLines("rtewpt").at(1));
        EXPECT_EQ(std::string(y.begin() + 48, y.begin() + 59), std::string("Y") + std::string(10, '\0'));
    }
}

TEST(TransferLink, PositionRequest) {
    TempDir dir;
    const std::string file = WriteSimData(dir, "pos.txt", "position|35.5|139.25\n");
    SimProcess sim({"--data-text", file, "--utc", "2001-06-27T00:05:03"});
    Harness h(59);
    const PositionResult r = RequestPosition(h.services(sim).ports, 1, "Tokyo");
    ASSERT_TRUE(r.ok);
    double lat, lon, height;
    MapDatum("Tokyo").toLocal(35.5 * 3.14159265358979323846 / 180 / 3.14159265359 * 180,
                              139.25 * 3.14159265358979323846 / 180 / 3.14159265359 * 180, 0, lat, lon, height);
    EXPECT_DOUBLE_EQ(r.latitude, lat);
    EXPECT_DOUBLE_EQ(r.longitude, lon);
    EXPECT_EQ(r.time.year(), 2001);
    EXPECT_EQ(r.time.month(), 6);
    EXPECT_EQ(r.time.day(), 27);
    EXPECT_EQ(r.time.hour(), 0);
    EXPECT_EQ(r.time.minute(), 5);
    EXPECT_EQ(r.time.second(), 3);
}

} // namespace
} // namespace nuvrel

namespace nuvrel {
namespace {

// The data monitor's texts for a receiver at 0.6 radians north on
// 2001-06-27 00:05:03 UTC, on a computer nine hours east of UTC.
TEST(TransferLink, MonitorTextsOfAKnownPositionAndClock) {
    test::TempDir dir;
    const double lat = 0.6 * 180 / 3.14159265358979323846, lon = -1.0 * 180 / 3.14159265358979323846;
    char line[96];
    std::snprintf(line, sizeof line, "position|%.17g|%.17g\n", lat, lon);
    const std::string file = test::WriteSimData(dir, "pos.txt", line);
    test::SimProcess sim({"--data-text", file, "--utc", "2001-06-27T00:05:03"});
    const PositionResult r = RequestPosition(sim.ports(), 1, "WGS 84");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(MonitorCoordinateText(r.latitude, MonitorFormat::Degree), " 34.37747");
    EXPECT_EQ(MonitorCoordinateText(r.longitude, MonitorFormat::Degree), "-57.29578");
    EXPECT_EQ(MonitorCoordinateText(r.latitude, MonitorFormat::DM), " 34^22.648'");
    EXPECT_EQ(MonitorCoordinateText(r.latitude, MonitorFormat::DMS), " 34^22'38.88\"");

    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    setenv("TZ", "JST-9", 1);
    tzset();
    EXPECT_EQ(MonitorTimeText(r.time), "2001/6/27 9:5:3");
    setenv("TZ", "UTC", 1);
    tzset();
    EXPECT_EQ(MonitorTimeText(r.time), "2001/6/27 0:5:3");
    if (old)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();

    ReceiverDateTime bad; // month 0: shown as recorded
    EXPECT_EQ(MonitorTimeText(bad), "0/0/0 0:0:0");
}

} // namespace
} // namespace nuvrel

namespace nuvrel {
namespace {

// The Records count is an unsigned word: 40000 announced points are not a
// negative count.
TEST(TransferLink, LargeAnnouncedCount) {
    SimProcess sim({"--product-id", "130", "--track-points", "3", "--records-overcount", "39996"});
    Harness h(130);
    ASSERT_TRUE(DownloadTrack(h.data, 1, h.transfer(sim))); // Xfer_Cmplt comes early
    EXPECT_EQ(h.data.track()->count(), 3u);
    EXPECT_EQ(h.progress.labels.back(), "0%(3/40000)");
}

std::string simEscaped(const std::string& bytes) {
    std::string escaped;
    for (unsigned char c : bytes)
        escaped += "\\x" + std::string(1, "0123456789ABCDEF"[c >> 4]) + "0123456789ABCDEF"[c & 15];
    return escaped;
}

TEST(TransferLink, JapaneseNamesGoBackByteForByte) {
    // ﾌｼﾞｻﾝ-1ｦﾟ as the receiver holds it (the older layout keeps six of them),
    // the comment ｶﾐｺｳﾁ (twenty characters) and the route name ﾔﾘ in CP932. In
    // UTF-8 the store holds them as UTF-8, and the upload gives every byte back.
    const std::string codes = "\x3C\x2C\x5E\x2B\x4D\x5C\x53\x4E\x5D";
    const std::string utf8 = "\uFF8C\uFF7C\uFF9E\uFF7B\uFF9D-1\uFF66\uFF9F";
    std::string comment, commentUtf8;
    for (int i = 0; i < 4; ++i) {
        comment += "\xB6\xD0\xBA\xB3\xC1";
        commentUtf8 += "\uFF76\uFF90\uFF7A\uFF73\uFF81";
    }
    const std::string route = "\xD4\xD8", routeUtf8 = "\uFF94\uFF98";
    for (const CodePage page : {CodePage::Cp932, CodePage::Utf8}) {
        for (const std::int32_t model : {105, 153}) {
            const bool d108 = model == 153;
            const std::string name = d108 ? codes : codes.substr(0, 6);
            const std::string line = simEscaped(name) + "|35|139|0|3|0|0|" + simEscaped(comment) + "\n";
            TempDir dir;
            const std::string file =
                WriteSimData(dir, "jp.txt", "wpt|" + line + "route|1|" + simEscaped(route) + "\nrtept|" + line);
            SimProcess sim({"--product-id", std::to_string(model), "--data-text", file});
            Harness h(model);
            setActiveCodePage(page);
            const std::string where = std::string(codePageName(page)) + " " + std::to_string(model);
            ASSERT_TRUE(DownloadWaypoints(h.data, 1, h.transfer(sim))) << where;
            ASSERT_TRUE(ReceiveRoutes(h.routes, h.services(sim))) << where;
            if (page == CodePage::Utf8) {
                // A D108 name is padded to ten characters as far as the field
                // holds; D202 routes are numbered in arrival order.
                const std::uint32_t r = d108 ? 0 : 1;
                EXPECT_EQ(h.data.waypoints()->ident(0), d108 ? utf8 : utf8.substr(0, 16)) << where;
                EXPECT_EQ(h.routes.GetEntryIdent(r, 0), d108 ? utf8 : utf8.substr(0, 16)) << where;
                EXPECT_EQ(h.routes.GetRouteName(r).substr(0, 6), routeUtf8) << where;
                if (!d108) {
                    EXPECT_EQ(h.data.waypoints()->comment(0).substr(0, 60), commentUtf8) << where;
                }
            }
            h.prompts.answers = {true, true};
            const int waypointsSent = UploadWaypointsCommand(h.data, h.services(sim));
            const int routesSent = UploadRoutesCommand(h.routes, h.services(sim));
            setActiveCodePage(CodePage::Utf8);
            ASSERT_EQ(waypointsSent, 1) << where;
            ASSERT_EQ(routesSent, 1) << where;
            EXPECT_EQ(h.prompts.entries.size(), 1u) << where << ": only the upload question, nothing cut or changed\n"
                                                    << h.prompts.entries.back().text;
            ASSERT_TRUE(sim.waitForRecord("xfercmplt command=4"));
            const std::size_t at = d108 ? 48 : 0;
            for (const char* kind : {"wpt ", "rtewpt "}) {
                const auto raw = rawOf(sim.recordLines(kind).at(0));
                ASSERT_GE(raw.size(), at + name.size() + 1) << kind;
                EXPECT_EQ(std::string(raw.begin() + at, raw.begin() + at + name.size()), name) << kind << where;
                if (!d108) {
                    EXPECT_EQ(std::string(raw.begin() + 18, raw.begin() + 38), comment) << kind << where;
                }
            }
            const auto header = rawOf(sim.recordLines("rtehdr ").at(0));
            ASSERT_GE(header.size(), 3u);
            EXPECT_EQ(std::string(header.begin() + (d108 ? 0 : 1), header.begin() + (d108 ? 2 : 3)), route) << where;
        }
    }
}

TEST(TransferLink, NamesTheReceiverCannotShowAreConfirmedFirst) {
    // A富士 and ﾌｼ in the program's code page; é has no CP932 code at all.
    const struct {
        CodePage page;
        std::string kanji, kana, listed;
    } cases[] = {
        {CodePage::Cp932, "A\x95\x78\x8E\x6D", "\xCC\xBC", "A\x95\x78\x8E\x6D -> 00000\n"},
        {CodePage::Utf8, "A\u5BCC\u58EB", "\uFF8C\uFF7C", "A\u5BCC\u58EB -> 00000\n"},
        {CodePage::Utf8, "\u00E91", "\uFF8C\uFF7C", "\u00E91 -> 01\n"},
    };
    for (const auto& c : cases) {
        SimProcess sim({"--product-id", "105"});
        Harness h(105);
        h.data.setWaypoints(std::make_unique<IFTGarminWaypoint>(std::vector<WaypointRecord>{
            record(c.kana.c_str(), 35, 139, ""), record(c.kanji.c_str(), 35, 139, "")}));
        h.prompts.answers = {true, false};
        setActiveCodePage(c.page);
        const int sent = UploadWaypointsCommand(h.data, h.services(sim));
        setActiveCodePage(CodePage::Utf8);
        EXPECT_EQ(sent, 0);
        ASSERT_EQ(h.prompts.count("question"), 2);
        const std::string& text = h.prompts.entries.back().text;
        EXPECT_EQ(h.prompts.entries.back().title, "Confirm");
        EXPECT_NE(text.find("  " + c.listed), std::string::npos) << text;
        EXPECT_EQ(text.find(c.kana + " ->"), std::string::npos) << "kana survive";
        EXPECT_TRUE(sim.recordLines("wpt ").empty());
    }
}

TEST(TransferLink, LatinNamesOfNewerReceiversArriveWhole) {
    // An eTrex sends Latin-1: É arrives as itself in UTF-8, and as E with a
    // word in CP932, which has no É.
    TempDir dir;
    const std::string file = WriteSimData(dir, "latin.txt", "wpt|CAF\\xC9|35|139|0|3|0|0|C\n");
    for (const CodePage page : {CodePage::Utf8, CodePage::Cp932}) {
        SimProcess sim({"--product-id", "130", "--data-text", file});
        Harness h(130);
        setActiveCodePage(page);
        const bool ok = DownloadWaypoints(h.data, 1, h.transfer(sim));
        setActiveCodePage(CodePage::Utf8);
        ASSERT_TRUE(ok);
        const bool utf8 = page == CodePage::Utf8;
        EXPECT_EQ(h.data.waypoints()->ident(0), utf8 ? "CAF\xC3\x89      " : "CAFE      ");
        EXPECT_EQ(h.prompts.entries.size(), utf8 ? 0u : 1u);
    }
}

} // namespace
} // namespace nuvrel
