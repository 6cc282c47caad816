// The values of the preferences dialog as text, and how "OK" stores them in
// the settings record and the data set's time offset. The dialog itself only
// moves text between its controls and these functions.
#pragma once

#include "core/ift_option.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace nuvrel {

// The playback markers offered for the trace mark, in list order.
const std::vector<std::string>& TraceMarkNames();

// The largest pen width the dialog stores; wider pens only smear the map.
inline constexpr std::int32_t kMaxPenWidth = 99;
// The up-down limits of the time-zone offset, in whole hours.
inline constexpr int kMinTzHours = -24;
inline constexpr int kMaxTzHours = 24;

// A whole decimal number with an optional sign, blanks around it allowed;
// empty for anything else and for numbers beyond 32 bits.
std::optional<std::int32_t> ParseInteger(const std::string& text);

// The message shown when a number field holds no whole number.
std::string NotAnIntegerMessage(const std::string& text);

// The port a port field names: "COM3", "com3", "3" or a name with the
// device path behind it ("COM3  /dev/ttyUSB2"). Empty unless 1 to 8.
std::optional<int> ParseCommPort(const std::string& text);

// The pen width typed: not a whole number gives 1; the result stays within
// 1 and kMaxPenWidth.
std::int32_t PenWidthFromText(const std::string& text);

// Whole hours of a time offset in seconds, truncated toward zero.
int TzHoursFromOffset(std::int32_t seconds);

// Settings colours are 0x00BBGGRR values.
std::int32_t ColorRefFromRgb(int red, int green, int blue);
void RgbFromColorRef(std::int32_t color, int& red, int& green, int& blue);

// The dialog's controls at "OK".
struct PreferenceInput {
    std::string commPort;      // port field text
    std::string gpsModel;      // model field text
    std::int32_t penColor = 255;
    std::string penWidth;      // pen width field text
    bool mapLoadWithStart = false;
    bool textFormatDMS = false;
    std::string tzOffset;      // time-zone field text (hours)
    int shownTzHours = 0;      // the hours the field showed when the dialog opened
};

struct PreferenceOutcome {
    // False when the time-zone field holds no usable number; everything
    // before it has been stored and the time offset is unchanged.
    bool tzOffsetOk = true;
    std::string message; // the message to show when tzOffsetOk is false
};

// Stores, in this order: port (only a valid one), model with its ID and
// character set (the software version stays), pen colour, pen width, map at
// start, text coordinate form, and the time offset. The offset is changed only
// when the hours differ from those shown at opening, so that an offset with
// minutes (a half-hour zone) survives an "OK" given for another setting.
PreferenceOutcome StorePreferences(const PreferenceInput& input, IFTOption& option, std::int32_t& timeOffset);

} // namespace nuvrel
