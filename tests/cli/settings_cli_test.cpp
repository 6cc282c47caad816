// nuvrel-cli settings: shows and sets the preferences in the settings file.
#include "support/test_support.h"
#ifdef NUVREL_GPSSIM
#include "sim_process.h"
#endif

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace nuvrel {
namespace {

using test::TempDir;

test::ProgramRun runCli(const TempDir& dir, const std::vector<std::string>& args,
                        std::vector<std::string> env = {}) {
    env.push_back("XDG_CONFIG_HOME=" + (dir / "config").string());
    env.push_back("NUVREL_COM1=/nonexistent/tty");
    return test::runProgram(NUVREL_CLI, args, env);
}

std::string configFile(const TempDir& dir) {
    const auto path = dir / "config/Ostrel/NuvRel.conf";
    return std::filesystem::exists(path) ? test::readFileBytes(path) : std::string();
}

TEST(CliSettings, ShowsTheDefaultsWithoutWritingAnything) {
    TempDir dir;
    const auto r = runCli(dir, {"settings"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("GPSModel: GPS II\nGPSModelID: 59\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("CommPort: 1 (COM1 /nonexistent/tty)\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("PenColor: 255 (#FF0000)\n"), std::string::npos) << r.out;
    EXPECT_EQ(configFile(dir), "");
}

TEST(CliSettings, SetsWhatThePreferencesSet) {
    TempDir dir;
    auto r = runCli(dir, {"settings", "--port", "COM3", "--model", "GPS38J", "--pen-color", "#0000ff", "--pen-width",
                          "3", "--trace-mark", "FOOT", "--map-at-start", "yes", "--dms", "yes"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string conf = configFile(dir);
    for (const char* line : {"CommPort=3", "GPSModel=GPS38J", "GPSModelID=62", "GPSCharSet=2", "PenColor=16711680",
                             "PenWidth=3", "TraceMark=FOOT", "MapLoadWithStart=1", "TextCoordinateFormat=3"})
        EXPECT_NE(conf.find(line), std::string::npos) << line << "\n" << conf;

    r = runCli(dir, {"settings", "--dms", "no", "--model", "Hang Glider GPS"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("TextCoordinateFormat: 1\n"), std::string::npos);
    EXPECT_NE(r.out.find("GPSModelID: 59\n"), std::string::npos);
    EXPECT_NE(r.err.find("not in the model table"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("CommPort: 3"), std::string::npos) << "earlier settings stay";
}

TEST(CliSettings, BadValuesChangeNothing) {
    TempDir dir;
    const std::vector<std::vector<std::string>> bad = {
        {"--port", "COM12"},       {"--port", "COM0"},        {"--pen-width", "0"},      {"--pen-width", "wide"},
        {"--pen-color", "red"},    {"--trace-mark", "GLIDER"}, {"--dms", "maybe"},        {"--bogus"},
        {"--detect", "--model", "eTrex"}, {"extra"}, {"--map-port", "COM9=/dev/ttyS0"},
        {"--map-port", "COM2=ttyUSB0"}, {"--map-port", "COM2"}, {"--datum", "Atlantis"},
    };
    for (auto args : bad) {
        args.insert(args.begin(), {"settings", "--pen-width", "4"});
        const auto r = runCli(dir, args);
        EXPECT_EQ(r.status, 2) << args.back(); // a usage error
        EXPECT_EQ(configFile(dir), "") << args.back();
    }
}

// A port mapped from the command line leads where the preferences would
// lead it, stays mapped for later runs, and "auto" gives it its default back.
TEST(CliSettings, MapsAPortToADevice) {
    TempDir dir;
    const std::string device = (dir / "gps").string();
    test::writeFileBytes(device, "");
    auto r = runCli(dir, {"settings", "--map-port", "COM3=" + device});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(configFile(dir).find("COM3=" + device), std::string::npos) << configFile(dir);
    EXPECT_NE(r.out.find("COM3: " + device + "\n"), std::string::npos) << r.out;
    r = runCli(dir, {"settings", "--list-ports"});
    EXPECT_NE(r.out.find("COM3: " + device + "\n"), std::string::npos) << r.out;

    r = runCli(dir, {"settings", "--map-port", "COM1=" + device});
    EXPECT_NE(r.err.find("NUVREL_COM1 is set"), std::string::npos) << r.err;
    r = runCli(dir, {"settings", "--map-port", "3=auto"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.find("COM3: " + device), std::string::npos) << r.out;
    EXPECT_EQ(configFile(dir).find("COM3=/"), std::string::npos) << configFile(dir);
}

TEST(CliSettings, DetectWithoutReceiverFails) {
    TempDir dir;
    const auto r = runCli(dir, {"settings", "--detect", "--pen-width", "2"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("GPS doesn't respond"), std::string::npos) << r.err;
    EXPECT_EQ(configFile(dir), "");
}

#ifdef NUVREL_GPSSIM
TEST(CliSettings, DetectStoresTheReceiver) {
    TempDir dir;
    test::SimProcess sim({"--product-id", "154", "--software-version", "280"});
    ASSERT_TRUE(sim.started());

    const auto r = test::runProgram(NUVREL_CLI, {"settings", "--port", "2", "--detect"},
                                    {"XDG_CONFIG_HOME=" + (dir / "config").string(), "NUVREL_COM2=" + sim.path()});
    sim.stop();
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("detected: 154 "), std::string::npos) << r.out;
    const std::string conf = configFile(dir);
    for (const char* line : {"CommPort=2", "GPSModel=eTrex Venture", "GPSModelID=154", "GPSSoftwareVersion=280"})
        EXPECT_NE(conf.find(line), std::string::npos) << line << "\n" << conf;
}
#endif

// As a user without the serial group: each port with the device it reaches,
// then the devices present, by-id names first; a device the user may not open
// says so and names the group to join.
TEST(CliSettings, ListsPortsAndDevicesAsAPlainUser) {
    if (::access("/usr/bin/setpriv", X_OK) != 0 || ::getuid() != 0)
        GTEST_SKIP() << "needs root and setpriv to run as nobody";
    TempDir dir;
    namespace fs = std::filesystem;
    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    const fs::path dev = dir / "dev";
    fs::create_directories(dev / "serial/by-id");
    for (const char* name : {"ttyUSB0", "ttyACM0", "ttyS10", "ttyS2", "ttyS0", "tty0", "ttyUSBx"}) {
        test::writeFileBytes(dev / name, "");
        fs::permissions(dev / name, fs::perms(0666));
    }
    fs::create_symlink("../../ttyUSB0", dev / "serial/by-id/usb-GPS_Serial-if00-port0");
    fs::permissions(dev / "ttyUSB0", fs::perms(0660));
    ASSERT_EQ(::chown((dev / "ttyUSB0").c_str(), 0, 20), 0); // root:dialout
    fs::permissions(dev, fs::perms(0755));

    const std::string d = dev.string();
    const auto r = test::runProgram("/usr/bin/setpriv",
                                    {"--reuid=nobody", "--regid=nogroup", "--clear-groups", NUVREL_CLI, "settings",
                                     "--list-ports"},
                                    {"XDG_CONFIG_HOME=" + (dir / "config").string(), "NUVREL_DEV_DIR=" + d,
                                     "NUVREL_COM1=/nonexistent/tty", "NUVREL_COM2=" + d + "/ttyUSB0"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string denied = " (no permission to open it: add your user to the group 'dialout' (sudo usermod -aG "
                               "dialout $USER) and log in again)\n";
    EXPECT_EQ(r.out, "COM1: /nonexistent/tty (not present)\n"
                     "COM2: " + d + "/ttyUSB0" + denied +
                     "COM3: " + d + "/ttyS2\n"
                     "COM4: " + d + "/ttyS3 (not present)\n"
                     "COM5: " + d + "/ttyS4 (not present)\n"
                     "COM6: " + d + "/ttyS5 (not present)\n"
                     "COM7: " + d + "/ttyS6 (not present)\n"
                     "COM8: " + d + "/ttyS7 (not present)\n"
                     "Serial devices present:\n"
                     "  " + d + "/serial/by-id/usb-GPS_Serial-if00-port0" + denied +
                     "  " + d + "/ttyUSB0" + denied +
                     "  " + d + "/ttyACM0\n"
                     "  " + d + "/ttyS0\n"
                     "  " + d + "/ttyS2\n"
                     "  " + d + "/ttyS10\n");
}

} // namespace
} // namespace nuvrel
