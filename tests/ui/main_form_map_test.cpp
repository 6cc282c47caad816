// The main window's map commands drive the map window.
#include "core/data/ift_garmin_data.h"
#include "support/test_support.h"
#include "ui/main_form.h"
#include "ui/map_window.h"
#include "ui/tfrm_map_info.h"

#include <QAction>
#include <QtTest>

using namespace nuvrel;

class MainFormMapTest : public QObject {
    Q_OBJECT

private slots:
    void viewCommands() {
        test::MemorySettingsStore store;
        test::RecordingPrompts prompts;
        test::FixedTimeZone zone;
        ui::TMainForm form(store, prompts, zone);
        form.show();
        ui::MapWindow& map = form.mapWindow();
        form.data().setTrack(std::make_unique<IFTGarminTrack>(std::vector<TrackPoint>{
            TrackPoint{35.0, 139.0, 0, 1, 0, 0.f, 0.f}, TrackPoint{35.1, 139.4, 0, 1, 0, 0.f, 0.f}}));
        for (const char* name : {"OpenMap1", "CreateMapInfo1", "ZoomIn1", "ZoomOut1", "KeepAspect1", "Rfresh1"})
            QVERIFY2(form.command(QString::fromLatin1(name))->isEnabled(), name);

        form.command(QStringLiteral("Rfresh1"))->trigger();
        const QSize client = map.clientSize();
        QCOMPARE(map.mapImage().size(), client);

        form.command(QStringLiteral("ZoomIn1"))->trigger();
        QCOMPARE(map.mapImage().size(), client * 2);
        QCOMPARE(map.zoomLevel(), 1);
        form.command(QStringLiteral("ZoomOut1"))->trigger();
        QCOMPARE(map.mapImage().size(), client);

        // Keep Aspect off refits the view: the data fill it in both directions.
        form.command(QStringLiteral("KeepAspect1"))->trigger();
        QVERIFY(!map.keepAspect());
        QCOMPARE(map.mapParam().ido_top, 35.11);
        QCOMPARE(map.mapParam().kei_right, 139.44);

        form.command(QStringLiteral("CreateMapInfo1"))->trigger();
        QVERIFY(map.mapInfoDialog());
        QVERIFY(map.mapInfoDialog()->isVisible());

        map.chooseMapFile = [](const QString&) { return QString(); };
        form.command(QStringLiteral("OpenMap1"))->trigger();
        QCOMPARE(map.zoomLevel(), 0);
        QVERIFY(prompts.entries.empty());
    }
};

QTEST_MAIN(MainFormMapTest)
#include "main_form_map_test.moc"
