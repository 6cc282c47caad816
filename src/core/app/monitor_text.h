// The texts of the data monitor: a coordinate in the chosen form and the
// receiver's UTC clock in the computer's local time.
#pragma once

#include "core/gps/position_request.h"

#include <string>

namespace nuvrel {

enum class MonitorFormat { Degree, DM, DMS };

// "%9.5f" degrees, or the degree-minute or degree-minute-second form.
std::string MonitorCoordinateText(double degrees, MonitorFormat format);

// "2001/6/27 9:5:3": the clock converted from UTC into local time by the C
// library's rules (TZ); the record's own fields when it names no valid time.
std::string MonitorTimeText(const ReceiverDateTime& time);

} // namespace nuvrel
