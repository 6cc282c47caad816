#include "core/app/gps_commands.h"

#include "core/data/week_rollover.h"
#include "core/errors.h"
#include "core/geo/map_datum.h"
#include "core/gps/garmin_record.h"
#include "core/gps/gps_model.h"
#include "core/gps/model_check.h"
#include "core/gps/serial_ports.h"
#include "core/gps/packet.h"
#include "core/gps/receiver_text.h"
#include "core/gps/route_transfer.h"
#include "core/gps/transfers.h"
#include "core/text_helpers.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <string>
#include <vector>

namespace nuvrel {

namespace {

bool japaneseNames(std::int32_t productId) { return GPSModel().CharSetForId(productId) == 2; }

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
    });
}

// A name as the user has it, and the bytes that go to the receiver for it.
// Waypoint names go through the receiver's name table; route names do not.
struct SentName {
    std::string name;
    std::string sent;
    bool table = true;
};

// Asks before an upload when names will not arrive as they are: characters
// the receiver cannot show or hold, names cut to its length (the receiver's
// upper case is no change worth a word).
bool confirmNames(const std::vector<SentName>& names, UserPrompts& prompts, std::int32_t productId) {
    constexpr std::size_t kListed = 20;
    std::string list;
    std::size_t changed = 0;
    for (const SentName& n : names) {
        const std::string shown = japaneseNames(productId) && n.table ? ReceiverShownName(n.sent) : n.sent;
        const std::string arrives(TrimPadSpaces(ReceiverToProgramText(shown, productId)));
        const std::string name(TrimPadSpaces(n.name));
        if (sameIgnoringCase(arrives, name))
            continue;
        if (++changed <= kListed)
            list += "  " + name + " -> " + arrives + "\n";
    }
    if (changed == 0)
        return true;
    if (changed > kListed)
        list += "  ... and " + std::to_string(changed - kListed) + " more\n";
    return prompts.askYesNo("Confirm", "The receiver cannot hold every character of these names as they are; they will "
                                       "change:\n" +
                                           list + "Do you wish to continue?");
}

bool confirmWaypointNames(const IFTGarminWaypoint& waypoints, const TransferOptions& options, UserPrompts& prompts) {
    const std::int32_t model = options.modelId;
    std::vector<SentName> names;
    for (std::size_t i = 0; i < waypoints.count(); ++i)
        names.push_back({waypoints.ident(i), WaypointUploadName(waypoints.record(i), model)});
    return confirmNames(names, prompts, model);
}

bool confirmRouteNames(const CRouteField& routes, std::uint32_t first, std::uint32_t last,
                       const TransferOptions& options, UserPrompts& prompts) {
    const std::int32_t model = options.modelId;
    std::vector<SentName> names;
    for (std::uint32_t r = first; r <= last && r < routes.RouteCount(); ++r) {
        const std::string routeName = routes.GetRouteName(r);
        const Route header(0, ProgramToReceiverText(routeName, model), ReceiverCodePage(model));
        TransferRoute route;
        std::copy(header.Bytes(), header.Bytes() + Route::kLength, route.header.begin());
        std::string sent = route.name(ReceiverCodePage(model));
        if (GPSModel::UsesNewFormats(model))
            sent.resize(fitWholeLength(sent, 13, ReceiverCodePage(model)));
        names.push_back({routeName, sent, false});
        for (const RouteEntry& e : routes.routes()[r].entries) {
            const std::string ident = fieldText(e.ident, kIdentSize);
            names.push_back(
                {ident, Waypoint::SentName(ProgramToReceiverName(ident, model).c_str(), model, options.softwareVersion)});
        }
    }
    return confirmNames(names, prompts, model);
}

int percentOf(std::uint32_t count, int announced) {
    return announced > 0 ? int(std::uint64_t(count) * 100 / std::uint64_t(announced)) : int(count);
}

// The control of a transfer run as long work: the work's stop token, and
// each packet reported with the label `label(done, expected)` gives.
template <class Label>
TransferControl controlOf(WorkContext& work, Label label) {
    return TransferControl{work.stopToken(), [&work, label](std::uint32_t done, std::uint32_t expected) {
                               WorkProgress p;
                               p.done = done;
                               p.expected = expected;
                               p.label = label(done, expected);
                               work.report(p);
                           }};
}

