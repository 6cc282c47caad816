// The calibration dialog on a real X server: an angle typed with the degree
// sign and typographic minute and second marks reads as degrees, minutes and
// seconds, and the dialog shows it. The screenshot is kept in
// $TMPDIR/nuvrel-calibration-dialog.png for looking at.
#include "core/ift_option.h"
#include "support/test_support.h"
#include "ui/tfrm_map_info.h"

#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>

#include "x11_support.h"

// Types text key by key as a keyboard with these signs would (QTest's own
// key clicks take Latin-1 only).
static void type(QWidget* w, const QString& text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
        QApplication::sendEvent(w, &release);
    }
}

class CalibrationDialogTest : public QObject {
    Q_OBJECT
private slots:
    void degreeSignIsOneSeparator()
    {
        nuvrel::test::MemorySettingsStore store;
        nuvrel::test::RecordingPrompts prompts;
        nuvrel::IFTOption option(store);
        nuvrel::ui::TfrmMapInfo dialog(option, prompts);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.LatitudeDMS->setFocus();
        type(dialog.LatitudeDMS, QStringLiteral("35°40'12.5\""));
        type(dialog.LongitudeDMS, QStringLiteral("139°46′12″"));
        QCOMPARE(dialog.LatitudeDMS->text(), QStringLiteral("35°40'12.5\""));
        QCOMPARE(dialog.LatitudeDeg->text(), QStringLiteral("35.6701388888889"));
        QCOMPARE(dialog.LongitudeDeg->text(), QStringLiteral("139.77"));
        QTRY_VERIFY(x11::differingShare(x11::screenPixels(&dialog), x11::ownRendering(&dialog)) < 0.01);
        x11::screenPixels(&dialog).save(QDir::temp().filePath(QStringLiteral("nuvrel-calibration-dialog.png")));
    }
};

QTEST_MAIN(CalibrationDialogTest)
#include "calibration_dialog_test.moc"
