// The receiver commands of the main window's GPS menu, without the window:
// each runs the model check first, then its transfer. The window redraws
// the data when a command says so.
#pragma once

#include "core/ift_option.h"
#include "core/data/ift_garmin_data.h"
#include "core/data/route_store.h"
#include "core/gps/product_request.h"
#include "core/gps/serial_ports.h"
#include "core/gps/transfer_link.h"
#include "core/platform.h"

#include <cstdint>

namespace nuvrel {

inline constexpr const char* kUploadWaypointQuestion =
    "This operation may replace current Waypoint data.\nDo you wish to continue?";
inline constexpr const char* kDownloadRouteError = "download route error";
inline constexpr const char* kMismatchQuestion = "Mismatch GPS Type. Do you wish to continue?";

// What a receiver command needs: where the ports lead, the settings, the
// user's boxes (on the calling thread) and the runner of the transfer
// itself (the progress window with Cancel, or the terminal with Ctrl-C).
struct GpsCommandServices {
    const SerialPorts& ports;
    const IFTOption& option;
    UserPrompts& prompts;
    WorkRunner& runner;
};
using TransferServices = GpsCommandServices;

// The transfer options of the settings, on port `port` (CommPort when 0).
TransferOptions TransferOptionsFrom(const IFTOption& option, int port = 0);

// Error 2, "GPS doesn't respond", followed by the port, its device and what
// usually is the cause.
std::string NoResponseMessage(const SerialPorts& ports, int port);
void ShowNoResponse(UserPrompts& prompts, const SerialPorts& ports, int port);

// The model check before a transfer, on the calling thread: no answer shows
// "GPS doesn't respond" and gives false; a product ID other than GPSModelID
// sounds the beep and asks kMismatchQuestion ("Confirm"); false on No.
bool RunModelCheck(const SerialPorts& ports, const IFTOption& option, UserPrompts& prompts);

// Stores a detected receiver in the settings: its model name (or "GPS II"
// for an unknown ID), its ID as reported, its character set and version.
void StoreDetectedModel(IFTOption& option, const ProductData& product);

// The progress label of the track download, "45%(450/1000)", and of the
// waypoint download, "45%".
std::string TrackProgressLabel(std::uint32_t count, int announced);
std::string WaypointProgressLabel(std::uint32_t count, int announced);

// What a stopped upload tells: how many of the records reached the receiver.
std::string UploadStoppedMessage(std::uint32_t sent, std::uint32_t total, const std::string& what);

// The transfers of the data set, run by services.runner on port `port`.
// A download replaces the store only when it completed (marked modified;
// the track download also resets the time offset); error 1 when the port
// cannot be opened, error 2 when the receiver fails; nothing when the user
// stopped it. True when the store was replaced.
bool DownloadTrack(IFTGarminData& data, int port, const GpsCommandServices& services);
bool DownloadWaypoints(IFTGarminData& data, int port, const GpsCommandServices& services);
// 1 when every waypoint was sent; a stopped upload says how many were.
int UploadWaypoints(const IFTGarminWaypoint& waypoints, int port, const GpsCommandServices& services);

// GPS > Download > Track. True when the download ran (whatever its outcome),
// so the view is to be fitted and redrawn. When the newest point lies 1024
// or 2048 weeks behind the clock (a receiver after the week-number
// rollover), asks whether to add those weeks to every track time.
bool DownloadTrackCommand(IFTGarminData& data, const GpsCommandServices& services);
// That question and the correction alone; true when the times were moved.
bool OfferRolloverFix(IFTGarminData& data, UserPrompts& prompts, std::int64_t now);
// GPS > Download > Waypoint; as above.
bool DownloadWaypointsCommand(IFTGarminData& data, const GpsCommandServices& services);
// GPS > Upload > Waypoint: asks first ("Question"); 1 when the upload succeeded.
int UploadWaypointsCommand(const IFTGarminData& data, const GpsCommandServices& services);

// Before an upload to a receiver of the Japanese character set: when names
// hold characters it cannot show (they arrive as "0"), asks "Confirm" with
// each such name and what the receiver will show. True to go on (always when
// every name survives or the model has plain single-byte names).
bool ConfirmWaypointNames(const IFTGarminWaypoint& waypoints, const GpsCommandServices& services);
// The same for the entries of routes first to last (inclusive).
bool ConfirmRouteNames(const CRouteField& routes, std::uint32_t first, std::uint32_t last,
                       const GpsCommandServices& services);

// GPS > Download > Route: replaces the route store only when the download
// succeeds ("download route error" otherwise). True when the model check
// passed, so the view is to be redrawn.
bool DownloadRoutesCommand(CRouteField& routes, const GpsCommandServices& services);
// The download after the model check: true when the store was replaced,
// else "download route error" was shown.
bool ReceiveRoutes(CRouteField& routes, const GpsCommandServices& services);
// The store built from downloaded routes (D201 at their own numbers, D202 in
// arrival order), converted into the datum of the settings and the program's
// code page; notice (when given) gets the message about texts that had to be
// cut, "" when none.
struct TransferRoute;
CRouteField RouteStoreFrom(const std::vector<TransferRoute>& routes, const IFTOption& option,
                           std::string* notice = nullptr);

// Uploads route `index` of the store under route number `number` in a
// transfer of its own. 1 on success; 0 when the route has no entries (nothing
// is sent) or the upload failed (nothing is shown).
int UploadRoute(const CRouteField& routes, std::uint32_t index, std::uint8_t number,
                const GpsCommandServices& services);

enum class RouteUploadResult { Sent, Empty, PortFailed, Failed, Cancelled };
RouteUploadResult UploadRouteTransfer(const CRouteField& routes, std::uint32_t index, std::uint8_t number,
                                      const GpsCommandServices& services);

// The routes that an upload sends: 0 to 19.
inline constexpr std::uint32_t kUploadRouteCount = 20;

// GPS > Upload > Route: routes 0 to 19, each under its own number, each in a
// transfer of its own; routes without entries are skipped. When a transfer
// fails the rest are not sent and the failure is shown (error 1 or 2).
// Returns the number of routes sent.
int UploadRoutesCommand(const CRouteField& routes, const GpsCommandServices& services);
// The uploads after the model check.
int SendRoutes(const CRouteField& routes, const GpsCommandServices& services);

} // namespace nuvrel
