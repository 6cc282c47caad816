#include "core/gps/control_packet.h"
#include "core/gps/garmin_record.h"
#include "core/gps/ift_rs232c.h"
#include "core/gps/packet.h"
#include "gps_test_support.h"

#include <gtest/gtest.h>

#include <vector>

namespace nuvrel {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes wireOf(Bytes packet) {
    Bytes out;
    FramePacket(packet.data(), packet.size(), out);
    return out;
}

// -- Writing ---------------------------------------------------------------

TEST(PacketWrite, ChecksumMakesTheSumAMultipleOf256) {
    Request posn(Cmnd_Transfer_Posn);
    Bytes wire;
    FramePacket(posn.Bytes(), posn.Length(), wire);
    EXPECT_EQ(wire, (Bytes{16, 10, 2, 2, 0, 242, 16, 3}));
    EXPECT_EQ(posn.Bytes()[5], 242); // the caller's packet gets the checksum too
}

TEST(PacketWrite, ProductRequestIsSixBytes) {
    EXPECT_EQ(wireOf({16, 254, 0, 0, 16, 3}), (Bytes{16, 254, 0, 2, 16, 3}));
}

TEST(PacketWrite, SixteensInSizeDataAndChecksumAreDoubledButNotTheFrame) {
    BeginTransfer records(16);
    Bytes wire;
    FramePacket(records.Bytes(), records.Length(), wire);
    EXPECT_EQ(wire, (Bytes{16, 27, 2, 16, 16, 0, 0xD3, 16, 3}));
    EXPECT_EQ(StuffedLength(records.Bytes(), records.Length()), 9u);

    // A size byte 16 and a checksum of 16 (16 + 16*1 + 240 + checksum == 0 mod 256).
    Bytes big(16 + 6, 1);
    big[0] = 16;
    big[1] = 240;
    big[2] = 16;
    big[20] = 16;
    big[21] = 3;
    wire = wireOf(big);
    EXPECT_EQ(PacketChecksum(big.data(), big.size()), 240); // 240 + 16 + 16 * 1 = 272
    EXPECT_EQ(wire[2], 16);
    EXPECT_EQ(wire[3], 16);
    EXPECT_EQ(wire.size(), big.size() + 1);

    Bytes cs16{16, 200, 1, 40, 0, 16, 3}; // 200 + 1 + 40 = 241, checksum 15... make it 16:
    cs16[3] = 39;                          // 200 + 1 + 39 = 240 -> checksum 16
    wire = wireOf(cs16);
    EXPECT_EQ(wire, (Bytes{16, 200, 1, 39, 16, 16, 16, 3}));
}

TEST(PacketWrite, AckCarriesTheIdentifierAsSixteenBits) {
    EXPECT_EQ(AckPacket(34), (std::array<std::uint8_t, 8>{16, 6, 2, 34, 0, 214, 16, 3}));
    EXPECT_EQ(CommandPacket(Cmnd_Transfer_Trk), (std::array<std::uint8_t, 8>{16, 10, 2, 6, 0, 238, 16, 3}));
}

Bytes bytesOf(const ControlPacket& p) {
    EXPECT_EQ(p.Length(), 8);
    return Bytes(p.Bytes(), p.Bytes() + p.Length());
}

TEST(PacketWrite, ControlPacketsHoldThePlaceholderUntilWritten) {
    EXPECT_EQ(bytesOf(Request(4)), (Bytes{16, 10, 2, 4, 0, 255, 16, 3}));
    EXPECT_EQ(bytesOf(BeginTransfer(300)), (Bytes{16, 27, 2, 44, 1, 255, 16, 3}));
    EXPECT_EQ(bytesOf(EndTransfer(7)), (Bytes{16, 12, 2, 7, 0, 255, 16, 3}));
    EXPECT_EQ(bytesOf(Request(-1))[4], 255);
}

TEST(PacketWrite, WritePacketIsOneWriteOfTheStuffedForm) {
    auto line = std::make_shared<MemoryLine>();
    IFTRS232C port(test::MemoryPorts(line, {{"NUVREL_COM1", "/dev/fake"}}));
    BeginTransfer records(16);
    EXPECT_EQ(port.WritePacket(records.Bytes(), 8), -1); // closed
    ASSERT_EQ(port.OpenPort(1), 1);
    EXPECT_EQ(port.WritePacket(records.Bytes(), 8), 9);
    EXPECT_EQ(line->output, (Bytes{16, 27, 2, 16, 16, 0, 0xD3, 16, 3}));
    std::uint8_t shortPacket[5] = {16, 1, 0, 16, 3};
    EXPECT_EQ(port.WritePacket(shortPacket, 5), -1);
}

TEST(GarminRecordTest, SendCountsSuccessOnlyForTheWholeStuffedPacket) {
    auto line = std::make_shared<MemoryLine>();
    GarminRecord rec(test::MemoryPorts(line, {{"NUVREL_COM2", "/dev/fake"}}), 2);
    ASSERT_EQ(rec.opened(), 1);
    BeginTransfer records(16);
    EXPECT_EQ(rec.SendPacket(records.Bytes(), 8), 8);

    // A packet whose only 16 is its checksum: the stuffed length must count it.
    std::uint8_t cs16[7] = {16, 200, 1, 39, 255, 16, 3};
    EXPECT_EQ(rec.SendPacket(cs16, 7), 7);

    line->writeLimit = long(line->output.size()) + 5; // the line takes only part
    EXPECT_EQ(rec.SendPacket(records.Bytes(), 8), 0);

    GarminRecord none(test::MemoryPorts(line), 0);
    EXPECT_EQ(none.opened(), 0);
    EXPECT_EQ(none.port(), nullptr);
    EXPECT_EQ(none.SendPacket(records.Bytes(), 8), 0);
    EXPECT_EQ(none.ReceiveId(), 0);
}

TEST(GarminRecordTest, ReceiveIdAndAck) {
    auto line = std::make_shared<MemoryLine>();
    line->feed({16, 6, 2, 10, 0, 0xEE, 16, 3});
    line->feed(wireOf({16, 35, 3, 1, 2, 3, 0, 16, 3})); // too long for 8 bytes
    GarminRecord rec(test::MemoryPorts(line, {{"NUVREL_COM1", "/x"}}), 1);
    EXPECT_EQ(rec.ReceiveId(), 6);
    EXPECT_EQ(rec.ReceiveId(), 0);
    EXPECT_EQ(rec.ReceiveId(), 0); // nothing more: time-out
    EXPECT_EQ(rec.SendAck(35), 8);
    EXPECT_EQ(line->output, (Bytes{16, 6, 2, 35, 0, 0xD5, 16, 3}));
}

TEST(GarminRecordTest, SemicirclesToDegrees) {
    EXPECT_DOUBLE_EQ(GarminRecord::SemicirclesToDegrees(0), 0.0);
    EXPECT_DOUBLE_EQ(GarminRecord::SemicirclesToDegrees(1073741824), 90.0);
    EXPECT_DOUBLE_EQ(GarminRecord::SemicirclesToDegrees(-2147483647 - 1), -180.0);
    EXPECT_NEAR(GarminRecord::SemicirclesToDegrees(423531497), 35.5, 1e-7);
}

// -- Reading: a table of named byte sequences ------------------------------

struct ReadCase {
    const char* name;
    Bytes wire;
    std::size_t capacity;
    // Expected packets, in order, then the status of the read after them.
    std::vector<Bytes> packets;
    FrameStatus endStatus;
    bool checksumOk = true;
};

class ReadTable : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadTable, Reads) {
    const ReadCase& c = GetParam();
    std::size_t pos = 0;
    auto source = [&]() -> int { return pos < c.wire.size() ? c.wire[pos++] : -1; };
    std::vector<std::uint8_t> buf(c.capacity, 0xEE);
    for (const Bytes& want : c.packets) {
        FrameResult r = ReadFrame(source, buf.data(), buf.size());
        ASSERT_EQ(r.status, FrameStatus::Ok) << c.name;
        ASSERT_EQ(std::size_t(r.length), want.size()) << c.name;
        EXPECT_EQ(Bytes(buf.begin(), buf.begin() + r.length), want) << c.name;
        EXPECT_EQ(r.checksumOk, c.checksumOk) << c.name;
    }
    FrameResult end = ReadFrame(source, buf.data(), buf.size());
    EXPECT_EQ(end.status, c.endStatus) << c.name;
    EXPECT_EQ(end.length, 0) << c.name;
}

