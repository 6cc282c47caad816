// The preferences dialog, the symbol picker, the auto-detect result window,
// the about box and the help command, offscreen. Auto-detection runs against
// the receiver simulator on a pseudo-terminal.
#include "core/ift_option.h"
#include "core/data/ift_garmin_data.h"
#include "support/test_support.h"
#include "ui/about_box.h"
#include "ui/color_swatch.h"
#include "ui/main_form.h"
#include "ui/map_window.h"
#include "ui/tfrm_autodetect.h"
#include "ui/tfrm_preference.h"
#include "ui/tfrm_selsmbl.h"
#include "ui/up_down.h"
#ifdef NUVREL_GPSSIM
#include "sim_process.h"
#endif

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <filesystem>
#include <fstream>
#include <functional>

using namespace nuvrel;

namespace {

// Runs `check` on the next modal dialog of type T once it is up.
template <typename T>
void onModal(std::function<void(T*)> check) {
    QTimer::singleShot(50, [check] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        QVERIFY2(dialog, "expected a modal dialog");
        check(dialog);
    });
}

// Ports where port n leads to the given paths and nothing else exists.
SerialPorts fakePorts(std::map<std::string, std::string> env = {}) {
    SerialPorts p = SerialPorts::System(nullptr);
    p.environment = test::environmentOf(std::move(env));
    p.exists = [](const std::string&) { return false; };
    return p;
}

struct Fixture {
    test::MemorySettingsStore store;
    test::RecordingPrompts prompts;
    test::FixedTimeZone zone;
    IFTOption options{store};
    IFTGarminData data{DataContext{prompts, zone}};
};

QStringList itemsOf(const QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

void writeExecutable(const std::filesystem::path& path, const std::string& text) {
    test::writeFileBytes(path, text);
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

} // namespace

class PreferenceDialogTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void opensFromTheMenuOnceAndWithoutBlocking();
    void showsTheSettings();
    void okStoresEverything();
    void newPenRedrawsTheMap();
    void okKeepsPortAndFixesBadWidth();
    void badTimeOffsetKeepsTheDialogOpen();
    void codePageIsShownAndStored();
    void traceMarkIsStoredAtOnceAndSurvivesTheCloseBox();
    void penColourComesFromTheColourPicker();
    void upDownsStopAtTheirLimits();
    void devicePathIsShownBesideThePort();
    void autoDetectWithoutReceiverShowsError2();
    void autoDetectStoresTheReceiver();
    void autoDetectResultWindow();
    void symbolPickerListsTheModelsSymbols();
    void symbolPickerClickPicksOrCloses();
    void aboutBox();
    void helpStartsTheDefaultBrowser();
    void helpWithoutBrowserShowsError3();
    void helpWithBrokenBrowserShowsError12();
};

void PreferenceDialogTest::initTestCase() { test::useTempConfigHome(); }

void PreferenceDialogTest::opensFromTheMenuOnceAndWithoutBlocking() {
    test::MemorySettingsStore store;
    test::RecordingPrompts prompts;
    test::FixedTimeZone zone;
    ui::TMainForm form(store, prompts, zone);
    for (const char* name : {"Preference1", "Help2", "About1"})
        QVERIFY2(form.command(QString::fromLatin1(name))->isEnabled(), name);

    form.command(QStringLiteral("Preference1"))->trigger();
    auto dialogs = form.findChildren<ui::TfrmPreference*>();
    QCOMPARE(dialogs.size(), 1);
    QPointer<ui::TfrmPreference> dialog = dialogs.first();
    QVERIFY(dialog->isVisible());
    QVERIFY(!dialog->isModal());
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Preference"));
    QVERIFY(!(dialog->windowFlags() & Qt::WindowMinMaxButtonsHint));

    form.command(QStringLiteral("Preference1"))->trigger();
    QCOMPARE(form.findChildren<ui::TfrmPreference*>().size(), 1);

    // OK discards the dialog; the next opening makes a new one.
    QTest::mouseClick(dialog->btnOK, Qt::LeftButton);
    QTRY_VERIFY(dialog.isNull());
    form.command(QStringLiteral("Preference1"))->trigger();
    QCOMPARE(form.findChildren<ui::TfrmPreference*>().size(), 1);

    // Escape closes it like the close box: discarded too.
    dialog = form.findChild<ui::TfrmPreference*>();
    QTest::keyClick(dialog, Qt::Key_Escape);
    QTRY_VERIFY(dialog.isNull());
}

