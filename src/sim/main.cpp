// nuvrel-gpssim: a handheld receiver on a pseudo-terminal, for trying and
// testing every receiver command without a receiver.
#include "receiver.h"
#include "sim_datafile.h"
#include "sim_data.h"
#include "sim_models.h"
#include "sim_nvl.h"

#include "core/safe_save.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t gStop = 0;

void onSignal(int) { gStop = 1; }

const char* kUsage =
    R"(usage: nuvrel-gpssim [OPTIONS]

Plays a handheld GPS receiver on a new pseudo-terminal and prints the
terminal's device path on the first line of its output. Point a port of the
program at it (NUVREL_COM1=/dev/pts/N, or the "COM1" setting) and use the GPS
commands as with a receiver. The receiver acknowledges every packet, answers
the product request, position and time requests, sends its waypoints, track
log and routes in the record layouts of its model, accepts waypoint and
route uploads, and ends a transfer under way when the host sends the abort
command (Command_Data 0) instead of an acknowledgement.

Receiver:
  --product-id N         product ID to report (default 59, "GPS II"); any ID of
                         the model table picks that model's record layouts
  --software-version N   software version times 100 (default 300)
  --list-models          print the product IDs of the model table and exit

Data:
  --data FILE.nvl        hold the waypoints, track log and routes of a native
                         data file (its positions are taken as WGS-84; names
                         are cut to what the model holds: 6 or 10 characters)
  --waypoints N          replace the waypoints by N generated ones (W0001...)
  --track-points N       replace the track log by one generated flight of N
                         points (glides and thermal circles in a steady wind)
  --utc YYYY-MM-DDTHH:MM:SS
                         the receiver clock (UTC) reported by the time
                         request (default: the computer's clock)
  --data-text FILE       the receiver's waypoints, tracks, routes and position
                         from a text file, one item a line, fields separated
                         by "|", \xNN for any byte in a text:
                           wpt|IDENT|LAT|LON|ALT|SYMBOL|DISPLAY|PROXIMITY|COMMENT
                           track|NAME
                           trkpt|LAT|LON|TIME|ALT|NEWTRACK
                           route|NUMBER|NAME
                           rtept|IDENT|LAT|LON|ALT|SYMBOL|DISPLAY|PROXIMITY|COMMENT
                           position|LAT|LON
                         (idents as the receiver stores them; TIME in receiver
                         seconds since 1989-12-31)
  (without data options the receiver holds a built-in sample: 5 waypoints,
   2 tracks, 2 routes numbered 0 and 5)

Output:
  --path-file FILE       write the device path to FILE (written whole, then
                         renamed into place)
  --link PATH            make PATH a symbolic link to the device (removed on exit)
  --record FILE          write one line per packet received from the host
                         (uploads, commands, acknowledgements) to FILE, a new
                         file made at the start

Faults (packets are counted from 1 in the order the receiver sends them, its
acknowledgements included):
  --silent               never send anything
  --stall-after N        stop sending after N packets
  --stall-mid-packet N   send only the first half of packet N, then nothing
  --unknown-packets      put packets of an unknown identifier before the product
                         data and among the packets of every transfer (they
                         are counted in the Records packet)
  --records-overcount K  announce K packets more than follow (K < 0: fewer)
  --corrupt-checksum N   send packet N with a wrong checksum
  --short-record N       after the N-th waypoint, track point or route entry of
                         every transfer send a record of that kind cut to 4
                         bytes, which the Records packet does not count
  --pace                 send at the real line speed, 9600 baud (10 bits a byte)

Lifetime:
  --timeout SECONDS      exit after this many seconds (default: run until
                         SIGTERM or SIGINT)
  --help                 show this text
)";

bool parseUtc(const char* text, std::time_t& out) {
    std::tm t{};
    if (std::sscanf(text, "%d-%d-%dT%d:%d:%d", &t.tm_year, &t.tm_mon, &t.tm_mday, &t.tm_hour, &t.tm_min,
                    &t.tm_sec) != 6)
        return false;
    t.tm_year -= 1900;
    t.tm_mon -= 1;
    out = timegm(&t);
    return out != std::time_t(-1);
}

