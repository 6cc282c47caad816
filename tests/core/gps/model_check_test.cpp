#include "core/ift_option.h"
#include "core/app/gps_commands.h"
#include "core/gps/model_check.h"
#include "core/gps/packet.h"
#include "core/gps/product_request.h"
#include "gps_test_support.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace nuvrel {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes frame(std::uint8_t id, Bytes data) {
    Bytes p{kDLE, id, std::uint8_t(data.size())};
    p.insert(p.end(), data.begin(), data.end());
    p.push_back(0);
    p.push_back(kDLE);
    p.push_back(kETX);
    Bytes wire;
    FramePacket(p.data(), p.size(), wire);
    return wire;
}

Bytes productData(std::int16_t id, std::int16_t version, const std::string& text) {
    Bytes d{std::uint8_t(id), std::uint8_t(std::uint16_t(id) >> 8), std::uint8_t(version),
            std::uint8_t(std::uint16_t(version) >> 8)};
    d.insert(d.end(), text.begin(), text.end());
    return frame(Pid_Product_Data, d);
}

const Bytes kAckOfRequest{16, 6, 2, 254, 0, 0xFA, 16, 3};

struct Receiver {
    std::shared_ptr<MemoryLine> line = std::make_shared<MemoryLine>();
    SerialPorts ports = test::MemoryPorts(line, {{"NUVREL_COM1", "/dev/sim"}});
};

TEST(ProductRequest, OldReceiverWithoutFurtherPacket) {
    Receiver r;
    r.line->feed(kAckOfRequest);
    r.line->feed(productData(87, 460, std::string("GPS 12 Software Version 4.60\0junk", 34)));
    const ProductData p = RequestProductData(r.ports, 1);
    EXPECT_TRUE(p.ok);
    EXPECT_EQ(p.productId, 87);
    EXPECT_EQ(p.softwareVersion, 460);
    EXPECT_EQ(p.description, "GPS 12 Software Version 4.60");
    EXPECT_TRUE(p.protocols.empty());
    Bytes want{16, 254, 0, 2, 16, 3, 16, 6, 2, 255, 0, 0xF9, 16, 3};
    EXPECT_EQ(r.line->output, want);
}

TEST(ProductRequest, NewReceiverSendsItsProtocols) {
    Receiver r;
    r.line->feed(kAckOfRequest);
    r.line->feed(productData(169, -2, "eTrex Vista"));
    r.line->feed(frame(Pid_Protocol_Array, {'P', 0, 0, 'L', 1, 0, 'A', 100, 0, 'D', 108, 0}));
    const ProductData p = RequestProductData(r.ports, 1);
    EXPECT_TRUE(p.ok);
    EXPECT_EQ(p.softwareVersion, -2); // sign-extended
    EXPECT_EQ(p.protocols, (std::vector<std::string>{"P000", "L001", "A100", "D108"}));
    const auto ack253 = AckPacket(Pid_Protocol_Array);
    EXPECT_TRUE(std::equal(ack253.begin(), ack253.end(), r.line->output.end() - 8));
}

TEST(ProductRequest, UnrelatedPacketsBeforeTheProductDataAreAcknowledgedAndSkipped) {
    Receiver r;
    r.line->feed(kAckOfRequest);
    r.line->feed(frame(0x55, {1, 2, 16, 4}));
    r.line->feed(productData(130, 300, "eTrex"));
    const ProductData p = RequestProductData(r.ports, 1);
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.productId, 130);
}

TEST(ProductRequest, Failures) {
    {
        Receiver r; // silent
        EXPECT_FALSE(RequestProductData(r.ports, 1).ok);
        EXPECT_EQ(r.line->output, (Bytes{16, 254, 0, 2, 16, 3}));
    }
    {
        Receiver r; // acknowledges, then nothing
        r.line->feed(kAckOfRequest);
        const ProductData p = RequestProductData(r.ports, 1);
        EXPECT_FALSE(p.ok);
        EXPECT_EQ(p.productId, -1);
        EXPECT_EQ(p.softwareVersion, -1);
        EXPECT_EQ(p.description, "");
    }
    {
        Receiver r; // a port that names no device
        EXPECT_FALSE(RequestProductData(r.ports, 12).ok);
        EXPECT_TRUE(r.line->opened.empty());
    }
    {
        Receiver r; // a flood of acknowledgements never gets to product data
        for (int i = 0; i < 20; ++i)
            r.line->feed(kAckOfRequest);
        EXPECT_FALSE(RequestProductData(r.ports, 1).ok);
    }
}