// An upload's line says "Uploading" from its start to its end.
TransferControl uploadControl(WorkContext& work) {
    return TransferControl{work.stopToken(), [&work](std::uint32_t done, std::uint32_t expected) {
                               WorkProgress p;
                               p.done = done;
                               p.expected = expected;
                               if (done == 0)
                                   p.label = "Uploading";
                               work.report(p);
                           }};
}

// The model check as the first step of long work: the mismatch question is
// asked through the work's prompts. True to go on.
bool passModelCheck(WorkContext& work, const SerialPorts& ports, const TransferOptions& options, ModelCheck& check) {
    check = CheckModel(ports, options, work.stopToken()).check;
    if (check == ModelCheck::Mismatch) {
        work.prompts().beep();
        return work.prompts().askYesNo("Confirm", kMismatchQuestion);
    }
    return check == ModelCheck::Matches;
}

// Shows what a failed transfer means for the user (nothing for Ok and for a
// stop the user asked for).
void showFailure(LinkStatus status, UserPrompts& prompts, const SerialPorts& ports, int port) {
    switch (status) {
    case LinkStatus::Ok:
    case LinkStatus::Cancelled: return;
    case LinkStatus::NoPort: ShowError(prompts, kErrCantOpenSerialPort); return;
    case LinkStatus::TimedOut:
    case LinkStatus::ProtocolError:
    case LinkStatus::OutOfMemory: ShowNoResponse(prompts, ports, port); return;
    }
}

bool applyTrack(IFTGarminData& data, TrackDownload& received, UserPrompts& prompts) {
    if (received.status != LinkStatus::Ok)
        return false;
    auto track = std::make_unique<IFTGarminTrack>(std::move(received.points));
    track->setModified(1);
    data.setTrack(std::move(track));
    data.resetTimeOffset();
    if (received.damaged)
        prompts.showMessage("Warning", DamagedRecordsNotice(received.damaged));
    return true;
}

bool applyWaypoints(IFTGarminData& data, WaypointDownload& received, UserPrompts& prompts) {
    if (received.status != LinkStatus::Ok)
        return false;
    auto store = std::make_unique<IFTGarminWaypoint>(std::move(received.records));
    store->setModified(1);
    data.setWaypoints(std::move(store));
    std::string notice = received.notice;
    if (received.damaged)
        notice += (notice.empty() ? "" : "\n") + DamagedRecordsNotice(received.damaged);
    if (!notice.empty())
        prompts.showMessage("Warning", notice);
    return true;
}

TrackDownload receiveTrack(WorkContext& work, const SerialPorts& ports, const TransferOptions& options) {
    return ReceiveTrack(ports, options, controlOf(work, [](std::uint32_t done, std::uint32_t expected) {
                            return done > 0 ? TrackProgressLabel(done, int(expected)) : std::string();
                        }));
}

WaypointDownload receiveWaypoints(WorkContext& work, const SerialPorts& ports, const TransferOptions& options) {
    return ReceiveWaypoints(ports, options, controlOf(work, [](std::uint32_t done, std::uint32_t expected) {
                                return done > 0 ? WaypointProgressLabel(done, int(expected)) : std::string();
                            }));
}

// The model check and then a transfer, as one piece of long work titled
// `title`; false (with "GPS doesn't respond" shown when nobody answered)
// when the check stopped it.
template <class Transfer>
bool checkedRun(const GpsCommandServices& s, const SerialPorts& ports, const TransferOptions& options,
                const std::string& title, Transfer transfer) {
    ModelCheck check = ModelCheck::Cancelled;
    bool go = false;
    s.runner.run(title, [&](WorkContext& work) {
        go = passModelCheck(work, ports, options, check);
        if (go)
            transfer(work);
    });
    if (check == ModelCheck::NoAnswer)
        ShowNoResponse(s.prompts, s.ports, options.port);
    return go;
}

} // namespace

TransferOptions TransferOptionsFrom(const IFTOption& option, int port) {
    TransferOptions o;
    o.port = port != 0 ? port : option.CommPort();
    o.modelId = option.GPSModelID();
    o.softwareVersion = option.GPSSoftwareVersion();
    o.charSet = option.GPSCharSet();
    o.datumName = option.DatumName();
    return o;
}

