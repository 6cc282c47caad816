// Starts nuvrel-gpssim on its own pseudo-terminal for one test and stops it
// at the end.
#pragma once

#include "core/gps/serial_ports.h"
#include "support/test_support.h"

#include <map>
#include <string>
#include <vector>

namespace nuvrel::test {

class SimProcess {
public:
    // Starts the simulator with the given options (a --timeout is added so
    // that it never outlives a crashed test).
    explicit SimProcess(std::vector<std::string> options);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    bool started() const { return !path_.empty(); }
    const std::string& path() const { return path_; }
    // What the simulator recorded of the host's packets so far.
    std::string record() const;
    std::vector<std::string> recordLines(const std::string& prefix) const;
    // Waits up to timeoutMs for a record line starting with prefix.
    bool waitForRecord(const std::string& prefix, int timeoutMs = 2000, std::size_t count = 1) const;
    const TempDir& dir() const { return dir_; }

    // Ports where COM1 is this simulator; extra environment values on top.
    SerialPorts ports(std::map<std::string, std::string> env = {}) const;

    // Sends SIGTERM and waits for the exit; the exit status (-1 when it had to be killed).
    int stop();

private:
    TempDir dir_;
    int pid_ = -1;
    std::string path_;
};

} // namespace nuvrel::test
