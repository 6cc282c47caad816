#include "core/gps/route_transfer.h"

#include "core/codepage.h"
#include "core/gps/control_packet.h"
#include "core/gps/gps_model.h"
#include "core/gps/packet.h"
#include "core/gps/receiver_text.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

namespace nuvrel {

Route::Route(std::uint8_t number, std::string_view name, CodePage page) {
    bytes_[0] = kDLE;
    bytes_[1] = Pid_Rte_Hdr;
    bytes_[2] = 21;
    bytes_[3] = number;
    std::memset(bytes_.data() + 4, ' ', kNameWidth);
    name = name.substr(0, name.find('\0'));
    const std::size_t n = std::min(fitWholeLength(name, kNameWidth, page), kNameWidth);
    std::memcpy(bytes_.data() + 4, name.data(), n);
    bytes_[24] = 255;
    bytes_[25] = kDLE;
    bytes_[26] = kETX;
}

std::string TransferRoute::name(CodePage page) const {
    std::size_t n = 0;
    while (n < 20 && header[4 + n])
        ++n;
    const std::string_view text(reinterpret_cast<const char*>(header.data() + 4), n);
    return std::string(text.substr(0, fitWholeLength(text, n, page)));
}

std::array<std::uint8_t, 27> RouteLinkPacket() {
    std::array<std::uint8_t, 27> p{};
    p[0] = kDLE;
    p[1] = Pid_Rte_Link_Data;
    p[2] = 21;
    p[3] = 3; // class 3, 16-bit
    p[4] = 0;
    std::memset(p.data() + 11, 255, 12); // bytes 5-10 zero, then the 18-byte subclass ends in 12 bytes of 255
    p[23] = 0;                           // empty identifier
    p[24] = 255;
    p[25] = kDLE;
    p[26] = kETX;
    return p;
}

namespace {

// Whether a received header packet is a D202 identifier (a text ending in
// its only NUL) rather than a 21-byte D201 header: a receiver of another
// model than the settings name sends its own layout.
bool isD202Header(const std::vector<std::uint8_t>& packet, bool newFormat) {
    const std::size_t size = packet.size() >= 6 ? std::min<std::size_t>(packet[2], packet.size() - 6) : 0;
    const std::uint8_t* d = packet.data() + 3;
    const bool textShape = size > 0 && d[size - 1] == 0 && !std::memchr(d, 0, size - 1);
    if (size == 21 && !newFormat)
        return false; // the D201 length, as the settings expect
    if (textShape)
        return true;
    return size == 21 ? false : newFormat;
}

} // namespace

std::vector<TransferRoute> DownloadRoutes(GarminRecord& link, std::int32_t productId, std::int32_t softwareVersion,
                                          const TransferControl& control, LinkStatus* status, std::size_t* damaged) {
    LinkStatus ignored;
    LinkStatus& st = status ? *status : ignored;
    st = LinkStatus::Ok;
    auto fail = [&](LinkStatus why) {
        if (why == LinkStatus::Cancelled && link.port())
            SendAbort(*link.port());
        st = why;
        return std::vector<TransferRoute>{};
    };
    auto readFailure = [&] { return link.port() ? ReadFailure(*link.port(), control) : LinkStatus::TimedOut; };
    if (!link.opened())
        return fail(LinkStatus::NoPort);
    if (control.stopRequested())
        return fail(LinkStatus::Cancelled);
    link.port()->setStopToken(control.stop);
    Request request(Cmnd_Transfer_Rte);
    if (!link.SendPacket(request.Bytes(), request.Length()))
        return fail(LinkStatus::TimedOut);
    if (const int id = link.ReceiveId(); id != Pid_Ack)
        return fail(id == 0 ? readFailure() : LinkStatus::ProtocolError);
    std::uint8_t records[kMaxPacketLength];
    if (link.ReceivePacket(records, sizeof records) == 0)
        return fail(readFailure());
    link.SendAck(records[1]);
    const std::size_t announced = GetU16(records + 3);

    using Slot = std::vector<std::uint8_t>;
    std::vector<Slot> packets;
    try {
        packets.reserve(std::min<std::size_t>(announced, 4096));
    } catch (const std::bad_alloc&) {
        return fail(LinkStatus::OutOfMemory);
    }
    control.report(0, std::uint32_t(announced));
    // Every packet up to Xfer_Cmplt is read, however many were announced:
    // headers, entries and links are kept, packets of other identifiers are
    // acknowledged and dropped, so neither displaces a record.
    std::size_t received = 0;
    const WaypointFormat expected = GPSModel::WaypointFormatFor(productId, softwareVersion);
    std::uint8_t buffer[kMaxPacketLength];
    for (;;) {
        if (control.stopRequested())
            return fail(LinkStatus::Cancelled);
        const int n = link.ReceivePacket(buffer, sizeof buffer);
        if (n == 0)
            return fail(readFailure());
        if (buffer[1] == Pid_Xfer_Cmplt) {
            link.SendAck(buffer[1]);
            break;
        }
        link.SendAck(buffer[1]);
        control.report(std::uint32_t(received), std::uint32_t(announced));
        ++received;
        const std::uint8_t id = buffer[1];
        // An entry whose length fits no waypoint layout is no entry.
        if (id == Pid_Rte_Wpt_Data &&
            !Waypoint::ReceivedFormat(expected, buffer + 3, std::min<std::size_t>(buffer[2], std::size_t(n) - 3))) {
            if (damaged)
                ++*damaged;
            continue;
        }
        if (id == Pid_Rte_Hdr || id == Pid_Rte_Wpt_Data || id == Pid_Rte_Link_Data)
            packets.emplace_back(buffer, buffer + n);
    }
    // Fewer packets than announced: Xfer_Cmplt came early.
    if (received < announced)
        return fail(LinkStatus::ProtocolError);

    const bool newFormat = GPSModel::UsesNewFormats(productId);
    std::vector<TransferRoute> routes;
    std::size_t c = 0;
    // The receiver sends each header followed by its entries (and links).
    while (c < packets.size() && packets[c][1] != Pid_Rte_Hdr)
        ++c; // anything before the first header belongs to no route
    while (c < packets.size()) {
        TransferRoute route;
        const Slot& h = packets[c];
        if (isD202Header(h, newFormat)) {
            route.header[3] = std::uint8_t(routes.size());
            const std::size_t n = std::min<std::size_t>(20, h.size() > 6 ? h.size() - 6 : 0);
            std::memcpy(route.header.data() + 4, h.data() + 3, n);
        } else {
            std::memcpy(route.header.data(), h.data(), std::min<std::size_t>(28, h.size()));
        }
        ++c;
        for (; c < packets.size() && packets[c][1] != Pid_Rte_Hdr; ++c)
            if (packets[c][1] == Pid_Rte_Wpt_Data)
                route.entries.emplace_back(packets[c].data(), packets[c].size(), productId, softwareVersion);
        routes.push_back(std::move(route));
    }
    return routes;
}

int UploadRoutes(GarminRecord& link, const std::vector<TransferRoute>& routes, std::int32_t productId,
                 const TransferControl& control, LinkStatus* status) {
    LinkStatus ignored;
    LinkStatus& st = status ? *status : ignored;
    st = LinkStatus::Ok;
    if (!link.opened()) {
        st = LinkStatus::NoPort;
        return 0;
    }
    link.port()->setStopToken(control.stop);
    const bool newFormat = GPSModel::UsesNewFormats(productId);
    std::uint32_t total = 0;
    for (const auto& r : routes)
        total += 1 + std::uint32_t(r.entries.size()) * (newFormat ? 2 : 1);
    std::uint32_t sent = 0;
    // One packet out and its acknowledgement back; false (with the status
    // set) when the receiver did not acknowledge it or a stop came.
    auto exchange = [&](std::uint8_t* packet, int n) {
        if (control.stopRequested()) {
            st = LinkStatus::Cancelled;
            return false;
        }
        if (!link.SendPacket(packet, n)) {
            st = LinkStatus::TimedOut;
            return false;
        }
        const int id = link.ReceiveId();
        if (id != Pid_Ack) {
            st = id == 0 ? ReadFailure(*link.port(), control) : LinkStatus::ProtocolError;
            return false;
        }
        return true;
    };
    BeginTransfer begin(std::int16_t(total & 0xFFFF));
    if (!exchange(begin.Bytes(), begin.Length()))
        return 0;
    control.report(0, total);
    bool stopped = false;
    for (const auto& r : routes) {
        if (newFormat) {
            // The D202 identifier: the name's first 13 characters, without pads.
            std::uint8_t packet[6 + 14];
            packet[0] = kDLE;
            packet[1] = Pid_Rte_Hdr;
            std::size_t n = 0;
            while (n < 20 && r.header[4 + n])
                ++n;
            n = fitWholeLength(std::string_view(reinterpret_cast<const char*>(r.header.data() + 4), n), 13,
                               ReceiverCodePage(productId));
            // The header's name field is padded with spaces; the identifier is not.
            while (n > 0 && r.header[4 + n - 1] == ' ')
                --n;
            packet[2] = std::uint8_t(n + 1);
            std::memcpy(packet + 3, r.header.data() + 4, n);
            packet[3 + n] = 0;
            packet[4 + n] = 255;
            packet[5 + n] = kDLE;
            packet[6 + n] = kETX;
            if (!exchange(packet, int(n + 7))) {
                stopped = true;
                break;
            }
        } else {
            std::uint8_t packet[Route::kLength];
            std::memcpy(packet, r.header.data(), sizeof packet);
            if (!exchange(packet, int(sizeof packet))) {
                stopped = true;
                break;
            }
        }
        control.report(++sent, total);
        for (const Waypoint& w : r.entries) {
            std::vector<std::uint8_t> packet(w.PacketBytes(), w.PacketBytes() + w.PacketLength());
            if (!exchange(packet.data(), int(packet.size()))) {
                stopped = true;
                break;
            }
            control.report(++sent, total);
            if (newFormat) {
                auto linkPacket = RouteLinkPacket();
                if (!exchange(linkPacket.data(), int(linkPacket.size()))) {
                    stopped = true;
                    break;
                }
                control.report(++sent, total);
            }
        }
        if (stopped)
            break;
    }
    if (stopped) {
        if (st == LinkStatus::Cancelled)
            SendAbort(*link.port());
        return 0;
    }
    EndTransfer end(Cmnd_Transfer_Rte);
    if (!link.SendPacket(end.Bytes(), end.Length())) {
        st = LinkStatus::TimedOut;
        return 0;
    }
    const int id = link.ReceiveId();
    if (id != Pid_Ack) {
        st = id == 0 ? ReadFailure(*link.port(), control) : LinkStatus::ProtocolError;
        return 0;
    }
    return 1;
}

} // namespace nuvrel
