// The waypoint list window through Qt Test, offscreen: what it shows, the
// edit commands, the real clipboard, the symbol picker and the write-back,
// also opened from the main window's GPS menu.
#include "core/ift_option.h"
#include "core/data/ift_garmin_data.h"
#include "support/test_support.h"
#include "ui/main_form.h"
#include "ui/map_window.h"
#include "ui/tfrm_selsmbl.h"
#include "ui/tfrm_waypoint.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace nuvrel;

namespace {

// A D104 receiver: the large symbol set.
constexpr std::int32_t kModel = 72;

std::unique_ptr<IFTGarminWaypoint> twoWaypoints() {
    auto w = std::make_unique<IFTGarminWaypoint>();
    w->append("TAKEOFF", 35.5, 139.77, "launch", 3);
    w->append("LZ", 35.25, 139.5, "", 0);
    w->setModified(0);
    return w;
}

QStringList rowTexts(ui::TfrmWaypoint& frm, int row) {
    QStringList texts;
    for (int c = 0; c < 8; ++c)
        texts << frm.model().data(frm.model().index(row, c)).toString();
    return texts;
}

QString describe(const QMenu* menu) {
    QStringList parts;
    for (QAction* a : menu->actions())
        parts << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return parts.join(QLatin1Char(';'));
}

// Answers the next symbol picker by picking `name`, and records the name it
// was opened with. An empty name closes it without a pick.
void answerPicker(const QString& name, QString* openedWith, bool* opened) {
    QTimer::singleShot(50, [=] {
        auto* picker = qobject_cast<ui::TfrmSelsmbl*>(QApplication::activeModalWidget());
        QVERIFY(picker);
        *opened = true;
        *openedWith = picker->selectedName;
        if (name.isEmpty()) {
            picker->reject();
            return;
        }
        const auto found = picker->lbSymbol->findItems(name, Qt::MatchExactly);
        QVERIFY(!found.isEmpty());
        picker->lbSymbol->setCurrentItem(found.first());
        emit picker->lbSymbol->itemActivated(found.first());
    });
}

struct Fixture {
    test::MemorySettingsStore store;
    test::RecordingPrompts prompts;
    test::FixedTimeZone zone;
    IFTOption options{store};
    IFTGarminData data{DataContext{prompts, zone}};
    Fixture() {
        options.SetGPSModelID(kModel);
        options.SetGPSSoftwareVersion(0);
    }
};

} // namespace

class WaypointListTest : public QObject {
    Q_OBJECT

private slots:
    void showsTheStore();
    void noStoreShowsOneEmptyRowAndWritesOneWaypoint();
    void editModeAddAndDelete();
    void copyAndPasteThroughTheClipboard();
    void pasteCrLfAndShortLines();
    void symbolCellOpensThePickerOnlyInEditMode();
    void writesBackAnOpenCellEdit();
    void mainWindowOpensTheListAndRedraws();
};

void WaypointListTest::showsTheStore() {
    Fixture f;
    f.data.setWaypoints(twoWaypoints());
    ui::TfrmWaypoint frm(f.data, f.options, f.prompts);
    QCOMPARE(frm.windowTitle(), QStringLiteral("Nuvrel Waypoint List"));
    QCOMPARE(frm.menuBar->actions().size(), 2);
    QCOMPARE(frm.menuBar->actions().at(0)->text(), QStringLiteral("&Edit"));
    QCOMPARE(describe(frm.menuBar->actions().at(0)->menu()),
             QStringLiteral("&Enable;&Add;&Delete;-;&Select All;&Copy;&Paste;-;E&xit"));
    QCOMPARE(describe(frm.menuBar->actions().at(1)->menu()), QStringLiteral("&Waypoint"));
    QCOMPARE(frm.menuBar->actions().at(1)->text(), QStringLiteral("&Update"));

    QStringList titles;
    QList<int> widths;
    for (int c = 0; c < 8; ++c) {
        titles << frm.model().headerData(c, Qt::Horizontal).toString();
        widths << frm.grdWaypoint->columnWidth(c);
    }
    QCOMPARE(titles, (QStringList{"Waypoint", "Latitude", "Longitude", "Comment", "Symbol", "dspl", "dst", "height"}));
    // The columns' widths, or wider where the font needs it; the window fits them all.
    const QList<int> least{64, 90, 90, 120, 136, 40, 40, 80};
    int sum = 40 + 2 + 16;
    for (int c = 0; c < 8; ++c) {
        QVERIFY2(widths[c] >= least[c], qPrintable(titles[c]));
        sum += widths[c] + 2;
    }
    QCOMPARE(frm.width(), sum);
    QVERIFY(frm.fontMetrics().horizontalAdvance(QStringLiteral("-179^59'59.99\"")) < widths[1]);

    QCOMPARE(frm.model().rowCount(), 2);
    QCOMPARE(frm.model().headerData(1, Qt::Vertical).toString(), QStringLiteral("2"));
    QCOMPARE(rowTexts(frm, 0), (QStringList{"TAKEOFF", " 35^30'00.00\"", "139^46'12.00\"", "launch", "white Anchor",
                                            "3", "0", "0"}));
    QCOMPARE(rowTexts(frm, 1).at(0), QStringLiteral("LZ"));
    QVERIFY(!frm.Enable1->isChecked());
    QVERIFY(!(frm.model().flags(frm.model().index(0, 0)) & Qt::ItemIsEditable));
    QCOMPARE(frm.grdWaypoint->selectionBehavior(), QAbstractItemView::SelectRows);
}

