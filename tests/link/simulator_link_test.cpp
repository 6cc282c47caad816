// The receiver's side of the transfers, read packet by packet through the
// program's packet layer: record layouts per model, counts, stuffing, faults,
// uploads and the link log.
#include "core/gps/control_packet.h"
#include "core/gps/garmin_record.h"
#include "core/gps/ift_rs232c.h"
#include "core/gps/packet.h"
#include "core/gps/posix_serial_device.h"
#include "sim_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <fstream>
#include <regex>

namespace nuvrel {
namespace {

using test::SimProcess;
using Packet = std::vector<std::uint8_t>;

struct Download {
    bool complete = false;
    int announced = -1;
    std::vector<Packet> packets; // between Records and Xfer_Cmplt
};

// Sends a command and reads the answer, acknowledging every packet.
Download runCommand(IFTRS232C& port, std::int16_t command) {
    Download d;
    Request req(command);
    if (port.WritePacket(req.Bytes(), req.Length()) != 8)
        return d;
    std::uint8_t buf[kMaxPacketLength];
    if (port.ReadPacket(buf) == 0 || buf[1] != Pid_Ack)
        return d;
    if (port.ReadPacket(buf) == 0)
        return d;
    port.Acknowledge(buf[1]);
    if (buf[1] != Pid_Records)
        return d;
    d.announced = GetI16(buf + 3);
    for (int guard = 0; guard < 40000; ++guard) {
        const int n = port.ReadPacket(buf);
        if (n == 0)
            return d;
        port.Acknowledge(buf[1]);
        if (buf[1] == Pid_Xfer_Cmplt) {
            d.complete = GetI16(buf + 3) == command;
            return d;
        }
        d.packets.emplace_back(buf, buf + n);
    }
    return d;
}

int countId(const Download& d, int id) {
    int n = 0;
    for (const auto& p : d.packets)
        n += p[1] == id;
    return n;
}

float floatAt(const Packet& p, std::size_t dataOffset) {
    float f;
    std::memcpy(&f, &p[3 + dataOffset], 4);
    return f;
}

TEST(SimulatorLink, TrackLogOldAndNewFormat) {
    {
        SimProcess sim({"--product-id", "87", "--track-points", "16"}); // 16 records: a stuffed count
        IFTRS232C port(sim.ports());
        ASSERT_EQ(port.OpenPort(1), 1);
        Download d = runCommand(port, Cmnd_Transfer_Trk);
        ASSERT_TRUE(d.complete);
        EXPECT_EQ(d.announced, 16);
        ASSERT_EQ(d.packets.size(), 16u);
        for (const auto& p : d.packets) {
            EXPECT_EQ(p[1], Pid_Trk_Data);
            EXPECT_EQ(p[2], 13); // D300
        }
        EXPECT_EQ(d.packets[0][3 + 12], 1); // the first point starts a track
        EXPECT_EQ(d.packets[1][3 + 12], 0);
        EXPECT_NEAR(SemicirclesToDegrees(GetI32(&d.packets[0][3])), 35.385, 1e-6);
    }
    {
        SimProcess sim({"--product-id", "169"}); // the sample: two tracks of 12 and 6 points
        IFTRS232C port(sim.ports());
        ASSERT_EQ(port.OpenPort(1), 1);
        Download d = runCommand(port, Cmnd_Transfer_Trk);
        ASSERT_TRUE(d.complete);
        EXPECT_EQ(d.announced, 20);
        EXPECT_EQ(countId(d, 99), 2); // a header before each track
        EXPECT_EQ(countId(d, Pid_Trk_Data), 18);
        EXPECT_EQ(d.packets[0][1], 99);
        EXPECT_EQ(d.packets[13][1], 99);
        EXPECT_EQ(d.packets[1][2], 21); // D301
        EXPECT_FLOAT_EQ(floatAt(d.packets[1], 12), 1450.0f);
        EXPECT_EQ(d.packets[1][3 + 20], 1);
        EXPECT_EQ(d.packets[14][3 + 20], 1);
        EXPECT_TRUE(sim.waitForRecord("done command=6")); // the final Xfer_Cmplt was acknowledged
    }
}

TEST(SimulatorLink, WaypointLayoutsOfEveryFormat) {
    struct Case {
        int id, version, size, nameAt;
    };
    for (Case c : {Case{59, 300, 58, 0}, Case{87, 300, 60, 0}, Case{72, 300, 65, 0}, Case{169, 300, -1, 48},
                   Case{111, 280, -1, 52}}) {
        SimProcess sim({"--product-id", std::to_string(c.id), "--software-version", std::to_string(c.version)});
        IFTRS232C port(sim.ports());
        ASSERT_EQ(port.OpenPort(1), 1);
        Download d = runCommand(port, Cmnd_Transfer_Wpt);
        ASSERT_TRUE(d.complete) << c.id;
        ASSERT_EQ(d.packets.size(), 5u);
        const Packet& p = d.packets[0];
        EXPECT_EQ(p[1], Pid_Wpt_Data);
        if (c.size > 0) {
            EXPECT_EQ(p[2], c.size) << c.id;
            EXPECT_EQ(std::string(p.begin() + 3, p.begin() + 9), "ASAGIR");
            EXPECT_NEAR(SemicirclesToDegrees(GetI32(&p[3 + 6])), 35.385, 1e-6);
            EXPECT_EQ(std::string(p.begin() + 3 + 18, p.begin() + 3 + 31), "TAKE OFF WEST");
        } else {
            EXPECT_EQ(std::string(reinterpret_cast<const char*>(&p[3 + c.nameAt])), "ASAGIRI") << c.id;
            EXPECT_NEAR(SemicirclesToDegrees(GetI32(&p[3 + 24])), 35.385, 1e-6);
            EXPECT_FLOAT_EQ(floatAt(p, 32), 1450.0f);
            EXPECT_EQ(GetI16(&p[3 + 4]), 16393); // "Glider Area"
        }
        // A position south of the equator survives the trip.
        EXPECT_NEAR(SemicirclesToDegrees(GetI32(&d.packets[4][3 + (c.size > 0 ? 6 : 24)])), -33.8568, 1e-6);
    }
}

TEST(SimulatorLink, RoutesWithHeadersAndLinks) {
    {
        SimProcess sim({"--product-id", "87"});
        IFTRS232C port(sim.ports());
        ASSERT_EQ(port.OpenPort(1), 1);
        Download d = runCommand(port, Cmnd_Transfer_Rte);
        ASSERT_TRUE(d.complete);
        EXPECT_EQ(d.announced, 7); // 2 headers, 5 route waypoints
        ASSERT_EQ(d.packets.size(), 7u);
        EXPECT_EQ(d.packets[0][1], Pid_Rte_Hdr);
        EXPECT_EQ(d.packets[0][2], 21); // D201
        EXPECT_EQ(d.packets[0][3], 0);
        EXPECT_EQ(d.packets[4][3], 5); // the second route is number 5
        EXPECT_EQ(std::string(d.packets[4].begin() + 4, d.packets[4].begin() + 24), "LAKE RUN            ");
        EXPECT_EQ(countId(d, Pid_Rte_Link_Data), 0);
    }
    {
        SimProcess sim({"--product-id", "177"});
        IFTRS232C port(sim.ports());
        ASSERT_EQ(port.OpenPort(1), 1);
        Download d = runCommand(port, Cmnd_Transfer_Rte);
        ASSERT_TRUE(d.complete);
        EXPECT_EQ(d.announced, 10); // 2 headers, 5 waypoints, 3 links between them
        EXPECT_EQ(countId(d, Pid_Rte_Link_Data), 3);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(&d.packets[0][3])), "TASK ONE"); // D202
        EXPECT_EQ(d.packets[2][1], Pid_Rte_Link_Data);
        EXPECT_EQ(d.packets[2][3], 3); // a direct link
    }
}

