// The position marker drawn into a map picture: its frames from the
// program's resources, the animation order, turning, and putting back the
// pixels it covered.
#include "core/analysis/position_mark.h"
#include "render/position_mark.h"

#include <QGuiApplication>
#include <QSet>
#include <QTest>

using nuvrel::render::IFTPositionMark;

namespace {

QImage grey(int w = 100, int h = 80) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(QColor(200, 210, 220));
    // A pattern, so a wrong restore shows.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; x += 7)
            image.setPixel(x, y, qRgb(x % 256, y % 256, 99));
    return image;
}

// A frame with one black pixel straight above the centre.
QImage noseFrame() {
    QImage f(31, 31, QImage::Format_RGB32);
    f.fill(Qt::white);
    f.setPixel(15, 5, qRgb(0, 0, 0));
    return f;
}

} // namespace

class PositionMarkTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Q_INIT_RESOURCE(nuvrel); }

    void everyTraceMarkHasItsFrames() {
        const QList<QPair<QString, int>> marks = {
            {"HANGGLIDER", 1}, {"KAYAK", 3}, {"CAR", 1}, {"BICYCLE", 1}, {"FOOT", 2}};
        for (const auto& [name, count] : marks) {
            IFTPositionMark mark;
            mark.Create(name);
            QCOMPARE(mark.frameCount(), count);
            for (int n = 0; n < count; ++n) {
                const QImage frame = IFTPositionMark::resourceFrame(name + QString::number(n));
                QCOMPARE(frame.size(), QSize(31, 31));
                // 16 colours at most, on a white (transparent) background.
                QSet<QRgb> colours;
                int drawn = 0;
                for (int y = 0; y < 31; ++y)
                    for (int x = 0; x < 31; ++x) {
                        colours.insert(frame.pixel(x, y) & 0xFFFFFF);
                        drawn += (frame.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
                    }
                QVERIFY(colours.size() <= 16);
                QCOMPARE(frame.pixel(0, 0) & 0xFFFFFF, 0xFFFFFFu);
                QVERIFY(drawn > 30);
            }
        }
    }

    void kayakSwingsCarStaysUnknownDrawsNothing() {
        IFTPositionMark kayak;
        kayak.Create(QStringLiteral("KAYAK"));
        QCOMPARE(kayak.sequence(), (std::vector<int>{0, 1, 2, 1}));
        QImage map = grey();
        QList<int> positions;
        for (int i = 0; i < 6; ++i) {
            positions << kayak.sequencePosition();
            kayak.Draw(map, 50, 40, 0);
        }
        QCOMPARE(positions, (QList<int>{0, 1, 2, 3, 0, 1}));

        IFTPositionMark car;
        car.Create(QStringLiteral("CAR"));
        QCOMPARE(car.sequence(), (std::vector<int>{0}));

        IFTPositionMark none;
        none.Create(QStringLiteral("GLIDER")); // no such frames
        QCOMPARE(none.frameCount(), 0);
        QImage before = grey();
        QImage after = before;
        none.Draw(after, 50, 40, 0);
        QCOMPARE(after, before);
        QVERIFY(!none.shown());
    }

    void drawTurnsClockwiseAndRestoresTheBackground() {
        IFTPositionMark mark;
        mark.Create(QStringLiteral("NOSE"), [](const QString& name) {
            return name == QLatin1String("NOSE0") ? noseFrame() : QImage();
        });
        QCOMPARE(mark.frameCount(), 1);
        const QImage original = grey();
        QImage map = original;

        mark.Draw(map, 50, 40, 0); // nose up: 10 pixels above the centre
        QCOMPARE(map.pixel(50, 30), qRgb(0, 0, 0));
        int changed = 0;
        for (int y = 0; y < map.height(); ++y)
            for (int x = 0; x < map.width(); ++x)
                changed += map.pixel(x, y) != original.pixel(x, y);
        QCOMPARE(changed, 1); // white is transparent

        mark.Draw(map, 60, 40, 90); // heading east: the nose points right
        QCOMPARE(map.pixel(70, 40), qRgb(0, 0, 0));
        QCOMPARE(map.pixel(50, 30), original.pixel(50, 30)); // the old spot is put back
        QCOMPARE(mark.lastPosition(), QPoint(60, 40));

        mark.Hide(map);
        QCOMPARE(map, original);
        QVERIFY(!mark.shown());
        mark.Hide(map); // twice is harmless
        QCOMPARE(map, original);
    }

    void turnedFramesHaveNoHoles() {
        // A solid 15 x 15 block: turned by any angle, every pixel within 7
        // of the centre is covered.
        IFTPositionMark mark;
        mark.Create(QStringLiteral("BLOCK"), [](const QString& name) {
            if (name != QLatin1String("BLOCK0"))
                return QImage();
            QImage f(31, 31, QImage::Format_RGB32);
            f.fill(Qt::white);
            for (int y = 8; y <= 22; ++y)
                for (int x = 8; x <= 22; ++x)
                    f.setPixel(x, y, qRgb(0, 0, 128));
            return f;
        });
        for (int a : {0, 17, 30, 45, 61, 90, 133, 200, 315}) {
            QImage map = grey();
            mark.Draw(map, 50, 40, a);
            for (int dy = -7; dy <= 7; ++dy)
                for (int dx = -7; dx <= 7; ++dx)
                    if (dx * dx + dy * dy <= 49)
                        QVERIFY2(map.pixel(50 + dx, 40 + dy) == qRgb(0, 0, 128),
                                 qPrintable(QStringLiteral("hole at %1,%2 for %3 degrees").arg(dx).arg(dy).arg(a)));
        }
    }

    void partlyOutsideTheMap() {
        IFTPositionMark mark;
        mark.Create(QStringLiteral("HANGGLIDER"));
        const QImage original = grey(40, 30);
        QImage map = original;
        mark.Draw(map, 0, 0, 45); // three quarters outside
        mark.Draw(map, 39, 29, 300);
        mark.Draw(map, -100, 500, 0); // wholly outside
        mark.Hide(map);
        QCOMPARE(map, original);
    }

    void forgetAfterTheMapWasRebuilt() {
        IFTPositionMark mark;
        mark.Create(QStringLiteral("CAR"));
        QImage map = grey();
        mark.Draw(map, 50, 40, 0);
        // A new picture of another size: nothing of the old one may come back.
        QImage rebuilt(200, 160, QImage::Format_RGB32);
        rebuilt.fill(Qt::white);
        mark.Forget();
        const QImage clean = rebuilt;
        mark.Hide(rebuilt);
        QCOMPARE(rebuilt, clean);
    }
};

QTEST_MAIN(PositionMarkTest)
#include "position_mark_test.moc"
