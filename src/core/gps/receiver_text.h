// Positions, altitudes and waypoint names as the receiver holds them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace nuvrel {

// Degrees -> semicircles for sending: degrees * 2^31 / 180 + 0.5, truncated
// toward zero (so a negative position is one more than rounding to nearest,
// except when the value plus 0.5 is whole). Values beyond the 32-bit range
// are held at its ends; not-a-number gives 0.
std::int32_t DegreesToSemicircles(double degrees);

// The altitude kept from a receiver record or sent to one: a value below
// -9999, above `highest` or not a number becomes -9999.
inline constexpr float kAltitudeHighest = 99999.0f;
float ReceiverAltitude(float altitude, float highest = kAltitudeHighest);

// The receiver's Japanese name characters (character set 2). Download: a
// receiver code -> the character of the single-byte Japanese code page
// (codes 128 to 255, outside the receiver's table, become "?"). Upload: a
// character -> the receiver code, the inverse of the download for every
// character it gives; characters without a code are sent as 82 ("0").
unsigned char ReceiverCodeToChar(unsigned char code);
unsigned char CharToReceiverCode(unsigned char character);
// What such a receiver shows of a name sent to it.
std::string ReceiverShownName(std::string_view name);

} // namespace nuvrel