void PreferenceDialogTest::showsTheSettings() {
    Fixture f;
    f.options.SetCommPort(3);
    f.options.SetGPSModel("eTrex Vista");
    f.options.SetPenColor(0x00ff0000); // blue
    f.options.SetPenWidth(4);
    f.options.SetTraceMark("KAYAK");
    f.options.SetMapLoadWithStart(1);
    f.options.SetTextCoordinateFormat(3);
    f.data.setTimeOffset(-32400);
    ui::TfrmPreference d(f.options, f.data, f.prompts, fakePorts());

    QCOMPARE(d.PageControl1->count(), 4); // and "Flight Log"
    QCOMPARE(d.PageControl1->tabText(0), QStringLiteral("Hardware"));
    QCOMPARE(d.PageControl1->tabText(1), QStringLiteral("View"));
    QCOMPARE(d.PageControl1->tabText(2), QStringLiteral("Others"));
    QCOMPARE(d.PageControl1->currentIndex(), 0);

    QCOMPARE(itemsOf(d.cbCommPort),
             (QStringList{"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8"}));
    QVERIFY(d.cbCommPort->isEditable());
    QCOMPARE(d.cbCommPort->currentText(), QStringLiteral("COM3"));
    const QStringList models = itemsOf(d.cbGPSModel);
    QCOMPARE(models.size(), 27);
    QCOMPARE(models.first(), QStringLiteral("GPS12"));
    QCOMPARE(models.at(25), QStringLiteral("GPSMAP76"));
    QCOMPARE(models.last(), QStringLiteral("Others"));
    QCOMPARE(d.cbGPSModel->currentText(), QStringLiteral("eTrex Vista"));
    QCOMPARE(d.cbGPSModel->currentIndex(), models.indexOf(QStringLiteral("eTrex Vista"))); // the list opens there
    QCOMPARE(d.btnAutoDetect->text(), QStringLiteral("Auto Detect"));

    QCOMPARE(d.Shape1->color(), QColor(0, 0, 255));
    QCOMPARE(d.Edit1->text(), QStringLiteral("4"));
    QCOMPARE(itemsOf(d.ComboBox1), (QStringList{"HANGGLIDER", "KAYAK", "CAR", "BICYCLE", "FOOT"}));
    QCOMPARE(d.ComboBox1->currentText(), QStringLiteral("KAYAK"));
    QCOMPARE(d.Image1->size(), QSize(31, 31));

    QCOMPARE(d.cbMapLoadWithStart->text(), QStringLiteral("Load Map with Start"));
    QCOMPARE(d.cbTextFormatDMS->text(), QStringLiteral("Text Format DMS"));
    QVERIFY(d.cbMapLoadWithStart->isChecked());
    QVERIFY(d.cbTextFormatDMS->isChecked());
    QCOMPARE(d.edtTZoffset->text(), QStringLiteral("-9"));
    QCOMPARE(d.udTZoffset->position(), -9);
    QVERIFY(f.prompts.entries.empty());
}

void PreferenceDialogTest::okStoresEverything() {
    Fixture f;
    f.options.SetGPSSoftwareVersion(250);
    f.data.setTimeOffset(-32400);
    QPointer<ui::TfrmPreference> d = new ui::TfrmPreference(f.options, f.data, f.prompts, fakePorts());
    d->show();
    QSignalSpy pen(d.data(), &ui::TfrmPreference::penChanged);
    d->cbCommPort->setCurrentIndex(2);
    d->cbGPSModel->setEditText(QStringLiteral("GPS38J"));
    d->Shape1->setColor(QColor(0x12, 0x34, 0x56));
    d->Edit1->setText(QStringLiteral("3"));
    d->cbMapLoadWithStart->setChecked(true);
    d->cbTextFormatDMS->setChecked(true);
    QCOMPARE(d->PageControl1->tabText(3), QStringLiteral("Flight Log"));
    d->edtPilotName->setText(QStringLiteral(" Hana Sato "));
    d->edtGliderID->setText(QStringLiteral("D-1234"));
    QTest::mouseClick(d->btnOK, Qt::LeftButton);

    QCOMPARE(f.options.CommPort(), 3);
    QCOMPARE(f.options.GPSModel(), std::string("GPS38J"));
    QCOMPARE(f.options.GPSModelID(), 62);
    QCOMPARE(f.options.GPSCharSet(), 2);
    QCOMPARE(f.options.GPSSoftwareVersion(), 250);
    QCOMPARE(f.options.PenColor(), 0x563412);
    QCOMPARE(f.options.PenWidth(), 3);
    QCOMPARE(f.options.MapLoadWithStart(), 1);
    QCOMPARE(f.options.TextCoordinateFormat(), 3);
    QCOMPARE(f.options.PilotName(), std::string("Hana Sato"));
    QCOMPARE(f.options.GliderType(), std::string());
    QCOMPARE(f.options.GliderID(), std::string("D-1234"));
    QCOMPARE(f.data.timeOffset(), -32400); // -9 shown, -9 confirmed
    QCOMPARE(pen.count(), 1);
    QTRY_VERIFY(d.isNull());
}

