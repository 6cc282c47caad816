// The route editor, its waypoint picker and number dialogs, and the GPS menu's
// "Create Route" and "Edit Route..." commands, offscreen; the upload from the
// editor goes to nuvrel-gpssim on a pseudo-terminal.
#include "core/ift_option.h"
#include "core/data/ift_garmin_data.h"
#include "sim_main_form.h"
#include "ui/map_window.h"
#include "ui/tfrm_message.h"
#include "ui/tfrm_route.h"
#include "ui/tfrm_rtnoin.h"
#include "ui/tfrm_selrouteno.h"
#include "ui/tfrm_selrtwpt.h"
#include "ui/tfrm_selsmbl.h"
#include "ui/tfrm_wptin.h"
#include "ui/up_down.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <functional>

using namespace nuvrel;

namespace {

// Runs `answer` on the next modal window once it is up.
void whenModal(std::function<void(QWidget*)> answer) {
    QTimer::singleShot(50, [answer] {
        QWidget* modal = QApplication::activeModalWidget();
        QVERIFY(modal);
        answer(modal);
    });
}

void clickCell(QTableWidget* table, int row, int column, Qt::KeyboardModifiers modifiers = {}) {
    const QRect r = table->visualRect(table->model()->index(row, column));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, modifiers, r.center());
}

QString cell(const ui::TfrmRoute& editor, int row, int column) {
    const QTableWidgetItem* item = editor.grdRoute->item(row, column);
    return item ? item->text() : QString();
}

QStringList column(const ui::TfrmRoute& editor, int c) {
    QStringList texts;
    for (int r = 0; r < editor.grdRoute->rowCount(); ++r)
        texts << cell(editor, r, c);
    return texts;
}

struct EditorSetup {
    test::MemorySettingsStore settings;
    IFTOption option{settings};
    test::RecordingPrompts prompts;
    test::FixedTimeZone zone;
    IFTGarminData data{DataContext{prompts, zone, [] { return std::int16_t(0); }}};
    CRouteField routes{2};

    EditorSetup() {
        option.SetGPSModelID(77); // D103
        routes.SetRouteName(0, "TASK");
        routes.AddRouteEntry(0, "START", 35.5, 139.5, "launch", 1, 0, 0.0f, 800.0f);
        routes.AddRouteEntry(0, "TURN", 35.6, 139.6, "", 0, 0, 0.0f, 0.0f);
        routes.AddRouteEntry(0, "GOAL", 35.7, 139.7, "field", 0, 0, 0.0f, 95.0f);
    }
};

} // namespace

class GpsRouteEditorTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void editorShowsTheRouteInTheTable();
    void rowButtonsEditTheTable();
    void routeNumberChangesSaveTheShownRouteFirst();
    void aTypedRouteNumberCountsOnceComplete();
    void closeBoxDiscardsAndEscapeSaves();
    void ctrlClickInTheNameColumnPicksAWaypoint();
    void symbolColumnOpensTheSymbolPicker();
    void numberDialogsTakeOnlyNumbersTheyCanUse();
    void createRouteCommandFillsARouteByMapClicks();
    void editRouteUploadsUnderTheChosenNumber();
};

void GpsRouteEditorTest::initTestCase() { test::useTempConfigHome(); }

