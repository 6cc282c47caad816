// Waypoint packets in every record layout, the sending rules for positions
// and altitudes, the receiver's Japanese name codes and the route header.
#include "core/codepage.h"
#include "core/gps/packet.h"
#include "core/gps/receiver_text.h"
#include "core/gps/route_transfer.h"
#include "core/gps/waypoint.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace nuvrel {
namespace {

constexpr std::int32_t kD100 = 59, kD103 = 87, kD104 = 72, kD108 = 130, kEmap = 111, kJapaneseD103 = 105,
                       kJapaneseD108 = 153;

float floatAt(const Waypoint& w, std::size_t dataOffset) {
    float f;
    std::memcpy(&f, w.PacketBytes() + 3 + dataOffset, 4);
    return f;
}

Waypoint build(std::int32_t model, std::int32_t version, const char* name, const char* comment = "",
               float altitude = 0) {
    return Waypoint(Pid_Wpt_Data, 35.5, -120.25, name, comment, model, version, 7, 3, 150.5f, altitude);
}

TEST(ReceiverText, SemicirclesSendingRule) {
    EXPECT_EQ(DegreesToSemicircles(35.5), 423531497);
    EXPECT_EQ(DegreesToSemicircles(-35.5), -423531496);
    EXPECT_EQ(DegreesToSemicircles(0), 0);
    // -0.5 semicircle plus 0.5 is whole: 0, not 1.
    EXPECT_EQ(DegreesToSemicircles(-0.5 * 180.0 / 2147483648.0), 0);
    EXPECT_EQ(DegreesToSemicircles(180), 2147483647);
    EXPECT_EQ(DegreesToSemicircles(-400), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(DegreesToSemicircles(std::nan("")), 0);
}

TEST(ReceiverText, AltitudeRule) {
    EXPECT_EQ(ReceiverAltitude(1.0e25f), -9999.0f);
    EXPECT_EQ(ReceiverAltitude(-10000.0f), -9999.0f);
    EXPECT_EQ(ReceiverAltitude(std::nanf("")), -9999.0f);
    EXPECT_EQ(ReceiverAltitude(99999.0f), 99999.0f);
    EXPECT_EQ(ReceiverAltitude(-9999.0f), -9999.0f);
    EXPECT_EQ(ReceiverAltitude(1450.5f), 1450.5f);
}

TEST(ReceiverText, JapaneseNameCodes) {
    EXPECT_EQ(ReceiverCodeToChar(0), 0);
    EXPECT_EQ(ReceiverCodeToChar(1), ' ');
    EXPECT_EQ(ReceiverCodeToChar(33), 177);
    EXPECT_EQ(ReceiverCodeToChar(77), 221);
    EXPECT_EQ(ReceiverCodeToChar(78), 166);
    EXPECT_EQ(ReceiverCodeToChar(80), 173);
    EXPECT_EQ(ReceiverCodeToChar(82), '0');
    EXPECT_EQ(ReceiverCodeToChar(91), '9');
    EXPECT_EQ(ReceiverCodeToChar(92), '-');
    EXPECT_EQ(ReceiverCodeToChar(93), 223);
    EXPECT_EQ(ReceiverCodeToChar(94), 222);
    EXPECT_EQ(ReceiverCodeToChar(127), ' ');
    EXPECT_EQ(ReceiverCodeToChar(128), '?');
    EXPECT_EQ(ReceiverCodeToChar(255), '?');

    EXPECT_EQ(CharToReceiverCode(0), 0);
    EXPECT_EQ(CharToReceiverCode(' '), 32);
    EXPECT_EQ(CharToReceiverCode('0'), 82);
    EXPECT_EQ(CharToReceiverCode('1'), 83);
    EXPECT_EQ(CharToReceiverCode(192), 48);
    EXPECT_EQ(CharToReceiverCode(173), 80);
    EXPECT_EQ(CharToReceiverCode(221), 77);
    // Every character the receiver sends goes back as the same code.
    for (int code = 32; code <= 94; ++code)
        EXPECT_EQ(CharToReceiverCode(ReceiverCodeToChar(std::uint8_t(code))), code) << code;
    // What it cannot show goes as "0": Latin letters, kanji bytes.
    for (int c : {int('A'), int('z'), int('?'), 0x95, 0xE5})
        EXPECT_EQ(CharToReceiverCode(std::uint8_t(c)), 82) << c;
    EXPECT_EQ(ReceiverShownName("\xCC\xBC\xDE\xBB\xDD-1"), "\xCC\xBC\xDE\xBB\xDD-1"); // ﾌｼﾞｻﾝ-1
    EXPECT_EQ(ReceiverShownName("A\x95\x78"), "000");                                        // A富
}

TEST(WaypointPacket, NamesAndCommentsAreCutOnCharacters) {
    struct Case {
        std::int32_t model;
        CodePage page;
        const char* name;
        const char* comment;
        std::string sentName, sentComment;
    };
    const std::string longComment = std::string(39, 'c') + "\x8E\x52";
    const Case cases[] = {
        // Comments hold the receiver's own characters: CP932 for the Japanese models.
        {kJapaneseD103, CodePage::Cp932, "A", longComment.c_str(), "", std::string(39, 'c') + " "},
        {kJapaneseD103, CodePage::Utf8, "A", longComment.c_str(), "", std::string(39, 'c') + " "},
        {kD108, CodePage::Utf8, "ABCDEFGHIJK", "", "ABCDEFGHIJ", ""},
    };
    for (const Case& c : cases) {
        setActiveCodePage(c.page);
        const Waypoint w = build(c.model, 300, c.name, c.comment);
        const std::uint8_t* d = w.PacketBytes() + 3;
        const std::size_t at = w.format() == WaypointFormat::D108 ? 48 : 0;
        if (!c.sentName.empty()) {
            EXPECT_EQ(std::string(reinterpret_cast<const char*>(d + at), c.sentName.size()), c.sentName);
        }
        if (!c.sentComment.empty()) {
            EXPECT_EQ(std::string(reinterpret_cast<const char*>(d + 18), 40), c.sentComment);
        }
    }
    setActiveCodePage(CodePage::Utf8);
}

TEST(WaypointPacket, OlderLayouts) {
    const Waypoint d100 = build(kD100, 300, "abcdefgh", "a comment");
    ASSERT_EQ(d100.PacketLength(), 64);
    const std::uint8_t* p = d100.PacketBytes();
    EXPECT_EQ(p[0], 16);
    EXPECT_EQ(p[1], Pid_Wpt_Data);
    EXPECT_EQ(p[2], 58);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(p + 3), 6), "abcdef");
    EXPECT_EQ(GetI32(p + 9), 423531497);
    EXPECT_EQ(d100.LongitudeSemicircles(), DegreesToSemicircles(-120.25));
    EXPECT_EQ(GetU32(p + 17), 0u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(p + 21), 40), "a comment" + std::string(31, ' '));
    EXPECT_EQ(p[61], 255);
    EXPECT_EQ(p[62], 16);
    EXPECT_EQ(p[63], 3);
    EXPECT_EQ(d100.SymbolValue(), 0);
    EXPECT_EQ(d100.DisplayValue(), 0);
    EXPECT_EQ(d100.NameText(), "abcdef");

    const Waypoint shortName = build(kD100, 300, "AB");
    EXPECT_EQ(shortName.NameText(), "AB    ");
    char cut[4];
    shortName.NameText(cut, sizeof cut);
    EXPECT_STREQ(cut, "AB ");

    const std::string fifty(50, 'x');
    const Waypoint d103 = build(kD103, 300, "LZ", fifty.c_str());
    ASSERT_EQ(d103.PacketLength(), 66);
    EXPECT_EQ(d103.CommentText(), std::string(40, 'x'));
    EXPECT_EQ(d103.SymbolValue(), 7);
    EXPECT_EQ(d103.DisplayValue(), 3);
    EXPECT_EQ(d103.ProximityValue(), 0.0f);

    const Waypoint d104 = build(kD104, 300, "LZ");
    ASSERT_EQ(d104.PacketLength(), 71);
    EXPECT_EQ(d104.ProximityValue(), 150.5f);
    EXPECT_EQ(d104.SymbolValue(), 7);
    EXPECT_EQ(d104.DisplayValue(), 3);
    EXPECT_EQ(d104.AltitudeValue(), 0.0f);
}

