#include "core/gps/waypoint.h"

#include "core/gps/packet.h"
#include "core/gps/receiver_text.h"
#include "core/codepage.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace nuvrel {

namespace {

std::size_t textLength(const char* text, std::size_t limit) {
    if (!text)
        return 0;
    std::size_t n = 0;
    while (n < limit && text[n])
        ++n;
    return n;
}

// The longest start of text (up to its NUL) that fits limit bytes without
// cutting a character.
std::size_t fittedLength(const char* text, std::size_t limit, CodePage page) {
    // A few bytes beyond the limit show whether the last character is whole.
    const std::string_view s(text ? text : "", textLength(text, limit + 4));
    return fitWholeLength(s, limit, page);
}

void copyText(std::uint8_t* field, const char* text, std::size_t limit, CodePage page) {
    const std::size_t n = fittedLength(text, limit, page);
    if (n)
        std::memcpy(field, text, n);
}

void cutText(const std::uint8_t* field, std::size_t width, char* buffer, std::size_t size) {
    if (!buffer || size == 0)
        return;
    std::size_t n = 0;
    while (n < width && n + 1 < size && field[n])
        ++n;
    std::memcpy(buffer, field, n);
    buffer[n] = '\0';
}

bool isNewFormat(WaypointFormat f) { return f == WaypointFormat::D108 || f == WaypointFormat::D109; }

} // namespace

int Waypoint::PacketLengthFor(WaypointFormat format) {
    switch (format) {
    case WaypointFormat::D100: return 64;
    case WaypointFormat::D103: return 66;
    case WaypointFormat::D104: return 71;
    case WaypointFormat::D108: return 70;
    case WaypointFormat::D109: return 74;
    }
    return 64;
}

namespace {

// Where the name begins in the two layouts that end in texts.
std::size_t textsOffset(WaypointFormat f) { return f == WaypointFormat::D109 ? 52 : 48; }

// Whether a record of size bytes fits a D108 or D109 layout: the length of
// the packet this program builds, or the fixed part followed by the six
// NUL-terminated texts (name, comment, facility, city, address, cross road)
// that receivers send.
bool fitsTextLayout(WaypointFormat f, const std::uint8_t* d, std::size_t size) {
    if (size == std::size_t(Waypoint::DataSizeFor(f)))
        return true;
    int texts = 0;
    for (std::size_t i = textsOffset(f); i < size && texts < 6; ++i)
        texts += d[i] == 0;
    return texts == 6;
}

// A D109 record tells itself: its data type byte is 1, and its time en
// route (unknown: four bytes 255) stands where a D108's name begins. A D108
// name starting with four bytes 255 is no name.
bool marksD109(const std::uint8_t* d, std::size_t size) {
    if (size > 0 && d[0] == 0x01)
        return true;
    return size >= 52 && d[48] == 0xFF && d[49] == 0xFF && d[50] == 0xFF && d[51] == 0xFF;
}

std::optional<WaypointFormat> textLayoutOf(const std::uint8_t* d, std::size_t size) {
    const WaypointFormat first = marksD109(d, size) ? WaypointFormat::D109 : WaypointFormat::D108;
    const WaypointFormat second = first == WaypointFormat::D109 ? WaypointFormat::D108 : WaypointFormat::D109;
    if (fitsTextLayout(first, d, size))
        return first;
    if (fitsTextLayout(second, d, size))
        return second;
    return std::nullopt;
}

std::optional<WaypointFormat> fixedLayoutOf(WaypointFormat expected, std::size_t size) {
    for (WaypointFormat f : {expected, WaypointFormat::D100, WaypointFormat::D103, WaypointFormat::D104})
        if (!isNewFormat(f) && std::size_t(Waypoint::DataSizeFor(f)) == size)
            return f;
    return std::nullopt;
}

} // namespace

