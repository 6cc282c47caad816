// download, upload and position: the receiver transfers for scripts.
#include "cli/cli.h"

#include "core/app/gps_commands.h"
#include "core/ift_option.h"
#include "core/app/monitor_text.h"
#include "core/data/native_file.h"
#include "core/data/week_rollover.h"
#include "core/errors.h"
#include "core/geo/map_datum.h"
#include "core/gps/gps_model.h"
#include "core/gps/position_request.h"
#include "core/gps/serial_ports.h"
#include "core/inline_work_runner.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <ostream>
#include <pthread.h>
#include <stop_token>
#include <thread>
#include <unistd.h>

namespace nuvrel::cli {

namespace {

// One progress line on a terminal, rewritten in place.
class TerminalProgress final : public Progress {
public:
    explicit TerminalProgress(std::ostream& err) : err_(err) {}
    void setTitle(const std::string& title) override { title_ = title; }
    void setLabel(const std::string& text) override { label_ = text; }
    void show() override {}
    void repaint() override {
        err_ << '\r' << title_ << (title_.empty() ? "" : " ") << label_ << "\x1b[K" << std::flush;
        written_ = true;
    }
    void hide() override {
        if (written_)
            err_ << '\n' << std::flush;
        written_ = false;
    }

private:
    std::ostream& err_;
    std::string title_, label_;
    bool written_ = false;
};

// Ctrl-C (SIGINT) and SIGTERM during a transfer: the transfer is stopped the
// way the user's Cancel stops it (the receiver is told to abort, nothing is
// written), and then the program ends by that signal, as the shell expects.
// The signals are taken by a thread of their own (sigtimedwait), so the
// transfer sees the stop between two packets.
class SignalStop {
public:
    SignalStop() {
        sigemptyset(&signals_);
        sigaddset(&signals_, SIGINT);
        sigaddset(&signals_, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &signals_, &previous_);
        watcher_ = std::thread([this] {
            const timespec slice{0, 100 * 1000 * 1000};
            while (!done_) {
                const int sig = sigtimedwait(&signals_, nullptr, &slice);
                if (sig == SIGINT || sig == SIGTERM) {
                    caught_ = sig;
                    stop_.request_stop();
                    return;
                }
            }
        });
    }
    // Ends by the signal that came, if one did.
    ~SignalStop() {
        done_ = true;
        watcher_.join();
        if (caught_ != 0) {
            std::cout.flush();
            std::cerr.flush();
            std::signal(caught_, SIG_DFL);
            pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
            std::raise(caught_);
        }
        pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
    }
    SignalStop(const SignalStop&) = delete;
    SignalStop& operator=(const SignalStop&) = delete;

    std::stop_token token() const { return stop_.get_token(); }
    bool caught() const { return caught_ != 0; }

private:
    sigset_t signals_{};
    sigset_t previous_{};
    std::stop_source stop_;
    std::atomic<bool> done_{false};
    std::atomic<int> caught_{0};
    std::thread watcher_;
};

int numberOption(const std::string& name, const std::string& text) {
    try {
        std::size_t used = 0;
        const int v = std::stoi(text, &used);
        if (used == text.size())
            return v;
    } catch (const std::logic_error&) {
    }
    throw UsageError{name + " wants a number"};
}

// The settings with the receiver and datum options of the command line on top
// (in memory only: nothing is written back).
struct Session {
    explicit Session(Context& ctx)
        : option(ctx.settings), ports(SerialPorts::System(&ctx.settings)),
          progress(isatty(2) ? static_cast<Progress*>(&terminal) : static_cast<Progress*>(&quiet)),
          terminal(ctx.err), runner(ctx.prompts, *progress), data(DataContext{ctx.prompts, ctx.timeZone, [this] {
                                      return GPSModel::DisplayDefaultFor(option.GPSModelID(),
                                                                         option.GPSSoftwareVersion());
                                  }}),
          prompts(ctx.prompts) {
        // A stored port outside 1 to 8 is kept, as the desktop program keeps
        // it: the receiver then does not respond.
        const std::string portText = ctx.takeOption("--port");
        port = portText.empty() ? option.CommPort() : parsePort(portText);
        const std::string id = ctx.takeOption("--model-id");
        if (!id.empty()) {
            option.SetGPSModelID(numberOption("--model-id", id));
            option.SetGPSCharSet(GPSModel().CharSetForId(option.GPSModelID()));
        }
        const std::string version = ctx.takeOption("--software-version");
        if (!version.empty())
            option.SetGPSSoftwareVersion(numberOption("--software-version", version));
        const std::string datum = ctx.takeOption("--datum");
        if (!datum.empty()) {
            const MapDatum table(datum);
            if (table.name() != datum)
                throw UsageError{"unknown datum \"" + datum + "\" (see: nuvrel-cli datums)"};
            option.SetDatumName(datum);
        }
        option.SetCommPort(port);
    }
    GpsCommandServices services() { return GpsCommandServices{ports, option, prompts, runner}; }

