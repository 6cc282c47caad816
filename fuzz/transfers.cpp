// Whatever a receiver sends during a track, waypoint or route download, in
// every record layout: the stores never take more than they can hold and
// nothing is read or written past a buffer.
#include "core/app/gps_commands.h"
#include "core/ift_option.h"
#include "core/data/ift_garmin_data.h"
#include "core/gps/garmin_record.h"
#include "core/gps/memory_serial_device.h"
#include "core/gps/route_transfer.h"
#include "core/gps/transfers.h"
#include "core/gps/waypoint.h"
#include "core/inline_work_runner.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

using namespace nuvrel;

namespace {

class NoPrompts final : public UserPrompts {
public:
    void showError(int, const std::string&) override {}
    bool askYesNo(const std::string&, const std::string&) override { return false; }
    void showMessage(const std::string&, const std::string&) override {}
    void beep() override {}
};

class NoSettings final : public SettingsStore {
public:
    std::unique_ptr<SettingsKey> openKey(const std::string&, bool) override { return nullptr; }
};

class Utc final : public TimeZoneSource {
public:
    ZoneInfo read() override { return {}; }
};

SerialPorts memoryPorts(std::shared_ptr<MemoryLine> line) {
    SerialPorts p;
    p.makeDevice = MemorySerialDeviceFactory(std::move(line));
    p.environment = [](const std::string& name) -> std::optional<std::string> {
        if (name == "NUVREL_COM1")
            return std::string("/dev/fuzz");
        return std::nullopt;
    };
    return p;
}

struct Model {
    std::int32_t id, version;
};
constexpr Model kModels[] = {{59, 300}, {87, 300}, {72, 300}, {130, 300}, {111, 269}, {111, 270}, {105, 300}, {153, 300}};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const Model model = kModels[data[0] % 8];
    const int which = data[1] % 4;
    auto line = std::make_shared<MemoryLine>();
    line->input.assign(data + 2, data + size);
    const SerialPorts ports = memoryPorts(line);

    NoSettings settings;
    IFTOption option(settings);
    option.SetGPSModelID(model.id);
    option.SetGPSSoftwareVersion(model.version);
    option.SetGPSCharSet(model.id == 105 || model.id == 153 ? 2 : 1);
    NoPrompts prompts;
    Utc zone;
    NullProgress progress;
    InlineWorkRunner runner(prompts, progress);
    IFTGarminData set(DataContext{prompts, zone});
    const TransferServices services{ports, option, prompts, runner};

    switch (which) {
    case 0:
        DownloadTrack(set, 1, services);
        // Never more points than packets could have carried (a failed
        // download leaves the data set without a log).
        if (set.track() && set.track()->count() > size / 6)
            std::abort();
        break;
    case 1:
        DownloadWaypoints(set, 1, services);
        if (!set.waypoints())
            break;
        for (const WaypointRecord& w : set.waypoints()->records())
            if (!std::memchr(w.ident, 0, kIdentSize) || !std::memchr(w.comment, 0, kCommentSize))
                std::abort();
        break;
    case 2: {
        CRouteField routes(1);
        ReceiveRoutes(routes, services);
        for (const auto& r : routes.routes())
            if (r.name.size() > 63)
                std::abort();
        break;
    }
    default: {
        const Waypoint w(data + 2, size - 2, model.id, model.version);
        char name[4], comment[3];
        w.NameText(name, sizeof name);
        w.CommentText(comment, sizeof comment);
        if (w.PacketLength() != Waypoint::PacketLengthFor(w.format()) || !std::memchr(name, 0, sizeof name) ||
            !std::memchr(comment, 0, sizeof comment))
            std::abort();
        break;
    }
    }
    return 0;
}