TEST(SimulatorLink, PositionAndTime) {
    SimProcess sim({"--product-id", "169", "--utc", "2001-06-27T00:05:03"});
    IFTRS232C port(sim.ports());
    ASSERT_EQ(port.OpenPort(1), 1);
    std::uint8_t buf[128];
    Request posn(Cmnd_Transfer_Posn);
    ASSERT_EQ(port.WritePacket(posn.Bytes(), 8), 8);
    ASSERT_GT(port.ReadPacket(buf), 0);
    EXPECT_EQ(buf[1], Pid_Ack);
    ASSERT_EQ(port.ReadPacket(buf), 22);
    EXPECT_EQ(buf[1], Pid_Position_Data);
    port.Acknowledge(buf[1]);
    double lat;
    std::memcpy(&lat, buf + 3, 8);
    EXPECT_NEAR(lat / 3.14159265359 * 180, 35.3702 + 5 * 0.0004, 1e-6); // the last track point

    Request time(Cmnd_Transfer_Time);
    ASSERT_EQ(port.WritePacket(time.Bytes(), 8), 8);
    ASSERT_GT(port.ReadPacket(buf), 0);
    ASSERT_EQ(port.ReadPacket(buf), 14);
    EXPECT_EQ(buf[1], Pid_Date_Time_Data);
    port.Acknowledge(buf[1]);
    EXPECT_EQ(std::vector<int>(buf + 3, buf + 11), (std::vector<int>{6, 27, 0xD1, 0x07, 0, 0, 5, 3}));
}