void GpsRouteEditorTest::editorShowsTheRouteInTheTable() {
    EditorSetup s;
    ui::TfrmRoute editor(s.routes, s.data, s.option);
    QCOMPARE(editor.windowTitle(), QStringLiteral("Create Route"));
    QCOMPARE(editor.edtRouteNo->text(), QStringLiteral("0"));
    QCOMPARE(editor.edtRouteName->text(), QStringLiteral("ROUTE00"));
    QCOMPARE(editor.grdRoute->columnCount(), 9);
    QCOMPARE(editor.grdRoute->rowCount(), 1);
    QCOMPARE(cell(editor, 0, 0), QStringLiteral("1"));
    QCOMPARE(editor.grdRoute->horizontalHeaderItem(5)->text(), QStringLiteral("Symbol"));
    QCOMPARE(editor.grdRoute->columnWidth(4), 120);
    QCOMPARE(editor.btnCancel->text(), QStringLiteral("OK"));

    editor.show();
    QCOMPARE(editor.edtRouteName->text(), QStringLiteral("TASK"));
    QCOMPARE(column(editor, 0), (QStringList{"1", "2", "3"}));
    QCOMPARE(column(editor, 1), (QStringList{"START", "TURN", "GOAL"}));
    QCOMPARE(cell(editor, 0, 2), QStringLiteral(" 35^30'00.00\""));
    QCOMPARE(cell(editor, 0, 5), QStringLiteral("house"));
    QCOMPARE(cell(editor, 0, 8), QStringLiteral("800"));
    QVERIFY(!(editor.grdRoute->item(0, 0)->flags() & Qt::ItemIsEditable));
    QVERIFY(editor.grdRoute->width() >= 706);

    // "OK" without typing leaves the route as it was, to the last digit.
    s.routes.AddRouteEntry(1, "X", 1.0 / 3.0, 0, "", 0, 0, 0, 0);
    editor.edtRouteNo->setText(QStringLiteral("1"));
    QCOMPARE(editor.edtRouteName->text(), QStringLiteral("ROUTE-01"));
    editor.btnCancel->click();
    QCOMPARE(editor.result(), int(QDialog::Rejected));
    QCOMPARE(s.routes.GetEntryLatitude(1, 0), 1.0 / 3.0);
    QCOMPARE(s.routes.EntryCount(0), 3u);
}

void GpsRouteEditorTest::rowButtonsEditTheTable() {
    EditorSetup s;
    ui::TfrmRoute editor(s.routes, s.data, s.option);
    editor.show();
    // Insert on row 1: an empty row 2, entries 2 and 3 move down with all columns.
    editor.grdRoute->setCurrentCell(0, 1);
    editor.btnInsert->click();
    QCOMPARE(column(editor, 0), (QStringList{"1", "2", "3", "4"}));
    QCOMPARE(column(editor, 1), (QStringList{"START", "", "TURN", "GOAL"}));
    QCOMPARE(column(editor, 4), (QStringList{"launch", "", "", "field"}));
    QCOMPARE(editor.grdRoute->currentRow(), 1);
    editor.grdRoute->item(1, 1)->setText(QStringLiteral("MIDDLE"));

    // Delete removes the selected row, row 1 included.
    editor.grdRoute->setCurrentCell(0, 1);
    editor.btnDelete->click();
    QCOMPARE(column(editor, 1), (QStringList{"MIDDLE", "TURN", "GOAL"}));

    editor.btnAdd->click();
    QCOMPARE(column(editor, 0), (QStringList{"1", "2", "3", "4"}));
    QCOMPARE(cell(editor, 3, 1), QString());

    // A name typed into an open cell editor is taken too; eight letters are
    // six for this receiver.
    editor.grdRoute->setCurrentCell(3, 1);
    editor.grdRoute->editItem(editor.grdRoute->item(3, 1));
    QApplication::processEvents();
    auto* cellEditor = editor.grdRoute->viewport()->findChild<QLineEdit*>();
    QVERIFY(cellEditor);
    cellEditor->setText(QStringLiteral("LANDINGS"));
    editor.btnUpload->click();
    QCOMPARE(editor.result(), int(QDialog::Accepted));
    QCOMPARE(s.routes.EntryCount(0), 4u);
    QCOMPARE(s.routes.GetEntryIdent(0, 0), std::string("MIDDLE"));
    QCOMPARE(s.routes.GetEntryIdent(0, 3), std::string("LANDIN"));
    QCOMPARE(s.routes.GetEntryAltitude(0, 2), 95.0f);

    // New Route appends one; the route shown stays.
    QCOMPARE(editor.udRouteNo->maximum(), 0);
    editor.btnNewRoute->click();
    QCOMPARE(s.routes.RouteCount(), 3u);
    QCOMPARE(editor.udRouteNo->maximum(), 2);
    QCOMPARE(editor.currentRoute(), 0u);
}