std::string NoResponseMessage(const SerialPorts& ports, int port) {
    const std::string device = ports.DevicePath(port);
    const std::string name = PortName(port);
    return ErrorMessage(kErrGpsDoesntRespond) + "\n\nPort: " + name + " (" +
           (device.empty() ? std::string("no such port") : device) +
           ")\n\nUsual causes:\n"
           "- the receiver is switched off;\n"
           "- the cable is loose or not plugged in at both ends;\n"
           "- the receiver's interface setting is not its maker's own protocol (it is set to NMEA, text or none);\n"
           "- the receiver is not on " +
           name + " (Option > Preference chooses the port).";
}

void ShowNoResponse(UserPrompts& prompts, const SerialPorts& ports, int port) {
    prompts.showError(kErrGpsDoesntRespond, NoResponseMessage(ports, port));
}

bool RunModelCheck(const SerialPorts& ports, const IFTOption& option, UserPrompts& prompts) {
    const TransferOptions options = TransferOptionsFrom(option);
    switch (CheckModel(ports, options).check) {
    case ModelCheck::Matches: return true;
    case ModelCheck::Mismatch: prompts.beep(); return prompts.askYesNo("Confirm", kMismatchQuestion);
    case ModelCheck::NoAnswer: ShowNoResponse(prompts, ports, options.port); return false;
    case ModelCheck::Cancelled: return false;
    }
    return false;
}

void StoreDetectedModel(IFTOption& option, const ProductData& product) {
    const GPSModel table;
    option.SetGPSModel(table.ModelNameForId(product.productId));
    option.SetGPSModelID(product.productId);
    option.SetGPSCharSet(table.CharSetForId(product.productId));
    option.SetGPSSoftwareVersion(product.softwareVersion);
}

std::string TrackProgressLabel(std::uint32_t count, int announced) {
    return std::to_string(percentOf(count, announced)) + "%(" + std::to_string(count) + "/" +
           std::to_string(announced) + ")";
}

std::string WaypointProgressLabel(std::uint32_t count, int announced) {
    return std::to_string(percentOf(count, announced)) + "%";
}

std::string UploadStoppedMessage(std::uint32_t sent, std::uint32_t total, const std::string& what) {
    return "The upload was stopped: " + std::to_string(sent) + " of " + std::to_string(total) + " " + what +
           " reached the receiver.";
}

bool DownloadTrack(IFTGarminData& data, int port, const GpsCommandServices& services) {
    const TransferOptions options = TransferOptionsFrom(services.option, port);
    const SerialPorts ports = services.ports.Pinned(options.port);
    TrackDownload received;
    services.runner.run("Downloading Track",
                        [&](WorkContext& work) { received = receiveTrack(work, ports, options); });
    showFailure(received.status, services.prompts, services.ports, options.port);
    return applyTrack(data, received, services.prompts);
}

bool DownloadWaypoints(IFTGarminData& data, int port, const GpsCommandServices& services) {
    const TransferOptions options = TransferOptionsFrom(services.option, port);
    const SerialPorts ports = services.ports.Pinned(options.port);
    WaypointDownload received;
    services.runner.run("Downloading Waypoint",
                        [&](WorkContext& work) { received = receiveWaypoints(work, ports, options); });
    showFailure(received.status, services.prompts, services.ports, options.port);
    return applyWaypoints(data, received, services.prompts);
}

int UploadWaypoints(const IFTGarminWaypoint& waypoints, int port, const GpsCommandServices& services) {
    const TransferOptions options = TransferOptionsFrom(services.option, port);
    const SerialPorts ports = services.ports.Pinned(options.port);
    UploadOutcome sent;
    services.runner.run("", [&](WorkContext& work) {
        sent = SendWaypoints(waypoints.records(), ports, options, uploadControl(work));
    });
    if (sent.status == LinkStatus::Cancelled)
        services.prompts.showMessage("Upload stopped",
                                     UploadStoppedMessage(sent.sent, waypoints.count(), "waypoints"));
    showFailure(sent.status, services.prompts, services.ports, options.port);
    return sent.status == LinkStatus::Ok ? 1 : 0;
}

