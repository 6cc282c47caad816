#include "core/gps/ift_rs232c.h"
#include "gps_test_support.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <sstream>

namespace nuvrel {
namespace {

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        out.push_back(l.substr(24)); // after "YYYY-MM-DD HH:MM:SS.mmm "
    return out;
}

TEST(LinkLog, EveryFrameWithItsDirectionAndFailures) {
    test::TempDir dir;
    const auto log = dir / "link.log";
    auto line = std::make_shared<MemoryLine>();
    line->feed({0x00, 16, 6, 2, 10, 0, 0xEE, 16, 3}); // garbage, then an acknowledgement
    line->feed({16, 27, 2, 16, 16, 0, 0xD3, 16, 3});
    line->feed({16, 6, 2, 0, 0, 0x12, 16, 3});         // bad checksum
    line->feed({16, 35, 9, 1});                        // cut short
    {
        IFTRS232C port(test::MemoryPorts(line, {{"NUVREL_COM2", "/dev/sim"}, {"NUVREL_LINK_LOG", log.string()}}));
        ASSERT_EQ(port.OpenPort(2), 1);
        std::uint8_t cmd[8] = {16, 10, 2, 6, 0, 0, 16, 3};
        port.WritePacket(cmd, 8);
        std::uint8_t buf[128];
        for (int i = 0; i < 4; ++i)
            port.ReadPacket(buf);
    }
    const auto l = lines(test::readFileBytes(log));
    ASSERT_EQ(l.size(), 7u);
    EXPECT_EQ(l[0], "COM2 open /dev/sim");
    EXPECT_EQ(l[1], "COM2 host>gps 10 0A 02 06 00 EE 10 03");
    EXPECT_EQ(l[2], "COM2 gps>host 00 10 06 02 0A 00 EE 10 03");
    EXPECT_EQ(l[3], "COM2 gps>host 10 1B 02 10 10 00 D3 10 03");
    EXPECT_EQ(l[4], "COM2 gps>host 10 06 02 00 00 12 10 03 (bad checksum)");
    EXPECT_EQ(l[5], "COM2 gps>host 10 23 09 01 (timed out)");
    EXPECT_EQ(l[6], "COM2 close /dev/sim");
}

TEST(LinkLog, NothingWrittenWithoutTheSwitchAndAppendsAcrossPorts) {
    test::TempDir dir;
    const auto log = dir / "link.log";
    auto line = std::make_shared<MemoryLine>();
    for (int round = 0; round < 2; ++round) {
        IFTRS232C port(test::MemoryPorts(line, {{"NUVREL_COM1", "/dev/x"}, {"NUVREL_LINK_LOG", log.string()}}));
        ASSERT_EQ(port.OpenPort(1), 1);
    }
    EXPECT_EQ(lines(test::readFileBytes(log)).size(), 4u);
    IFTRS232C quiet(test::MemoryPorts(line, {{"NUVREL_COM1", "/dev/x"}}));
    ASSERT_EQ(quiet.OpenPort(1), 1);
    std::uint8_t ack[8] = {16, 6, 2, 1, 0, 0, 16, 3};
    quiet.WritePacket(ack, 8);
    EXPECT_EQ(lines(test::readFileBytes(log)).size(), 4u);
}

} // namespace
} // namespace nuvrel