void GpsRouteEditorTest::routeNumberChangesSaveTheShownRouteFirst() {
    EditorSetup s;
    ui::TfrmRoute editor(s.routes, s.data, s.option);
    editor.udRouteNo->setMaximum(1);
    editor.show();
    editor.grdRoute->item(0, 1)->setText(QStringLiteral("BEGIN"));
    editor.udRouteNo->upButton()->click();
    QCOMPARE(editor.edtRouteNo->text(), QStringLiteral("1"));
    QCOMPARE(editor.currentRoute(), 1u);
    QCOMPARE(s.routes.GetEntryIdent(0, 0), std::string("BEGIN"));
    QCOMPARE(editor.grdRoute->rowCount(), 1);

    // Text that is no route number leaves the route shown, without a box.
    editor.edtRouteNo->setText(QStringLiteral("x"));
    editor.edtRouteNo->setText(QStringLiteral("7"));
    QCOMPARE(editor.currentRoute(), 1u);
    QCOMPARE(editor.edtRouteName->text(), QStringLiteral("ROUTE-01"));
    QVERIFY(s.prompts.entries.empty());
    editor.edtRouteNo->setText(QStringLiteral("0"));
    QCOMPARE(cell(editor, 0, 1), QStringLiteral("BEGIN"));
    editor.hide();

    // The window opens on the route it showed last, kept within the store.
    editor.edtRouteNo->setText(QStringLiteral("1"));
    s.routes = CRouteField(1);
    editor.show();
    QCOMPARE(editor.currentRoute(), 0u);
    QCOMPARE(editor.edtRouteNo->text(), QStringLiteral("0"));
}

void GpsRouteEditorTest::aTypedRouteNumberCountsOnceComplete() {
    EditorSetup s;
    while (s.routes.RouteCount() < 15)
        s.routes.AddRoute();
    ui::TfrmRoute editor(s.routes, s.data, s.option);
    editor.show();
    QApplication::setActiveWindow(&editor);
    editor.edtRouteNo->setFocus();
    struct Step {
        const char* keys; // typed over the whole field
        bool enter;
        std::uint32_t route; // shown afterwards, with its number in the field
    };
    // "1" may still become "12"; "19" is beyond the last route (14).
    for (const Step step : {Step{"1", false, 0}, Step{"12", false, 12}, Step{"19", true, 12}, Step{"1", true, 1}}) {
        editor.edtRouteNo->selectAll();
        QTest::keyClicks(editor.edtRouteNo, QString::fromLatin1(step.keys));
        if (step.enter)
            QTest::keyClick(editor.edtRouteNo, Qt::Key_Return);
        QCOMPARE(editor.currentRoute(), step.route);
        if (step.enter || step.route != 0)
            QCOMPARE(editor.edtRouteNo->text(), QString::number(step.route));
    }
    QVERIFY(editor.isVisible());
}

void GpsRouteEditorTest::closeBoxDiscardsAndEscapeSaves() {
    EditorSetup s;
    ui::TfrmRoute editor(s.routes, s.data, s.option);
    editor.show();
    editor.edtRouteName->setText(QStringLiteral("LOST"));
    editor.close();
    QCOMPARE(s.routes.GetRouteName(0), std::string("TASK"));

    editor.show();
    QCOMPARE(editor.edtRouteName->text(), QStringLiteral("TASK"));
    editor.edtRouteName->setText(QStringLiteral("KEPT"));
    QTest::keyClick(&editor, Qt::Key_Escape);
    QVERIFY(!editor.isVisible());
    QCOMPARE(s.routes.GetRouteName(0), std::string("KEPT"));
}

