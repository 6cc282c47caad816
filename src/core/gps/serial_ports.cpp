#include "core/gps/serial_ports.h"

#include "core/gps/posix_serial_device.h"
#include "core/gps/serial_device_list.h"

#include <cstdlib>
#include <sys/stat.h>

namespace nuvrel {

std::string PortName(int port) { return "COM" + std::to_string(port); }

std::string MappedPortDevice(SettingsStore& settings, int port) {
    if (port < kFirstPort || port > kLastPort)
        return {};
    auto key = settings.openKey(kSettingsKeyPath, false);
    return key ? key->readString(PortName(port)).value_or(std::string{}) : std::string{};
}

bool MapPortDevice(SettingsStore& settings, int port, const std::string& device) {
    if (port < kFirstPort || port > kLastPort)
        return false;
    auto key = settings.openKey(kSettingsKeyPath, true);
    return key && key->writeString(PortName(port), device);
}

std::string SerialPorts::DevicePath(int port) const {
    if (port < kFirstPort || port > kLastPort)
        return {};
    const std::string n = std::to_string(port);
    if (environment)
        if (auto v = environment("NUVREL_COM" + n); v && !v->empty())
            return *v;
    if (settings)
        if (std::string mapped = MappedPortDevice(*settings, port); !mapped.empty())
            return mapped;
    const std::string usb = devDir + "/ttyUSB" + std::to_string(port - 1);
    if (exists && exists(usb))
        return usb;
    return devDir + "/ttyS" + std::to_string(port - 1);
}

std::vector<std::string> SerialPorts::PresentDevices() const { return ListSerialDevices(devDir, sysDir); }

std::string SerialPorts::LinkLogPath() const {
    if (!environment)
        return {};
    return environment("NUVREL_LINK_LOG").value_or(std::string{});
}

SerialPorts SerialPorts::Pinned(int port) const {
    SerialPorts pinned = *this;
    pinned.settings = nullptr;
    const std::string name = "NUVREL_COM" + std::to_string(port);
    const std::string device = DevicePath(port);
    const std::string log = LinkLogPath();
    pinned.environment = [name, device, log](const std::string& asked) -> std::optional<std::string> {
        if (asked == name && !device.empty())
            return device;
        if (asked == "NUVREL_LINK_LOG" && !log.empty())
            return log;
        return std::nullopt;
    };
    return pinned;
}

SerialPorts SerialPorts::System(SettingsStore* settings) {
    SerialPorts p;
    p.settings = settings;
    p.makeDevice = PosixSerialDeviceFactory();
    p.environment = [](const std::string& name) -> std::optional<std::string> {
        if (const char* v = std::getenv(name.c_str()))
            return std::string(v);
        return std::nullopt;
    };
    p.exists = [](const std::string& path) {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0;
    };
    if (const auto dir = p.environment("NUVREL_DEV_DIR"); dir && !dir->empty()) {
        p.devDir = *dir;
        p.sysDir.clear();
    }
    return p;
}

} // namespace nuvrel
