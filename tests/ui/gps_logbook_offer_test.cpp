// After a track download the new flights are offered to the logbook as the
// preference says: "Add N flights to the logbook?" (ask), always, never; a
// flight the logbook holds is not offered again.
#include "core/logbook/logbook.h"
#include "sim_main_form.h"
#include "ui/tfrm_logbook.h"

#include <QAction>
#include <QtTest>

using namespace nuvrel;

class GpsLogbookOfferTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { test::useTempConfigHome(); }

    void newFlightsOfferedAsThePreferenceSays()
    {
        struct Case {
            const char* preference; // "" for none stored: ask
            std::deque<bool> answers;
            bool asked;
            bool added;
        } cases[] = {
            {"", {false}, true, false},
            {"ask", {true}, true, true},
            {"always", {}, false, true},
            {"never", {}, false, false},
        };
        for (const Case& c : cases) {
            test::TempDir dir;
            const std::string path = (dir / "logbook.sqlite").string();
            test::SimMainForm s({"--product-id", "130"}, 130);
            QVERIFY(s.sim.started());
            if (*c.preference)
                s.store.keys[kSettingsKeyPath][ui::kLogbookAfterDownloadValue] = std::string(c.preference);
            s.form.setAfterTrackDownload([&] { ui::OfferDownloadedFlights(s.form, path); });
            s.prompts.answers = c.answers;
            s.form.command(QStringLiteral("Track3"))->trigger();
            QVERIFY(s.form.data().track());
            const bool asked = s.prompts.count("question") == 1;
            QCOMPARE(asked, c.asked);
            if (asked)
                QVERIFY(QString::fromStdString(s.prompts.entries.back().text)
                            .contains(QRegularExpression(QStringLiteral("^Add [0-9]+ flights? to the logbook\\?$"))));
            std::string error;
            auto book = Logbook::open(path, error);
            QVERIFY2(book, error.c_str());
            const auto flights = book->flights();
            QCOMPARE(!flights.empty(), c.added);
            if (c.added) {
                QCOMPARE(flights.front().source, std::string("download"));
                book.reset();
                // The same log again: nothing new, nothing asked.
                s.prompts.entries.clear();
                s.form.command(QStringLiteral("Track3"))->trigger();
                QCOMPARE(s.prompts.count("question"), 0);
                QCOMPARE(Logbook::open(path, error)->flights().size(), flights.size());
            }
        }
    }
};

QTEST_MAIN(GpsLogbookOfferTest)
#include "gps_logbook_offer_test.moc"