std::optional<WaypointFormat> Waypoint::ReceivedFormat(WaypointFormat expected, const std::uint8_t* data,
                                                       std::size_t dataSize) {
    if (!data)
        return std::nullopt;
    if (isNewFormat(expected)) {
        if (auto f = textLayoutOf(data, dataSize))
            return f;
        return fixedLayoutOf(expected, dataSize);
    }
    if (auto f = fixedLayoutOf(expected, dataSize))
        return f;
    return textLayoutOf(data, dataSize);
}

namespace {

// The layout of a received packet (start byte, id, size, data...); a packet
// whose record fits no layout is copied in the expected one.
WaypointFormat receivedFormat(const std::uint8_t* packet, std::size_t length, WaypointFormat expected) {
    if (!packet || length < 3)
        return expected;
    const std::size_t size = std::min<std::size_t>(packet[2], length - 3);
    return Waypoint::ReceivedFormat(expected, packet + 3, size).value_or(expected);
}

} // namespace

std::size_t Waypoint::nameOffset() const {
    switch (format_) {
    case WaypointFormat::D108: return 48;
    case WaypointFormat::D109: return 52;
    default: return 0;
    }
}

std::size_t Waypoint::nameWidth() const {
    switch (format_) {
    case WaypointFormat::D108: return 11;
    case WaypointFormat::D109: return 12;
    default: return 6;
    }
}

float Waypoint::floatAt(std::size_t offset) const {
    float f;
    std::memcpy(&f, data() + offset, 4);
    return f;
}

void Waypoint::putFloat(std::size_t offset, float value) { std::memcpy(data() + offset, &value, 4); }

Waypoint::Waypoint(std::uint8_t packetId, double latitude, double longitude, const char* name, const char* comment,
                   std::int32_t productId, std::int32_t softwareVersion, std::int16_t symbol, std::uint8_t display,
                   float proximity, float altitude)
    : productId_(productId), softwareVersion_(softwareVersion),
      format_(GPSModel::WaypointFormatFor(productId, softwareVersion)) {
    const int length = PacketLengthFor(format_);
    packet_.assign(std::size_t(length), 0);
    packet_[0] = kDLE;
    packet_[1] = packetId;
    packet_[2] = std::uint8_t(length - 6);
    packet_[std::size_t(length) - 3] = 255;
    packet_[std::size_t(length) - 2] = kDLE;
    packet_[std::size_t(length) - 1] = kETX;
    std::uint8_t* d = data();
    const std::uint32_t lat = std::uint32_t(DegreesToSemicircles(latitude));
    const std::uint32_t lon = std::uint32_t(DegreesToSemicircles(longitude));

    if (!isNewFormat(format_)) {
        std::memset(d, ' ', 6);
        copyText(d, name, 6, ReceiverCodePage(productId));
        PutU32(d + 6, lat);
        PutU32(d + 10, lon);
        std::memset(d + 18, ' ', 40);
        copyText(d + 18, comment, 40, ReceiverCodePage(productId));
        if (format_ == WaypointFormat::D103) {
            d[58] = std::uint8_t(symbol);
            d[59] = display;
        } else if (format_ == WaypointFormat::D104) {
            putFloat(58, proximity);
            PutU16(d + 62, std::uint16_t(symbol));
            d[64] = display;
        }
    } else {
        d[0] = 0;
        d[1] = 255;
        d[2] = 0;
        d[3] = 96;
        PutU16(d + 4, std::uint16_t(symbol));
        if (format_ == WaypointFormat::D109) {
            std::memset(d + 12, 255, 12);
            std::memset(d + 48, 255, 4);
        }
        PutU32(d + 24, lat);
        PutU32(d + 28, lon);
        putFloat(32, ReceiverAltitude(altitude));
        // The receiver's names end at their NUL: the pad spaces of a
        // downloaded name are not sent, so the name is the receiver's own.
        std::size_t n = textLength(name, nameWidth() - 1);
        while (n > 0 && name[n - 1] == ' ')
            --n;
        copyText(d + nameOffset(), name, n, ReceiverCodePage(productId));
    }
    if (GPSModel().CharSetForId(productId) == 2) {
        std::uint8_t* field = d + nameOffset();
        for (std::size_t i = 0; i < nameWidth(); ++i)
            field[i] = CharToReceiverCode(field[i]);
    }
}