void PreferenceDialogTest::newPenRedrawsTheMap() {
    test::MemorySettingsStore store;
    test::RecordingPrompts prompts;
    test::FixedTimeZone zone;
    ui::TMainForm form(store, prompts, zone);
    form.resize(400, 300);
    std::vector<TrackPoint> pts;
    for (int i = 0; i < 20; ++i)
        pts.push_back(TrackPoint{35.0 + i * 0.01, 135.0 + i * 0.01, static_cast<std::uint32_t>(i), 1, 0, 0, 0});
    form.data().setTrack(std::make_unique<IFTGarminTrack>(std::move(pts)));
    form.command(QStringLiteral("Rfresh1"))->trigger();

    const auto countColour = [&form](QRgb colour) {
        const QImage& image = form.mapWindow().mapImage();
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                n += (image.pixel(x, y) & 0xffffff) == (colour & 0xffffff);
        return n;
    };
    QVERIFY(countColour(qRgb(255, 0, 0)) > 0);

    form.command(QStringLiteral("Preference1"))->trigger();
    auto* d = form.findChild<ui::TfrmPreference*>();
    QVERIFY(d);
    d->Shape1->setColor(QColor(0, 0, 255));
    QTest::mouseClick(d->btnOK, Qt::LeftButton);
    QCOMPARE(form.options().PenColor(), 0xff0000);
    // The track is drawn again in the new colour over a rebuilt picture.
    QVERIFY(countColour(qRgb(0, 0, 255)) > 0);
    QCOMPARE(countColour(qRgb(255, 0, 0)), 0);
}

void PreferenceDialogTest::okKeepsPortAndFixesBadWidth() {
    Fixture f;
    f.options.SetCommPort(2);
    f.options.SetPenWidth(5);
    QPointer<ui::TfrmPreference> d = new ui::TfrmPreference(f.options, f.data, f.prompts, fakePorts());
    d->show();
    d->cbCommPort->setEditText(QStringLiteral("COM12"));
    d->cbGPSModel->setEditText(QStringLiteral("Others"));
    d->Edit1->setText(QStringLiteral("wide"));
    d->cbMapLoadWithStart->setChecked(false);
    d->edtTZoffset->setText(QStringLiteral("25"));
    QTest::mouseClick(d->btnOK, Qt::LeftButton);
    QCOMPARE(f.options.CommPort(), 2);
    QCOMPARE(f.options.GPSModelID(), 59);
    QCOMPARE(f.options.PenWidth(), 1);
    QCOMPARE(f.options.TextCoordinateFormat(), 1);
    QCOMPARE(f.data.timeOffset(), 90000);
    QTRY_VERIFY(d.isNull());
}

void PreferenceDialogTest::badTimeOffsetKeepsTheDialogOpen() {
    Fixture f;
    f.data.setTimeOffset(7200);
    ui::TfrmPreference d(f.options, f.data, f.prompts, fakePorts());
    d.show();
    d.Edit1->setText(QStringLiteral("6"));
    d.edtTZoffset->setText(QStringLiteral("two"));
    QTest::mouseClick(d.btnOK, Qt::LeftButton);
    QCOMPARE(f.prompts.count("message"), 1);
    QCOMPARE(f.prompts.entries.at(0).text, std::string("'two' is not a valid integer value"));
    QVERIFY(d.isVisible());
    // The Others page shows the field selected.
    QCOMPARE(d.PageControl1->currentIndex(), 2);
    QCOMPARE(d.edtTZoffset->selectedText(), QStringLiteral("two"));
    QCOMPARE(f.options.PenWidth(), 6); // stored before the offset
    QCOMPARE(f.data.timeOffset(), 7200);
}

