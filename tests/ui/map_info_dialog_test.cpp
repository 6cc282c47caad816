// The calibration dialog: DMS fields, "Calcurate", "Save".
#include "core/app/ift_option.h"
#include "support/test_support.h"
#include "ui/tfrm_map_info.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

using namespace nuvrel;
using nuvrel::ui::TfrmMapInfo;

class MapInfoDialogTest : public QObject {
    Q_OBJECT
    test::RecordingPrompts prompts;
    test::MemorySettingsStore store;

private slots:
    void startsFromTheSettings() {
        IFTOption option(store);
        option.SetMapScale(50000);
        option.SetMapWidth(800);
        TfrmMapInfo dialog(option, prompts);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Create Map Infomation File"));
        QCOMPARE(dialog.cbScale->currentText(), QStringLiteral("50000"));
        QCOMPARE(dialog.cbScale->count(), 8);
        QCOMPARE(dialog.cbScale->itemText(0), QStringLiteral("800000"));
        QCOMPARE(dialog.BmpWidth->text(), QStringLiteral("800"));
        QCOMPARE(dialog.BmpHeight->text(), QStringLiteral("632"));
        QVERIFY(dialog.windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(dialog.btnCalcurate->text(), QStringLiteral("Calcurate"));
    }

    void dmsFieldsFillTheDegreeFields() {
        IFTOption option(store);
        TfrmMapInfo dialog(option, prompts);
        dialog.LatitudeDMS->setText(QStringLiteral("35 40 12.5"));
        QCOMPARE(dialog.LatitudeDeg->text(), QStringLiteral("35.6701388888889"));
        dialog.LongitudeDMS->setText(QStringLiteral("139"));
        QCOMPARE(dialog.LongitudeDeg->text(), QStringLiteral("139"));
        dialog.LongitudeDMS->clear();
        QCOMPARE(dialog.LongitudeDeg->text(), QStringLiteral("0"));
    }

    void calcurateAndSave() {
        IFTOption option(store);
        test::TempDir dir;
        QPointer<TfrmMapInfo> dialog = new TfrmMapInfo(option, prompts);
        dialog->show();
        dialog->LatitudeDeg->setText(QStringLiteral("35.5"));
        dialog->LongitudeDeg->setText(QStringLiteral("139.5"));
        dialog->cbScale->setEditText(QStringLiteral("25000"));
        dialog->BmpWidth->setText(QStringLiteral("1004"));
        dialog->BmpHeight->setText(QStringLiteral("632"));
        dialog->btnCalcurate->click();
        QCOMPARE(dialog->edtIdoTop->text(), QStringLiteral("35.5273889490791"));
        QCOMPARE(dialog->edtIdoBottom->text(), QStringLiteral("35.4726110509209"));

        // A text that is not a number: a message, nothing changed.
        dialog->BmpWidth->setText(QStringLiteral("10x"));
        dialog->btnCalcurate->click();
        QCOMPARE(prompts.count("message"), 1);
        QCOMPARE(prompts.entries.back().text, std::string("'10x' is not a valid floating point value"));
        QCOMPARE(dialog->edtIdoTop->text(), QStringLiteral("35.5273889490791"));
        dialog->BmpWidth->setText(QStringLiteral("1004"));

        // Cancelled save dialog: nothing happens.
        dialog->chooseSaveFile = [] { return QString(); };
        dialog->btnSave->click();
        QVERIFY(dialog);
        QVERIFY(dialog->isVisible());

        const auto path = dir / "x.dat";
        dialog->chooseSaveFile = [&] { return QString::fromStdString(path.string()); };
        dialog->cbScale->setEditText(QStringLiteral("12500"));
        dialog->btnSave->click();
        QCOMPARE(test::readFileBytes(path),
                 std::string("; center of latitude = 35.5     , center of longitude = 139.5    \r\n"
                             "ido_top       =  35.527388\r\n"
                             "kei_left      = 139.451027\r\n"
                             "ido_bottom    =  35.472611\r\n"
                             "kei_right     = 139.548972\r\n"
                             "bitmap_width  = 1004\r\n"
                             "bitmap_height = 632\r\n"));
        QCOMPARE(option.MapScale(), 12500);
        QCOMPARE(option.MapWidth(), 1004);
        QTRY_VERIFY(!dialog); // hidden and released
    }

    void savingOverABitmapWritesItsCalibrationFile() {
        IFTOption option(store);
        test::TempDir dir;
        const std::string bitmap = "BM not a text file";
        struct Row {
            const char* chosen;
            const char* existing; // calibration file already there, or ""
            const char* written;
        };
        const Row rows[] = {{"x.bmp", "", "x.dat"}, {"MAP.BMP", "", "MAP.DAT"}, {"Map2.bmp", "Map2.DAT", "Map2.DAT"},
                            {"z.dat", "z.dat", "z.dat"}};
        for (const Row& r : rows) {
            const bool bitmapChosen = std::string_view(r.chosen) != r.written;
            if (bitmapChosen)
                test::writeFileBytes(dir / r.chosen, bitmap);
            if (*r.existing)
                test::writeFileBytes(dir / r.existing, "old");
            prompts.answers = {true};
            TfrmMapInfo dialog(option, prompts);
            dialog.chooseSaveFile = [&] { return QString::fromStdString((dir / r.chosen).string()); };
            dialog.btnSave->click();
            if (bitmapChosen)
                QCOMPARE(test::readFileBytes(dir / r.chosen), bitmap);
            QVERIFY(test::readFileBytes(dir / r.written).starts_with("; center of latitude"));
            QCOMPARE(prompts.answers.empty(), *r.existing != 0); // asked before replacing
        }
    }

    void saveStoresTheSettingsUpToABadOne() {
        IFTOption option(store);
        test::TempDir dir;
        prompts.entries.clear();
        TfrmMapInfo dialog(option, prompts);
        dialog.show();
        dialog.cbScale->setEditText(QStringLiteral("6250"));
        dialog.BmpWidth->setText(QStringLiteral("640.5"));
        const auto path = dir / "y.dat";
        dialog.chooseSaveFile = [&] { return QString::fromStdString(path.string()); };
        dialog.btnSave->click();
        QVERIFY(std::filesystem::exists(path)); // written first
        QCOMPARE(option.MapScale(), 6250);
        QCOMPARE(option.MapWidth(), 1004);
        QCOMPARE(prompts.entries.back().text, std::string("'640.5' is not a valid integer value"));
        QVERIFY(dialog.isVisible());
    }
};

QTEST_MAIN(MapInfoDialogTest)
#include "map_info_dialog_test.moc"