TEST(WaypointPacket, NewLayouts) {
    const Waypoint d108 = build(kD108, 300, "ABCDEFGHIJKL", std::string(50, 'c').c_str(), 1.0e25f);
    ASSERT_EQ(d108.PacketLength(), 70);
    const std::uint8_t* d = d108.PacketBytes() + 3;
    EXPECT_EQ(d[0], 0);
    EXPECT_EQ(d[1], 255);
    EXPECT_EQ(d[2], 0);
    EXPECT_EQ(d[3], 96);
    EXPECT_EQ(GetI16(d + 4), 7);
    for (int i = 6; i < 24; ++i)
        EXPECT_EQ(d[i], 0) << i;
    EXPECT_EQ(GetI32(d + 24), 423531497);
    EXPECT_EQ(floatAt(d108, 32), -9999.0f);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(d + 48), 11), std::string("ABCDEFGHIJ\0", 11));
    for (int i = 59; i < 64; ++i)
        EXPECT_EQ(d[i], 0) << i;
    EXPECT_EQ(d108.CommentText(), ""); // no comment travels
    EXPECT_EQ(d108.NameText(), "ABCDEFGHIJ");
    EXPECT_EQ(d108.DisplayValue(), 0);
    EXPECT_EQ(d108.ProximityValue(), 0.0f);

    const Waypoint d109 = build(kEmap, 270, "ABCDEFGHIJKL", "", 1234.5f);
    ASSERT_EQ(d109.PacketLength(), 74);
    d = d109.PacketBytes() + 3;
    for (int i = 12; i < 24; ++i)
        EXPECT_EQ(d[i], 255) << i;
    for (int i = 48; i < 52; ++i)
        EXPECT_EQ(d[i], 255) << i;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(d + 52), 12), std::string("ABCDEFGHIJK\0", 12));
    EXPECT_EQ(d109.AltitudeValue(), 1234.5f);
    EXPECT_EQ(build(kEmap, 269, "A").PacketLength(), 70);
}

