// The waypoint input dialog on its own.
#include "support/test_support.h"
#include "ui/tfrm_wptin.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace nuvrel;

class WptinDialogTest : public QObject {
    Q_OBJECT

private slots:
    void fieldsAndButtons() {
        test::RecordingPrompts prompts;
        ui::TfrmWptin dialog(prompts);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Input Waypoint"));
        QCOMPARE(dialog.edtComment->maxLength(), 40);
        QCOMPARE(dialog.edtWaypointID->objectName(), QStringLiteral("edtWaypointID"));
        QCOMPARE(dialog.edtWaypointID->nextInFocusChain(), static_cast<QWidget*>(dialog.edtLatitude));

        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog.edtWaypointID));

        // OK without an ID: error 11, the dialog stays open.
        dialog.btnOK->click();
        QCOMPARE(prompts.errors(), std::vector<int>{11});
        QCOMPARE(prompts.entries[0].text, std::string("No Waypoint ID"));
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.result(), 0);

        dialog.edtWaypointID->setText(QStringLiteral("A1"));
        dialog.btnOK->click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));

        // The ID and the comment keep their text for the next use.
        dialog.show();
        QCOMPARE(dialog.edtWaypointID->text(), QStringLiteral("A1"));
        dialog.btnCancel->click();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }
};

QTEST_MAIN(WptinDialogTest)
#include "wptin_dialog_test.moc"
