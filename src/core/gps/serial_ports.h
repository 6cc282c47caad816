// Where the numbered ports "COM1" to "COM8" lead, and how devices are made.
//
// Port n is, in this order: the device named by the environment variable
// NUVREL_COM<n>; the settings value "COM<n>" in the program's key; the USB
// serial adapter /dev/ttyUSB<n-1> when it exists; else /dev/ttyS<n-1>.
// The device folder is /dev unless NUVREL_DEV_DIR names another.
#pragma once

#include "core/gps/serial_device.h"
#include "core/platform.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace nuvrel {

inline constexpr int kFirstPort = 1;
inline constexpr int kLastPort = 8;

struct SerialPorts {
    // The settings store consulted for "COM<n>" values (may be null).
    SettingsStore* settings = nullptr;
    // Makes the device object for an open.
    SerialDeviceFactory makeDevice;
    // Reads an environment variable.
    std::function<std::optional<std::string>(const std::string&)> environment;
    // True when a device path exists.
    std::function<bool(const std::string&)> exists;
    // Where devices are looked for, and the kernel's view of the terminals
    // (empty: not consulted).
    std::string devDir = "/dev";
    std::string sysDir = "/sys/class/tty";

    // The device path of port n; empty when n names no port (outside 1..8).
    std::string DevicePath(int port) const;
    // The serial devices present, in the order a user should prefer them.
    std::vector<std::string> PresentDevices() const;
    // The file named by NUVREL_LINK_LOG, empty when traffic is not logged.
    std::string LinkLogPath() const;
    // A copy that leads port n to the device it leads to now without asking
    // the settings store again, for work on another thread.
    SerialPorts Pinned(int port) const;

    // Real devices, the process environment and the file system.
    static SerialPorts System(SettingsStore* settings);
};

// "COM3" for 3.
std::string PortName(int port);

// The device the settings map port n to; empty when they map none.
std::string MappedPortDevice(SettingsStore& settings, int port);
// Maps port n to a device in the settings ("" takes the mapping away); false
// when n names no port or the settings cannot be written.
bool MapPortDevice(SettingsStore& settings, int port, const std::string& device);

} // namespace nuvrel
