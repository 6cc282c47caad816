#include "core/app/preference_values.h"

#include "core/gps/gps_model.h"
#include "core/text_helpers.h"

#include <cctype>
#include <charconv>
#include <limits>

namespace nuvrel {

namespace {

} // namespace

const std::vector<std::string>& TraceMarkNames() {
    static const std::vector<std::string> names = {"HANGGLIDER", "KAYAK", "CAR", "BICYCLE", "FOOT"};
    return names;
}

std::optional<std::int32_t> ParseInteger(const std::string& text) {
    std::string t(TrimBlanks(text));
    if (!t.empty() && t[0] == '+')
        t.erase(0, 1);
    if (t.empty() || t[0] == '+')
        return std::nullopt;
    std::int32_t value = 0;
    const char* end = t.data() + t.size();
    const auto [ptr, ec] = std::from_chars(t.data(), end, value);
    if (ec != std::errc() || ptr != end)
        return std::nullopt;
    return value;
}

std::string NotAnIntegerMessage(const std::string& text) { return "'" + text + "' is not a valid integer value"; }

std::optional<int> ParseCommPort(const std::string& text) {
    const std::string t(TrimBlanks(text));
    std::size_t i = 0;
    if (t.size() >= 3 && std::toupper(static_cast<unsigned char>(t[0])) == 'C' &&
        std::toupper(static_cast<unsigned char>(t[1])) == 'O' && std::toupper(static_cast<unsigned char>(t[2])) == 'M')
        i = 3;
    const std::size_t digits = i;
    int port = 0;
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i])) && i - digits < 3)
        port = port * 10 + (t[i++] - '0');
    if (i == digits)
        return std::nullopt;
    // The number ends the name, or a blank separates it from the device path.
    if (i < t.size() && !std::isspace(static_cast<unsigned char>(t[i])))
        return std::nullopt;
    if (port < 1 || port > 8)
        return std::nullopt;
    return port;
}

std::int32_t PenWidthFromText(const std::string& text) {
    const auto width = ParseInteger(text);
    if (!width || *width < 1)
        return 1;
    return *width > kMaxPenWidth ? kMaxPenWidth : *width;
}

int TzHoursFromOffset(std::int32_t seconds) { return static_cast<int>(seconds / 3600); }

std::int32_t ColorRefFromRgb(int red, int green, int blue) {
    return static_cast<std::int32_t>((blue & 0xff) << 16 | (green & 0xff) << 8 | (red & 0xff));
}

void RgbFromColorRef(std::int32_t color, int& red, int& green, int& blue) {
    red = color & 0xff;
    green = (color >> 8) & 0xff;
    blue = (color >> 16) & 0xff;
}

PreferenceOutcome StorePreferences(const PreferenceInput& input, IFTOption& option, std::int32_t& timeOffset) {
    if (const auto port = ParseCommPort(input.commPort))
        option.SetCommPort(*port);

    const GPSModel table;
    const std::int32_t id = table.IdForModelName(input.gpsModel);
    option.SetGPSModel(input.gpsModel);
    option.SetGPSModelID(id);
    option.SetGPSCharSet(table.CharSetForId(id));

    option.SetPenColor(input.penColor);
    option.SetPenWidth(PenWidthFromText(input.penWidth));
    option.SetMapLoadWithStart(input.mapLoadWithStart ? 1 : 0);
    option.SetTextCoordinateFormat(input.textFormatDMS ? 3 : 1);

    PreferenceOutcome outcome;
    const auto hours = ParseInteger(input.tzOffset);
    constexpr std::int32_t kMaxHours = std::numeric_limits<std::int32_t>::max() / 3600;
    if (!hours || *hours > kMaxHours || *hours < -kMaxHours) {
        outcome.tzOffsetOk = false;
        outcome.message = NotAnIntegerMessage(input.tzOffset);
        return outcome;
    }
    if (*hours != input.shownTzHours)
        timeOffset = *hours * 3600;
    return outcome;
}

} // namespace nuvrel
