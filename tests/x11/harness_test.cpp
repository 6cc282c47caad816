// The X server harness itself: a window that paints shows its pixels on the
// screen, and the grab tells a painted window from an unpainted one.
#include <QLabel>
#include <QTest>

#include "x11_support.h"

class HarnessTest : public QObject {
    Q_OBJECT
private slots:
    void paintedWindowIsOnScreen()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        QLabel label(QStringLiteral("Downloading Track"));
        label.resize(300, 80);
        label.show();
        QVERIFY(QTest::qWaitForWindowExposed(&label));
        QTRY_VERIFY(x11::differingShare(x11::screenPixels(&label), x11::ownRendering(&label)) < 0.01);
        QVERIFY(x11::colourCount(x11::screenPixels(&label)) > 2);
    }
};

QTEST_MAIN(HarnessTest)
#include "harness_test.moc"