bool ConfirmWaypointNames(const IFTGarminWaypoint& waypoints, const GpsCommandServices& services) {
    return confirmWaypointNames(waypoints, TransferOptionsFrom(services.option), services.prompts);
}

bool ConfirmRouteNames(const CRouteField& routes, std::uint32_t first, std::uint32_t last,
                       const GpsCommandServices& services) {
    return confirmRouteNames(routes, first, last, TransferOptionsFrom(services.option), services.prompts);
}

bool DownloadTrackCommand(IFTGarminData& data, const GpsCommandServices& services) {
    const TransferOptions options = TransferOptionsFrom(services.option);
    const SerialPorts ports = services.ports.Pinned(options.port);
    TrackDownload received;
    if (!checkedRun(services, ports, options, "Downloading Track",
                    [&](WorkContext& work) { received = receiveTrack(work, ports, options); }))
        return false;
    showFailure(received.status, services.prompts, services.ports, options.port);
    if (applyTrack(data, received, services.prompts))
        OfferRolloverFix(data, services.prompts, static_cast<std::int64_t>(std::time(nullptr)));
    return true;
}
bool OfferRolloverFix(IFTGarminData& data, UserPrompts& prompts, std::int64_t now) {
    if (!data.track())
        return false;
    const int weeks = detectRollover(data.track()->points(), now);
    if (weeks == 0 || !prompts.askYesNo("Question", rolloverQuestion(weeks)))
        return false;
    return shiftTrackWeeks(*data.track(), weeks);
}

bool DownloadWaypointsCommand(IFTGarminData& data, const GpsCommandServices& services) {
    const TransferOptions options = TransferOptionsFrom(services.option);
    const SerialPorts ports = services.ports.Pinned(options.port);
    WaypointDownload received;
    if (!checkedRun(services, ports, options, "Downloading Waypoint",
                    [&](WorkContext& work) { received = receiveWaypoints(work, ports, options); }))
        return false;
    showFailure(received.status, services.prompts, services.ports, options.port);
    applyWaypoints(data, received, services.prompts);
    return true;
}

int UploadWaypointsCommand(const IFTGarminData& data, const GpsCommandServices& services) {
    if (!data.waypoints())
        return 0;
    if (!services.prompts.askYesNo("Question", kUploadWaypointQuestion))
        return 0;
    const TransferOptions options = TransferOptionsFrom(services.option);
    const SerialPorts ports = services.ports.Pinned(options.port);
    const IFTGarminWaypoint& waypoints = *data.waypoints();
    UploadOutcome sent;
    sent.status = LinkStatus::Cancelled;
    bool started = false;
    if (!checkedRun(services, ports, options, "", [&](WorkContext& work) {
            if (!confirmWaypointNames(waypoints, options, work.prompts()))
                return;
            started = true;
            sent = SendWaypoints(waypoints.records(), ports, options, uploadControl(work));
        }))
        return 0;
    if (!started)
        return 0;
    if (sent.status == LinkStatus::Cancelled)
        services.prompts.showMessage("Upload stopped",
                                     UploadStoppedMessage(sent.sent, waypoints.count(), "waypoints"));
    showFailure(sent.status, services.prompts, services.ports, options.port);
    return sent.status == LinkStatus::Ok ? 1 : 0;
}

CRouteField RouteStoreFrom(const std::vector<TransferRoute>& routes, const IFTOption& option, std::string* notice) {
    std::uint32_t size = 0;
    for (const auto& r : routes)
        size = std::max<std::uint32_t>(size, std::uint32_t(r.number()) + 1);
    size = std::max<std::uint32_t>(size, std::uint32_t(routes.size()));
    CRouteField store(size);
    const MapDatum datum(option.DatumName());
    ReceivedTexts texts(option.GPSModelID());
    for (const auto& r : routes) {
        const std::uint32_t number = r.number();
        store.SetRouteName(number, texts.fit(r.name(ReceiverCodePage(option.GPSModelID())), kRouteNameSize));
        for (const Waypoint& w : r.entries) {
            double lat, lon, height;
            datum.toLocal(SemicirclesToDegrees(w.LatitudeSemicircles()), SemicirclesToDegrees(w.LongitudeSemicircles()),
                          w.AltitudeValue(), lat, lon, height);
            store.AddRouteEntry(number, texts.fit(w.NameText(), kIdentSize), lat, lon,
                                texts.fit(w.CommentText(), kCommentSize), w.SymbolValue(), w.DisplayValue(),
                                w.ProximityValue(), float(height));
        }
    }
    if (notice)
        *notice = texts.notice();
    return store;
}