int fail(const std::string& message) {
    std::fprintf(stderr, "nuvrel-gpssim: %s\n", message.c_str());
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    using namespace gpssim;
    int productId = 59, version = 300, trackPoints = -1, waypointCount = -1;
    double timeoutSeconds = 0;
    std::time_t clock = 0;
    std::string pathFile, linkPath, recordPath, dataPath, dataTextPath;
    Faults faults;

    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "nuvrel-gpssim: %s needs a value\n", a.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        auto number = [&]() {
            const char* v = value();
            char* end = nullptr;
            const long n = std::strtol(v, &end, 10);
            if (!*v || *end) {
                std::fprintf(stderr, "nuvrel-gpssim: %s wants a number, not \"%s\"\n", a.c_str(), v);
                std::exit(2);
            }
            return int(n);
        };
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (a == "--list-models") {
            for (const auto& [id, name] : KnownModels())
                std::printf("%d %s\n", id, name.c_str());
            return 0;
        } else if (a == "--product-id") {
            productId = number();
        } else if (a == "--software-version") {
            version = number();
        } else if (a == "--data-text") {
            dataTextPath = value();
        } else if (a == "--waypoints") {
            waypointCount = number();
        } else if (a == "--track-points") {
            trackPoints = number();
        } else if (a == "--utc") {
            if (!parseUtc(value(), clock))
                return fail("--utc wants YYYY-MM-DDTHH:MM:SS");
        } else if (a == "--data") {
            dataPath = value();
        } else if (a == "--path-file") {
            pathFile = value();
        } else if (a == "--link") {
            linkPath = value();
        } else if (a == "--record") {
            recordPath = value();
        } else if (a == "--silent") {
            faults.silent = true;
        } else if (a == "--stall-after") {
            faults.stallAfter = number();
        } else if (a == "--stall-mid-packet") {
            faults.stallMidPacket = number();
        } else if (a == "--unknown-packets") {
            faults.unknownPackets = true;
        } else if (a == "--records-overcount") {
            faults.recordsOvercount = number();
        } else if (a == "--corrupt-checksum") {
            faults.corruptChecksum = number();
        } else if (a == "--short-record") {
            faults.shortRecordAfter = number();
        } else if (a == "--pace") {
            faults.pace = true;
        } else if (a == "--timeout") {
            timeoutSeconds = std::atof(value());
        } else {
            return fail("unknown option " + a + " (see --help)");
        }
    }
    if (trackPoints > 32767 || trackPoints < -1)
        return fail("--track-points must be 0 to 32767");
    if (waypointCount > 32767 || waypointCount < -1)
        return fail("--waypoints must be 0 to 32767");

    const Model model = ModelFor(productId, version);
    Data data = SampleData(model);
    if (!dataPath.empty()) {
        std::string error;
        if (!LoadNativeFile(dataPath, model, data, error))
            return fail(error);
    }
    if (!dataTextPath.empty()) {
        std::string error;
        if (!ReadDataFile(dataTextPath, data, error))
            return fail(error);
    }
    if (waypointCount >= 0)
        data.waypoints = GenerateWaypoints(model, waypointCount);
    if (trackPoints >= 0) {
        data.tracks.clear();
        if (trackPoints > 0)
            data.tracks.push_back(GenerateFlight(trackPoints));
    }
    if (dataPath.empty() && dataTextPath.empty() && !data.tracks.empty() && !data.tracks.back().points.empty()) {
        data.lat = data.tracks.back().points.back().lat;
        data.lon = data.tracks.back().points.back().lon;
    }

    // The terminal: the master side is ours, the slave side the host's. We
    // keep the slave open too, so that the line survives the host closing it.
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
        return fail("cannot create a pseudo-terminal");
    const char* name = ptsname(master);
    if (!name)
        return fail("cannot name the pseudo-terminal");
    const std::string path = name;
    const int slave = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    if (slave < 0)
        return fail("cannot open " + path);
    termios tio{};
    tcgetattr(slave, &tio);
    cfmakeraw(&tio);
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    tcsetattr(slave, TCSANOW, &tio);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);

    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    // Both files are made new and renamed into place (never opened through
    // a link another user planted in a shared folder): the record at once,
    // so that it can be read as it grows, the path file once it is whole.
    std::FILE* record = nullptr;
    if (!recordPath.empty()) {
        nuvrel::SafeSave file(recordPath);
        if (!file.open() || !file.commit(false, true) || !(record = ::fdopen(::dup(file.fd()), "a")))
            return fail("cannot write " + recordPath + ": " + file.error());
    }
    if (!linkPath.empty()) {
        ::unlink(linkPath.c_str());
        if (::symlink(path.c_str(), linkPath.c_str()) != 0)
            return fail("cannot make the link " + linkPath);
    }
    if (!pathFile.empty()) {
        nuvrel::SafeSave file(pathFile);
        const std::string line = path + "\n";
        if (!file.open() || !file.write(line.data(), line.size()) || !file.commit())
            return fail("cannot write " + pathFile + ": " + file.error());
    }
    std::printf("%s\n", path.c_str());
    std::fflush(stdout);

    const std::int64_t end = timeoutSeconds > 0 ? NowMs() + std::int64_t(timeoutSeconds * 1000) : 0;
    Receiver receiver(master, model, std::move(data), faults, record, clock, &gStop, end);
    receiver.run();

    if (!linkPath.empty())
        ::unlink(linkPath.c_str());
    if (record)
        std::fclose(record);
    ::close(slave);
    ::close(master);
    return 0;
}
