// Asking the receiver for its present position and its clock.
#pragma once

#include "core/gps/serial_ports.h"

#include <array>
#include <cstdint>
#include <string>

namespace nuvrel {

// The receiver's Date_Time_Data record as received (8 bytes): month, day,
// year (16-bit), hour (the byte at 4), minute, second; UTC.
struct ReceiverDateTime {
    std::array<std::uint8_t, 8> bytes{};
    int month() const { return bytes[0]; }
    int day() const { return bytes[1]; }
    int year() const { return std::int16_t(bytes[2] | bytes[3] << 8); }
    int hour() const { return bytes[4]; }
    int minute() const { return bytes[6]; }
    int second() const { return bytes[7]; }
};

struct PositionResult {
    bool ok = false;
    double latitude = 0;  // degrees, selected datum
    double longitude = 0;
    ReceiverDateTime time;
};

// Opens the port, asks for the position (converted from WGS-84 into the
// datum named datumName) and then for the clock, and closes the port. ok is
// false when the port cannot be opened or either answer does not come (the
// position stays set when only the clock is missing). No message is shown.
PositionResult RequestPosition(const SerialPorts& ports, int port, const std::string& datumName);

// Radians of the position record -> degrees, with the rounded pi the
// program has always used.
double PositionRadiansToDegrees(double radians);

} // namespace nuvrel
