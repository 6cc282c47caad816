// The program's windows on a small screen (800x600) and on a large one at
// double scale (1600x1200, QT_SCALE_FACTOR=2), under a window manager: every
// window's frame lies inside the screen, a resize changes what is painted,
// Escape closes the waypoint list and the menus work by keyboard afterwards,
// and an open flight report follows an import. Screenshots of the whole
// screen with each window are kept under build/tests/screenshots.
#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "core/data/ift_garmin_data.h"
#include "core/data/ift_garmin_track.h"
#include "support/test_support.h"
#include "ui/application_identity.h"
#include "ui/import_export_commands.h"
#include "ui/main_form.h"
#include "ui/tfrm_flight_report.h"
#include "ui/tfrm_monitor.h"
#include "ui/tfrm_track_detail.h"
#include "ui/tfrm_trk_list.h"
#include "ui/tfrm_waypoint.h"
#include "x11_support.h"

#include <functional>

using namespace nuvrel;

namespace {

// A real flight log of the reference scorer's test folder (empty when the
// package is not installed).
QString realLog(const char* name) {
    const QString path = QStringLiteral(NUVREL_SOURCE_DIR "/tests/reference/node/node_modules/igc-xc-score/test/") +
                         QString::fromLatin1(name);
    return QFileInfo::exists(path) ? path : QString();
}

// "800x600" or "1600x1200x2", for the screenshots' names.
QString screenTag() {
    const QScreen* s = QGuiApplication::primaryScreen();
    const QSize px = s->geometry().size() * s->devicePixelRatio();
    QString tag = QStringLiteral("%1x%2").arg(px.width()).arg(px.height());
    if (s->devicePixelRatio() > 1)
        tag += QStringLiteral("_scale%1").arg(s->devicePixelRatio());
    return tag;
}

// Runs `check` on the modal window that `open` shows, then closes it.
void onModal(const std::function<void()>& open, const std::function<void(QWidget*)>& check) {
    bool seen = false;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || seen)
            return;
        seen = true;
        poll.stop();
        check(modal);
        modal->close();
    });
    poll.start();
    open();
    QVERIFY(seen);
}

} // namespace

class WindowFitTest : public QObject {
    Q_OBJECT

    // The window's frame, drawn by the window manager, lies inside the screen
    // (as the X server has it, in device pixels).
    void fitsTheScreen(QWidget* w, const QString& name) {
        QVERIFY2(QTest::qWaitForWindowExposed(w), qPrintable(name));
        const x11::ServerView server;
        const QRect screen(QPoint(0, 0), server.rootSize());
        const auto id = static_cast<xcb_window_t>(w->winId());
        // The frame comes once the window manager has taken the window.
        QTRY_VERIFY2(server.frame(id).size() != w->size() * w->devicePixelRatio(), qPrintable(name));
        QTRY_VERIFY2(screen.contains(server.frame(id)),
                     qPrintable(QStringLiteral("%1: frame %2,%3 %4x%5 on a screen of %6x%7")
                                    .arg(name)
                                    .arg(server.frame(id).x())
                                    .arg(server.frame(id).y())
                                    .arg(server.frame(id).width())
                                    .arg(server.frame(id).height())
                                    .arg(screen.width())
                                    .arg(screen.height())));
        QTest::qWait(100);
        x11::keepScreenshot(w->screen()->grabWindow(0).toImage(),
                            QStringLiteral("fit_%1_%2.png").arg(screenTag(), name));
    }

private slots:
    void initTestCase() {
        test::useTempConfigHome();
        ui::SetApplicationIdentity();
        if (realLog("flat-xcontest-100.59.igc").isEmpty() || realLog("tri.igc").isEmpty())
            QSKIP("the real flight logs are not installed (scripts/install-deps)");
    }

    void everyWindowFitsTheScreen() {
        test::MemorySettingsStore store;
        test::RecordingPrompts prompts;
        test::FixedTimeZone zone;
        ui::TMainForm form(store, prompts, zone);
        form.show();
        fitsTheScreen(&form, QStringLiteral("main"));
        ui::RunIgcImport(form, {realLog("flat-xcontest-100.59.igc")});
        QVERIFY(form.data().track() && form.data().track()->count() > 0);

        form.Analysis1Click();
        fitsTheScreen(&form.frmTrkList(), QStringLiteral("track_summary"));
        form.frmTrkList().grdTrkListDblClick();
        fitsTheScreen(&form.frmTrkList().frmTrackDetail(), QStringLiteral("track_detail"));
        form.frmTrkList().frmTrackDetail().close();
        form.frmTrkList().close();

        form.FlightReport1Click();
        auto* report = form.findChild<ui::TfrmFlightReport*>();
        QVERIFY(report);
        fitsTheScreen(report, QStringLiteral("flight_report"));
        report->close();

        form.Preference1Click();
        auto* preference = form.findChild<QWidget*>(QStringLiteral("frmPreference"));
        QVERIFY(preference);
        fitsTheScreen(preference, QStringLiteral("preference"));
        preference->close();

        form.Monitor1Click();
        fitsTheScreen(&form.frmMonitor(), QStringLiteral("monitor"));
        form.frmMonitor().close();

        form.CreateMapInfo1Click();
        auto* mapInfo = form.findChild<QWidget*>(QStringLiteral("frmMapInfo"));
        QVERIFY(mapInfo);
        fitsTheScreen(mapInfo, QStringLiteral("map_info"));
        mapInfo->close();

        const struct {
            const char* name;
            void (ui::TMainForm::*open)();
        } modals[] = {
            {"waypoint_list", &ui::TMainForm::EditWaypoint1Click},
            {"route_editor", &ui::TMainForm::EditRoute1Click},
            {"map_datum", &ui::TMainForm::Mapdatum1Click},
            {"about", &ui::TMainForm::About1Click},
        };
        for (const auto& m : modals)
            onModal([&] { (form.*m.open)(); },
                    [&](QWidget* w) { fitsTheScreen(w, QString::fromLatin1(m.name)); });
    }