void GpsRouteEditorTest::ctrlClickInTheNameColumnPicksAWaypoint() {
    EditorSetup s;
    ui::TfrmRoute editor(s.routes, s.data, s.option);
    editor.show();
    // No waypoint store: nothing opens.
    clickCell(editor.grdRoute, 1, 1, Qt::ControlModifier);
    QVERIFY(!editor.frmSelRtWpt->isVisible());

    auto waypoints = std::make_unique<IFTGarminWaypoint>();
    waypoints->append("HILL", 36.0, 138.0, "top", 1);
    waypoints->append("LAKE", 36.25, 138.5, "shore", 0);
    s.data.setWaypoints(std::move(waypoints));
    QStringList listed;
    whenModal([&listed, &editor](QWidget* modal) {
        QCOMPARE(modal, static_cast<QWidget*>(editor.frmSelRtWpt));
        for (int r = 0; r < editor.frmSelRtWpt->grdWaypoint->rowCount(); ++r)
            listed << editor.frmSelRtWpt->grdWaypoint->item(r, 0)->text();
        clickCell(editor.frmSelRtWpt->grdWaypoint, 1, 0);
    });
    clickCell(editor.grdRoute, 1, 1, Qt::ControlModifier);
    QCOMPARE(listed, (QStringList{"HILL", "LAKE"}));
    QCOMPARE(column(editor, 1), (QStringList{"START", "LAKE", "GOAL"}));
    QCOMPARE(cell(editor, 1, 2), QStringLiteral(" 36^15'00.00\""));
    QCOMPARE(cell(editor, 1, 3), QStringLiteral("138^30'00.00\""));
    QCOMPARE(cell(editor, 1, 4), QStringLiteral("shore"));
    QCOMPARE(cell(editor, 1, 5), QStringLiteral("dot"));

    // Without Ctrl a click only selects.
    clickCell(editor.grdRoute, 2, 1);
    QVERIFY(!editor.frmSelRtWpt->isVisible());
    QCOMPARE(editor.grdRoute->currentRow(), 2);

    // The picker's column is as wide as its grid minus 2.
    editor.frmSelRtWpt->resize(200, 150);
    editor.frmSelRtWpt->FormResize();
    QCOMPARE(editor.frmSelRtWpt->grdWaypoint->columnWidth(0), editor.frmSelRtWpt->grdWaypoint->width() - 2);
}

void GpsRouteEditorTest::symbolColumnOpensTheSymbolPicker() {
    EditorSetup s;
    ui::TfrmRoute editor(s.routes, s.data, s.option);
    editor.show();
    QString offered;
    whenModal([&](QWidget* modal) {
        auto* picker = qobject_cast<ui::TfrmSelsmbl*>(modal);
        QVERIFY(picker);
        offered = picker->selectedName;
        const QRect r = picker->lbSymbol->visualItemRect(picker->lbSymbol->item(4));
        QTest::mouseClick(picker->lbSymbol->viewport(), Qt::LeftButton, {}, r.center());
    });
    clickCell(editor.grdRoute, 0, 5);
    QCOMPARE(offered, QStringLiteral("house"));
    QCOMPARE(cell(editor, 0, 5), QStringLiteral("fish"));

    // Closed without a pick: the text stays.
    whenModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
    clickCell(editor.grdRoute, 1, 5);
    QCOMPARE(cell(editor, 1, 5), QStringLiteral("dot"));

    editor.btnCancel->click();
    QCOMPARE(s.routes.GetEntrySymbol(0, 0), 4);
}

void GpsRouteEditorTest::numberDialogsTakeOnlyNumbersTheyCanUse() {
    test::RecordingPrompts prompts;
    ui::TfrmRtnoIn confirm(prompts);
    QCOMPARE(confirm.windowTitle(), QStringLiteral("Confirm"));
    QCOMPARE(confirm.edtUploadNo->text(), QStringLiteral("0"));
    confirm.show();
    confirm.edtUploadNo->setText(QStringLiteral("300")); // one byte on the wire
    confirm.btnOK->click();
    QVERIFY(confirm.isVisible());
    QCOMPARE(prompts.count("beep"), 1);
    QCOMPARE(prompts.entries.back().text, std::string("The route number must be a whole number from 0 to 255."));
    confirm.udUploadNo->setPosition(19);
    confirm.btnOK->click();
    QVERIFY(!confirm.isVisible());
    QCOMPARE(confirm.result(), int(QDialog::Accepted));
    QCOMPARE(confirm.uploadNumber(), std::optional<std::uint8_t>(19));
    confirm.show();
    confirm.btnCancel->click();
    QCOMPARE(confirm.result(), int(QDialog::Rejected));

    ui::TfrmSelRouteNo select(prompts);
    QCOMPARE(select.windowTitle(), QStringLiteral("Select Route Number"));
    QCOMPARE(select.UpDown1->maximum(), 100);
    select.show();
    select.edtRouteNo->setText(QStringLiteral("abc"));
    select.btnOK->click();
    QVERIFY(select.isVisible());
    QCOMPARE(prompts.count("beep"), 2);
    QCOMPARE(prompts.entries.back().text, std::string("The route number must be a whole number from 0 to 100."));
    select.edtRouteNo->setText(QStringLiteral("3"));
    select.btnOK->click();
    QCOMPARE(select.result(), int(QDialog::Accepted));
    QCOMPARE(select.routeNumber(), std::optional<std::uint32_t>(3));
}