const Bytes kAck{16, 6, 2, 254, 0, 0xFA, 16, 3};
const Bytes kRecords16Wire{16, 27, 2, 16, 16, 0, 0xD3, 16, 3};
const Bytes kRecords16{16, 27, 2, 16, 0, 0xD3, 16, 3};

Bytes size16Packet() {
    Bytes p{16, 34, 16};
    for (int i = 0; i < 16; ++i)
        p.push_back(std::uint8_t(i == 5 ? 16 : i));
    p.push_back(0);
    p.push_back(16);
    p.push_back(3);
    p[19] = PacketChecksum(p.data(), p.size());
    return p;
}

Bytes size255Packet() {
    Bytes p{16, 35, 255};
    p.resize(3 + 255, 0x41);
    p.push_back(0);
    p.push_back(16);
    p.push_back(3);
    p[3 + 255] = PacketChecksum(p.data(), p.size());
    return p;
}

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes cut(Bytes b, std::size_t n) {
    b.resize(n);
    return b;
}

INSTANTIATE_TEST_SUITE_P(
    Framing, ReadTable,
    ::testing::Values(
        ReadCase{"plain_ack", kAck, 128, {kAck}, FrameStatus::TimedOut},
        ReadCase{"product_request_size_0", {16, 254, 0, 2, 16, 3}, 128, {{16, 254, 0, 2, 16, 3}}, FrameStatus::TimedOut},
        ReadCase{"doubled_16_in_data", kRecords16Wire, 128, {kRecords16}, FrameStatus::TimedOut},
        ReadCase{"size_byte_16", wireOf(size16Packet()), 128, {size16Packet()}, FrameStatus::TimedOut},
        ReadCase{"checksum_16", {16, 200, 1, 39, 16, 16, 16, 3}, 128, {{16, 200, 1, 39, 16, 16, 3}}, FrameStatus::TimedOut},
        ReadCase{"leading_garbage", concat({{0x00, 0x41, 0xFF, 0x03}, kAck}), 128, {kAck}, FrameStatus::TimedOut},
        ReadCase{"leading_tail_of_earlier_packet", concat({{0x33, 16, 3}, kAck}), 128, {kAck}, FrameStatus::TimedOut},
        ReadCase{"leading_stuffed_pair", concat({{16, 16, 0x20}, kAck}), 128, {kAck}, FrameStatus::TimedOut},
        ReadCase{"back_to_back", concat({kAck, kRecords16Wire, kAck}), 128, {kAck, kRecords16, kAck},
                 FrameStatus::TimedOut},
        ReadCase{"cut_after_identifier", {16, 34}, 128, {}, FrameStatus::TimedOut},
        ReadCase{"cut_in_data", cut(wireOf(size16Packet()), 10), 128, {}, FrameStatus::TimedOut},
        ReadCase{"cut_between_doubled_16", {16, 27, 2, 16}, 128, {}, FrameStatus::TimedOut},
        ReadCase{"cut_before_end_bytes", {16, 6, 2, 254, 0, 0xFA, 16}, 128, {}, FrameStatus::TimedOut},
        ReadCase{"bad_checksum_delivered", {16, 6, 2, 254, 0, 0x00, 16, 3}, 128, {{16, 6, 2, 254, 0, 0x00, 16, 3}},
                 FrameStatus::TimedOut, false},
        ReadCase{"wrong_end_bytes_delivered", {16, 6, 2, 254, 0, 0xFA, 0, 0}, 128, {{16, 6, 2, 254, 0, 0xFA, 0, 0}},
                 FrameStatus::TimedOut},
        // A size that claims more data than comes swallows the next packet and then runs dry.
        ReadCase{"bad_length", concat({{16, 6, 20, 254, 0, 0xFA, 16, 3}, kAck}), 128, {}, FrameStatus::TimedOut},
        ReadCase{"larger_than_buffer_then_next", concat({wireOf(size16Packet()), kAck}), 8, {}, FrameStatus::TooLong},
        ReadCase{"largest_packet_fits_262", wireOf(size255Packet()), 262, {size255Packet()}, FrameStatus::TimedOut},
        ReadCase{"largest_packet_in_128", wireOf(size255Packet()), 128, {}, FrameStatus::TooLong},
        ReadCase{"endless_garbage", Bytes(4000, 0x55), 128, {}, FrameStatus::NoStart},
        ReadCase{"nothing", {}, 128, {}, FrameStatus::TimedOut}),
    [](const ::testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });

