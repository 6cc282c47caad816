// The serial devices present on this computer, as a user picks one for a
// port, and whether the user may open them.
#pragma once

#include <string>
#include <vector>

namespace nuvrel {

// Device paths in the order a user should prefer them: the names under
// <devDir>/serial/by-id (they survive replugging), then ttyUSB*, ttyACM* and
// ttyS* in numeric order. A ttyS port whose <sysDir>/ttySn/type is "0" has
// no UART behind it and is left out (sysDir empty: none is left out).
std::vector<std::string> ListSerialDevices(const std::string& devDir = "/dev",
                                           const std::string& sysDir = "/sys/class/tty");

// Empty when the current user can open the device for reading and writing;
// else what stands in the way: "not present", or a lack of permission that
// names the group owning the device (usually "dialout") and how to join it.
std::string DeviceProblem(const std::string& path);

} // namespace nuvrel