void GpsRouteEditorTest::createRouteCommandFillsARouteByMapClicks() {
    test::MemorySettingsStore store;
    test::RecordingPrompts prompts;
    test::FixedTimeZone zone;
    ui::TMainForm form(store, prompts, zone);
    form.show();
    QAction* create = form.command(QStringLiteral("CreateRoute1"));
    QVERIFY(create->isEnabled());
    QVERIFY(create->isCheckable());
    QVERIFY(form.command(QStringLiteral("EditRoute1"))->isEnabled());

    // Cancelled: the mode stays off.
    whenModal([](QWidget* modal) { qobject_cast<ui::TfrmSelRouteNo*>(modal)->btnCancel->click(); });
    create->trigger();
    QVERIFY(!create->isChecked());
    QCOMPARE(form.routes().RouteCount(), 1u);

    // Route 3 on a store of one: routes 1, 2 and 3 are appended.
    whenModal([](QWidget* modal) {
        auto* select = qobject_cast<ui::TfrmSelRouteNo*>(modal);
        QVERIFY(select);
        select->edtRouteNo->setText(QStringLiteral("3"));
        select->btnOK->click();
    });
    create->trigger();
    QVERIFY(create->isChecked());
    QCOMPARE(form.routes().RouteCount(), 4u);
    QCOMPARE(form.routes().GetRouteName(2), std::string("ROUTE-02"));
    QCOMPARE(form.frmRoute().currentRoute(), 3u);
    QCOMPARE(form.frmRoute().edtRouteNo->text(), QStringLiteral("3"));

    // A Ctrl+click on the map: a waypoint, and the last entry of route 3.
    form.data().setWaypoints(std::make_unique<IFTGarminWaypoint>());
    form.data().waypoints()->append("A", 35.0, 139.0, "", 0);
    form.data().waypoints()->append("B", 36.0, 140.0, "", 0);
    form.mapWindow().Refresh();
    QString caption;
    whenModal([&caption](QWidget* modal) {
        auto* input = qobject_cast<ui::TfrmWptin*>(modal);
        QVERIFY(input);
        caption = input->windowTitle();
        input->edtWaypointID->setText(QStringLiteral("P1"));
        input->edtLatitude->setText(QStringLiteral("35^30'00.00\""));
        input->edtLongitude->setText(QStringLiteral("139.5"));
        input->edtComment->setText(QStringLiteral("first"));
        input->btnOK->click();
    });
    form.mapWindow().MapImageMouseDown(Qt::LeftButton, Qt::ControlModifier, QPoint(20, 20));
    QCOMPARE(caption, QStringLiteral("Create Route Waypoint"));
    QCOMPARE(form.data().waypoints()->count(), 3u);
    QCOMPARE(form.routes().EntryCount(3), 1u);
    QCOMPARE(form.routes().GetEntryIdent(3, 0), std::string("P1"));
    QCOMPARE(form.routes().GetEntryComment(3, 0), std::string("first"));
    QCOMPARE(form.routes().GetEntryLatitude(3, 0), 35.5);
    QCOMPARE(form.routes().GetEntryLongitude(3, 0), 139.5);

    // The second entry draws the route's first leg at once, in blue.
    const auto bluePixels = [&form] {
        const QImage image = form.mapWindow().mapImage().convertToFormat(QImage::Format_RGB32);
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                n += image.pixel(x, y) == qRgb(0, 0, 255);
        return n;
    };
    QCOMPARE(bluePixels(), 0);
    whenModal([](QWidget* modal) {
        auto* input = qobject_cast<ui::TfrmWptin*>(modal);
        input->edtWaypointID->setText(QStringLiteral("P2"));
        input->edtLatitude->setText(QStringLiteral("35.8"));
        input->edtLongitude->setText(QStringLiteral("139.8"));
        input->btnOK->click();
    });
    form.mapWindow().MapImageMouseDown(Qt::LeftButton, Qt::ControlModifier, QPoint(40, 40));
    QCOMPARE(form.routes().EntryCount(3), 2u);
    QVERIFY(bluePixels() > 20);

    // Switched off: clicks make waypoints only.
    create->trigger();
    QVERIFY(!create->isChecked());
    whenModal([&caption](QWidget* modal) {
        auto* input = qobject_cast<ui::TfrmWptin*>(modal);
        caption = input->windowTitle();
        input->btnOK->click();
    });
    form.mapWindow().MapImageMouseDown(Qt::RightButton, Qt::ControlModifier, QPoint(30, 30));
    QCOMPARE(caption, QStringLiteral("Input Waypoint"));
    QCOMPARE(form.data().waypoints()->count(), 5u);
    QCOMPARE(form.routes().EntryCount(3), 2u);
    QVERIFY(prompts.entries.empty());
}

