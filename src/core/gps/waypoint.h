// One waypoint as a ready-made packet (start byte to end bytes) in the record
// layout of a receiver model: D100, D103, D104, D108 or D109. Built from
// fields for an upload, or copied from a received packet (route entries).
#pragma once

#include "core/gps/gps_model.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace nuvrel {

class Waypoint {
public:
    // Builds the packet: start byte, id, the layout's size, the data, the
    // checksum placeholder 255, 16, 3. Latitude and longitude are WGS-84
    // degrees. name and comment are texts in the receiver's code page (up to
    // their NUL): the name gets the first 6 (D100-D104), 10 (D108) or 11
    // (D109) characters, the comment (D100-D104 only) the first 40. Receivers
    // with the Japanese character set get the whole name field translated to
    // their codes.
    Waypoint(std::uint8_t packetId, double latitude, double longitude, const char* name, const char* comment,
             std::int32_t productId, std::int32_t softwareVersion, std::int16_t symbol, std::uint8_t display,
             float proximity, float altitude);
    // Copies a received packet (length bytes): its data in the layout that
    // ReceivedFormat gives for its size, bytes past the data zero. The name
    // field is translated from the receiver's Japanese codes when the model
    // uses them.
    Waypoint(const std::uint8_t* packet, std::size_t length, std::int32_t productId, std::int32_t softwareVersion);

    // The layout of a received record of dataSize bytes for a model whose own
    // layout is expected, or none when its length fits no layout (a damaged
    // record, which is no waypoint). A record whose length is that of a fixed
    // layout (D100, D103, D104) is read in that one, as early software of a
    // model sends; a record that is a fixed part followed by the six texts
    // of D108 or D109 is read in the one it carries the marks of (a receiver
    // of another model than the settings name sends its own layout).
    static std::optional<WaypointFormat> ReceivedFormat(WaypointFormat expected, const std::uint8_t* data,
                                                        std::size_t dataSize);

    // The bytes of name that a packet for the model carries (before the
    // Japanese translation): its first characters, cut where the field ends
    // and never inside a character.
    static std::string SentName(const char* name, std::int32_t productId, std::int32_t softwareVersion);

    // Packet lengths by layout.
    static int PacketLengthFor(WaypointFormat format);
    static int DataSizeFor(WaypointFormat format) { return PacketLengthFor(format) - 6; }

    WaypointFormat format() const { return format_; }
    std::int32_t productId() const { return productId_; }
    std::int32_t softwareVersion() const { return softwareVersion_; }

    std::uint8_t* PacketBytes() { return packet_.data(); }
    const std::uint8_t* PacketBytes() const { return packet_.data(); }
    int PacketLength() const { return int(packet_.size()); }

    std::int32_t LatitudeSemicircles() const;
    std::int32_t LongitudeSemicircles() const;
    // The name field (6, 11 or 12 bytes) and the 40-byte comment (empty for
    // D108 and D109), each cut to size - 1 bytes and NUL-terminated; a NUL
    // in the field ends the text.
    void NameText(char* buffer, std::size_t size) const;
    void CommentText(char* buffer, std::size_t size) const;
    std::string NameText() const;
    std::string CommentText() const;
    std::int16_t SymbolValue() const;
    std::uint8_t DisplayValue() const;
    float ProximityValue() const;
    float AltitudeValue() const;

private:
    const std::uint8_t* data() const { return packet_.data() + 3; }
    std::uint8_t* data() { return packet_.data() + 3; }
    std::size_t nameOffset() const;
    std::size_t nameWidth() const;
    float floatAt(std::size_t offset) const;
    void putFloat(std::size_t offset, float value);

    std::int32_t productId_;
    std::int32_t softwareVersion_;
    WaypointFormat format_;
    std::vector<std::uint8_t> packet_;
};

} // namespace nuvrel
