// Every name on every path: each row is a name that went wrong once, walked
// from the receiver or a file through the data file, an export and an import
// back to a receiver, in both code pages. A name arrives whole, or the
// operation's message lists what became of it.
#include "core/codepage.h"
#include "core/data/native_file.h"
#include "core/formats/format_export.h"
#include "core/formats/format_import.h"
#include "core/formats/format_registry.h"
#include "core/gps/receiver_text.h"
#include "transfer_harness.h"

#include <gtest/gtest.h>

#include <fstream>

namespace nuvrel {
namespace {

using test::Harness;
using test::SimProcess;
using test::TempDir;
using test::WriteSimData;

std::string rawName(const std::string& line, std::size_t at, std::size_t width) {
    std::string out;
    const auto p = line.find(" raw=");
    for (std::size_t i = p + 5; p != std::string::npos && i + 1 < line.size(); i += 2)
        out += char(std::stoi(line.substr(i, 2), nullptr, 16));
    out = out.substr(std::min(at, out.size()), width);
    return out.substr(0, out.find_first_of(std::string(" \0", 2)));
}

std::string trimmed(std::string s) {
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

// Expectations in UTF-8 mode and in CP932 mode.
struct Both {
    std::string utf8, cp932;
    Both(const char* both) : utf8(both), cp932(both) {}
    Both(std::string both) : utf8(both), cp932(std::move(both)) {}
    Both(std::string u, std::string c) : utf8(std::move(u)), cp932(std::move(c)) {}
    const std::string& in(CodePage page) const { return page == CodePage::Utf8 ? utf8 : cp932; }
};

struct Row {
    const char* fault;
    std::int32_t model;   // the receiver at both ends
    std::string received; // what the receiver holds (its codes), or "" when the name comes from a file
    std::string file;     // a waypoint file of `format` that brings the name in
    const char* format;   // the format of the walk
    Both arrives;         // the name at the end, in UTF-8
    Both listed;          // a change that a message names ("": no name may be listed as changed)
    Both sent;            // the receiver's bytes of the name at the upload ("": not checked)
};

TEST(TextPaths, EveryNameArrivesWholeOrWithAListedChange) {
    const std::string kana = "\uFF84\uFF73\uFF8E\uFF78";                                // ﾄｳﾎｸ
    const std::string tenKana = "\uFF83\uFF72\uFF78\uFF75\uFF8C\uFF7B\uFF72\uFF84-1";   // ﾃｲｸｵﾌｻｲﾄ-1
    const std::string sevenKana = "\uFF83\uFF72\uFF78\uFF75\uFF8C\uFF7B\uFF72";
    const std::string tenCodes = "\x33\x22\x28\x25\x3C\x2B\x22\x34\x5C\x53";
    const std::string fuji = "\u5BCC\u58EB\u5C71"; // 富士山
    const std::string yoshinoya = "\U00020BB7\u91CE\u5BB6", fullWidth = "\u30D5\u30B8\u30B5\u30F3";
    const std::string halfWidth = "\uFF8C\uFF7C\uFF9E\uFF7B\uFF9D", takeoff = "\uFF83\uFF72\uFF78\uFF75\uFF8C-";
    const std::string geta = "\u3013";
    const Row rows[] = {
        {"half-width katakana that also read as UTF-8", 105, "\\x34\\x23\\x3E\\x28", "", "text", kana, "",
         "\x34\x23\x3E\x28"},
        // The data file holds 23 bytes of a name: in UTF-8 seven katakana, and the save says so.
        {"ten katakana of a Pocket Mini", 153, "\\x33\\x22\\x28\\x25\\x3C\\x2B\\x22\\x34\\x5C\\x53", "", "text",
         {sevenKana, tenKana}, {tenKana + " -> " + sevenKana, ""}, {tenCodes.substr(0, 7), tenCodes}},
        {"Latin-1 of a newer receiver", 130, "CAF\\xC9", "", "text", {"CAF\u00C9", "CAFE"}, {"", "CAFE"},
         {"CAF\xC9", "CAFE"}},
        {"kanji that CP932 lacks", 130, "", yoshinoya + ",35,139,c\r\n", "text", {yoshinoya, "\u5409\u91CE\u5BB6"},
         {yoshinoya + " -> ???", "line 1"}, "???"},
        {"a name typed in full width", 105, "", fullWidth + ",35,139,c\r\n", "text", fullWidth,
         fullWidth + " -> " + halfWidth, "\x3C\x2C\x5E\x2B\x4D"},
        {"a name the receiver holds six characters of", 105, "", takeoff + "1,35,139,c\r\n", "text", takeoff + "1",
         takeoff + "1 -> " + takeoff, "\x33\x22\x28\x25\x3C\x5C"},
        {"a POT identifier of three kanji", 130, "", "ORD=POI/tex=" + fuji + ":c/ido=035'21'38'0/kei=138'43'39'0\r\n",
         "pot", fuji, fuji + " -> ???", "???"},
        {"a byte-order mark", 130, "", "\xEF\xBB\xBF" "ABC,35,139,c\r\n", "text", "ABC", "", "ABC"},
        {"a CP932 file of half-width katakana only", 105, "", "\xB6\xD0\xBA\xB3\xC1,35,139,c\r\n", "text",
         "\uFF76\uFF90\uFF7A\uFF73\uFF81", "", "\x26\x40\x2A\x23\x31"},
        {"a file mixing UTF-8 and CP932 lines", 130, "",
         "A" + fuji + ",35,139,c\r\nB\x95\x78\x8E\x6D\xFF,35,139,c\r\n", "text",
         {"A" + fuji, "A" + geta + geta + geta + geta + geta + geta + geta + geta + geta}, "line", ""},
    };
    for (const Row& row : rows) {
        for (const CodePage page : {CodePage::Utf8, CodePage::Cp932}) {
            const std::string where = std::string(row.fault) + " in " + codePageName(page);
            TempDir dir;
            const FormatDescriptor* format = findFormat(row.format);
            Harness h(row.model);
            setActiveCodePage(page);
            std::string messages;
            auto note = [&](const TextConversion& c) { messages += conversionNote(c) + "\n"; };
            // In: from the receiver, or from a file.
            if (!row.received.empty()) {
                const std::string data = WriteSimData(dir, "sim.txt", "wpt|" + row.received + "|35|139|0|3|0|0|C\n");
                SimProcess sim({"--product-id", std::to_string(row.model), "--data-text", data});
                ASSERT_TRUE(DownloadWaypoints(h.data, 1, h.transfer(sim))) << where;
            } else {
                const std::string in = (dir / "in").string();
                std::ofstream(in, std::ios::binary) << row.file;
                TextConversion c;
                ASSERT_TRUE(ImportWaypoints(h.data, format->waypointKind, in, nullptr, &c)) << where;
                note(c);
            }
            // Saved, opened, exported and imported again.
            const std::string nvl = (dir / "d.nvl").string(), out = (dir / "out").string();
            ASSERT_TRUE(h.data.save(nvl, &h.routes)) << where;
            Harness back(row.model);
            ASSERT_EQ(back.data.load(nvl, back.routes), 1) << where;
            ASSERT_EQ(exportFile(out, *format, DataKind::Waypoints, ExportSource{&back.data, nullptr}, ExportSettings{}),
                      ExportResult::Written)
                << where;
            TextConversion c;
            ASSERT_TRUE(ImportWaypoints(back.data, format->waypointKind, out, nullptr, &c)) << where;
            note(c);
            const std::string name = convertCodePage(trimmed(back.data.waypoints()->ident(0)), page, CodePage::Utf8);
            // Out: to the receiver.
            SimProcess target({"--product-id", std::to_string(row.model)});
            back.prompts.answers = {true, true};
            ASSERT_EQ(UploadWaypointsCommand(back.data, back.services(target)), 1) << where;
            ASSERT_TRUE(target.waitForRecord("xfercmplt")) << where;
            setActiveCodePage(CodePage::Utf8);
            for (const auto* p : {&h.prompts, &back.prompts})
                for (const auto& e : p->entries)
                    messages += e.title + ": " + e.text + "\n";
            messages = convertCodePage(messages, page, CodePage::Utf8);
            EXPECT_EQ(name, row.arrives.in(page)) << where << "\n" << messages;
            const std::string& listed = row.listed.in(page);
            if (!listed.empty())
                EXPECT_NE(messages.find(listed), std::string::npos) << where << "\n" << messages;
            else
                EXPECT_EQ(messages.find(" -> "), std::string::npos) << where << "\n" << messages;
            if (!row.sent.in(page).empty()) {
                const bool d108 = GPSModel::UsesNewFormats(row.model);
                const auto lines = target.recordLines("wpt ");
                ASSERT_EQ(lines.size(), 1u) << where;
                EXPECT_EQ(rawName(lines[0], d108 ? 48 : 0, d108 ? 10 : 6), row.sent.in(page)) << where;
            }
        }
    }
}

} // namespace
} // namespace nuvrel