    void resizeChangesWhatIsPainted() {
        test::MemorySettingsStore store;
        test::RecordingPrompts prompts;
        test::FixedTimeZone zone;
        ui::TMainForm form(store, prompts, zone);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        ui::RunIgcImport(form, {realLog("tri.igc")});
        for (int window = 0; window < 2; ++window) {
            QWidget* w = &form;
            if (window == 1) {
                form.FlightReport1Click();
                w = form.findChild<ui::TfrmFlightReport*>();
                QVERIFY(w);
                QVERIFY(QTest::qWaitForWindowExposed(w));
            }
            QTRY_VERIFY(x11::differingShare(x11::screenPixels(w), x11::ownRendering(w)) < 0.02);
            const QImage before = x11::screenPixels(w);
            w->resize(w->width() * 3 / 4, w->height() * 3 / 4);
            QTRY_COMPARE(x11::screenPixels(w).size(), w->size() * w->devicePixelRatio());
            QTRY_VERIFY(x11::differingShare(x11::screenPixels(w), x11::ownRendering(w)) < 0.02);
            // Laid out and painted anew, not the old picture cut off.
            const QImage after = x11::screenPixels(w);
            QVERIFY2(x11::differingShare(before.copy(QRect(QPoint(0, 0), after.size())), after) > 0.01,
                     qPrintable(w->objectName()));
            x11::keepScreenshot(after, QStringLiteral("resized_%1_%2.png").arg(screenTag(), w->objectName()));
        }
    }

    void escapeClosesTheWaypointListAndTheMenusWork() {
        test::MemorySettingsStore store;
        test::RecordingPrompts prompts;
        test::FixedTimeZone zone;
        ui::TMainForm form(store, prompts, zone);
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));

        int listsSeen = 0;
        bool stillOpen = false;
        QTimer poll;
        poll.setInterval(20);
        connect(&poll, &QTimer::timeout, [&] {
            auto* list = qobject_cast<ui::TfrmWaypoint*>(QApplication::activeModalWidget());
            if (!list || list->property("escaped").toBool())
                return;
            list->setProperty("escaped", true);
            ++listsSeen;
            QTest::keyClick(list, Qt::Key_Escape);
            stillOpen = stillOpen || list->isVisible();
        });
        poll.start();
        form.EditWaypoint1Click();
        QCOMPARE(listsSeen, 1);
        QVERIFY(!stillOpen);
        QVERIFY(!QApplication::activeModalWidget());

        // By keyboard alone: Alt+G opens the GPS menu, W its "Edit &Waypoint...".
        QTRY_VERIFY(QApplication::activeWindow() == &form);
        QTest::keyClick(&form, Qt::Key_G, Qt::AltModifier);
        QTRY_VERIFY(qobject_cast<QMenu*>(QApplication::activePopupWidget()));
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_W);
        QTRY_COMPARE(listsSeen, 2);
        QTRY_VERIFY(!QApplication::activeModalWidget());
        QCOMPARE(prompts.count("question"), 0);
    }

    void openFlightReportFollowsAnImport() {
        test::MemorySettingsStore store;
        test::RecordingPrompts prompts;
        test::FixedTimeZone zone;
        ui::TMainForm form(store, prompts, zone);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        ui::RunIgcImport(form, {realLog("flat-xcontest-100.59.igc")});
        form.FlightReport1Click();
        form.Analysis1Click();
        auto* report = form.findChild<ui::TfrmFlightReport*>();
        QVERIFY(report);
        QVERIFY(QTest::qWaitForWindowExposed(report));
        QVERIFY(!report->report().flights.empty());
        const QString oldText = report->txtReport->toPlainText();
        const std::size_t oldCount = form.data().track()->count();

        ui::RunIgcImport(form, {realLog("tri.igc")});
        const IFTGarminTrack& track = *form.data().track();
        QVERIFY(track.count() != oldCount);
        // The report (and the summary beside it) is of the new log.
        QCOMPARE(report->report().last + 1, static_cast<std::uint32_t>(track.count()));
        QVERIFY(!report->report().flights.empty());
        QVERIFY(report->txtReport->toPlainText() != oldText);
        QCOMPARE(form.frmTrkList().grdTrkList->rowCount(), static_cast<int>(track.segmentCount()) + 1);
        form.frmTrkList().close(); // it would cover the report's pixels
        report->raise();
        const FlightReport fresh = buildFlightReport(track.points(), -1, ContestRules::XContest, "WGS 84", false);
        QCOMPARE(report->report().flights.front().takeoff, fresh.flights.front().takeoff);
        QCOMPARE(report->report().flights.front().landing, fresh.flights.front().landing);
        QTRY_VERIFY(x11::differingShare(x11::screenPixels(report), x11::ownRendering(report)) < 0.02);
        x11::keepScreenshot(x11::screenPixels(report), QStringLiteral("followed_%1_report.png").arg(screenTag()));
        // A click on the barogram points into the new log.
        const int i = report->pbBarogram->pointAt(report->pbBarogram->width() / 2);
        QVERIFY(i >= static_cast<int>(fresh.first) && i <= static_cast<int>(fresh.last));
    }
};

QTEST_MAIN(WindowFitTest)
#include "window_fit_test.moc"