TEST(PacketRead, TooLongPacketIsReadToItsEndSoTheNextOneIsInStep) {
    Bytes wire = concat({wireOf(size255Packet()), kAck});
    std::size_t pos = 0;
    auto source = [&]() -> int { return pos < wire.size() ? wire[pos++] : -1; };
    std::uint8_t small[16];
    EXPECT_EQ(ReadFrame(source, small, sizeof small).status, FrameStatus::TooLong);
    FrameResult r = ReadFrame(source, small, sizeof small);
    ASSERT_EQ(r.status, FrameStatus::Ok);
    EXPECT_EQ(Bytes(small, small + 8), kAck);
}

TEST(PacketRead, GuardBytesAroundTheBufferStayUntouched) {
    for (std::size_t cap : {0u, 1u, 3u, 7u, 8u, 22u}) {
        Bytes wire = wireOf(size16Packet());
        std::size_t pos = 0;
        auto source = [&]() -> int { return pos < wire.size() ? wire[pos++] : -1; };
        Bytes mem(cap + 16, 0xAB);
        ReadFrame(source, mem.data() + 8, cap);
        for (std::size_t i = 0; i < 8; ++i) {
            EXPECT_EQ(mem[i], 0xAB) << cap;
            EXPECT_EQ(mem[8 + cap + i], 0xAB) << cap;
        }
    }
}