void PreferenceDialogTest::codePageIsShownAndStored() {
    Fixture f;
    for (const auto& [index, stored] : {std::pair{1, "CP932"}, {2, "UTF-8"}, {0, ""}}) {
        QPointer<ui::TfrmPreference> d = new ui::TfrmPreference(f.options, f.data, f.prompts, fakePorts());
        QCOMPARE(itemsOf(d->cbCodePage), (QStringList{"Automatic", "Japanese (CP932)", "UTF-8"}));
        QCOMPARE(d->cbCodePage->currentData().toString().toStdString(), codePageSetting(f.store));
        d->show();
        d->cbCodePage->setCurrentIndex(index);
        QTest::mouseClick(d->btnOK, Qt::LeftButton);
        QCOMPARE(codePageSetting(f.store), std::string(stored));
        QTRY_VERIFY(d.isNull());
    }
}

void PreferenceDialogTest::traceMarkIsStoredAtOnceAndSurvivesTheCloseBox() {
    Fixture f;
    QPointer<ui::TfrmPreference> d = new ui::TfrmPreference(f.options, f.data, f.prompts, fakePorts());
    d->show();
    QSignalSpy changed(d.data(), &ui::TfrmPreference::traceMarkChanged);
    d->Edit1->setText(QStringLiteral("7"));
    d->ComboBox1->setCurrentText(QStringLiteral("BICYCLE"));
    QCOMPARE(f.options.TraceMark(), std::string("BICYCLE"));
    QCOMPARE(changed.count(), 1);
    // The picture is frame 0 of the chosen marker, when the program has it.
    const bool hasFrames = QFile::exists(QStringLiteral(":/marker/BICYCLE0"));
    QCOMPARE(!d->Image1->pixmap().isNull(), hasFrames);
    if (hasFrames)
        QCOMPARE(d->Image1->pixmap().size(), QSize(31, 31));
    d->close(); // the close box
    QTRY_VERIFY(d.isNull());
    QCOMPARE(f.options.TraceMark(), std::string("BICYCLE"));
    QCOMPARE(f.options.PenWidth(), 1);
}

void PreferenceDialogTest::penColourComesFromTheColourPicker() {
    Fixture f;
    ui::TfrmPreference d(f.options, f.data, f.prompts, fakePorts());
    d.show();
    onModal<QColorDialog>([](QColorDialog* picker) {
        QCOMPARE(picker->currentColor(), QColor(255, 0, 0)); // starts at the swatch colour
        picker->setCurrentColor(QColor(0, 128, 0));
        picker->accept();
    });
    QTest::mouseClick(d.Shape1, Qt::RightButton);
    QCOMPARE(d.Shape1->color(), QColor(0, 128, 0));
    QCOMPARE(f.options.PenColor(), 255); // not before OK

    onModal<QColorDialog>([](QColorDialog* picker) {
        picker->setCurrentColor(QColor(1, 2, 3));
        picker->reject();
    });
    QTest::mouseClick(d.Shape1, Qt::LeftButton);
    QCOMPARE(d.Shape1->color(), QColor(0, 128, 0));
    QTest::mouseClick(d.btnOK, Qt::LeftButton);
    QCOMPARE(f.options.PenColor(), 0x008000);
}

void PreferenceDialogTest::upDownsStopAtTheirLimits() {
    Fixture f;
    f.data.setTimeOffset(23 * 3600);
    ui::TfrmPreference d(f.options, f.data, f.prompts, fakePorts());
    d.show();
    d.udTZoffset->upButton()->click();
    d.udTZoffset->upButton()->click();
    QCOMPARE(d.edtTZoffset->text(), QStringLiteral("24"));
    d.edtTZoffset->setText(QStringLiteral("-30"));
    d.udTZoffset->downButton()->click();
    QCOMPARE(d.edtTZoffset->text(), QStringLiteral("-24"));
    QTest::keyClick(d.edtTZoffset, Qt::Key_Up);
    QCOMPARE(d.edtTZoffset->text(), QStringLiteral("-23"));
    d.UpDown1->downButton()->click();
    QCOMPARE(d.Edit1->text(), QStringLiteral("1"));
    d.UpDown1->upButton()->click();
    QCOMPARE(d.Edit1->text(), QStringLiteral("2"));
    d.Edit1->setText(QStringLiteral("98"));
    d.UpDown1->upButton()->click();
    d.UpDown1->upButton()->click();
    QCOMPARE(d.Edit1->text(), QStringLiteral("99"));
}

