// The calibration dialog: DMS fields, "Calcurate", "Save".
#include "core/ift_option.h"
#include "support/test_support.h"
#include "ui/qt_prompts.h"
#include "ui/tfrm_map_info.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QApplication>
#include <QTest>
#include <QTimer>

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

    // The calibration file goes beside the chosen image under its name; it
    // replaces an older calibration file (after asking), nothing else.
    void savingOverAnImageWritesItsCalibrationFile() {
        IFTOption option(store);
        test::TempDir dir;
        const std::string image = "II*\0 not a text file";
        const std::string calibration = "ido_top = 1\r\n";
        const std::string tiled = "Nuvrel CE\r\n101\r\n8bp\r\n";
        struct Row {
            const char* chosen;
            const char* existing; // a file already there, or ""
            const std::string* before;
            const char* written;  // "" when nothing may be written
        };
        const Row rows[] = {{"x.bmp", "", nullptr, "x.dat"},
                            {"MAP.BMP", "", nullptr, "MAP.DAT"},
                            {"Map2.bmp", "Map2.DAT", &calibration, "Map2.DAT"},
                            {"z.dat", "z.dat", &calibration, "z.dat"},
                            {"photo.tif", "", nullptr, "photo.dat"},
                            {"tiles.bmp", "tiles.dat", &tiled, ""},
                            {"data.dat", "data.dat", &image, ""}};
        for (const Row& r : rows) {
            const bool imageChosen = std::string_view(r.chosen) != r.existing;
            if (imageChosen)
                test::writeFileBytes(dir / r.chosen, image);
            if (*r.existing)
                test::writeFileBytes(dir / r.existing, *r.before);
            prompts.entries.clear();
            prompts.answers = {true};
            TfrmMapInfo dialog(option, prompts);
            dialog.chooseSaveFile = [&] { return QString::fromStdString((dir / r.chosen).string()); };
            dialog.btnSave->click();
            if (imageChosen)
                QCOMPARE(test::readFileBytes(dir / r.chosen), image);
            if (*r.written) {
                QVERIFY(test::readFileBytes(dir / r.written).starts_with("; center of latitude"));
                QCOMPARE(prompts.count("question"), *r.existing ? 1 : 0); // asked before replacing
            } else {
                QCOMPARE(test::readFileBytes(dir / r.existing), *r.before);
                QCOMPARE(prompts.count("question"), 0);
                QCOMPARE(prompts.entries.back().text,
                         "Cannot save " + (dir / r.existing).string() + ": it is not a calibration file");
            }
        }
    }

    // The dialog stays on top of the main window, so its message boxes belong
    // to it, not to the main window they would open under.
    void messageBoxesOpenAboveTheDialog() {
        IFTOption option(store);
        QWidget mainWindow;
        ui::QtPrompts boxes;
        boxes.setParent(&mainWindow);
        TfrmMapInfo dialog(option, boxes, &mainWindow);
        dialog.show();
        dialog.BmpWidth->setText(QStringLiteral("10x"));
        QWidget* parent = nullptr;
        QTimer::singleShot(0, [&] {
            if (QWidget* box = QApplication::activeModalWidget()) {
                parent = box->parentWidget();
                box->close();
            }
        });
        dialog.btnCalcurate->click();
        QCOMPARE(parent, static_cast<QWidget*>(&dialog));
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
