// Route transfers: the route header packet, routes as the transfers hold
// them, and the download and upload of routes over a GarminRecord.
#pragma once

#include "core/codepage.h"
#include "core/gps/garmin_record.h"
#include "core/gps/transfer_link.h"
#include "core/gps/waypoint.h"

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace nuvrel {

// The 27-byte D201 route header packet: 16, 29, 21, the route number, a
// 20-byte space-padded name, the checksum placeholder 255, 16, 3. A longer
// name is cut to the field (without splitting a character of page, the
// receiver's code page).
class Route {
public:
    static constexpr int kLength = 27;
    static constexpr std::size_t kNameWidth = 20;
    Route(std::uint8_t number, std::string_view name, CodePage page = activeCodePage());
    const std::uint8_t* Bytes() const { return bytes_.data(); }
    int Length() const { return kLength; }

private:
    std::array<std::uint8_t, kLength> bytes_{};
};

// A route as the transfers hold it. header: for D201 the first 28 bytes of
// the header packet image (byte 3 the route number, 4-23 the name); for a
// D202 download byte 3 the route number given in arrival order and bytes
// 4-23 the first 20 bytes of the identifier.
struct TransferRoute {
    std::array<std::uint8_t, 28> header{};
    std::vector<Waypoint> entries;

    std::uint8_t number() const { return header[3]; }
    // The 20-byte name field up to its first NUL, without a character cut
    // off at its end (page is the receiver's code page).
    std::string name(CodePage page = activeCodePage()) const;
};

// The fixed route link packet sent after each entry to new-format receivers.
std::array<std::uint8_t, 27> RouteLinkPacket();

// Downloads every route (the port of `link` must be open). Empty on any
// failure: port closed, a time-out, a reply other than Ack, fewer packets
// than announced, an early Xfer_Cmplt, or no route header at all; status
// (when given) says which (Ok with no routes when the receiver sent none).
// Progress counts the packets received of those announced.
// Entries whose length fits no waypoint layout are skipped and counted in
// damaged (when given).
std::vector<TransferRoute> DownloadRoutes(GarminRecord& link, std::int32_t productId, std::int32_t softwareVersion,
                                          const TransferControl& control, LinkStatus* status = nullptr,
                                          std::size_t* damaged = nullptr);

// Uploads the routes in one transfer. 1 when every packet was acknowledged;
// status (when given) says why not. Progress counts the packets sent.
int UploadRoutes(GarminRecord& link, const std::vector<TransferRoute>& routes, std::int32_t productId,
                 const TransferControl& control, LinkStatus* status = nullptr);

} // namespace nuvrel