void WaypointListTest::noStoreShowsOneEmptyRowAndWritesOneWaypoint() {
    Fixture f;
    ui::TfrmWaypoint frm(f.data, f.options, f.prompts);
    QCOMPARE(frm.model().rowCount(), 1);
    QCOMPARE(frm.model().headerData(0, Qt::Vertical).toString(), QStringLiteral("1"));
    QCOMPARE(rowTexts(frm, 0), QStringList(8, QString()));

    frm.Waypoint1->trigger();
    QVERIFY(frm.written());
    QCOMPARE(frm.result(), int(QDialog::Accepted));
    const IFTGarminWaypoint* w = f.data.waypoints();
    QVERIFY(w);
    QCOMPARE(w->count(), 1u);
    QCOMPARE(w->ident(0), std::string());
    QCOMPARE(w->latitude(0), 0.0);
    QCOMPARE(int(w->symbol(0)), 18);
}

void WaypointListTest::editModeAddAndDelete() {
    Fixture f;
    f.data.setWaypoints(twoWaypoints());
    ui::TfrmWaypoint frm(f.data, f.options, f.prompts);
    frm.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frm));

    frm.Enable1->trigger();
    QVERIFY(frm.Enable1->isChecked());
    QVERIFY(frm.model().flags(frm.model().index(0, 0)) & Qt::ItemIsEditable);
    QCOMPARE(frm.grdWaypoint->selectionBehavior(), QAbstractItemView::SelectItems);
    frm.Enable1->trigger();
    QVERIFY(!(frm.model().flags(frm.model().index(0, 0)) & Qt::ItemIsEditable));

    // Add: a new empty row, edit mode on, the focus on its name.
    frm.Add1->trigger();
    QCOMPARE(frm.model().rowCount(), 3);
    QVERIFY(frm.Enable1->isChecked());
    QCOMPARE(frm.grdWaypoint->currentIndex(), frm.model().index(2, 0));
    QCOMPARE(frm.model().headerData(2, Qt::Vertical).toString(), QStringLiteral("3"));

    // Delete the first two rows: the added one moves up and is numbered 1.
    frm.grdWaypoint->selectionModel()->select(
        QItemSelection(frm.model().index(0, 0), frm.model().index(1, 3)), QItemSelectionModel::ClearAndSelect);
    frm.Delete1->trigger();
    QCOMPARE(frm.model().rowCount(), 1);
    QCOMPARE(rowTexts(frm, 0), QStringList(8, QString()));

    // Deleting every row leaves one empty row.
    frm.model().setData(frm.model().index(0, 0), QStringLiteral("KEEP?"));
    frm.SelectAll1->trigger();
    frm.Delete1->trigger();
    QCOMPARE(frm.model().rowCount(), 1);
    QCOMPARE(rowTexts(frm, 0), QStringList(8, QString()));

    // Escape asks before it closes the list with its edits; No keeps it open.
    f.prompts.answers = {false};
    QTest::keyClick(frm.grdWaypoint, Qt::Key_Escape);
    QVERIFY(frm.isVisible());
    QCOMPARE(f.prompts.count("question"), 1);

    // Closing without "&Update" leaves the store as it was.
    frm.Exit1->trigger();
    QVERIFY(!frm.written());
    QCOMPARE(f.data.waypoints()->count(), 2u);
}

