#include "core/app/gps_commands.h"

#include "core/data/week_rollover.h"
#include "core/errors.h"
#include "core/geo/map_datum.h"
#include "core/gps/garmin_record.h"
#include "core/gps/gps_model.h"
#include "core/gps/model_check.h"
#include "core/gps/packet.h"
#include "core/gps/receiver_text.h"
#include "core/gps/route_transfer.h"
#include "core/gps/transfers.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <string>
#include <vector>

namespace nuvrel {

namespace {

TransferServices transferServices(const GpsCommandServices& s) {
    return TransferServices{s.ports, s.option, s.prompts, s.progress};
}

bool japaneseNames(std::int32_t productId) { return GPSModel().CharSetForId(productId) == 2; }

std::string trimmed(std::string text) {
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

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
        const std::string arrives = trimmed(ReceiverToProgramText(shown, productId));
        const std::string name = trimmed(n.name);
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

} // namespace

bool ConfirmWaypointNames(const IFTGarminWaypoint& waypoints, const GpsCommandServices& services) {
    const std::int32_t model = services.option.GPSModelID();
    std::vector<SentName> names;
    for (std::size_t i = 0; i < waypoints.count(); ++i)
        names.push_back({waypoints.ident(i), WaypointUploadName(waypoints.record(i), model)});
    return confirmNames(names, services.prompts, model);
}

bool ConfirmRouteNames(const CRouteField& routes, std::uint32_t first, std::uint32_t last,
                       const GpsCommandServices& services) {
    const std::int32_t model = services.option.GPSModelID();
    const std::int32_t version = services.option.GPSSoftwareVersion();
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
                {ident, Waypoint::SentName(ProgramToReceiverName(ident, model).c_str(), model, version)});
        }
    }
    return confirmNames(names, services.prompts, model);
}

bool DownloadTrackCommand(IFTGarminData& data, const GpsCommandServices& services) {
    if (!RunModelCheck(services.ports, services.option, services.prompts))
        return false;
    if (DownloadTrack(data, services.option.CommPort(), transferServices(services)))
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
    if (!RunModelCheck(services.ports, services.option, services.prompts))
        return false;
    DownloadWaypoints(data, services.option.CommPort(), transferServices(services));
    return true;
}

int UploadWaypointsCommand(const IFTGarminData& data, const GpsCommandServices& services) {
    if (!data.waypoints())
        return 0;
    if (!services.prompts.askYesNo("Question", kUploadWaypointQuestion))
        return 0;
    if (!RunModelCheck(services.ports, services.option, services.prompts))
        return 0;
    if (!ConfirmWaypointNames(*data.waypoints(), services))
        return 0;
    return UploadWaypoints(*data.waypoints(), services.option.CommPort(), transferServices(services));
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

bool DownloadRoutesCommand(CRouteField& routes, const GpsCommandServices& services) {
    if (!RunModelCheck(services.ports, services.option, services.prompts))
        return false;
    ReceiveRoutes(routes, services);
    return true;
}

bool ReceiveRoutes(CRouteField& routes, const GpsCommandServices& services) {
    std::vector<TransferRoute> received;
    std::size_t damaged = 0;
    {
        GarminRecord link(services.ports, std::uint16_t(services.option.CommPort()));
        received = DownloadRoutes(link, services.option.GPSModelID(), services.option.GPSSoftwareVersion(),
                                  services.progress, &damaged);
    }
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

RouteUploadResult UploadRouteTransfer(const CRouteField& routes, std::uint32_t index, std::uint8_t number,
                                      const GpsCommandServices& services) {
    if (routes.EntryCount(index) == 0)
        return RouteUploadResult::Empty;
    const std::int32_t model = services.option.GPSModelID();
    const std::int32_t version = services.option.GPSSoftwareVersion();
    std::vector<TransferRoute> transfer(1);
    const Route header(number, ProgramToReceiverText(routes.GetRouteName(index), model), ReceiverCodePage(model));
    std::copy(header.Bytes(), header.Bytes() + Route::kLength, transfer[0].header.begin());
    const MapDatum datum(services.option.DatumName());
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
    GarminRecord link(services.ports, std::uint16_t(services.option.CommPort()));
    if (!link.opened())
        return RouteUploadResult::PortFailed;
    return UploadRoutes(link, transfer, model, services.progress) ? RouteUploadResult::Sent
                                                                   : RouteUploadResult::Failed;
}

int UploadRoute(const CRouteField& routes, std::uint32_t index, std::uint8_t number,
                const GpsCommandServices& services) {
    return UploadRouteTransfer(routes, index, number, services) == RouteUploadResult::Sent ? 1 : 0;
}

int UploadRoutesCommand(const CRouteField& routes, const GpsCommandServices& services) {
    if (!RunModelCheck(services.ports, services.option, services.prompts))
        return 0;
    if (!ConfirmRouteNames(routes, 0, 19, services))
        return 0;
    return SendRoutes(routes, services);
}

int SendRoutes(const CRouteField& routes, const GpsCommandServices& services) {
    int sent = 0;
    const std::uint32_t last = std::min<std::uint32_t>(routes.RouteCount(), kUploadRouteCount);
    for (std::uint32_t i = 0; i < last; ++i) {
        switch (UploadRouteTransfer(routes, i, std::uint8_t(i), services)) {
        case RouteUploadResult::Sent: ++sent; break;
        case RouteUploadResult::Empty: break;
        case RouteUploadResult::PortFailed: ShowError(services.prompts, kErrCantOpenSerialPort); return sent;
        case RouteUploadResult::Failed: ShowError(services.prompts, kErrGpsDoesntRespond); return sent;
        }
    }
    return sent;
}

} // namespace nuvrel
