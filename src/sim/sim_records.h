// The records inside the packets, laid out as the receiver sends them, and
// the description of what the host sent (for the record file).
#pragma once

#include "sim_data.h"
#include "sim_frame.h"
#include "sim_models.h"

#include <cstdint>
#include <ctime>
#include <string>

namespace gpssim {

// Packet identifiers and commands of the receiver's protocol.
enum : std::uint8_t {
    Pid_Ack = 6,
    Pid_Command_Data = 10,
    Pid_Xfer_Cmplt = 12,
    Pid_Date_Time_Data = 14,
    Pid_Position_Data = 17,
    Pid_Nak = 21,
    Pid_Records = 27,
    Pid_Rte_Hdr = 29,
    Pid_Rte_Wpt_Data = 30,
    Pid_Trk_Data = 34,
    Pid_Wpt_Data = 35,
    Pid_Rte_Link_Data = 98,
    Pid_Trk_Hdr = 99,
    Pid_Protocol_Array = 253,
    Pid_Product_Rqst = 254,
    Pid_Product_Data = 255,
};
enum : int {
    Cmnd_Abort_Transfer = 0,
    Cmnd_Transfer_Posn = 2,
    Cmnd_Transfer_Rte = 4,
    Cmnd_Transfer_Time = 5,
    Cmnd_Transfer_Trk = 6,
    Cmnd_Transfer_Wpt = 7,
    Cmnd_Turn_Off_Pwr = 8,
};

Bytes U16(int v);
Bytes WaypointRecord(const Model& m, const Waypoint& w);
Bytes TrackPointRecord(const Model& m, const TrackPoint& p);
Bytes TrackHeaderRecord(const Track& t);
Bytes RouteHeaderRecord(const Model& m, const Route& r);
Bytes RouteLinkRecord();
Bytes ProductRecord(const Model& m);
Bytes ProtocolArrayRecord(const Model& m);
Bytes PositionRecord(double latDeg, double lonDeg);
Bytes DateTimeRecord(std::time_t utc);

// One line describing a packet from the host, e.g.
//   wpt format=D103 ident="ABC   " lat=35.500000000 lon=139.000000000 ...
std::string DescribeHostPacket(const Model& m, const Frame& f);

} // namespace gpssim
