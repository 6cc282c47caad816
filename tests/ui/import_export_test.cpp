// File > Import and File > Export through Qt Test, offscreen: the dialogs'
// titles and filters, the stores replaced by an import, the files written by
// an export, and the commands that do nothing.
#include "core/codepage.h"
#include "core/data/ift_garmin_data.h"
#include "file_dialog_answer.h"
#include "support/flight_generator.h"
#include "support/test_support.h"
#include "ui/file_dialogs.h"
#include "ui/import_export_commands.h"
#include "ui/main_form.h"
#include "ui/tfrm_igc_span.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QtTest>

#include <filesystem>
#include <functional>

using namespace nuvrel;

namespace {

std::string golden(const std::string& name) {
    return (std::filesystem::path(__FILE__).parent_path().parent_path() / "core" / "formats" / "golden" / name)
        .string();
}

// Answers the next "Flight to IGC" choice with the entry in `row` (or
// cancels it when row is -1), records its entries, then runs `next`.
void answerIgcChoice(int row, QStringList* entries, std::function<void()> next = {}) {
    QTimer::singleShot(50, [row, entries, next] {
        auto* d = qobject_cast<ui::TfrmIgcSpan*>(QApplication::activeModalWidget());
        QVERIFY(d);
        for (int i = 0; i < d->lbSpans->count(); ++i)
            *entries << d->lbSpans->item(i)->text();
        if (row < 0)
            return d->btnCancel->click();
        d->lbSpans->setCurrentRow(row);
        if (next)
            next();
        d->btnOK->click();
    });
}

const ui::ImportExportCommand& commandNamed(const char* name) {
    int count = 0;
    const ui::ImportExportCommand* table = ui::importExportCommands(count);
    for (int i = 0; i < count; ++i)
        if (QByteArray(table[i].objectName) == name)
            return table[i];
    qFatal("no command %s", name);
}

struct Window {
    test::MemorySettingsStore store;
    test::RecordingPrompts prompts;
    test::FixedTimeZone zone{ZoneInfo{-32400, false}};
    ui::TMainForm form{store, prompts, zone};
};

} // namespace

class ImportExportTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        test::useTempConfigHome();
        qputenv("TZ", "UTC");
    }

    void everyMenuItemIsEnabled() {
        Window w;
        int count = 0;
        const ui::ImportExportCommand* table = ui::importExportCommands(count);
        QCOMPARE(count, 23);
        for (int i = 0; i < count; ++i) {
            QAction* action = w.form.command(QString::fromLatin1(table[i].objectName));
            QVERIFY2(action, table[i].objectName);
            QVERIFY2(action->isEnabled(), table[i].objectName);
        }
    }

    void importThroughTheDialog() {
        Window w;
        QString title;
        QStringList filters;
        test::answerFileDialog(QString::fromStdString(golden("track.pot")), &title, &filters);
        w.form.command(QStringLiteral("POTfile1"))->trigger();
        QCOMPARE(title, QStringLiteral("Read Track from POT file"));
        QCOMPARE(filters, (QStringList{"POT file (*.pot)", "All files (*)"}));
        QVERIFY(w.form.data().track());
        QCOMPARE(w.form.data().track()->count(), 3u);
        QCOMPARE(w.form.data().timeOffset(), -32400);

        test::answerFileDialog(QString(), &title, &filters); // cancelled: nothing changes
        w.form.command(QStringLiteral("fromNMEAfile1"))->trigger();
        QCOMPARE(title, QStringLiteral("Read Track from NMEA file"));
        QCOMPARE(w.form.data().track()->count(), 3u);
        QVERIFY(w.prompts.entries.empty());
    }

    void importsReplaceTheirStoreOnly() {
        Window w;
        ui::RunImportExport(w.form, commandNamed("Textfile1"), QString::fromStdString(golden("track_decimal.txt")));
        ui::RunImportExport(w.form, commandNamed("fromProAtlasfile1"),
                            QString::fromStdString(golden("waypoints.csv")));
        QCOMPARE(w.form.data().track()->count(), 3u);
        QCOMPARE(w.form.data().waypoints()->count(), 2u);
        ui::RunImportExport(w.form, commandNamed("fromPOTfile1"), QString::fromStdString(golden("routes.pot")));
        QCOMPARE(w.form.routes().RouteCount(), 3u);
        QCOMPARE(w.form.routes().GetRouteName(2), std::string("SOLO: TO SOLO:"));
        ui::RunImportExport(w.form, commandNamed("Textfile2"), QStringLiteral("/nonexistent/file.txt"));
        QCOMPARE(w.prompts.errors(), std::vector<int>{8});
        QCOMPARE(w.form.data().waypoints()->count(), 2u); // a failed import keeps the store
        QCOMPARE(w.form.data().track()->count(), 3u);
    }

    void foreignCodePageIsConvertedAndSaid() {
        Window w;
        test::TempDir dir;
        const std::string file = (dir / "fuji.pot").string();
        test::writeFileBytes(file, "ORD=POI/tex=\xE5\xAF\x8C\xE5\xA3\xAB:x/ido=035'21'38'0/kei=138'43'39'0\r\n");
        setActiveCodePage(CodePage::Cp932);
        ui::RunImportExport(w.form, commandNamed("POTfile2"), QString::fromStdString(file));
        setActiveCodePage(CodePage::Utf8);
        QCOMPARE(w.form.data().waypoints()->ident(0), std::string("\x95\x78\x8E\x6D")); // 富士 in CP932
        QCOMPARE(w.form.statusBar()->currentMessage(), QStringLiteral("Converted from UTF-8 to CP932: fuji.pot"));
    }

    void exportThroughTheDialog() {
        Window w;
        test::TempDir dir;
        QString title;
        QStringList filters;
        // Nothing to export: no dialog opens.
        w.form.command(QStringLiteral("toPCX5file1"))->trigger();
        QVERIFY(!QApplication::activeModalWidget());

        ui::RunImportExport(w.form, commandNamed("POTfile1"), QString::fromStdString(golden("track.pot")));
        w.store.keys[kSettingsKeyPath]; // folders are remembered once the key exists
        const QString path = QString::fromStdString((dir / "out.trk").string());
        test::answerFileDialog(path, &title, &filters);
        w.form.command(QStringLiteral("toPCX5file1"))->trigger();
        QCOMPARE(title, QStringLiteral("Save As trk"));
        QCOMPARE(filters, (QStringList{"TRK file (*.trk)", "All files (*)"}));
        const std::string text = test::readFileBytes(path.toStdString());
        QVERIFY(text.rfind("H  SOFTWARE NAME & VERSION\r\n", 0) == 0);
        QVERIFY(text.find("M  G Tokyo                116 ") != std::string::npos);
        // The folder is remembered for the next dialog.
        QCOMPARE(QString::fromStdString(w.form.options().folderMemory("nuvreldata")),
                 QString::fromStdString(dir.path().string() + "/"));
    }

    void exportsFollowTheSettings() {
        Window w;
        test::TempDir dir;
        w.form.data().setTrack(std::make_unique<IFTGarminTrack>());
        ui::RunImportExport(w.form, commandNamed("Textfile1"), QString::fromStdString(golden("track_decimal.txt")));
        w.form.data().setTimeOffset(-32400);
        w.form.options().SetTextCoordinateFormat(3);
        const std::string txt = (dir / "t.txt").string();
        ui::RunImportExport(w.form, commandNamed("Textfile3"), QString::fromStdString(txt));
        QCOMPARE(test::readFileBytes(txt), test::readFileBytes(golden("track_dms.txt")));
        w.form.options().SetDatumName("WGS 84");
        const std::string pot = (dir / "t.pot").string();
        ui::RunImportExport(w.form, commandNamed("toPOTfile1"), QString::fromStdString(pot));
        QVERIFY(test::readFileBytes(pot).rfind("Dat=WGS 84/WGS 84/0/0/0/0/0/\r\n", 0) == 0);
        ui::RunImportExport(w.form, commandNamed("toPOTfile3"), QStringLiteral("/nonexistent/dir/r.pot"));
        QCOMPARE(w.prompts.count("message"), 1);
    }

    // GPX: one command for the three kinds each way; a malformed file is
    // reported with its line and changes nothing.
    void gpxCommandsTakeEveryKind() {
        Window w;
        test::TempDir dir;
        QString title;
        QStringList filters;
        test::answerFileDialog(QString::fromStdString(golden("sample.gpx")), &title, &filters);
        w.form.command(QStringLiteral("fromGPXfile1"))->trigger();
        QCOMPARE(title, QStringLiteral("Read GPX file"));
        QCOMPARE(filters, (QStringList{"GPX file (*.gpx)", "All files (*)"}));
        QCOMPARE(w.form.data().track()->count(), 3u);
        QCOMPARE(w.form.data().waypoints()->count(), 2u);
        QCOMPARE(w.form.routes().RouteCount(), 3u); // the empty route the program starts with, and two
        QCOMPARE(w.form.routes().GetRouteName(1), std::string("HOME TO AWAY"));

        test::writeFileBytes(dir / "bad.gpx", "<gpx>\n<wpt lat='1' lon='2'>\n</gpx>\n");
        ui::RunImportExport(w.form, commandNamed("fromGPXfile1"), QString::fromStdString((dir / "bad.gpx").string()));
        QCOMPARE(w.prompts.count("message"), 1);
        QVERIFY(w.prompts.entries.back().text.find("bad.gpx: line 3: mismatched tag") != std::string::npos);
        QCOMPARE(w.form.data().waypoints()->count(), 2u);

        const QString path = QString::fromStdString((dir / "out.gpx").string());
        test::answerFileDialog(path, &title, &filters);
        w.form.command(QStringLiteral("toGPXfile1"))->trigger();
        QCOMPARE(title, QStringLiteral("Save As GPX"));
        const std::string text = test::readFileBytes(path.toStdString());
        for (const char* part : {"creator=\"Nuvrel\"", "<name>TOKYO</name>", "<name>HOME TO AWAY</name>",
                                 "<time>2001-03-05T04:00:00Z</time>"})
            QVERIFY2(text.find(part) != std::string::npos, part);
    }

    // IGC logs chosen together become the segments of one track log; a
    // damaged one is reported with its line and changes nothing.
    void igcLogsChosenTogetherBecomeSegments() {
        Window w;
        test::TempDir dir;
        const std::string a = (dir / "a.igc").string(), b = (dir / "b.igc").string();
        test::writeFileBytes(a, "HFDTE150619\r\nB1000004700000N00800000EA0000000100\r\n");
        test::writeFileBytes(b, "HFDTE140619\r\nB1000004700000N00800000EA0000000100\r\n"
                                "B1000014700000N00800000EA0000000100\r\n");
        QString title;
        test::answerFileDialog(QStringLiteral("\"%1\" \"%2\"").arg(QString::fromStdString(a), QString::fromStdString(b)),
                               &title);
        w.form.command(QStringLiteral("fromIGCfile1"))->trigger();
        QCOMPARE(title, QStringLiteral("Read IGC flight logs"));
        QVERIFY(w.form.data().track());
        QCOMPARE(w.form.data().track()->count(), 3u);
        QCOMPARE(int(w.form.data().track()->segment(0)), 1); // b.igc, the earlier flight
        QCOMPARE(int(w.form.data().track()->segment(2)), 2);

        test::writeFileBytes(dir / "bad.igc", "HFDTE150619\nB100000\n");
        ui::RunImportExport(w.form, commandNamed("fromIGCfile1"), QString::fromStdString((dir / "bad.igc").string()));
        QCOMPARE(w.prompts.count("message"), 1);
        QVERIFY(w.prompts.entries.back().text.find("bad.igc: line 2: B record too short") != std::string::npos);
        QCOMPARE(w.form.data().track()->count(), 3u);
    }

    // IGC and KML: written with the pilot, glider and pen of the settings.
    void flightLogCommandsFollowTheSettings() {
        Window w;
        test::TempDir dir;
        QString title;
        QStringList filters;
        ui::RunImportExport(w.form, commandNamed("POTfile1"), QString::fromStdString(golden("track.pot")));
        ui::RunImportExport(w.form, commandNamed("POTfile2"), QString::fromStdString(golden("waypoints.pot")));
        w.form.options().SetPilotName("Hana Sato");
        w.form.options().SetGliderType("Ozone Rush 6");
        w.form.options().SetPenColor(0x00FF8000); // blue-ish: BBGGRR
        w.form.options().SetPenWidth(3);
        const QString igc = QString::fromStdString((dir / "flight.igc").string());
        QStringList entries; // two segments: which part is asked, here the whole log
        answerIgcChoice(1, &entries, [&] { test::answerFileDialog(igc, &title, &filters); });
        w.form.command(QStringLiteral("toIGCfile1"))->trigger();
        QCOMPARE(entries.value(1), QStringLiteral("Whole log"));
        QCOMPARE(title, QStringLiteral("Save Flight As IGC"));
        QCOMPARE(filters, (QStringList{"IGC file (*.igc)", "All files (*)"}));
        const std::string flight = test::readFileBytes(igc.toStdString());
        for (const char* part : {"HFPLTPILOTINCHARGE:Hana Sato\r\nHFGTYGLIDERTYPE:Ozone Rush 6\r\n",
                                 "HFFTYFRTYPE:Nuvrel,GPS II\r\n", "\r\nB040000"})
            QVERIFY2(flight.find(part) != std::string::npos, part);

        const std::string kml = (dir / "t.kml").string();
        ui::RunImportExport(w.form, commandNamed("toKMLfile1"), QString::fromStdString(kml));
        const std::string text = test::readFileBytes(kml);
        for (const char* part : {"<color>ffff8000</color><width>3</width>", "<name>TOKYO</name>", "<LineString>"})
            QVERIFY2(text.find(part) != std::string::npos, part);
    }

    // A log of two flights: the pilot picks a flight or a segment (times
    // shown at UTC+9) before the file; the B records are of that part only.
    void igcExportOfAChosenFlightOrSegment() {
        Window w;
        test::TempDir dir;
        test::FlightPlan plan; // 2001-06-27 01:00:00 UTC, launch 90 s later
        plan.walkBefore = 45;
        plan.walkAfter = 60; // enough ground for two flights
        w.form.data().setTrack(std::make_unique<IFTGarminTrack>(test::generateTwoFlights(plan, 19980)));
        w.form.data().setTimeOffset(-32400);
        struct Case {
            int row;      // -1 cancels the choice
            int first, last; // UTC seconds of the day of the first and last B record
            int slack;    // seconds either way the take-off and landing may be placed
        } cases[] = {
            {1, 6 * 3600 + 33 * 60 + 30, 6 * 3600 + 58 * 60 + 42, 12}, // flight 2 with a minute of ground each side
            {3, 3600, 3600 + 26 * 60 + 42, 0},                        // segment 1: all of it
            {-1, 0, 0, 0},
        };
        for (const Case& c : cases) {
            const QString igc = QString::fromStdString((dir / ("row" + std::to_string(c.row) + ".igc")).string());
            QStringList entries;
            QString title;
            QStringList filters;
            answerIgcChoice(c.row, &entries, [&] { test::answerFileDialog(igc, &title, &filters); });
            w.form.command(QStringLiteral("toIGCfile1"))->trigger();
            QCOMPARE(entries, QStringLiteral("Flight 1 (10:01–10:24);Flight 2 (15:34–15:57);Whole log;"
                                             "Segment 1 (10:00–10:26);Segment 2 (15:33–15:59)")
                                  .split(QLatin1Char(';')));
            const std::string text = test::readFileBytes(igc.toStdString());
            QCOMPARE(text.empty(), c.row < 0);
            if (c.row < 0)
                continue;
            std::vector<int> times;
            for (std::size_t p = 0; (p = text.find("\r\nB", p)) != std::string::npos; p += 3)
                times.push_back(std::stoi(text.substr(p + 3, 2)) * 3600 + std::stoi(text.substr(p + 5, 2)) * 60 +
                                std::stoi(text.substr(p + 7, 2)));
            QVERIFY(!times.empty());
            QVERIFY2(std::abs(times.front() - c.first) <= c.slack, qPrintable(QString::number(times.front())));
            QVERIFY2(std::abs(times.back() - c.last) <= c.slack, qPrintable(QString::number(times.back())));
        }
    }
};

QTEST_MAIN(ImportExportTest)
#include "import_export_test.moc"
