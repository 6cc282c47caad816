// The titles the X server holds for the program's windows (what a window
// manager shows) are exactly their captions, with the program's own
// application identity in place.
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "support/test_support.h"
#include "ui/application_identity.h"
#include "ui/main_form.h"
#include "ui/qt_prompts.h"
#include "ui/tfrm_playing.h"
#include "ui/tfrm_trk_list.h"
#include "x11_support.h"

#include <functional>

using namespace nuvrel;

class WindowTitlesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        test::useTempConfigHome();
        ui::SetApplicationIdentity();
    }

    void titlesAreTheCaptions()
    {
        test::MemorySettingsStore store;
        test::RecordingPrompts recorded;
        test::FixedTimeZone zone;
        ui::TMainForm form(store, recorded, zone);
        ui::QtPrompts boxes;
        boxes.setParent(&form);
        ui::TfrmPlaying playing(&form);
        x11::ServerView server;

        // Windows the program shows; message boxes are read while they are up.
        const struct {
            const char* caption;
            std::function<void()> open;
        } windows[] = {
            {"Nuvrel Win", [&] { form.show(); }},
            {"Track Summary", [&] { form.frmTrkList().show(); }},
            {"Playing", [&] { playing.show(); }},
            {"Preference", [&] { form.Preference1Click(); }},
            {"Error", [&] { boxes.showError(2, "GPS doesn't respond"); }},
            {"Confirm", [&] { boxes.askYesNo("Confirm", "Do you wish to save?"); }},
        };
        for (const auto& w : windows) {
            QString title;
            QTimer::singleShot(0, [&] {
                QWidget* box = QApplication::activeModalWidget();
                if (!box)
                    return;
                QVERIFY(QTest::qWaitForWindowExposed(box));
                QTRY_VERIFY(!(title = server.title(xcb_window_t(box->winId()))).isEmpty());
                box->close();
            });
            w.open();
            if (title.isEmpty()) {
                QWidget* shown = nullptr;
                for (QWidget* top : QApplication::topLevelWidgets())
                    if (top->isVisible() && top->windowTitle() == QLatin1String(w.caption))
                        shown = top;
                QVERIFY2(shown, w.caption);
                QVERIFY(QTest::qWaitForWindowExposed(shown));
                QTRY_VERIFY(!(title = server.title(xcb_window_t(shown->winId()))).isEmpty());
            }
            QCOMPARE(title, QString::fromLatin1(w.caption));
        }
    }
};

QTEST_MAIN(WindowTitlesTest)
#include "window_titles_test.moc"
