// The choice before an IGC export of a log with several flights and segments,
// on a real X server: every entry painted on its own row, as the list paints
// it. The screenshot is kept under build/tests/screenshots.
#include <QListWidget>
#include <QTest>

#include "core/analysis/igc_flights.h"
#include "core/data/ift_garmin_track.h"
#include "support/flight_generator.h"
#include "ui/tfrm_igc_span.h"
#include "x11_support.h"

using namespace nuvrel;

class IgcSpanDialogTest : public QObject {
    Q_OBJECT
private slots:
    void everyEntryIsPainted()
    {
        test::FlightPlan plan;
        plan.walkBefore = plan.walkAfter = 40;
        const IFTGarminTrack track(test::generateTwoFlights(plan, 20000));
        ui::TfrmIgcSpan dialog(track, igcChoices(track), -3600);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QListWidget* list = dialog.lbSpans;
        QCOMPARE(list->count(), 5);
        QTRY_VERIFY(x11::differingShare(x11::screenPixelsOf(list), x11::ownRendering(list)) < 0.02);
        const QImage shown = x11::screenPixelsOf(list);
        x11::keepScreenshot(x11::screenPixels(&dialog), QStringLiteral("nuvrel_igc_span_dialog.png"));

        // Each row holds text of its own, and no row is cut off below.
        std::vector<QImage> rows;
        for (int i = 0; i < list->count(); ++i) {
            const QRect r = list->visualItemRect(list->item(i)).translated(list->viewport()->mapTo(list, QPoint()));
            QVERIFY2(list->rect().contains(r), qPrintable(list->item(i)->text()));
            rows.push_back(shown.copy(r));
            QVERIFY2(x11::colourCount(rows.back()) > 4, qPrintable(list->item(i)->text()));
        }
        for (std::size_t i = 1; i < rows.size(); ++i)
            QVERIFY2(x11::differingShare(rows[i], rows[i - 1]) > 0.01, qPrintable(list->item(int(i))->text()));
    }
};

QTEST_MAIN(IgcSpanDialogTest)
#include "igc_span_dialog_test.moc"