TEST(ProductRequest, ShortProductDataLeavesMissingFields) {
    Receiver r;
    r.line->feed(kAckOfRequest);
    r.line->feed(frame(Pid_Product_Data, {59}));
    const ProductData p = RequestProductData(r.ports, 1);
    EXPECT_TRUE(p.ok);
    EXPECT_EQ(p.productId, -1);
    EXPECT_EQ(p.description, "");
}

struct CheckFixture {
    test::MemorySettingsStore settings;
    test::RecordingPrompts prompts;
    Receiver r;
};

TEST(ModelCheck, MatchingReceiverAsksNothing) {
    CheckFixture f;
    f.r.line->feed(kAckOfRequest);
    f.r.line->feed(productData(59, 300, "GPS II"));
    IFTOption option(f.settings);
    EXPECT_TRUE(RunModelCheck(f.r.ports, option, f.prompts));
    EXPECT_TRUE(f.prompts.entries.empty());
}

TEST(ModelCheck, MismatchBeepsAndAsks) {
    for (bool yes : {true, false}) {
        CheckFixture f;
        f.r.line->feed(kAckOfRequest);
        f.r.line->feed(productData(169, 300, "eTrex Vista"));
        f.prompts.answers.push_back(yes);
        IFTOption option(f.settings);
        EXPECT_EQ(RunModelCheck(f.r.ports, option, f.prompts), yes);
        ASSERT_EQ(f.prompts.entries.size(), 2u);
        EXPECT_EQ(f.prompts.entries[0].kind, "beep");
        EXPECT_EQ(f.prompts.entries[1].kind, "question");
        EXPECT_EQ(f.prompts.entries[1].title, "Confirm");
        EXPECT_EQ(f.prompts.entries[1].text, "Mismatch GPS Type. Do you wish to continue?");
    }
}

TEST(ModelCheck, NoAnswerShowsError2) {
    CheckFixture f;
    IFTOption option(f.settings);
    EXPECT_FALSE(RunModelCheck(f.r.ports, option, f.prompts));
    EXPECT_EQ(f.prompts.errors(), std::vector<int>{2});
    // The message keeps its first line and says where it looked and what to check.
    const std::string& text = f.prompts.entries[0].text;
    EXPECT_EQ(text.substr(0, text.find('\n')), "GPS doesn't respond");
    for (const char* part : {"Port: COM1 (/dev/sim)", "switched off", "cable", "NMEA", "not on COM1"})
        EXPECT_NE(text.find(part), std::string::npos) << part << " in " << text;
}

TEST(ModelCheck, StoredPortTwelveNamesNoDevice) {
    CheckFixture f;
    f.settings.keys[kSettingsKeyPath]["CommPort"] = std::int32_t(12);
    f.r.line->feed(kAckOfRequest);
    f.r.line->feed(productData(59, 300, "GPS II"));
    IFTOption option(f.settings);
    ASSERT_EQ(option.CommPort(), 12);
    EXPECT_FALSE(RunModelCheck(f.r.ports, option, f.prompts));
    EXPECT_EQ(f.prompts.errors(), std::vector<int>{2});
    EXPECT_NE(f.prompts.entries[0].text.find("Port: COM12 (no such port)"), std::string::npos);
    EXPECT_TRUE(f.r.line->opened.empty());
}

TEST(ModelCheck, StoreDetectedModel) {
    test::MemorySettingsStore settings;
    IFTOption option(settings);
    StoreDetectedModel(option, ProductData{true, 105, 250, "GPS 12XL Japanese", {}});
    EXPECT_EQ(option.GPSModel(), "GPS12XLJ");
    EXPECT_EQ(option.GPSModelID(), 105);
    EXPECT_EQ(option.GPSCharSet(), 2);
    EXPECT_EQ(option.GPSSoftwareVersion(), 250);
    StoreDetectedModel(option, ProductData{true, 4321, 100, "?", {}});
    EXPECT_EQ(option.GPSModel(), "GPS II");
    EXPECT_EQ(option.GPSModelID(), 4321);
    EXPECT_EQ(option.GPSCharSet(), 1);
}

} // namespace
} // namespace nuvrel