void PreferenceDialogTest::devicePathIsShownBesideThePort() {
    Fixture f;
    test::TempDir dev;
    test::writeFileBytes(dev / "ttyUSB0", "");
    const QString usb = QString::fromStdString((dev / "ttyUSB0").string());
    SerialPorts ports = fakePorts({{"NUVREL_COM3", "/nonexistent/ttyACM0"}});
    ports.settings = &f.store;
    ports.devDir = dev.path().string();
    ports.sysDir.clear();
    ui::TfrmPreference d(f.options, f.data, f.prompts, ports);
    const QString s0 = QString::fromStdString((dev / "ttyS0").string());
    QCOMPARE(d.lblDevicePath->text(), s0);
    QCOMPARE(d.lblPortProblem->text(), QStringLiteral("not present"));
    QCOMPARE(itemsOf(d.cbPortDevice), (QStringList{QStringLiteral("Automatic"), usb}));
    QCOMPARE(d.cbPortDevice->currentIndex(), 0);

    // COM1 mapped to the device present: stored as the settings value.
    d.cbPortDevice->setCurrentIndex(1);
    emit d.cbPortDevice->activated(1);
    QCOMPARE(std::get<std::string>(f.store.keys[kSettingsKeyPath]["COM1"]), usb.toStdString());
    QCOMPARE(d.lblDevicePath->text(), usb);
    QCOMPARE(d.lblPortProblem->text(), QString());

    d.cbCommPort->setCurrentIndex(2);
    QCOMPARE(d.lblDevicePath->text(), QStringLiteral("/nonexistent/ttyACM0"));
    QCOMPARE(d.cbPortDevice->currentIndex(), 0);
    d.cbCommPort->setCurrentIndex(0);
    QCOMPARE(d.cbPortDevice->currentIndex(), 1);
    d.cbCommPort->setEditText(QStringLiteral("COM9"));
    QCOMPARE(d.lblDevicePath->text(), QString());
    QVERIFY(!d.cbPortDevice->isEnabled());
}

void PreferenceDialogTest::autoDetectWithoutReceiverShowsError2() {
    Fixture f;
    ui::TfrmPreference d(f.options, f.data, f.prompts, fakePorts({{"NUVREL_COM1", "/nonexistent/tty"}}));
    d.show();
    QTest::mouseClick(d.btnAutoDetect, Qt::LeftButton);
    QCOMPARE(f.prompts.errors(), std::vector<int>{2});
    QCOMPARE(f.options.GPSModelID(), 59);
}

void PreferenceDialogTest::autoDetectStoresTheReceiver() {
#ifndef NUVREL_GPSSIM
    QSKIP("built without the receiver simulator");
#else
    struct Case {
        int id, version;
        const char* name;
        int charSet;
        bool closeBox;
    };
    for (const Case c : {Case{111, 272, "eMap", 1, false}, Case{105, 250, "GPS12XLJ", 2, true},
                         Case{999, 300, "GPS II", 1, false}}) {
        test::SimProcess sim({"--product-id", std::to_string(c.id), "--software-version", std::to_string(c.version)});
        QVERIFY(sim.started());
        Fixture f;
        f.options.SetCommPort(4);
        QPointer<ui::TfrmPreference> d = new ui::TfrmPreference(f.options, f.data, f.prompts, sim.ports());
        d->show();
        d->cbCommPort->setEditText(QStringLiteral("COM1")); // where the receiver is
        QString id, description;
        onModal<ui::TfrmAutoDetectResult>([&, c](ui::TfrmAutoDetectResult* r) {
            id = r->edtID->text();
            description = r->edtDescription->text();
            // Stored whichever way the window is closed.
            if (c.closeBox)
                r->reject();
            else
                QTest::mouseClick(r->btnOK, Qt::LeftButton);
        });
        QTest::mouseClick(d->btnAutoDetect, Qt::LeftButton);
        QVERIFY(f.prompts.entries.empty());
        QCOMPARE(id, QString::number(c.id));
        QVERIFY2(description.contains(QStringLiteral("Software Version")), qPrintable(description));
        QCOMPARE(f.options.GPSModel(), std::string(c.name));
        QCOMPARE(f.options.GPSModelID(), c.id);
        QCOMPARE(f.options.GPSCharSet(), c.charSet);
        QCOMPARE(f.options.GPSSoftwareVersion(), c.version);
        QCOMPARE(f.options.CommPort(), 1);
        QCOMPARE(d->cbGPSModel->currentText(), QString::fromLatin1(c.name));
        // Closing by the close box keeps the detected receiver.
        d->close();
        QTRY_VERIFY(d.isNull());
        QCOMPARE(f.options.GPSModelID(), c.id);
    }
#endif
}

