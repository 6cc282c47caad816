// Positions, altitudes and waypoint names as the receiver holds them.
#pragma once

#include "core/codepage.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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

// The character set of a receiver's texts (names after the code table,
// comments, route names): CP932 for models of the Japanese character set,
// Latin-1 for the models of the newer record formats, ASCII for the others.
CodePage ReceiverCodePage(std::int32_t productId);
// True when the receiver's texts differ in code page from the program's.
bool ConvertsReceiverText(std::int32_t productId);
// A receiver's text in the program's code page (half-width katakana stay
// half-width), and back. Going to the receiver, a character it cannot hold
// takes its nearest form (é -> e for the ASCII sets), else "?" (so a
// Japanese receiver shows a "0" in its place); a name also goes in
// half-width form for the Japanese sets (フジサン -> ﾌｼﾞｻﾝ, １２３ -> 123). A
// text that is not UTF-8 at all in UTF-8 mode is read as CP932 (a name kept
// from a data file of CP932 mode). *changed tells whether anything was
// replaced.
std::string ReceiverToProgramText(std::string_view text, std::int32_t productId, bool* changed = nullptr);
std::string ProgramToReceiverText(std::string_view text, std::int32_t productId, bool* changed = nullptr);
std::string ProgramToReceiverName(std::string_view text, std::int32_t productId, bool* changed = nullptr);

// Received texts on their way into record fields. In UTF-8 a katakana takes
// three bytes, so a long name or comment may not fit its field: it is cut on
// a whole character (trailing pad spaces go first) and noted, as is a text
// that the program's code page cannot hold as it is (a Latin-1 É in CP932
// mode), so that the download can say which texts it could not keep whole.
class ReceivedTexts {
public:
    explicit ReceivedTexts(std::int32_t productId) : productId_(productId) {}
    bool converts() const { return ConvertsReceiverText(productId_); }
    // The text in the program's code page, at most fieldSize - 1 bytes when
    // converted (unchanged otherwise).
    std::string fit(std::string_view text, std::size_t fieldSize);
    // "" when every text was kept whole; else the message that lists them.
    std::string notice() const;

private:
    std::int32_t productId_;
    std::vector<std::string> cut_; // "whole -> kept"
};

} // namespace nuvrel
