// The simulator serving the contents of a native data file.
#include "core/data/ift_garmin_data.h"
#include "core/data/route_store.h"
#include "core/gps/control_packet.h"
#include "core/gps/garmin_record.h"
#include "core/gps/ift_rs232c.h"
#include "core/time_zone.h"
#include "sim_process.h"

#include <gtest/gtest.h>

#include <cstring>

namespace nuvrel {
namespace {

std::vector<std::vector<std::uint8_t>> download(IFTRS232C& port, std::int16_t command) {
    std::vector<std::vector<std::uint8_t>> out;
    Request req(command);
    port.WritePacket(req.Bytes(), req.Length());
    std::uint8_t buf[kMaxPacketLength];
    if (port.ReadPacket(buf) == 0 || port.ReadPacket(buf) == 0)
        return out;
    port.Acknowledge(buf[1]);
    for (int n; (n = port.ReadPacket(buf)) > 0;) {
        port.Acknowledge(buf[1]);
        if (buf[1] == Pid_Xfer_Cmplt)
            break;
        out.emplace_back(buf, buf + n);
    }
    return out;
}

TEST(SimulatorDataFile, ServesWaypointsTrackAndRoutesOfTheFile) {
    test::TempDir dir;
    const auto file = dir / "flight.nvl";
    {
        test::RecordingPrompts prompts;
        test::FixedTimeZone zone;
        IFTGarminData set(DataContext{prompts, zone});
        WaypointRecord w{};
        w.latitude = -12.5;
        w.longitude = 130.25;
        w.symbol = 16393;
        std::strcpy(w.ident, "LAUNCHPAD1X");
        std::strcpy(w.comment, "NORTH RIDGE");
        set.setWaypoints(std::make_unique<IFTGarminWaypoint>(std::vector<WaypointRecord>{w}));
        std::vector<TrackPoint> pts;
        for (int i = 0; i < 5; ++i) {
            TrackPoint p{};
            p.latitude = 46.0 + i * 0.001;
            p.longitude = 7.5;
            p.time = 400000000u + std::uint32_t(i);
            p.segment = std::int16_t(i < 3 ? 1 : 2);
            p.altitude = 2000.0f + float(i);
            pts.push_back(p);
        }
        set.setTrack(std::make_unique<IFTGarminTrack>(pts));
        CRouteField routes(3);
        routes.SetRouteName(2, "VALLEY");
        routes.AddRouteEntry(2, "A1", 46.1, 7.6, "", 0, 0, 0, 0);
        routes.AddRouteEntry(2, "A2", 46.2, 7.7, "", 0, 0, 0, 0);
        ASSERT_TRUE(set.save(file.string(), &routes));
    }

    test::SimProcess sim({"--product-id", "72", "--data", file.string()}); // a D104 unit
    ASSERT_TRUE(sim.started());
    IFTRS232C port(sim.ports());
    ASSERT_EQ(port.OpenPort(1), 1);

    auto wpts = download(port, Cmnd_Transfer_Wpt);
    ASSERT_EQ(wpts.size(), 1u);
    EXPECT_EQ(std::string(wpts[0].begin() + 3, wpts[0].begin() + 9), "LAUNCH"); // 6 characters on this unit
    EXPECT_NEAR(SemicirclesToDegrees(GetI32(&wpts[0][3 + 6])), -12.5, 1e-7);
    EXPECT_EQ(GetI16(&wpts[0][3 + 62]), 16393);

    auto track = download(port, Cmnd_Transfer_Trk);
    ASSERT_EQ(track.size(), 5u);
    std::vector<int> flags;
    for (const auto& p : track)
        flags.push_back(p[3 + 12]);
    EXPECT_EQ(flags, (std::vector<int>{1, 0, 0, 1, 0})); // a new track where the segment changes
    EXPECT_EQ(GetU32(&track[4][3 + 8]), 400000004u);

    auto routes = download(port, Cmnd_Transfer_Rte);
    ASSERT_EQ(routes.size(), 3u); // empty routes are not held
    EXPECT_EQ(routes[0][3], 2);
    EXPECT_EQ(std::string(routes[0].begin() + 4, routes[0].begin() + 10), "VALLEY");
}

TEST(SimulatorDataFile, UnreadableFileStopsTheSimulator) {
    test::TempDir dir;
    test::writeFileBytes(dir / "bad.nvl", "not a data file");
    test::SimProcess sim({"--data", (dir / "bad.nvl").string()});
    EXPECT_FALSE(sim.started());
}

} // namespace
} // namespace nuvrel