TEST(SimulatorLink, UploadsAreRecorded) {
    SimProcess sim({"--product-id", "169"});
    GarminRecord rec(sim.ports(), 1);
    ASSERT_EQ(rec.opened(), 1);
    BeginTransfer records(16);
    ASSERT_EQ(rec.SendPacket(records.Bytes(), 8), 8);
    EXPECT_EQ(rec.ReceiveId(), Pid_Ack);
    std::uint8_t wpt[70] = {16, 35, 64};
    std::uint8_t* d = wpt + 3;
    d[1] = 255;
    d[3] = 96;
    PutU16(d + 4, 18);
    PutU32(d + 24, 423531497u);
    PutU32(d + 28, std::uint32_t(-423531496));
    std::memcpy(d + 48, "HELLO", 5);
    wpt[68] = 16;
    wpt[69] = 3;
    ASSERT_EQ(rec.SendPacket(wpt, 70), 70);
    EXPECT_EQ(rec.ReceiveId(), Pid_Ack);
    EndTransfer end(Cmnd_Transfer_Wpt);
    ASSERT_EQ(rec.SendPacket(end.Bytes(), 8), 8);
    EXPECT_EQ(rec.ReceiveId(), Pid_Ack);

    ASSERT_EQ(sim.recordLines("records count=16").size(), 1u);
    const auto w = sim.recordLines("wpt ");
    ASSERT_EQ(w.size(), 1u);
    EXPECT_NE(w[0].find("format=D108 ident=\"HELLO\" lat=35.499999980 lon=-35.499999896"), std::string::npos) << w[0];
    EXPECT_NE(w[0].find("symbol=18"), std::string::npos);
    EXPECT_EQ(sim.recordLines("xfercmplt command=7").size(), 1u);
    EXPECT_TRUE(sim.recordLines("badchecksum").empty());
}

TEST(SimulatorLink, FaultsInTransfers) {
    {
        SimProcess sim({"--product-id", "87", "--records-overcount", "3", "--unknown-packets"});
        IFTRS232C port(sim.ports());
        ASSERT_EQ(port.OpenPort(1), 1);
        Download d = runCommand(port, Cmnd_Transfer_Wpt);
        ASSERT_TRUE(d.complete);
        EXPECT_EQ(countId(d, Pid_Wpt_Data), 5);
        EXPECT_EQ(countId(d, 91), 2);
        EXPECT_EQ(d.announced, 7 + 3);
    }
    {
        // Packets: 1 ack, 2 records, 3.. waypoints: stop sending after the third.
        SimProcess sim({"--product-id", "87", "--stall-after", "3"});
        IFTRS232C port(sim.ports());
        ASSERT_EQ(port.OpenPort(1), 1);
        Download d = runCommand(port, Cmnd_Transfer_Wpt);
        EXPECT_FALSE(d.complete);
        EXPECT_EQ(d.packets.size(), 1u);
        EXPECT_EQ(port.lastReadStatus(), FrameStatus::TimedOut);
    }
}

