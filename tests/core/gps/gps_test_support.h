// Ports over an in-memory line for the gps tests.
#pragma once

#include "core/gps/memory_serial_device.h"
#include "core/gps/serial_ports.h"
#include "support/test_support.h"

#include <map>
#include <memory>
#include <string>

namespace nuvrel::test {

inline SerialPorts MemoryPorts(std::shared_ptr<MemoryLine> line, std::map<std::string, std::string> env = {},
                               SettingsStore* settings = nullptr) {
    SerialPorts p;
    p.settings = settings;
    p.makeDevice = MemorySerialDeviceFactory(std::move(line));
    p.environment = environmentOf(std::move(env));
    p.exists = [](const std::string&) { return false; };
    return p;
}

} // namespace nuvrel::test