void PreferenceDialogTest::autoDetectResultWindow() {
    ui::TfrmAutoDetectResult r;
    QCOMPARE(r.windowTitle(), QStringLiteral("Auto Detect Result"));
    QCOMPARE(r.Label1->text(), QStringLiteral("ID"));
    QCOMPARE(r.Label2->text(), QStringLiteral("Descriptoin"));
    QVERIFY(!r.edtID->isEnabled());
    QVERIFY(!r.edtDescription->isEnabled());
    QVERIFY(r.btnOK->isDefault());
    QTimer::singleShot(50, [&r] { QTest::keyClick(&r, Qt::Key_Return); });
    QCOMPARE(r.exec(), int(QDialog::Accepted));
}

void PreferenceDialogTest::symbolPickerListsTheModelsSymbols() {
    Fixture f;
    ui::TfrmSelsmbl picker(f.options);
    QCOMPARE(picker.windowTitle(), QStringLiteral("Select Symbol"));
    QCOMPARE(picker.selectedName, QString());
    QCOMPARE(picker.selectedIndex, 0);

    // D100 (the default GPS II): nothing to list, and the list stays as it was.
    picker.show();
    QCOMPARE(picker.lbSymbol->count(), 0);
    picker.hide();

    f.options.SetGPSModelID(111);
    f.options.SetGPSSoftwareVersion(270); // D109
    picker.selectedIndex = 60;
    picker.resize(220, 200);
    picker.show();
    QCOMPARE(picker.lbSymbol->count(), 126);
    QCOMPARE(picker.lbSymbol->item(0)->text(), QStringLiteral("white Anchor"));
    QCOMPARE(picker.lbSymbol->item(125)->text(), QStringLiteral("Seaplane Base"));
    QTRY_COMPARE(picker.lbSymbol->indexAt(QPoint(5, 2)).row(), 60); // scrolled to the top
    picker.hide();

    f.options.SetGPSModelID(87); // D103
    picker.selectedIndex = 0;
    picker.show();
    QCOMPARE(picker.lbSymbol->count(), 16);
    QCOMPARE(picker.lbSymbol->item(15)->text(), QStringLiteral("back track"));
    picker.hide();

    f.options.SetGPSModelID(59); // D100 again: the D103 list is kept
    picker.show();
    QCOMPARE(picker.lbSymbol->count(), 16);
    picker.hide();
}

void PreferenceDialogTest::symbolPickerClickPicksOrCloses() {
    Fixture f;
    f.options.SetGPSModelID(87);
    ui::TfrmSelsmbl picker(f.options);
    picker.resize(220, 600); // room below the 16 items
    picker.selectedName = QStringLiteral("camp");
    onModal<ui::TfrmSelsmbl>([](ui::TfrmSelsmbl* p) {
        const QRect r = p->lbSymbol->visualItemRect(p->lbSymbol->item(4));
        QTest::mouseClick(p->lbSymbol->viewport(), Qt::LeftButton, {}, r.center());
    });
    QCOMPARE(picker.exec(), int(QDialog::Accepted));
    QCOMPARE(picker.selectedName, QStringLiteral("fish"));
    QCOMPARE(picker.selectedIndex, 4);

    // A click below the items picks nothing and leaves the caller's text.
    onModal<ui::TfrmSelsmbl>([](ui::TfrmSelsmbl* p) {
        QTest::mouseClick(p->lbSymbol->viewport(), Qt::LeftButton, {}, QPoint(10, p->lbSymbol->viewport()->height() - 5));
    });
    QCOMPARE(picker.exec(), int(QDialog::Rejected));
    QCOMPARE(picker.selectedName, QStringLiteral("fish"));
}