namespace {

std::vector<TransferRoute> receiveRoutes(WorkContext& work, const SerialPorts& ports, const TransferOptions& options,
                                         LinkStatus& status, std::size_t& damaged) {
    GarminRecord link(ports, std::uint16_t(options.port));
    return DownloadRoutes(link, options.modelId, options.softwareVersion,
                          controlOf(work,
                                    [](std::uint32_t done, std::uint32_t expected) {
                                        return expected > 0 ? std::to_string(done) + "/" + std::to_string(expected)
                                                            : std::string();
                                    }),
                          &status, &damaged);
}

// The store from a download, or "download route error" (a stop the user
// asked for shows nothing).
bool applyRoutes(CRouteField& routes, const std::vector<TransferRoute>& received, LinkStatus status,
                 std::size_t damaged, const GpsCommandServices& services) {
    if (status == LinkStatus::Cancelled)
        return false;
    if (received.empty()) {
        services.prompts.showMessage("error", kDownloadRouteError);
        return false;
    }
    std::string notice;
    routes = RouteStoreFrom(received, services.option, &notice);
    if (damaged)
        notice += (notice.empty() ? "" : "\n") + DamagedRecordsNotice(damaged);
    if (!notice.empty())
        services.prompts.showMessage("Warning", notice);
    return true;
}

RouteUploadResult uploadRoute(const CRouteField& routes, std::uint32_t index, std::uint8_t number,
                              const SerialPorts& ports, const TransferOptions& options, const TransferControl& control) {
    if (routes.EntryCount(index) == 0)
        return RouteUploadResult::Empty;
    const std::int32_t model = options.modelId;
    const std::int32_t version = options.softwareVersion;
    std::vector<TransferRoute> transfer(1);
    const Route header(number, ProgramToReceiverText(routes.GetRouteName(index), model), ReceiverCodePage(model));
    std::copy(header.Bytes(), header.Bytes() + Route::kLength, transfer[0].header.begin());
    const MapDatum datum(options.datumName);
    const CRouteField::Route& route = routes.routes()[index];
    transfer[0].entries.reserve(route.entries.size());
    for (const RouteEntry& e : route.entries) {
        double lat, lon, height;
        datum.toWgs84(e.latitude, e.longitude, e.altitude, lat, lon, height);
        const std::string ident = ProgramToReceiverName(fieldText(e.ident, kIdentSize), model);
        const std::string comment = ProgramToReceiverText(fieldText(e.comment, kCommentSize), model);
        transfer[0].entries.emplace_back(Pid_Rte_Wpt_Data, lat, lon, ident.c_str(), comment.c_str(), model, version,
                                         e.symbol, std::uint8_t(e.display), e.proximity, float(height));
    }
    if (control.stopRequested())
        return RouteUploadResult::Cancelled;
    GarminRecord link(ports, std::uint16_t(options.port));
    if (!link.opened())
        return RouteUploadResult::PortFailed;
    LinkStatus status = LinkStatus::Ok;
    if (UploadRoutes(link, transfer, model, control, &status))
        return RouteUploadResult::Sent;
    return status == LinkStatus::Cancelled ? RouteUploadResult::Cancelled : RouteUploadResult::Failed;
}

// Routes 0 to 19 (those with entries), each in a transfer of its own.
struct RoutesSent {
    int sent = 0;
    int total = 0; // routes with entries among 0 to 19
    RouteUploadResult last = RouteUploadResult::Sent;
};

RoutesSent sendRoutes(const CRouteField& routes, const SerialPorts& ports, const TransferOptions& options,
                      WorkContext& work) {
    RoutesSent result;
    const std::uint32_t last = std::min<std::uint32_t>(routes.RouteCount(), kUploadRouteCount);
    for (std::uint32_t i = 0; i < last; ++i)
        result.total += routes.EntryCount(i) > 0;
    const TransferControl control = uploadControl(work);
    for (std::uint32_t i = 0; i < last; ++i) {
        const RouteUploadResult r = uploadRoute(routes, i, std::uint8_t(i), ports, options, control);
        if (r == RouteUploadResult::Sent)
            ++result.sent;
        else if (r != RouteUploadResult::Empty) {
            result.last = r;
            break;
        }
    }
    return result;
}

// What the user is told after routes went out (nothing when all did).
void reportRoutesSent(const RoutesSent& r, const GpsCommandServices& services, int port) {
    switch (r.last) {
    case RouteUploadResult::Sent:
    case RouteUploadResult::Empty: break;
    case RouteUploadResult::PortFailed: ShowError(services.prompts, kErrCantOpenSerialPort); break;
    case RouteUploadResult::Failed: ShowNoResponse(services.prompts, services.ports, port); break;
    case RouteUploadResult::Cancelled:
        services.prompts.showMessage("Upload stopped", UploadStoppedMessage(std::uint32_t(r.sent),
                                                                            std::uint32_t(r.total), "routes"));
        break;
    }
}

} // namespace

