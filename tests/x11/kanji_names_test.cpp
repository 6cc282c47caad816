// Japanese names on a real X server: in CP932 mode the waypoint list and the
// map labels show kanji and kana through an installed Japanese font, and in
// UTF-8 mode the katakana downloaded from a Japanese receiver. The
// screenshots are left under build/tests/screenshots for looking (nuvrel-kanji-list.png,
// nuvrel-kanji-map.png, nuvrel-kana-download.png).
#include "core/codepage.h"
#include "core/data/ift_garmin_data.h"
#include "sim_process.h"
#include "support/test_support.h"
#include "ui/main_form.h"
#include "ui/map_window.h"
#include "ui/tfrm_waypoint.h"

#include <QFontDatabase>
#include <QTest>

#include <cstring>
#include <fstream>

#include "x11_support.h"

using namespace nuvrel;

namespace {

nuvrel::WaypointRecord waypoint(const char* ident, const char* comment, double lat, double lon) {
    WaypointRecord w{};
    std::strncpy(w.ident, ident, kIdentSize - 1);
    std::strncpy(w.comment, comment, kCommentSize - 1);
    w.latitude = lat;
    w.longitude = lon;
    return w;
}

} // namespace

class KanjiNamesTest : public QObject {
    Q_OBJECT
private slots:
    void waypointListAndMapLabelsShowKanji()
    {
        QVERIFY2(!QFontDatabase::families(QFontDatabase::Japanese).isEmpty(), "no Japanese font installed");
        setActiveCodePage(CodePage::Cp932);
        test::MemorySettingsStore store;
        test::RecordingPrompts prompts;
        test::FixedTimeZone zone;
        ui::TMainForm form(store, prompts, zone);
        form.resize(900, 700);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        // 富士山 "頂上", 高尾山, ﾀｶｵ and a Latin name, in CP932.
        form.data().setWaypoints(std::make_unique<IFTGarminWaypoint>(std::vector<WaypointRecord>{
            waypoint("\x95\x78\x8E\x6D\x8E\x52", "\x92\xB8\x8F\xE3", 35.3606, 138.7274),
            waypoint("\x8D\x82\x94\xF6\x8E\x52", "", 35.6251, 139.2437),
            waypoint("\xC0\xB6\xB5", "", 35.50, 139.00),
            waypoint("HOME", "", 35.45, 139.60)}));
        ui::MapWindow& map = form.mapWindow();
        map.FillBackground();
        map.FitViewToData();
        map.RedrawAll();
        map.Refresh();
        QTest::qWait(200);
        const QImage onMap = x11::screenPixels(&map);
        x11::keepScreenshot(onMap, QStringLiteral("nuvrel-kanji-map.png"));
        QVERIFY(x11::colourCount(onMap) > 2);

        ui::TfrmWaypoint list(form.data(), form.options(), prompts, &form);
        list.resize(640, 240);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        auto& model = list.model();
        QCOMPARE(model.data(model.index(0, 0)).toString(), QStringLiteral("富士山"));
        QCOMPARE(model.data(model.index(2, 0)).toString(), QStringLiteral("ﾀｶｵ"));
        QTRY_VERIFY(x11::differingShare(x11::screenPixels(&list), x11::ownRendering(&list)) < 0.01);
        x11::keepScreenshot(x11::screenPixels(&list), QStringLiteral("nuvrel-kanji-list.png"));
        setActiveCodePage(CodePage::Utf8);
    }

    void receiverKatakanaShowInUtf8()
    {
        // ﾀｶｵ-1 and ｶﾐｺｳﾁ as a GPS12XLJ holds them: name codes and CP932 bytes.
        test::TempDir dir;
        const std::string file = (dir / "jp.txt").string();
        std::ofstream(file) << "wpt|\\x30\\x26\\x25\\x5C\\x53|35.5|139|0|3|0|0|\\xB6\\xD0\\xBA\\xB3\\xC1\n";
        test::SimProcess sim({"--product-id", "105", "--data-text", file});
        QVERIFY(sim.started());
        setActiveCodePage(CodePage::Utf8);
        test::MemorySettingsStore store;
        test::RecordingPrompts prompts;
        test::FixedTimeZone zone;
        ui::TMainForm form(store, prompts, zone);
        form.setSerialPorts(sim.ports());
        form.options().SetGPSModelID(105);
        form.options().SetGPSCharSet(2);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.command(QStringLiteral("Waypoint2"))->trigger();
        QVERIFY(form.data().waypoints() && form.data().waypoints()->count() == 1);

        ui::TfrmWaypoint list(form.data(), form.options(), prompts, &form);
        list.resize(640, 160);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        auto& model = list.model();
        QCOMPARE(model.data(model.index(0, 0)).toString().trimmed(), QStringLiteral("ﾀｶｵ-1"));
        QVERIFY(model.data(model.index(0, 3)).toString().contains(QStringLiteral("ｶﾐｺｳﾁ")));
        QTRY_VERIFY(x11::differingShare(x11::screenPixels(&list), x11::ownRendering(&list)) < 0.01);
        x11::keepScreenshot(x11::screenPixels(&list), QStringLiteral("nuvrel-kana-download.png"));
    }
};

QTEST_MAIN(KanjiNamesTest)
#include "kanji_names_test.moc"
