// The serial port chooser of the preferences on a real X server: its
// drop-down list shows each port with the device it leads to and whether it
// is there, one painted row per port. The screenshot is kept under build/tests/screenshots.
#include <QAbstractItemView>
#include <QComboBox>
#include <QTest>

#include "core/ift_option.h"
#include "core/data/ift_garmin_data.h"
#include "core/gps/serial_ports.h"
#include "support/test_support.h"
#include "ui/tfrm_preference.h"
#include "x11_support.h"

using namespace nuvrel;

class PortListTest : public QObject {
    Q_OBJECT
private slots:
    void everyPortRowIsPainted()
    {
        test::TempDir dev; // a device folder of our own: one USB adapter, one serial port
        test::writeFileBytes(dev / "ttyUSB0", "");
        test::writeFileBytes(dev / "ttyS1", "");
        test::MemorySettingsStore store;
        test::RecordingPrompts prompts;
        test::FixedTimeZone zone;
        IFTOption options{store};
        IFTGarminData data{DataContext{prompts, zone}};
        SerialPorts ports = SerialPorts::System(&store);
        ports.environment = [](const std::string&) { return std::optional<std::string>(); };
        ports.devDir = dev.path().string();
        ports.sysDir.clear();
        auto* dialog = new ui::TfrmPreference(options, data, prompts, ports);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));

        dialog->cbCommPort->showPopup();
        QAbstractItemView* view = dialog->cbCommPort->view();
        QVERIFY(QTest::qWaitForWindowExposed(view->window()));
        QTRY_VERIFY(x11::differingShare(x11::screenPixelsOf(view->viewport()), x11::ownRendering(view->viewport())) <
                    0.02);
        const QImage shown = x11::screenPixelsOf(view->viewport());
        x11::keepScreenshot(shown, QStringLiteral("nuvrel_port_list.png"));
        x11::keepScreenshot(x11::screenPixels(dialog), QStringLiteral("nuvrel_port_list_dialog.png"));

        // Eight rows, each with text, none like the one before; the device
        // text reaches well past the port name.
        QCOMPARE(view->model()->rowCount(), 8);
        QImage previous;
        for (int row = 0; row < 8; ++row) {
            const QRect r = view->visualRect(view->model()->index(row, 0));
            QVERIFY2(view->viewport()->rect().contains(r), qPrintable(QString::number(row)));
            const QImage line = shown.copy(r);
            QVERIFY2(x11::colourCount(line) > 4, qPrintable(QString::number(row)));
            const QImage tail = line.copy(line.width() / 2, 0, line.width() / 2, line.height());
            QVERIFY2(x11::colourCount(tail) > 4, qPrintable(QString::number(row)));
            if (row > 0)
                QVERIFY2(x11::differingShare(line, previous) > 0.01, qPrintable(QString::number(row)));
            previous = line;
        }
        dialog->cbCommPort->hidePopup();
        delete dialog;
    }
};

QTEST_MAIN(PortListTest)
#include "port_list_test.moc"
