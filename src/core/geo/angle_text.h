// The text forms of latitudes and longitudes, and the one parser that reads
// them all back. "^" stands for the degree sign in every form.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace nuvrel {

// Which hemisphere letters an angle takes: N/S or E/W.
enum class AngleAxis { Latitude, Longitude };

// x cut to millionths of a degree after a bias of 0.00000027 away from zero.
// Callers apply it to a value before handing it to any formatter below.
double roundMicro(double x);

// Each formatter writes its form into buffer (size bytes with the final NUL)
// and returns the text's length. When the text does not fit in size - 1
// bytes the buffer receives the empty text and the result is 0.
//
//   formatDMS         "%3d^%02d'%05.2f\""   139^46'12.00"   -35^30'00.00"
//   formatHemisphere  letter "%d:%02d:%05.2f"  E139:46:12.00   S35:30:00.00
//   formatProAtlas    "%d/%02d/%05d" (no sign, thousandths of a second)
//   formatDM          "%3d^%06.3f'"         139^46.200'
//
// Angles between -1 and 0 degrees show "-0" as their degrees, so the sign
// survives a round trip through parseAngle. Seconds (or minutes) that would
// print as 60 are carried into the next field.
std::size_t formatDMS(double x, char* buffer, std::size_t size);
std::size_t formatHemisphere(double x, AngleAxis axis, char* buffer, std::size_t size);
std::size_t formatProAtlas(double x, char* buffer, std::size_t size);
std::size_t formatDM(double x, char* buffer, std::size_t size);

// The same forms as strings.
std::string formatDMS(double x);
std::string formatHemisphere(double x, AngleAxis axis);
std::string formatProAtlas(double x);
std::string formatDM(double x);

// The length in bytes of the character at text[pos] (pos < text.size()),
// which the angle readers skip as one separator: a whole UTF-8 sequence
// ("°", "′", "″"), or the CP932 degree sign, prime or double prime; else 1.
std::size_t separatorLength(std::string_view text, std::size_t pos);

// Reads degrees, minutes and seconds (the first one to three numbers) from
// any of the forms above or plain decimal degrees. A leading "-", "S" or "W"
// makes the result negative; other letters before the first number are
// skipped. Seconds above 1000, or written as five or more digits without a
// point ("00500"), are thousandths of a second. Text without any number
// gives 0.
double parseAngle(std::string_view text);

// Whether text can be an angle in one of the forms parseAngle reads: at least
// one digit, and besides digits only signs, points, separators, blanks, the
// hemisphere letters N, S, E, W and the bytes of degree or minute signs. A
// word ("milk") is no angle, though parseAngle gives 0 for it.
bool isAngleText(std::string_view text);

} // namespace nuvrel
