#include "core/ift_option.h"
#include "support/test_support.h"
#include "ui/tfrm_seldatum.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using nuvrel::IFTOption;
using nuvrel::test::MemorySettingsStore;
using nuvrel::ui::TfrmSeldatum;

class SeldatumTest : public QObject {
    Q_OBJECT
private slots:
    void listsEveryDatumInTableOrder() {
        MemorySettingsStore store;
        IFTOption options(store);
        TfrmSeldatum dlg(options);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Select Map Datum"));
        QCOMPARE(dlg.Label1->text(), QStringLiteral("Datum : "));
        QCOMPARE(dlg.btnOK->text(), QStringLiteral("OK"));
        QCOMPARE(dlg.btnCancel->text(), QStringLiteral("Cancel"));
        QCOMPARE(dlg.lbDatums->count(), 124);
        QCOMPARE(dlg.lbDatums->item(0)->text(), QStringLiteral("Adindan"));
        QCOMPARE(dlg.lbDatums->item(8)->text(), QStringLiteral("Astro Beacon \"E\""));
        QCOMPARE(dlg.lbDatums->item(123)->text(), QStringLiteral("Zanderij"));
        QCOMPARE(dlg.findChild<QListWidget*>(QStringLiteral("lbDatums")), dlg.lbDatums);
    }

    void highlightsTheCurrentDatum() {
        MemorySettingsStore store;
        IFTOption options(store);
        options.SetDatumName("WGS 84");
        TfrmSeldatum dlg(options);
        QCOMPARE(dlg.lbDatums->currentRow(), 121);
        QCOMPARE(dlg.lblDatumName->text(), QStringLiteral("WGS 84"));
        dlg.show();
        QCOMPARE(dlg.lbDatums->currentRow(), 121);
        QCOMPARE(dlg.lblDatumName->text(), QStringLiteral("WGS 84"));
        dlg.hide();
        // Each showing looks the name up again.
        options.SetDatumName("European 1950");
        dlg.show();
        QCOMPARE(dlg.lbDatums->currentRow(), 33);
        QCOMPARE(dlg.lblDatumName->text(), QStringLiteral("European 1950"));
    }

    void unknownNameShowsTokyo() {
        MemorySettingsStore store;
        IFTOption options(store);
        options.SetDatumName("tokyo");
        TfrmSeldatum dlg(options);
        QCOMPARE(dlg.lblDatumName->text(), QStringLiteral("Tokyo"));
        dlg.show();
        QCOMPARE(dlg.lbDatums->currentRow(), 116);
        QCOMPARE(dlg.lblDatumName->text(), QStringLiteral("Tokyo"));
    }

    void clickShowsTheNameAndOkStoresIt() {
        MemorySettingsStore store;
        IFTOption options(store);
        TfrmSeldatum dlg(options);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QListWidgetItem* item = dlg.lbDatums->item(97);
        dlg.lbDatums->scrollToItem(item);
        QTest::mouseClick(dlg.lbDatums->viewport(), Qt::LeftButton, {},
                          dlg.lbDatums->visualItemRect(item).center());
        QCOMPARE(dlg.lblDatumName->text(), QStringLiteral("Potsdam"));
        QCOMPARE(options.DatumName(), std::string("Tokyo"));
        QTest::mouseClick(dlg.btnOK, Qt::LeftButton);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(options.DatumName(), std::string("Potsdam"));
        QVERIFY(!dlg.isVisible());
    }

    void cancelChangesNothing() {
        MemorySettingsStore store;
        IFTOption options(store);
        options.SetDatumName("NAD83");
        TfrmSeldatum dlg(options);
        // Shown modally, as the menu command does; answered by a timer.
        QTimer::singleShot(0, &dlg, [&] {
            dlg.lbDatums->setCurrentRow(0);
            QCOMPARE(dlg.lblDatumName->text(), QStringLiteral("Adindan"));
            dlg.btnCancel->click();
        });
        QCOMPARE(dlg.exec(), int(QDialog::Rejected));
        QCOMPARE(options.DatumName(), std::string("NAD83"));
        QVERIFY2(store.keys.empty(), "nothing is written before exit");

        QTimer::singleShot(0, &dlg, [&] {
            QCOMPARE(dlg.lbDatums->currentRow(), 78);
            dlg.lbDatums->setCurrentRow(121);
            dlg.btnOK->click();
        });
        QCOMPARE(dlg.exec(), int(QDialog::Accepted));
        QCOMPARE(options.DatumName(), std::string("WGS 84"));
    }
};

QTEST_MAIN(SeldatumTest)
#include "seldatum_test.moc"