TEST(PacketRead, ReadPacketThroughThePort) {
    auto line = std::make_shared<MemoryLine>();
    line->feed(kRecords16Wire);
    line->feed({0xFF, 16, 34}); // a byte 255 of garbage, then a packet that stops after its identifier
    IFTRS232C port(test::MemoryPorts(line, {{"NUVREL_COM1", "/dev/fake"}}));
    std::uint8_t buf[128];
    EXPECT_EQ(port.ReadPacket(buf), 0); // closed
    ASSERT_EQ(port.OpenPort(1), 1);
    EXPECT_EQ(port.ReadPacket(buf), 8);
    EXPECT_EQ(Bytes(buf, buf + 8), kRecords16);
    EXPECT_EQ(port.lastReadStatus(), FrameStatus::Ok);
    EXPECT_EQ(port.ReadPacket(buf), 0);
    EXPECT_EQ(port.lastReadStatus(), FrameStatus::TimedOut);
}

TEST(PacketRead, ByteValue255IsNotTheTimeOut) {
    auto line = std::make_shared<MemoryLine>();
    line->feed({255, 0});
    IFTRS232C port(test::MemoryPorts(line, {{"NUVREL_COM1", "/dev/fake"}}));
    ASSERT_EQ(port.OpenPort(1), 1);
    EXPECT_EQ(port.ReadByte(), 255);
    EXPECT_EQ(port.ReadByte(), 0);
    EXPECT_EQ(port.ReadByte(), -1);
}

} // namespace
} // namespace nuvrel