TEST(SimulatorLink, BadChecksumFromTheHostIsRefused) {
    SimProcess sim({"--product-id", "87"});
    PosixSerialDevice dev;
    ASSERT_TRUE(dev.open(sim.path()));
    const std::uint8_t bad[] = {16, 35, 1, 65, 0, 16, 3};
    ASSERT_EQ(dev.write(bad, sizeof bad), long(sizeof bad));
    std::uint8_t buf[16];
    const FrameResult r = ReadFrame([&] { return dev.readByte(2000); }, buf, sizeof buf);
    ASSERT_EQ(r.status, FrameStatus::Ok);
    EXPECT_EQ(buf[1], 21); // a negative acknowledgement of packet 35
    EXPECT_EQ(buf[3], 35);
    EXPECT_TRUE(sim.waitForRecord("badchecksum id=35"));
}

TEST(SimulatorLink, PacedAtNineThousandSixHundredBaud) {
    SimProcess sim({"--product-id", "87", "--pace", "--track-points", "20"});
    IFTRS232C port(sim.ports());
    ASSERT_EQ(port.OpenPort(1), 1);
    const auto t0 = std::chrono::steady_clock::now();
    Download d = runCommand(port, Cmnd_Transfer_Trk);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0);
    ASSERT_TRUE(d.complete);
    // 8 + 8 + 20 * 19 + 8 bytes or more at 1.04 ms each.
    EXPECT_GE(ms.count(), 420);
}

TEST(SimulatorLink, GeneratedFlightGlidesAndCircles) {
    SimProcess sim({"--product-id", "169", "--track-points", "140"});
    IFTRS232C port(sim.ports());
    ASSERT_EQ(port.OpenPort(1), 1);
    Download d = runCommand(port, Cmnd_Transfer_Trk);
    ASSERT_TRUE(d.complete);
    ASSERT_EQ(countId(d, Pid_Trk_Data), 140);
    auto alt = [&](int i) { return floatAt(d.packets[1 + i], 12); };
    auto time = [&](int i) { return GetU32(&d.packets[1 + i][3 + 8]); };
    EXPECT_LT(alt(39), alt(0));  // glide
    EXPECT_GT(alt(69), alt(40)); // thermal
    EXPECT_LT(alt(109), alt(70));
    EXPECT_EQ(time(1) - time(0), 4u);
    // Circling in a west wind drifts east.
    const double lon40 = SemicirclesToDegrees(GetI32(&d.packets[41][3 + 4]));
    const double lon69 = SemicirclesToDegrees(GetI32(&d.packets[70][3 + 4]));
    EXPECT_GT(lon69, lon40);
}

TEST(SimulatorLink, LinkLogHoldsEveryFrameBothWays) {
    SimProcess sim({"--product-id", "169"});
    const auto logPath = sim.dir() / "link.log";
    IFTRS232C port(sim.ports({{"NUVREL_LINK_LOG", logPath.string()}}));
    ASSERT_EQ(port.OpenPort(1), 1);
    Download d = runCommand(port, Cmnd_Transfer_Posn); // position: no Records, ends after the ack
    port.ClosePort();
    std::ifstream in(logPath);
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);)
        lines.push_back(l);
    ASSERT_GE(lines.size(), 6u);
    const std::regex stamp(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} COM1 .*)");
    for (const auto& l : lines)
        EXPECT_TRUE(std::regex_match(l, stamp)) << l;
    EXPECT_NE(lines[0].find("open " + sim.path()), std::string::npos);
    EXPECT_NE(lines[1].find("host>gps 10 0A 02 02 00 F2 10 03"), std::string::npos) << lines[1];
    EXPECT_NE(lines[2].find("gps>host 10 06 02 0A 00 EE 10 03"), std::string::npos) << lines[2];
    EXPECT_NE(lines[3].find("gps>host 10 11 10 10 "), std::string::npos) << lines[3]; // size 16, doubled
    EXPECT_NE(lines[4].find("host>gps 10 06 02 11 00 E7 10 03"), std::string::npos) << lines[4];
    EXPECT_NE(lines.back().find("close"), std::string::npos);
}

} // namespace
} // namespace nuvrel