bool DownloadRoutesCommand(CRouteField& routes, const GpsCommandServices& services) {
    const TransferOptions options = TransferOptionsFrom(services.option);
    const SerialPorts ports = services.ports.Pinned(options.port);
    std::vector<TransferRoute> received;
    LinkStatus status = LinkStatus::Ok;
    std::size_t damaged = 0;
    if (!checkedRun(services, ports, options, "Downloading Route",
                    [&](WorkContext& work) { received = receiveRoutes(work, ports, options, status, damaged); }))
        return false;
    applyRoutes(routes, received, status, damaged, services);
    return true;
}

bool ReceiveRoutes(CRouteField& routes, const GpsCommandServices& services) {
    const TransferOptions options = TransferOptionsFrom(services.option);
    const SerialPorts ports = services.ports.Pinned(options.port);
    std::vector<TransferRoute> received;
    LinkStatus status = LinkStatus::Ok;
    std::size_t damaged = 0;
    services.runner.run("Downloading Route", [&](WorkContext& work) {
        received = receiveRoutes(work, ports, options, status, damaged);
    });
    return applyRoutes(routes, received, status, damaged, services);
}

RouteUploadResult UploadRouteTransfer(const CRouteField& routes, std::uint32_t index, std::uint8_t number,
                                      const GpsCommandServices& services) {
    const TransferOptions options = TransferOptionsFrom(services.option);
    const SerialPorts ports = services.ports.Pinned(options.port);
    RouteUploadResult result = RouteUploadResult::Cancelled;
    services.runner.run("", [&](WorkContext& work) {
        result = uploadRoute(routes, index, number, ports, options, uploadControl(work));
    });
    return result;
}

int UploadRoute(const CRouteField& routes, std::uint32_t index, std::uint8_t number,
                const GpsCommandServices& services) {
    return UploadRouteTransfer(routes, index, number, services) == RouteUploadResult::Sent ? 1 : 0;
}

int UploadRoutesCommand(const CRouteField& routes, const GpsCommandServices& services) {
    const TransferOptions options = TransferOptionsFrom(services.option);
    const SerialPorts ports = services.ports.Pinned(options.port);
    RoutesSent sent;
    if (!checkedRun(services, ports, options, "", [&](WorkContext& work) {
            if (confirmRouteNames(routes, 0, kUploadRouteCount - 1, options, work.prompts()))
                sent = sendRoutes(routes, ports, options, work);
        }))
        return 0;
    reportRoutesSent(sent, services, options.port);
    return sent.sent;
}

int SendRoutes(const CRouteField& routes, const GpsCommandServices& services) {
    const TransferOptions options = TransferOptionsFrom(services.option);
    const SerialPorts ports = services.ports.Pinned(options.port);
    RoutesSent sent;
    services.runner.run("", [&](WorkContext& work) { sent = sendRoutes(routes, ports, options, work); });
    reportRoutesSent(sent, services, options.port);
    return sent.sent;
}

} // namespace nuvrel