void WaypointListTest::copyAndPasteThroughTheClipboard() {
    Fixture f;
    f.data.setWaypoints(twoWaypoints());
    ui::TfrmWaypoint frm(f.data, f.options, f.prompts);
    frm.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frm));

    QApplication::clipboard()->clear();
    frm.SelectAll1->trigger();
    frm.Copy1->trigger();
    const QString copied = QApplication::clipboard()->text();
    QCOMPARE(copied, QStringLiteral("TAKEOFF\t 35^30'00.00\"\t139^46'12.00\"\tlaunch\twhite Anchor\t3\t0\t0\n"
                                    "LZ\t 35^15'00.00\"\t139^30'00.00\"\t\twhite Anchor\t0\t0\t0\n"));

    // Into a list whose last row is empty: that row is filled and one added.
    frm.Add1->trigger();
    frm.Paste1->trigger();
    QCOMPARE(frm.model().rowCount(), 4);
    QCOMPARE(rowTexts(frm, 2), rowTexts(frm, 0));
    QCOMPARE(rowTexts(frm, 3), rowTexts(frm, 1));
    QCOMPARE(frm.model().headerData(3, Qt::Vertical).toString(), QStringLiteral("4"));

    // Only the selected rows are copied.
    frm.grdWaypoint->selectionModel()->select(QItemSelection(frm.model().index(1, 0), frm.model().index(1, 7)),
                                              QItemSelectionModel::ClearAndSelect);
    frm.Copy1->trigger();
    QVERIFY(QApplication::clipboard()->text().startsWith(QStringLiteral("LZ\t")));
    QCOMPARE(QApplication::clipboard()->text().count(QLatin1Char('\n')), 1);

    frm.Waypoint1->trigger();
    QCOMPARE(f.data.waypoints()->count(), 4u);
    QCOMPARE(f.data.waypoints()->ident(2), std::string("TAKEOFF"));
    QCOMPARE(f.data.waypoints()->comment(2), std::string("launch"));
    QCOMPARE(int(f.data.waypoints()->display(2)), 3);
}

void WaypointListTest::pasteCrLfAndShortLines() {
    Fixture f;
    ui::TfrmWaypoint frm(f.data, f.options, f.prompts);
    QApplication::clipboard()->setText(
        QStringLiteral("P1,N35:30,E139:46:12,note\r\nP2\t1\t2\tc\tFlag\t0\t0\t250\t extra\r\nP3,1,2\r\n"));
    frm.Paste1->trigger();
    QCOMPARE(frm.model().rowCount(), 3); // the empty row of a new list is filled first
    QCOMPARE(rowTexts(frm, 0), (QStringList{"P1", "N35:30", "E139:46:12", "note", "", "", "", ""}));
    QCOMPARE(rowTexts(frm, 1).at(7), QStringLiteral("250"));
    QCOMPARE(rowTexts(frm, 2), (QStringList{"P3", "1", "2", "", "", "", "", ""}));

    frm.Waypoint1->trigger();
    const IFTGarminWaypoint* w = f.data.waypoints();
    QCOMPARE(w->count(), 3u);
    QCOMPARE(w->comment(0), std::string("note"));
    QCOMPARE(w->latitude(0), 35.5);
    QVERIFY(qAbs(w->longitude(0) - 139.77) < 1e-9);
    QCOMPARE(int(w->symbol(1)), 178);
    QCOMPARE(w->altitude(1), 250.0);
}

