// The product request and the model check against the simulator on a real
// pseudo-terminal.
#include "core/ift_option.h"
#include "core/gps/ift_rs232c.h"
#include "core/app/gps_commands.h"
#include "core/gps/model_check.h"
#include "core/gps/product_request.h"
#include "sim_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sys/resource.h>

namespace nuvrel {
namespace {

using test::SimProcess;
using Clock = std::chrono::steady_clock;

long cpuMs() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000L + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000L;
}

long msSince(Clock::time_point t) {
    return long(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count());
}

TEST(ProductLink, NewFormatModelsAnswerWithProductDataAndProtocols) {
    for (int id : {169, 177, 153}) {
        SimProcess sim({"--product-id", std::to_string(id), "--software-version", "300"});
        ASSERT_TRUE(sim.started());
        const auto t0 = Clock::now();
        const ProductData p = RequestProductData(sim.ports(), 1);
        EXPECT_LT(msSince(t0), 1500) << "a new-format unit answers at once";
        ASSERT_TRUE(p.ok) << id;
        EXPECT_EQ(p.productId, id);
        EXPECT_EQ(p.softwareVersion, 300);
        EXPECT_NE(p.description.find("Software Version 3.00"), std::string::npos) << p.description;
        ASSERT_FALSE(p.protocols.empty());
        EXPECT_EQ(p.protocols.front(), "P000");
        EXPECT_EQ(sim.recordLines("ack id=255").size(), 1u); // the host acknowledged the product data
        EXPECT_TRUE(sim.waitForRecord("ack id=253")); // and the protocol list
        EXPECT_EQ(sim.stop(), 0);
    }
}

TEST(ProductLink, OldModelSendsNoFurtherPacketAndStillCounts) {
    SimProcess sim({"--product-id", "87", "--software-version", "460"});
    ASSERT_TRUE(sim.started());
    const ProductData p = RequestProductData(sim.ports(), 1);
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.productId, 87);
    EXPECT_EQ(p.softwareVersion, 460);
    EXPECT_EQ(p.description, "GPS 12 Software Version 4.60");
    EXPECT_TRUE(p.protocols.empty());
}

TEST(ProductLink, StuffedSixteenInTheVersionAndUnknownPackets) {
    // 272 = 0x0110: the low byte of the version goes out doubled.
    SimProcess sim({"--product-id", "111", "--software-version", "272", "--unknown-packets"});
    ASSERT_TRUE(sim.started());
    const ProductData p = RequestProductData(sim.ports(), 1);
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.productId, 111);
    EXPECT_EQ(p.softwareVersion, 272);
    EXPECT_EQ(sim.recordLines("ack id=91").size(), 1u); // the unknown packet was acknowledged
}

TEST(ProductLink, CorruptChecksumIsAcceptedUnchanged) {
    // Packet 1 is the acknowledgement of the request, packet 2 the product data.
    SimProcess sim({"--product-id", "169", "--corrupt-checksum", "2"});
    ASSERT_TRUE(sim.started());
    const ProductData p = RequestProductData(sim.ports(), 1);
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.productId, 169);
}

TEST(ProductLink, ModelCheckMatchingAndMismatching) {
    SimProcess sim({"--product-id", "169"});
    ASSERT_TRUE(sim.started());
    test::MemorySettingsStore settings;
    IFTOption option(settings);
    {
        test::RecordingPrompts prompts; // default model 59: a mismatch, answered No
        EXPECT_FALSE(RunModelCheck(sim.ports(), option, prompts));
        ASSERT_EQ(prompts.count("beep"), 1);
        ASSERT_EQ(prompts.count("question"), 1);
        EXPECT_EQ(prompts.entries.back().title, "Confirm");
        EXPECT_EQ(prompts.entries.back().text, "Mismatch GPS Type. Do you wish to continue?");
    }
    {
        test::RecordingPrompts prompts;
        prompts.answers.push_back(true);
        EXPECT_TRUE(RunModelCheck(sim.ports(), option, prompts));
    }
    {
        option.SetGPSModelID(169);
        test::RecordingPrompts prompts;
        EXPECT_TRUE(RunModelCheck(sim.ports(), option, prompts));
        EXPECT_TRUE(prompts.entries.empty());
    }
    EXPECT_EQ(sim.recordLines("productrqst").size(), 3u);
}

TEST(ProductLink, SilentReceiverTimesOutAfterTwoSecondsWithoutSpinning) {
    SimProcess sim({"--silent"});
    ASSERT_TRUE(sim.started());
    {
        IFTRS232C port(sim.ports());
        ASSERT_EQ(port.OpenPort(1), 1);
        const long cpu0 = cpuMs();
        const auto t0 = Clock::now();
        EXPECT_EQ(port.ReadByte(), -1);
        const long wall = msSince(t0);
        EXPECT_GE(wall, 2000);
        EXPECT_LT(wall, 2600);
        EXPECT_LT(cpuMs() - cpu0, 200) << "waiting must not busy-loop";
    }
    test::MemorySettingsStore settings;
    IFTOption option(settings);
    test::RecordingPrompts prompts;
    const auto t0 = Clock::now();
    EXPECT_FALSE(RunModelCheck(sim.ports(), option, prompts));
    const long wall = msSince(t0);
    EXPECT_GE(wall, 2000);
    EXPECT_LT(wall, 3000) << "one byte's time-out, not more";
    EXPECT_EQ(prompts.errors(), std::vector<int>{2});
}

TEST(ProductLink, StallInTheMiddleOfTheProductData) {
    SimProcess sim({"--product-id", "169", "--stall-mid-packet", "2"});
    ASSERT_TRUE(sim.started());
    const auto t0 = Clock::now();
    const ProductData p = RequestProductData(sim.ports(), 1);
    EXPECT_FALSE(p.ok);
    EXPECT_LT(msSince(t0), 3000);
    EXPECT_EQ(sim.recordLines("stalled packet=2").size(), 1u);
}

TEST(ProductLink, PortNamedInTheEnvironmentOfTheProcess) {
    SimProcess sim({"--product-id", "177"});
    ASSERT_TRUE(sim.started());
    ::setenv("NUVREL_COM4", sim.path().c_str(), 1);
    const ProductData p = RequestProductData(SerialPorts::System(nullptr), 4);
    ::unsetenv("NUVREL_COM4");
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.productId, 177);
}

TEST(ProductLink, SimulatorLinkOptionAndCleanExit) {
    test::TempDir dir;
    const auto link = dir / "gps";
    SimProcess sim({"--product-id", "130", "--link", link.string()});
    ASSERT_TRUE(sim.started());
    EXPECT_EQ(std::filesystem::read_symlink(link).string(), sim.path());
    SerialPorts ports = sim.ports({{"NUVREL_COM1", link.string()}});
    ports.environment = [&](const std::string& n) -> std::optional<std::string> {
        if (n == "NUVREL_COM1")
            return link.string();
        return std::nullopt;
    };
    EXPECT_TRUE(RequestProductData(ports, 1).ok);
    EXPECT_EQ(sim.stop(), 0);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
}

} // namespace
} // namespace nuvrel
