// The arithmetic of the calibration dialog: degrees from a degrees, minutes
// and seconds text, and the four edges of a map from its centre, its scale
// and its size in pixels.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace nuvrel {

// Every character other than a digit or "." separates fields (the end of the
// text too); a multi-byte sign such as "°" is one character. Field j adds its
// value / 60^j; at most nine fields. No sign.
double DmsTextToDegrees(std::string_view text);

// "%.15g": the general format with 15 significant digits.
std::string formatGeneral15(double value);

// The whole text as a floating-point number or a decimal integer, blanks
// around it allowed; empty when it is not one. The error text names the
// input: "'abc' is not a valid floating point value" / "... integer value".
std::optional<double> textToFloat(std::string_view text);
std::optional<int> textToInt(std::string_view text);
std::string notAFloatMessage(std::string_view text);
std::string notAnIntegerMessage(std::string_view text);

struct MapCorners {
    double top = 0;
    double bottom = 0;
    double left = 0;
    double right = 0;
};

// At scale 25000 a pixel spans 1/11537.5 degree of latitude and 1/10250.709
// degree of longitude; the span grows linearly with the scale denominator.
MapCorners CalculateMapCorners(int scale, double width, double height, double latitude, double longitude);

} // namespace nuvrel
