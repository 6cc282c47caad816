#include "core/gps/transfers.h"

#include "core/codepage.h"
#include "core/geo/map_datum.h"
#include "core/gps/control_packet.h"
#include "core/gps/garmin_record.h"
#include "core/gps/gps_model.h"
#include "core/gps/ift_rs232c.h"
#include "core/gps/packet.h"
#include "core/gps/receiver_text.h"
#include "core/gps/track_record.h"
#include "core/gps/waypoint.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <new>
#include <vector>

namespace nuvrel {

namespace {

float floatAt(const std::uint8_t* p) {
    float f;
    std::memcpy(&f, p, 4);
    return f;
}

// The start of a download: the command, the receiver's acknowledgement and
// the Records packet (acknowledged). The announced count, or -1 when a read
// failed.
int startDownload(IFTRS232C& port, std::int16_t command) {
    Request request(command);
    if (port.WritePacket(request.Bytes(), request.Length()) <= 0)
        return -1;
    std::uint8_t buffer[kMaxPacketLength];
    if (port.ReadPacket(buffer) == 0)
        return -1;
    // The acknowledgement is not examined; a receiver that sends none and
    // starts with its Records packet is served as well.
    if (buffer[1] != Pid_Records && port.ReadPacket(buffer) == 0)
        return -1;
    port.Acknowledge(buffer[1]);
    // The count is an unsigned 16-bit word: a log of more than 32767
    // points is not read as a negative count.
    return int(GetU16(buffer + 3));
}

// Ends a transfer that did not complete: a stop tells the receiver to abort,
// then the port is closed.
LinkStatus endFailed(IFTRS232C& link, LinkStatus status) {
    if (status == LinkStatus::Cancelled)
        SendAbort(link);
    link.ClosePort();
    return status;
}

// A received name up to its NUL or maxChars bytes. Translated names hold only
// single-byte characters; others are in the program's code page and are cut
// at their last whole character (the cut bytes become pad).
void copyName(char* ident, const std::uint8_t* field, std::size_t width, std::size_t maxChars, bool japanese,
              char pad, CodePage page) {
    std::size_t n = 0;
    while (n < width && n < maxChars && field[n]) {
        ident[n] = char(japanese ? ReceiverCodeToChar(field[n]) : field[n]);
        ++n;
    }
    if (!japanese)
        for (std::size_t cut = fitWholeLength(std::string_view(ident, n), n, page); cut < n; ++cut)
            ident[cut] = pad;
}

// The script every download follows: open the port, send the transfer
// command, take the announced count, then read packets up to Xfer_Cmplt,
// acknowledging each. `take(id, record, size)` sees every packet with the
// bytes past its `size` data bytes read as zeros (never the frame's checksum
// or end bytes); `stored()` gives the records kept so far, for the progress.
template <class Begin, class Take, class Stored>
LinkStatus receiveDownload(IFTRS232C& link, int port, std::int16_t command, const TransferControl& control,
                           Begin begin, Take take, Stored stored) {
    if (control.stopRequested())
        return LinkStatus::Cancelled;
    if (!link.OpenPort(port))
        return LinkStatus::NoPort;
    link.setStopToken(control.stop);
    control.report(0, 0);

    const int announced = startDownload(link, command);
    if (announced < 0)
        return endFailed(link, ReadFailure(link, control));
    if (!begin(announced))
        return endFailed(link, LinkStatus::OutOfMemory);
    control.report(0, std::uint32_t(announced));
    std::uint8_t buffer[kMaxPacketLength];
    for (;;) {
        if (control.stopRequested())
            return endFailed(link, LinkStatus::Cancelled);
        const int n = link.ReadPacket(buffer);
        if (n == 0)
            return endFailed(link, ReadFailure(link, control));
        const std::uint8_t id = buffer[1];
        const std::size_t size = buffer[2];
        std::fill(buffer + 3 + size, buffer + sizeof buffer, std::uint8_t(0));
        take(id, buffer + 3, size);
        link.Acknowledge(id);
        if (id == Pid_Xfer_Cmplt)
            break;
        control.report(stored(), std::uint32_t(announced));
    }
    link.ClosePort();
    control.report(stored(), std::uint32_t(announced));
    return LinkStatus::Ok;
}

// Reserves room for the announced records; false when there is no memory.
template <class T>
bool reserveFor(std::vector<T>& records, int announced) {
    try {
        records.reserve(std::size_t(announced));
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

} // namespace

TrackDownload ReceiveTrack(const SerialPorts& ports, const TransferOptions& options, const TransferControl& control) {
    TrackDownload result;
    std::vector<TrackPoint>& points = result.points;
    int announced = 0;
    const MapDatum datum(options.datumName);
    std::uint16_t segment = 0;
    IFTRS232C link(ports);
    result.status = receiveDownload(
        link, options.port, Cmnd_Transfer_Trk, control,
        [&](int count) { return reserveFor(points, announced = count); },
        [&](std::uint8_t id, const std::uint8_t* d, std::size_t size) {
            if (id != Pid_Trk_Data)
                return;
            const std::optional<ReceivedTrackPoint> r = DecodeTrackPoint(d, size);
            if (!r) {
                ++result.damaged;
                return;
            }
            // Points beyond the announced count are not kept.
            if (points.size() >= std::size_t(announced))
                return;
            TrackPoint p{};
            segment = std::uint16_t(segment + r->newTrack);
            p.depth = r->depth;
            double lat, lon, height;
            datum.toLocal(SemicirclesToDegrees(r->latitude), SemicirclesToDegrees(r->longitude), r->altitude, lat,
                          lon, height);
            p.latitude = lat;
            p.longitude = lon;
            p.altitude = float(height);
            p.time = r->time;
            p.segment = std::int16_t(segment);
            points.push_back(p);
        },
        [&] { return std::uint32_t(points.size()); });
    if (result.status != LinkStatus::Ok)
        points.clear();
    return result;
}

WaypointDownload ReceiveWaypoints(const SerialPorts& ports, const TransferOptions& options,
                                  const TransferControl& control) {
    WaypointDownload result;
    std::vector<WaypointRecord>& records = result.records;
    int announced = 0;
    const MapDatum datum(options.datumName);
    const std::int32_t model = options.modelId;
    const std::int32_t version = options.softwareVersion;
    const WaypointFormat expected = GPSModel::WaypointFormatFor(model, version);
    const bool japanese = options.charSet == 2;
    ReceivedTexts texts(model);
    IFTRS232C link(ports);
    result.status = receiveDownload(
        link, options.port, Cmnd_Transfer_Wpt, control,
        [&](int count) { return reserveFor(records, announced = count); },
        [&](std::uint8_t id, const std::uint8_t* d, std::size_t size) {
            if (id != Pid_Wpt_Data)
                return;
            const std::optional<WaypointFormat> received = Waypoint::ReceivedFormat(expected, d, size);
            if (!received) {
                ++result.damaged;
                return;
            }
            if (records.size() >= std::size_t(announced))
                return;
            const WaypointFormat format = *received;
            WaypointRecord w{};
            double lat, lon, height;
            if (format == WaypointFormat::D108 || format == WaypointFormat::D109) {
                std::memset(w.ident, ' ', kIdentSize);
                const std::size_t at = format == WaypointFormat::D109 ? 52 : 48;
                copyName(w.ident, d + at, kMaxPacketLength - 3 - at, 10, japanese, ' ', ReceiverCodePage(model));
                w.ident[10] = '\0';
                const float altitude = ReceiverAltitude(floatAt(d + 32));
                datum.toLocal(SemicirclesToDegrees(GetI32(d + 24)), SemicirclesToDegrees(GetI32(d + 28)), altitude,
                              lat, lon, height);
                w.altitude = float(height);
                w.symbol = GetI16(d + 4);
            } else {
                copyName(w.ident, d, 6, 6, japanese, '\0', ReceiverCodePage(model));
                // A NUL inside the name ends it; the rest stays as received.
                std::memcpy(w.comment, d + 18, 40);
                // A comment that fills its 40 bytes may end inside a character.
                w.comment[fitWholeLength(std::string_view(w.comment, strnlen(w.comment, 40)), 40,
                                         ReceiverCodePage(model))] = '\0';
                datum.toLocal(SemicirclesToDegrees(GetI32(d + 6)), SemicirclesToDegrees(GetI32(d + 10)), 0, lat,
                              lon, height);
                if (format == WaypointFormat::D103) {
                    w.symbol = d[58];
                    w.display = d[59];
                } else if (format == WaypointFormat::D104) {
                    std::memcpy(&w.proximity, d + 58, 4);
                    w.symbol = GetI16(d + 62);
                    w.display = d[64];
                }
            }
            if (texts.converts()) {
                copyToField(w.ident, kIdentSize, texts.fit(fieldText(w.ident, kIdentSize), kIdentSize));
                copyToField(w.comment, kCommentSize, texts.fit(fieldText(w.comment, kCommentSize), kCommentSize));
            }
            w.latitude = lat;
            w.longitude = lon;
            records.push_back(w);
        },
        [&] { return std::uint32_t(records.size()); });
    if (result.status != LinkStatus::Ok)
        records.clear();
    else
        result.notice = texts.notice();
    return result;
}

std::string DamagedRecordsNotice(std::size_t count) {
    return std::to_string(count) + " damaged records skipped";
}

std::string WaypointUploadName(const WaypointRecord& waypoint, std::int32_t productId) {
    const CodePage page = ReceiverCodePage(productId);
    const std::string ident =
        ProgramToReceiverName(std::string_view(waypoint.ident, strnlen(waypoint.ident, kIdentSize - 1)), productId);
    std::string name(ident.substr(0, fitWholeLength(ident, GPSModel::UsesNewFormats(productId) ? 10 : 6, page)));
    // Only whole single-byte characters: a CP932 trail byte may be a letter.
    for (std::size_t i = 0; i < name.size(); i += charLength(std::string_view(name).substr(i), page))
        if (name[i] >= 'a' && name[i] <= 'z')
            name[i] = char(name[i] - 'a' + 'A');
    return name;
}

UploadOutcome SendWaypoints(std::span<const WaypointRecord> waypoints, const SerialPorts& ports,
                            const TransferOptions& options, const TransferControl& control) {
    UploadOutcome result;
    if (control.stopRequested()) {
        result.status = LinkStatus::Cancelled;
        return result;
    }
    IFTRS232C link(ports);
    if (!link.OpenPort(options.port)) {
        result.status = LinkStatus::NoPort;
        return result;
    }
    link.setStopToken(control.stop);
    const std::uint32_t total = std::uint32_t(waypoints.size());
    control.report(0, total);
    auto fail = [&](LinkStatus status) {
        result.status = endFailed(link, status);
        return result;
    };
    std::uint8_t reply[256];
    BeginTransfer records(std::int16_t(total & 0xFFFF));
    if (link.WritePacket(records.Bytes(), records.Length()) <= 0)
        return fail(LinkStatus::TimedOut);
    if (link.ReadPacket(reply) == 0)
        return fail(ReadFailure(link, control));

    const MapDatum datum(options.datumName);
    const std::int32_t model = options.modelId;
    const std::int32_t version = options.softwareVersion;
    const bool newFormat = GPSModel::UsesNewFormats(model);
    for (const WaypointRecord& w : waypoints) {
        if (control.stopRequested())
            return fail(LinkStatus::Cancelled);
        char name[kIdentSize];
        std::memset(name, newFormat ? 0 : ' ', sizeof name);
        const std::size_t limit = newFormat ? 10 : 6;
        const std::string upload = WaypointUploadName(w, model);
        std::memcpy(name, upload.data(), upload.size());
        if (!newFormat) {
            name[limit] = '\0';
        } else {
            // Downloaded names are padded with spaces to 10 characters; the
            // receiver's names end at their NUL, so the padding stays here.
            for (std::size_t i = limit; i > 0 && name[i - 1] == ' '; --i)
                name[i - 1] = '\0';
        }
        char comment[kCommentSize];
        std::memset(comment, ' ', sizeof comment);
        const std::string text =
            ProgramToReceiverText(std::string_view(w.comment, strnlen(w.comment, kCommentSize - 1)), model);
        const std::size_t commentLength = std::min(text.size(), kCommentSize - 1);
        std::memcpy(comment, text.data(), commentLength);
        comment[commentLength] = '\0';

        double lat, lon, height;
        datum.toWgs84(w.latitude, w.longitude, w.altitude, lat, lon, height);
        Waypoint packet(Pid_Wpt_Data, lat, lon, name, comment, model, version, w.symbol,
                        std::uint8_t(w.display), w.proximity, float(height));
        if (link.WritePacket(packet.PacketBytes(), packet.PacketLength()) <= 0)
            return fail(LinkStatus::TimedOut);
        std::memset(reply, 0, sizeof reply);
        if (link.ReadPacket(reply) == 0)
            return fail(ReadFailure(link, control));
        ++result.sent;
        control.report(result.sent, total);
    }
    EndTransfer end(Cmnd_Transfer_Wpt);
    if (link.WritePacket(end.Bytes(), end.Length()) <= 0)
        return fail(LinkStatus::TimedOut);
    if (link.ReadPacket(reply) == 0)
        return fail(ReadFailure(link, control));
    link.ClosePort();
    return result;
}

} // namespace nuvrel