void PreferenceDialogTest::aboutBox() {
    test::MemorySettingsStore store;
    test::RecordingPrompts prompts;
    test::FixedTimeZone zone;
    ui::TMainForm form(store, prompts, zone);
    QStringList seen;
    onModal<ui::TfrmAbout>([&seen](ui::TfrmAbout* about) {
        seen << about->windowTitle() << about->lblTitle->text() << about->lblDate->text();
        QVERIFY(about->lblTitle->alignment() & Qt::AlignHCenter);
        QVERIFY(about->lblNotice->alignment() & Qt::AlignRight);
        QTest::mouseClick(about->btnOK, Qt::LeftButton);
    });
    form.command(QStringLiteral("About1"))->trigger();
    QCOMPARE(seen, (QStringList{"About", "Nuvrel Version 1.20", "2001/06/27"}));
    QCOMPARE(form.findChildren<ui::TfrmAbout*>().size(), 0); // discarded after OK
}

namespace {

// A desktop with a fake xdg-mime and a fake browser that records its arguments.
struct FakeDesktop {
    test::TempDir dir;
    QByteArray oldPath = qgetenv("PATH");
    QByteArray oldDataHome = qgetenv("XDG_DATA_HOME");

    // "@DIR@" in exec stands for the desktop's folder.
    FakeDesktop(const std::string& handler, std::string exec) {
        if (auto at = exec.find("@DIR@"); at != std::string::npos)
            exec.replace(at, 5, dir.path().string());
        std::filesystem::create_directories(dir / "bin");
        std::filesystem::create_directories(dir / "data/applications");
        if (!handler.empty())
            writeExecutable(dir / "bin/xdg-mime", "#!/bin/sh\necho " + handler + "\n");
        writeExecutable(dir / "browser.sh", "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"" + (dir / "opened.txt").string() +
                                                ".tmp\"\n/bin/mv \"" + (dir / "opened.txt").string() + ".tmp\" \"" +
                                                (dir / "opened.txt").string() + "\"\n");
        test::writeFileBytes(dir / "data/applications/fake-browser.desktop",
                             "[Desktop Entry]\nType=Application\nName=Fake\nExec=" + exec + "\n");
        qputenv("PATH", QByteArray::fromStdString((dir / "bin").string()));
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString((dir / "data").string()));
    }
    ~FakeDesktop() {
        qputenv("PATH", oldPath);
        qputenv("XDG_DATA_HOME", oldDataHome);
    }
    std::string opened() const {
        std::ifstream in(dir / "opened.txt");
        std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        return all;
    }
};

} // namespace

void PreferenceDialogTest::helpStartsTheDefaultBrowser() {
    FakeDesktop desktop("fake-browser.desktop", "\"@DIR@/browser.sh\" --new-window %u");
    test::MemorySettingsStore store;
    test::RecordingPrompts prompts;
    test::FixedTimeZone zone;
    ui::TMainForm form(store, prompts, zone);
    form.command(QStringLiteral("Help2"))->trigger();
    QVERIFY(prompts.entries.empty());
    QTRY_VERIFY_WITH_TIMEOUT(!desktop.opened().empty(), 5000);
    const std::string expected =
        "--new-window\n" + (QCoreApplication::applicationDirPath() + QStringLiteral("/help/nuvrel.htm")).toStdString() + "\n";
    QCOMPARE(desktop.opened(), expected);
}

void PreferenceDialogTest::helpWithoutBrowserShowsError3() {
    FakeDesktop desktop("", "unused"); // no xdg-mime on the PATH
    test::MemorySettingsStore store;
    test::RecordingPrompts prompts;
    test::FixedTimeZone zone;
    ui::TMainForm form(store, prompts, zone);
    form.command(QStringLiteral("Help2"))->trigger();
    QCOMPARE(prompts.errors(), std::vector<int>{3});
    QCOMPARE(prompts.entries.at(0).text, std::string("No browser is assigned"));
}

void PreferenceDialogTest::helpWithBrokenBrowserShowsError12() {
    FakeDesktop desktop("fake-browser.desktop", "/nonexistent/browser %u");
    test::MemorySettingsStore store;
    test::RecordingPrompts prompts;
    test::FixedTimeZone zone;
    ui::TMainForm form(store, prompts, zone);
    form.command(QStringLiteral("Help2"))->trigger();
    QCOMPARE(prompts.errors(), std::vector<int>{12});
    QCOMPARE(prompts.entries.at(0).text, std::string("Can't execute browser"));
}

QTEST_MAIN(PreferenceDialogTest)
#include "preference_dialog_test.moc"