    IFTOption option;
    SerialPorts ports;
    Progress* progress;
    TerminalProgress terminal;
    NullProgress quiet;
    InlineWorkRunner runner;
    IFTGarminData data;
    CRouteField routes{1};
    UserPrompts& prompts;
    int port = 1;
};

enum class Kind { Track, Waypoints, Routes };

Kind kindOf(const std::string& word, bool trackAllowed) {
    if (word == "track" && trackAllowed)
        return Kind::Track;
    if (word == "waypoints")
        return Kind::Waypoints;
    if (word == "routes")
        return Kind::Routes;
    throw UsageError{std::string("what to transfer: ") + (trackAllowed ? "track, " : "") + "waypoints or routes"};
}

} // namespace

int runDownload(Context& ctx) {
    Session s(ctx);
    const std::string path = ctx.takeOption("-o");
    const bool fixRollover = ctx.takeFlag("--fix-rollover");
    ctx.rejectUnknownOptions();
    if (ctx.args.size() != 1 || path.empty())
        throw UsageError{"usage: download track|waypoints|routes [--port N] -o FILE.nvl [--fix-rollover]"};
    const Kind kind = kindOf(ctx.args[0], true);
    SignalStop signals;
    s.runner.setStopToken(signals.token());

    // The download replaces that part of the file; its other contents stay.
    // The file is written only when the receiver sent something.
    std::error_code ec;
    const bool existed = std::filesystem::exists(path, ec);
    if (existed && !NativeFile::load(path, s.data, s.routes).ok)
        return 1;
    const auto unchanged = [&](const std::string& why) {
        ctx.err << why << "; " << path << (existed ? " unchanged" : " not written") << '\n';
        return 1;
    };
    if (!RunModelCheck(s.ports, s.option, s.prompts))
        return unchanged("nothing downloaded");
    const auto failed = [&](const std::string& why) { return unchanged(signals.caught() ? "stopped" : why); };
    switch (kind) {
    case Kind::Track:
        if (!DownloadTrack(s.data, s.port, s.services()))
            return failed("the track download failed");
        if (s.data.track()->count() == 0)
            return unchanged("the receiver sent no track points");
        ctx.out << "track: " << s.data.track()->count() << " points, " << s.data.track()->segmentCount()
                << " segments\n";
        if (const int weeks = detectRollover(s.data.track()->points(), std::time(nullptr))) {
            if (!fixRollover)
                ctx.out << "note: the receiver's dates are " << weeks
                        << " weeks behind (week-number rollover); --fix-rollover corrects them\n";
            else if (shiftTrackWeeks(*s.data.track(), weeks))
                ctx.out << "dates corrected: " << weeks << " weeks added to every track time\n";
        }
        break;
    case Kind::Waypoints:
        if (!DownloadWaypoints(s.data, s.port, s.services()))
            return failed("the waypoint download failed");
        if (s.data.waypoints()->count() == 0)
            return unchanged("the receiver sent no waypoints");
        ctx.out << "waypoints: " << s.data.waypoints()->count() << '\n';
        break;
    case Kind::Routes: {
        // An empty answer fails as well ("download route error").
        if (!ReceiveRoutes(s.routes, s.services()))
            return failed("no routes downloaded");
        std::uint32_t entries = 0;
        for (const auto& r : s.routes.routes())
            entries += std::uint32_t(r.entries.size());
        ctx.out << "routes: " << s.routes.RouteCount() << ", " << entries << " entries\n";
        break;
    }
    }
    if (!NativeFile::save(path, s.data, &s.routes))
        return 1;
    ctx.out << "saved: " << path << '\n';
    return 0;
}

int runUpload(Context& ctx) {
    Session s(ctx);
    ctx.rejectUnknownOptions();
    if (ctx.args.size() != 2)
        throw UsageError{"usage: upload waypoints|routes FILE.nvl [--port N]"};
    const Kind kind = kindOf(ctx.args[0], false);
    SignalStop signals;
    s.runner.setStopToken(signals.token());
    if (!NativeFile::load(ctx.args[1], s.data, s.routes).ok)
        return 1;
    if (kind == Kind::Waypoints && (!s.data.waypoints() || s.data.waypoints()->count() == 0)) {
        ctx.err << "nuvrel-cli upload: " << ctx.args[1] << " holds no waypoints\n";
        return 1;
    }
    if (!RunModelCheck(s.ports, s.option, s.prompts))
        return 1;
    // Names the receiver would change go only with --yes.
    if (kind == Kind::Waypoints ? !ConfirmWaypointNames(*s.data.waypoints(), s.services())
                                : !ConfirmRouteNames(s.routes, 0, 19, s.services())) {
        ctx.err << "nuvrel-cli upload: nothing sent\n";
        return 1;
    }
    if (kind == Kind::Waypoints) {
        if (!UploadWaypoints(*s.data.waypoints(), s.port, s.services()))
            return 1;
        ctx.out << "waypoints sent: " << s.data.waypoints()->count() << '\n';
        return 0;
    }
    const int before = ctx.prompts.errorCount;
    const int sent = SendRoutes(s.routes, s.services());
    ctx.out << "routes sent: " << sent << '\n';
    std::uint32_t leftOut = 0;
    for (std::uint32_t i = kUploadRouteCount; i < s.routes.RouteCount(); ++i)
        leftOut += s.routes.EntryCount(i) > 0;
    if (leftOut > 0)
        ctx.err << "routes left out: " << leftOut << " (the receiver takes routes 0 to " << kUploadRouteCount - 1
                << ")\n";
    return ctx.prompts.errorCount == before ? 0 : 1;
}

int runPosition(Context& ctx) {
    Session s(ctx);
    const int count = numberOption("--count", ctx.takeOption("--count", "1"));
    ctx.rejectUnknownOptions();
    if (!ctx.args.empty())
        throw UsageError{"unexpected argument " + ctx.args.front()};
    if (count < 1)
        throw UsageError{"--count wants a number of 1 or more"};
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
        const PositionResult r = RequestPosition(s.ports, s.port, s.option.DatumName());
        if (!r.ok) {
            ShowNoResponse(s.prompts, s.ports, s.port);
            return 1;
        }
        ctx.out << MonitorCoordinateText(r.latitude, MonitorFormat::Degree) << ' '
                << MonitorCoordinateText(r.longitude, MonitorFormat::Degree) << ' ' << MonitorTimeText(r.time)
                << '\n'
                << std::flush;
    }
    return 0;
}

} // namespace nuvrel::cli