void WaypointListTest::symbolCellOpensThePickerOnlyInEditMode() {
    Fixture f;
    f.data.setWaypoints(twoWaypoints());
    ui::TfrmWaypoint frm(f.data, f.options, f.prompts);
    frm.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frm));
    const QModelIndex symbol = frm.model().index(0, 4);

    // Edit mode off: selecting the cell opens nothing.
    frm.grdWaypoint->setCurrentIndex(symbol);
    QTest::qWait(100);
    QVERIFY(!QApplication::activeModalWidget());
    frm.grdWaypoint->setCurrentIndex(frm.model().index(0, 0));

    // Edit mode on: the picker opens with the cell's name; its pick fills the cell.
    frm.Enable1->trigger();
    QString openedWith;
    bool opened = false;
    answerPicker(QStringLiteral("Flag"), &openedWith, &opened);
    frm.grdWaypoint->setCurrentIndex(symbol);
    QTRY_VERIFY(opened);
    QCOMPARE(openedWith, QStringLiteral("white Anchor"));
    QTRY_COMPARE(frm.model().data(symbol).toString(), QStringLiteral("Flag"));

    // Closing the picker without a pick keeps the text; F2 on the cell opens it again.
    opened = false;
    answerPicker(QString(), &openedWith, &opened);
    QTest::keyClick(frm.grdWaypoint, Qt::Key_F2);
    QTRY_VERIFY(opened);
    QCOMPARE(openedWith, QStringLiteral("Flag"));
    QTest::qWait(50);
    QCOMPARE(frm.model().data(symbol).toString(), QStringLiteral("Flag"));
    QVERIFY(!frm.grdWaypoint->findChild<QLineEdit*>()); // no text editor for symbols

    frm.Waypoint1->trigger();
    QCOMPARE(int(f.data.waypoints()->symbol(0)), 178);
}

void WaypointListTest::writesBackAnOpenCellEdit() {
    Fixture f;
    f.data.setWaypoints(twoWaypoints());
    ui::TfrmWaypoint frm(f.data, f.options, f.prompts);
    frm.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frm));
    frm.Enable1->trigger();
    frm.grdWaypoint->setCurrentIndex(frm.model().index(1, 7));
    QTest::keyClick(frm.grdWaypoint, Qt::Key_F2);
    auto* editor = frm.grdWaypoint->findChild<QLineEdit*>();
    QVERIFY(editor);
    editor->setText(QStringLiteral("1500"));
    frm.Waypoint1->trigger(); // from the menu, with the cell still being edited
    QVERIFY(frm.written());
    QCOMPARE(f.data.waypoints()->altitude(1), 1500.0);
    QCOMPARE(f.data.waypoints()->modified(), 1);
}

void WaypointListTest::mainWindowOpensTheListAndRedraws() {
    test::MemorySettingsStore store;
    test::RecordingPrompts prompts;
    test::FixedTimeZone zone;
    ui::TMainForm form(store, prompts, zone);
    form.data().setWaypoints(twoWaypoints());
    QAction* edit = form.command(QStringLiteral("EditWaypoint1"));
    QVERIFY(edit && edit->isEnabled());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.mapWindow().Refresh();
    const QImage before = form.mapWindow().mapImage().copy();
    QVERIFY(!before.isNull());

    // Each opening is a new window showing the store as it is; Exit keeps the store.
    bool seen = false;
    QTimer::singleShot(50, [&] {
        auto* frm = qobject_cast<ui::TfrmWaypoint*>(QApplication::activeModalWidget());
        QVERIFY(frm);
        seen = true;
        QCOMPARE(frm->model().rowCount(), 2);
        frm->Delete1->trigger();
        frm->Exit1->trigger();
    });
    edit->trigger();
    QVERIFY(seen);
    QCOMPARE(form.data().waypoints()->count(), 2u);
    QVERIFY(!form.findChild<ui::TfrmWaypoint*>());
    QCOMPARE(form.mapWindow().mapImage(), before); // nothing written, nothing redrawn

    seen = false;
    QTimer::singleShot(50, [&] {
        auto* frm = qobject_cast<ui::TfrmWaypoint*>(QApplication::activeModalWidget());
        QVERIFY(frm);
        seen = true;
        QCOMPARE(frm->model().rowCount(), 2);
        frm->grdWaypoint->setCurrentIndex(frm->model().index(0, 0));
        frm->Delete1->trigger();
        frm->Waypoint1->trigger();
    });
    edit->trigger();
    QVERIFY(seen);
    QCOMPARE(form.data().waypoints()->count(), 1u);
    QCOMPARE(form.data().waypoints()->ident(0), std::string("LZ"));
    QVERIFY(form.mapWindow().mapImage() != before); // drawn anew without the deleted waypoint
}

QTEST_MAIN(WaypointListTest)
#include "waypoint_list_test.moc"
