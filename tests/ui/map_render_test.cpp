// The drawing passes: colours and positions of drawn pixels.
#include "core/ift_option.h"
#include "core/data/ift_garmin_data.h"
#include "render/map_renderer.h"
#include "support/test_support.h"

#include <QGuiApplication>
#include <QTest>

using namespace nuvrel;

namespace {

TrackPoint pt(double lat, double lon, std::int16_t segment) { return TrackPoint{lat, lon, 0, segment, 0, 0.f, 0.f}; }

// 0..10 degrees on 100 x 100 pixels: 10 pixels per degree.
IFTMapParam square() {
    IFTMapParam p;
    p.ido_top = 10;
    p.ido_bottom = 0;
    p.kei_left = 0;
    p.kei_right = 10;
    p.bitmap_width = 100;
    p.bitmap_height = 100;
    return p;
}

QImage white() {
    QImage image(100, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

} // namespace

class MapRenderTest : public QObject {
    Q_OBJECT
    test::RecordingPrompts prompts;
    test::FixedTimeZone zone;
    test::MemorySettingsStore store;

private slots:
    void trackSegmentsInThePenColour() {
        IFTGarminData data(DataContext{prompts, zone});
        IFTMapParam param = square();
        QVERIFY(SetViewTransform(param, data));
        // Segment 1 along latitude 5, segment 3 along latitude 8; segment 2 is
        // missing, so the pass stops after segment 1.
        data.setTrack(std::make_unique<IFTGarminTrack>(std::vector<TrackPoint>{
            pt(5, 1, 1), pt(5, 9, 1), pt(8, 1, 3), pt(8, 9, 3)}));
        IFTOption option(store);
        option.SetPenColor(0x00ff8040); // blue ff, green 80, red 40
        QImage image = white();
        render::RedrawAll(image, data, nullptr, param, option, true);
        QCOMPARE(image.pixelColor(50, 50), QColor(0x40, 0x80, 0xff));
        QCOMPARE(image.pixelColor(50, 20), QColor(Qt::white));
        QCOMPARE(image.pixelColor(50, 49), QColor(Qt::white)); // width 1

        // With segment 2 present both are drawn, and not joined.
        data.setTrack(std::make_unique<IFTGarminTrack>(std::vector<TrackPoint>{
            pt(5, 1, 1), pt(5, 9, 1), pt(8, 1, 2), pt(8, 9, 2)}));
        option.SetPenWidth(3);
        image = white();
        render::RedrawAll(image, data, nullptr, param, option, true);
        QCOMPARE(image.pixelColor(50, 20), QColor(0x40, 0x80, 0xff));
        QCOMPARE(image.pixelColor(50, 49), QColor(0x40, 0x80, 0xff)); // width 3
        QCOMPARE(image.pixelColor(95, 35), QColor(Qt::white));        // no join from (90,50) to (10,20)
        QCOMPARE(image.pixelColor(50, 35), QColor(Qt::white));
    }

    void linesLeavingThePicture() {
        IFTGarminData data(DataContext{prompts, zone});
        IFTMapParam param = square();
        QVERIFY(SetViewTransform(param, data));
        // From the middle far out to the east, and a segment wholly outside.
        data.setTrack(std::make_unique<IFTGarminTrack>(std::vector<TrackPoint>{
            pt(5, 5, 1), pt(5, 5000, 1), pt(-50, -50, 2), pt(-60, 80, 2)}));
        IFTOption option(store);
        QImage image = white();
        render::RedrawAll(image, data, nullptr, param, option, false);
        QCOMPARE(image.pixelColor(99, 50), QColor(255, 0, 0));
        QCOMPARE(image.pixelColor(50, 50), QColor(255, 0, 0));
        QCOMPARE(image.pixelColor(40, 50), QColor(Qt::white));
        QCOMPARE(image.pixelColor(50, 99), QColor(Qt::white));
        // Diagonals are continuous: every column between the ends is drawn.
        data.setTrack(std::make_unique<IFTGarminTrack>(std::vector<TrackPoint>{pt(1, 1, 1), pt(9, 3, 1)}));
        image = white();
        render::RedrawAll(image, data, nullptr, param, option, false);
        for (int y = 10; y <= 90; ++y) {
            int red = 0;
            for (int x = 0; x < 100; ++x)
                red += image.pixelColor(x, y) == QColor(255, 0, 0);
            QVERIFY2(red >= 1, qPrintable(QString::number(y)));
        }
    }

    void waypointSquaresAndLabels() {
        IFTGarminData data(DataContext{prompts, zone});
        IFTMapParam param = square();
        QVERIFY(SetViewTransform(param, data));
        auto wpts = std::make_unique<IFTGarminWaypoint>();
        wpts->append("WWWW", 2, 2, "", 0); // pixel (20, 80)
        data.setWaypoints(std::move(wpts));
        IFTOption option(store);
        QImage image(100, 100, QImage::Format_RGB32);
        image.fill(Qt::yellow); // shows the label's opaque box
        render::RedrawAll(image, data, nullptr, param, option, true);
        const QColor green(0, 128, 0);
        QCOMPARE(image.pixelColor(20, 80), green);
        QCOMPARE(image.pixelColor(16, 76), green);
        QCOMPARE(image.pixelColor(24, 84), green);
        QCOMPARE(image.pixelColor(15, 80), QColor(Qt::yellow)); // 9 x 9: x - 4 .. x + 4
        QCOMPARE(image.pixelColor(20, 75), QColor(Qt::yellow));
        // The label's box is the background colour (white) to the right of the square.
        bool boxed = false;
        for (int x = 26; x < 40; ++x)
            boxed |= image.pixelColor(x, 81) == QColor(Qt::white);
        QVERIFY(boxed);
        QCOMPARE(image.pixelColor(25, 79), QColor(Qt::yellow)); // nothing above the label's top

        // Unchecked "Waypoint": no squares.
        image.fill(Qt::yellow);
        render::RedrawAll(image, data, nullptr, param, option, false);
        QCOMPARE(image.pixelColor(20, 80), QColor(Qt::yellow));
    }

    void routesInBlueWithTheirOwnRounding() {
        IFTGarminData data(DataContext{prompts, zone});
        IFTMapParam param = square();
        QVERIFY(SetViewTransform(param, data));
        CRouteField routes(2); // route 0 empty
        routes.AddRouteEntry(1, "A", 3, 1, "", 0, 0, 0, 0);
        routes.AddRouteEntry(1, "B", 3, 9, "", 0, 0, 0, 0);
        IFTOption option(store);
        QImage image = white();
        render::RedrawAll(image, data, &routes, param, option, true);
        QCOMPARE(image.pixelColor(50, 70), QColor(0, 0, 255));
        QCOMPARE(image.pixelColor(50, 65), QColor(Qt::white));
    }
};

QTEST_MAIN(MapRenderTest)
#include "map_render_test.moc"
