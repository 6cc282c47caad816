// Records that do not fit their layout, and receivers of another model than
// the settings name, against nuvrel-gpssim on a pseudo-terminal: a damaged
// record is skipped and counted, every announced real record is kept, and a
// record is read in the layout the receiver sends.
#include "core/app/gps_commands.h"
#include "core/gps/transfers.h"
#include "transfer_harness.h"

#include <gtest/gtest.h>

#include <cmath>

namespace nuvrel {
namespace {

using test::Harness;
using test::SimProcess;
using test::TempDir;
using test::WriteSimData;

const char* kData = R"(wpt|LAUNCH|45.5|6.25|1450|8246|0|0|TAKE OFF
wpt|LZ|45.25|6.5|600|18|0|0|LANDING
wpt|GOAL|45.75|6.75|900|18|0|0|
track|ACTIVE
trkpt|45.1|6.1|100|880|1
trkpt|45.2|6.2|110|890|0
trkpt|45.3|6.3|120|900|0
route|0|TASK
rtept|LAUNCH|45.5|6.25|1450|8246|0|0|
rtept|LZ|45.25|6.5|600|18|0|0|
rtept|GOAL|45.75|6.75|900|18|0|0|
)";

bool nearZero(double lat, double lon) { return std::fabs(lat) < 1 && std::fabs(lon) < 1; }

struct Case {
    const char* what;
    int receiverId, receiverVersion; // the simulator's model
    int settingsId, settingsVersion; // the model the settings name
    const char* shortAfter;          // "0": no damaged record
    const char* firstName;           // the first waypoint's name as stored
    bool altitudes;                  // the track carries altitudes (D301)
};

TEST(DamagedRecordLink, EveryRealRecordKeptInTheLayoutTheReceiverSends) {
    TempDir dir;
    const std::string file = WriteSimData(dir, "data.txt", kData);
    const Case cases[] = {
        {"D100/D300, short record after the first", 59, 300, 59, 300, "1", "LAUNCH", false},
        {"D103/D300, short record after the last", 87, 300, 87, 300, "3", "LAUNCH", false},
        {"D104/D300", 72, 300, 72, 300, "2", "LAUNCH", false},
        {"D108/D301", 130, 300, 130, 300, "1", "LAUNCH    ", true},
        {"D109/D301", 111, 270, 111, 270, "3", "LAUNCH    ", true},
        {"eMap 2.70 sending D109, settings eMap 2.60", 111, 270, 111, 260, "0", "LAUNCH    ", true},
        {"eMap 2.70 sending D109, settings eTrex", 111, 270, 130, 300, "2", "LAUNCH    ", true},
        {"eTrex sending D108, settings eMap 2.70", 130, 300, 111, 270, "0", "LAUNCH    ", true},
        {"eMap 2.70, settings GPS II", 111, 270, 59, 300, "1", "LAUNCH    ", true},
        {"GPS 12 sending D103/D300, settings eTrex", 87, 300, 130, 300, "1", "LAUNCH", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SimProcess sim({"--product-id", std::to_string(c.receiverId), "--software-version",
                        std::to_string(c.receiverVersion), "--data-text", file, "--short-record", c.shortAfter});
        Harness h(c.settingsId, c.settingsVersion, "WGS 84");
        const bool damaged = std::string(c.shortAfter) != "0";
        const std::string warning = damaged ? "1 damaged records skipped" : "";
        auto warnings = [&] {
            std::string all;
            for (const auto& e : h.prompts.entries)
                all += e.title + ": " + e.text + "\n";
            h.prompts.entries.clear();
            return all;
        };

        ASSERT_TRUE(DownloadTrack(h.data, 1, h.transfer(sim)));
        const IFTGarminTrack& t = *h.data.track();
        ASSERT_EQ(t.count(), 3u);
        for (std::uint32_t i = 0; i < t.count(); ++i) {
            EXPECT_FALSE(nearZero(t.latitude(i), t.longitude(i))) << i;
            EXPECT_EQ(t.point(i).time, 100u + 10 * i);
            EXPECT_EQ(t.segment(i), 1);
        }
        if (c.altitudes) {
            EXPECT_EQ(t.altitude(2), 900.0f);
        }
        EXPECT_NEAR(t.latitude(2), 45.3, 1e-6);
        EXPECT_EQ(warnings(), damaged ? "Warning: " + warning + "\n" : "");

        ASSERT_TRUE(DownloadWaypoints(h.data, 1, h.transfer(sim)));
        const IFTGarminWaypoint& w = *h.data.waypoints();
        ASSERT_EQ(w.count(), 3u);
        EXPECT_EQ(w.ident(0), c.firstName);
        EXPECT_NEAR(w.latitude(2), 45.75, 1e-6);
        for (std::uint32_t i = 0; i < w.count(); ++i)
            EXPECT_FALSE(nearZero(w.latitude(i), w.longitude(i))) << i;
        EXPECT_EQ(warnings(), damaged ? "Warning: " + warning + "\n" : "");

        ASSERT_TRUE(ReceiveRoutes(h.routes, h.services(sim)));
        ASSERT_GE(h.routes.RouteCount(), 1u);
        ASSERT_EQ(h.routes.EntryCount(0), 3u);
        EXPECT_EQ(h.routes.GetEntryIdent(0, 0).substr(0, 6), "LAUNCH");
        EXPECT_EQ(h.routes.GetEntryIdent(0, 2).substr(0, 4), "GOAL");
        EXPECT_EQ(warnings(), damaged ? "Warning: " + warning + "\n" : "");
    }
}

} // namespace
} // namespace nuvrel
