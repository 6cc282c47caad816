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
                                          Progress& progress, std::size_t* damaged) {
    if (!link.opened())
        return {};
    Request request(Cmnd_Transfer_Rte);
    if (!link.SendPacket(request.Bytes(), request.Length()))
        return {};
    if (link.ReceiveId() != Pid_Ack)
        return {};
    std::uint8_t records[kMaxPacketLength];
    if (link.ReceivePacket(records, sizeof records) == 0)
        return {};
    link.SendAck(records[1]);
    const std::size_t announced = GetU16(records + 3);

    using Slot = std::vector<std::uint8_t>;
    std::vector<Slot> packets;
    try {
        packets.reserve(std::min<std::size_t>(announced, 4096));
    } catch (const std::bad_alloc&) {
        return {};
    }
    progress.setTitle("Downloading Route");
    progress.show();
    progress.repaint();
    // Every packet up to Xfer_Cmplt is read, however many were announced:
    // headers, entries and links are kept, packets of other identifiers are
    // acknowledged and dropped, so neither displaces a record.
    std::size_t received = 0;
    const WaypointFormat expected = GPSModel::WaypointFormatFor(productId, softwareVersion);
    std::uint8_t buffer[kMaxPacketLength];
    for (;;) {
        const int n = link.ReceivePacket(buffer, sizeof buffer);
        if (n == 0) {
            progress.hide();
            return {};
        }
        if (buffer[1] == Pid_Xfer_Cmplt) {
            link.SendAck(buffer[1]);
            break;
        }
        progress.setLabel(std::to_string(received) + "/" + std::to_string(announced));
        progress.repaint();
        link.SendAck(buffer[1]);
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
    progress.hide();
    // Fewer packets than announced: Xfer_Cmplt came early.
    if (received < announced)
        return {};

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
                 Progress& progress) {
    if (!link.opened())
        return 0;
    const bool newFormat = GPSModel::UsesNewFormats(productId);
    std::uint32_t total = 0;
    for (const auto& r : routes)
        total += 1 + std::uint32_t(r.entries.size()) * (newFormat ? 2 : 1);
    BeginTransfer begin(std::int16_t(total & 0xFFFF));
    if (!link.SendPacket(begin.Bytes(), begin.Length()) || link.ReceiveId() != Pid_Ack)
        return 0;
    progress.show();
    progress.setLabel("Uploading");
    progress.repaint();
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
            if (!link.SendPacket(packet, int(n + 7)) || link.ReceiveId() != Pid_Ack) {
                stopped = true;
                break;
            }
        } else {
            std::uint8_t packet[Route::kLength];
            std::memcpy(packet, r.header.data(), sizeof packet);
            if (!link.SendPacket(packet, int(sizeof packet)) || link.ReceiveId() != Pid_Ack) {
                stopped = true;
                break;
            }
        }
        for (const Waypoint& w : r.entries) {
            std::vector<std::uint8_t> packet(w.PacketBytes(), w.PacketBytes() + w.PacketLength());
            if (!link.SendPacket(packet.data(), int(packet.size())) || link.ReceiveId() != Pid_Ack) {
                stopped = true;
                break;
            }
            if (newFormat) {
                auto linkPacket = RouteLinkPacket();
                if (!link.SendPacket(linkPacket.data(), int(linkPacket.size())) || link.ReceiveId() != Pid_Ack) {
                    stopped = true;
                    break;
                }
            }
        }
        if (stopped)
            break;
    }
    progress.hide();
    if (stopped)
        return 0;
    EndTransfer end(Cmnd_Transfer_Rte);
    if (!link.SendPacket(end.Bytes(), end.Length()))
        return 0;
    return link.ReceiveId() == Pid_Ack ? 1 : 0;
}

} // namespace nuvrel