Waypoint::Waypoint(const std::uint8_t* packet, std::size_t length, std::int32_t productId,
                   std::int32_t softwareVersion)
    : productId_(productId), softwareVersion_(softwareVersion),
      format_(receivedFormat(packet, length, GPSModel::WaypointFormatFor(productId, softwareVersion))) {
    const std::size_t full = std::size_t(PacketLengthFor(format_));
    packet_.assign(full, 0);
    if (packet && length > 2) {
        // The header and the data only: what follows them on the wire (the
        // checksum and end bytes) is no field of the record.
        std::memcpy(packet_.data(), packet, std::min({length, full - 3, 3 + std::size_t(packet[2])}));
    }
    packet_[2] = std::uint8_t(full - 6);
    packet_[full - 3] = 255;
    packet_[full - 2] = kDLE;
    packet_[full - 1] = kETX;
    if (isNewFormat(format_))
        putFloat(32, ReceiverAltitude(floatAt(32)));
    if (GPSModel().CharSetForId(productId) == 2) {
        std::uint8_t* field = data() + nameOffset();
        for (std::size_t i = 0; i < nameWidth(); ++i)
            field[i] = ReceiverCodeToChar(field[i]);
    }
}

std::string Waypoint::SentName(const char* name, std::int32_t productId, std::int32_t softwareVersion) {
    const WaypointFormat format = GPSModel::WaypointFormatFor(productId, softwareVersion);
    const std::size_t limit = isNewFormat(format) ? (format == WaypointFormat::D109 ? 11 : 10) : 6;
    return std::string(name ? name : "", fittedLength(name, limit, ReceiverCodePage(productId)));
}

std::int32_t Waypoint::LatitudeSemicircles() const { return GetI32(data() + (isNewFormat(format_) ? 24 : 6)); }
std::int32_t Waypoint::LongitudeSemicircles() const { return GetI32(data() + (isNewFormat(format_) ? 28 : 10)); }

void Waypoint::NameText(char* buffer, std::size_t size) const {
    cutText(data() + nameOffset(), nameWidth(), buffer, size);
    // A name that fills its field may end inside a character.
    if (buffer && size)
        buffer[fitWholeLength(buffer, size, ReceiverCodePage(productId_))] = '\0';
}

void Waypoint::CommentText(char* buffer, std::size_t size) const {
    if (isNewFormat(format_)) {
        if (buffer && size)
            buffer[0] = '\0';
        return;
    }
    cutText(data() + 18, 40, buffer, size);
}

std::string Waypoint::NameText() const {
    char buffer[16];
    NameText(buffer, sizeof buffer);
    return buffer;
}

std::string Waypoint::CommentText() const {
    char buffer[48];
    CommentText(buffer, sizeof buffer);
    return buffer;
}

std::int16_t Waypoint::SymbolValue() const {
    switch (format_) {
    case WaypointFormat::D100: return 0;
    case WaypointFormat::D103: return data()[58];
    case WaypointFormat::D104: return GetI16(data() + 62);
    default: return GetI16(data() + 4);
    }
}

std::uint8_t Waypoint::DisplayValue() const {
    switch (format_) {
    case WaypointFormat::D103: return data()[59];
    case WaypointFormat::D104: return data()[64];
    default: return 0;
    }
}

float Waypoint::ProximityValue() const { return format_ == WaypointFormat::D104 ? floatAt(58) : 0.0f; }

float Waypoint::AltitudeValue() const { return isNewFormat(format_) ? floatAt(32) : 0.0f; }

} // namespace nuvrel