void GpsRouteEditorTest::editRouteUploadsUnderTheChosenNumber() {
    test::SimMainForm s({"--product-id", "77"}, 77);
    QVERIFY(s.sim.started());
    ui::TMainForm& form = s.form;
    form.options().SetDatumName("WGS 84");
    form.routes().AddRoute();
    form.routes().AddRouteEntry(1, "START", 35.5, 139.5, "launch", 1, 0, 0.0f, 0.0f);
    form.routes().AddRouteEntry(1, "GOAL", 35.75, 139.25, "", 0, 0, 0.0f, 0.0f);

    int uploadOffered = -1;
    whenModal([&](QWidget* modal) {
        auto* editor = qobject_cast<ui::TfrmRoute*>(modal);
        QVERIFY(editor);
        QCOMPARE(editor->udRouteNo->maximum(), 1);
        editor->udRouteNo->upButton()->click();
        QCOMPARE(editor->edtRouteName->text(), QStringLiteral("ROUTE-01"));
        whenModal([&](QWidget* next) {
            auto* confirm = qobject_cast<ui::TfrmRtnoIn*>(next);
            QVERIFY(confirm);
            uploadOffered = confirm->edtUploadNo->text().toInt();
            confirm->edtUploadNo->setText(QStringLiteral("5"));
            confirm->btnOK->click();
        });
        editor->btnUpload->click();
    });
    form.command(QStringLiteral("EditRoute1"))->trigger();
    QCOMPARE(uploadOffered, 1);
    QVERIFY(s.prompts.entries.empty());
    QVERIFY(s.sim.waitForRecord("xfercmplt"));
    const auto headers = s.sim.recordLines("rtehdr format=D201 number=5 ");
    QCOMPARE(headers.size(), std::size_t(1));
    QVERIFY(QString::fromStdString(headers[0]).contains(QStringLiteral("ROUTE-01")));
    const auto entries = s.sim.recordLines("rtewpt ");
    QCOMPARE(entries.size(), std::size_t(2));
    QVERIFY2(QString::fromStdString(entries[0]).contains(QStringLiteral("ident=\"START \" lat=35.49999998")),
             entries[0].c_str());
    QCOMPARE(s.sim.recordLines("records count=3").size(), std::size_t(1));
    QVERIFY(!form.frmMessage().isVisible());

    // "OK" closes without an upload.
    whenModal([](QWidget* modal) { qobject_cast<ui::TfrmRoute*>(modal)->btnCancel->click(); });
    form.command(QStringLiteral("EditRoute1"))->trigger();
    QCOMPARE(s.sim.recordLines("rtehdr").size(), std::size_t(1));
}

QTEST_MAIN(GpsRouteEditorTest)
#include "gps_route_editor_test.moc"