TEST(WaypointPacket, JapaneseNamesBothWays) {
    const char name[] = {char(192), char(177), 'A', '5', 0};
    const Waypoint up = build(kJapaneseD103, 300, name);
    const std::uint8_t* d = up.PacketBytes() + 3;
    EXPECT_EQ(d[0], 48);
    EXPECT_EQ(d[1], 33); // the receiver's own katakana go back as they came
    EXPECT_EQ(d[2], 82);
    EXPECT_EQ(d[3], 87);
    EXPECT_EQ(d[4], 32); // the padding spaces are translated too
    const Waypoint up108 = build(kJapaneseD108, 300, name);
    EXPECT_EQ(up108.PacketBytes()[3 + 48 + 5], 0);

    // A received packet: codes back to characters, 128 and above to "?".
    std::vector<std::uint8_t> packet(up.PacketBytes(), up.PacketBytes() + up.PacketLength());
    packet[3 + 4] = 33;
    packet[3 + 5] = 200;
    const Waypoint down(packet.data(), packet.size(), kJapaneseD103, 300);
    const std::string expected{char(192), char(177), '0', '5', char(177), '?'};
    EXPECT_EQ(down.NameText(), expected);
}

TEST(WaypointPacket, FromPacketCopiesAndGuards) {
    const Waypoint sent = build(kD108, 300, "HILL", "", 12000.0f);
    EXPECT_EQ(sent.AltitudeValue(), 12000.0f);
    std::vector<std::uint8_t> received(sent.PacketBytes(), sent.PacketBytes() + sent.PacketLength());
    received.resize(200, 0x41); // a longer packet: only the layout's bytes are kept
    const Waypoint copy(received.data(), received.size(), kD108, 300);
    EXPECT_EQ(copy.PacketLength(), 70);
    EXPECT_EQ(copy.NameText(), "HILL");
    EXPECT_EQ(copy.AltitudeValue(), 12000.0f);
    EXPECT_EQ(copy.LatitudeSemicircles(), 423531497);

    std::uint8_t bad[70] = {16, 35, 64};
    float nan = std::nanf("");
    std::memcpy(bad + 3 + 32, &nan, 4);
    EXPECT_EQ(Waypoint(bad, sizeof bad, kD108, 300).AltitudeValue(), -9999.0f);
    // A packet shorter than the layout reads as zeros beyond its end.
    const Waypoint shortOne(received.data(), 20, kD108, 300);
    EXPECT_EQ(shortOne.LatitudeSemicircles(), 0);
    EXPECT_EQ(shortOne.NameText(), "");
    // So does a record shorter than its layout: never the checksum and end
    // bytes that follow its data on the wire.
    const Waypoint d103 = build(kD103, 300, "A", "", 0);
    std::vector<std::uint8_t> shortRecord(d103.PacketBytes(), d103.PacketBytes() + d103.PacketLength());
    shortRecord[2] = 57; // one byte short of D100: no layout of that size
    const Waypoint cut(shortRecord.data(), shortRecord.size(), kD103, 300);
    EXPECT_EQ(cut.format(), WaypointFormat::D103);
    EXPECT_EQ(cut.SymbolValue(), 0);
    EXPECT_EQ(cut.DisplayValue(), 0);
}

TEST(RoutePackets, HeaderAndLink) {
    const Route r(5, "TASK");
    const std::uint8_t* b = r.Bytes();
    EXPECT_EQ(b[0], 16);
    EXPECT_EQ(b[1], 29);
    EXPECT_EQ(b[2], 21);
    EXPECT_EQ(b[3], 5);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b + 4), 20), "TASK" + std::string(16, ' '));
    EXPECT_EQ(b[24], 255);
    EXPECT_EQ(b[25], 16);
    EXPECT_EQ(b[26], 3);
    const Route longName(1, std::string(63, 'N'));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(longName.Bytes() + 4), 20), std::string(20, 'N'));
    EXPECT_EQ(longName.Bytes()[24], 255);

    const auto link = RouteLinkPacket();
    const std::uint8_t expected[27] = {16, 98, 21, 3, 0, 0, 0, 0, 0, 0, 0, 255, 255, 255, 255, 255, 255,
                                       255, 255, 255, 255, 255, 255, 0, 255, 16, 3};
    EXPECT_EQ(0, std::memcmp(link.data(), expected, 27));
}

} // namespace
} // namespace nuvrel
