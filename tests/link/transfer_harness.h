// What a receiver command needs in a link test: settings naming the model of
// a simulator, recorded prompts and progress, a data set and a route store.
#pragma once

#include "core/app/gps_commands.h"
#include "core/ift_option.h"
#include "core/data/ift_garmin_data.h"
#include "core/data/route_store.h"
#include "core/gps/gps_model.h"
#include "core/gps/transfers.h"
#include "core/inline_work_runner.h"
#include "sim_process.h"
#include "support/test_support.h"

#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace nuvrel::test {

// Records what a transfer does with the progress window.
class RecordingProgress final : public Progress {
public:
    std::vector<std::string> titles, labels;
    int shows = 0, hides = 0, repaints = 0;
    bool visible = false;
    void setTitle(const std::string& t) override { titles.push_back(t); }
    void setLabel(const std::string& t) override { labels.push_back(t); }
    void show() override {
        ++shows;
        visible = true;
    }
    void repaint() override { ++repaints; }
    void hide() override {
        ++hides;
        visible = false;
    }
};

// Writes a simulator data file (see nuvrel-gpssim --help, --data-text) into dir.
inline std::string WriteSimData(const TempDir& dir, const std::string& name, const std::string& text) {
    const std::string path = (dir / name).string();
    std::ofstream(path) << text;
    return path;
}

struct Harness {
    explicit Harness(std::int32_t productId, std::int32_t version = 300, const std::string& datum = "Tokyo")
        : option(settings), data(DataContext{prompts, zone}) {
        option.SetGPSModelID(productId);
        option.SetGPSSoftwareVersion(version);
        option.SetGPSCharSet(GPSModel().CharSetForId(productId));
        option.SetDatumName(datum);
        option.SetCommPort(1);
    }
    GpsCommandServices services(const SimProcess& sim) {
        ports = sim.ports();
        return GpsCommandServices{ports, option, prompts, runner};
    }
    TransferServices transfer(const SimProcess& sim) { return services(sim); }

    MemorySettingsStore settings;
    IFTOption option;
    RecordingPrompts prompts;
    RecordingProgress progress;
    InlineWorkRunner runner{prompts, progress};
    FixedTimeZone zone{ZoneInfo{-9 * 3600, false}};
    IFTGarminData data;
    CRouteField routes{1};
    SerialPorts ports;
};

} // namespace nuvrel::test
