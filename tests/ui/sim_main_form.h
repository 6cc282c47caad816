// A main window whose COM1 is nuvrel-gpssim on its own pseudo-terminal, for
// the tests of the receiver commands (offscreen and under a real X server).
#pragma once

#include "sim_process.h"
#include "support/test_support.h"
#include "ui/main_form.h"

#include <string>
#include <vector>

namespace nuvrel::test {

// Writes a position file for the simulator's --data-text: one position, in degrees.
std::string writePositionFile(const TempDir& dir, double lat, double lon);

struct SimMainForm {
    // Starts the simulator with simOptions and points the window's ports at
    // it; a model other than 0 is set in the window's options, with the
    // software version when that is other than 0. Tests check sim.started().
    explicit SimMainForm(std::vector<std::string> simOptions, int modelId = 0, int softwareVersion = 0);

    SimProcess sim;
    MemorySettingsStore store;
    RecordingPrompts prompts;
    FixedTimeZone zone;
    ui::TMainForm form{store, prompts, zone};
};

} // namespace nuvrel::test
