// A large georeferenced map in the main window: shown in its own projection
// round what is visible, kept when a data file is opened (the new track is
// drawn over it), and read anew where the window scrolls to.
#include <QScrollBar>
#include <QTest>

#include "core/data/ift_garmin_data.h"
#include "core/data/ift_garmin_track.h"
#include "support/test_support.h"
#include "ui/main_form.h"
#include "ui/map_window.h"
#include "x11_support.h"

#include <cstdlib>

using namespace nuvrel;

namespace {

struct Window {
    test::MemorySettingsStore store;
    test::RecordingPrompts prompts;
    test::FixedTimeZone zone;
    ui::TMainForm form{store, prompts, zone};
    ui::MapWindow& map = form.mapWindow();

    Window()
    {
        form.resize(800, 600);
        form.show();
    }
    QImage shown()
    {
        QWidget* area = &map;
        [&] { QTRY_VERIFY(x11::differingShare(x11::screenPixelsOf(area), x11::ownRendering(area), 0) == 0); }();
        return x11::screenPixelsOf(area);
    }
};

// The share of pixels in the map's two greys.
double mapShare(const QImage& image)
{
    qint64 grey = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            grey += (c & 0xffffff) == 0x505050 || (c & 0xffffff) == 0xa0a0a0;
        }
    return double(grey) / (qint64(image.width()) * image.height());
}

qint64 trackPixels(const QImage& image)
{
    qint64 n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += qRed(image.pixel(x, y)) > 200 && qGreen(image.pixel(x, y)) < 80;
    return n;
}

} // namespace

class GeoMapTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { test::useTempConfigHome(); }

    void largeMapIsKeptWhenDataIsOpenedAndReadWhereItScrolls()
    {
        if (std::system("gdal_translate --version >/dev/null 2>&1") != 0)
            QSKIP("gdal_translate is missing (scripts/install-deps installs gdal-bin)");
        test::TempDir dir;
        // 4400 x 4400 pixels of 5 m in UTM zone 32 (22 km round 47.0 N
        // 11.3 E): held as a window of the picture, not whole. Squares of
        // 40 pixels in two greys.
        std::string pgm = "P5 440 440 255\n";
        for (int y = 0; y < 440; ++y)
            for (int x = 0; x < 440; ++x)
                pgm += char(((x / 4 + y / 4) % 2) ? 0x50 : 0xa0);
        test::writeFileBytes(dir / "seed.pgm", pgm);
        const std::string tif = (dir / "alps.tif").string();
        QCOMPARE(std::system(("gdal_translate -q -outsize 4400 4400 -r nearest -a_srs EPSG:32632 -a_ullr 661000 "
                              "5218000 683000 5196000 " +
                              (dir / "seed.pgm").string() + " " + tif)
                                 .c_str()),
                 0);
        // A track across the middle of the map, held in the default datum.
        {
            IFTGarminData data{DataContext{prompts_, zone_}};
            std::vector<TrackPoint> points;
            for (int i = 0; i <= 100; ++i)
                points.push_back(TrackPoint{46.99 + i * 0.0004, 11.24 + i * 0.0006, std::uint32_t(i), 1, 0, 0, 0});
            data.setTrack(std::make_unique<IFTGarminTrack>(std::move(points)));
            QVERIFY(data.save((dir / "flight.nvl").string(), nullptr));
        }

        Window w;
        QVERIFY(QTest::qWaitForWindowExposed(&w.form));
        w.map.chooseMapFile = [tif](const QString&) { return QString::fromStdString(tif); };
        w.form.OpenMap1Click();
        QVERIFY(w.prompts.entries.empty());
        w.form.resize(800, 600);
        QCOMPARE(w.map.canvas().pictureSize(), QSize(4400, 4400));
        QVERIFY(w.map.mapImage().width() < 4400); // a window of it
        QVERIFY(mapShare(w.shown()) > 0.95);

        // Scrolled to the track, then a data file opened: the map stays and
        // the new track is drawn over it.
        w.map.horizontalScrollBar()->setValue(1700);
        w.map.verticalScrollBar()->setValue(1800);
        QVERIFY(w.form.openDataFile(QString::fromStdString((dir / "flight.nvl").string())));
        QVERIFY(w.prompts.entries.empty());
        const QImage opened = w.shown();
        x11::keepScreenshot(opened, QStringLiteral("nuvrel-geo-map-opened.png"));
        QVERIFY(mapShare(opened) > 0.8);
        QVERIFY(trackPixels(opened) > 100);
        QCOMPARE(w.map.canvas().pictureSize(), QSize(4400, 4400));

        // Far from the first window: read anew there, with the map's pixels.
        w.map.horizontalScrollBar()->setValue(w.map.horizontalScrollBar()->maximum());
        w.map.verticalScrollBar()->setValue(w.map.verticalScrollBar()->maximum());
        const QImage corner = w.shown();
        x11::keepScreenshot(corner, QStringLiteral("nuvrel-geo-map-corner.png"));
        QVERIFY(mapShare(corner) > 0.95);
        QVERIFY(w.map.canvas().imageOrigin().x() > 0);
    }

private:
    test::RecordingPrompts prompts_;
    test::FixedTimeZone zone_;
};

QTEST_MAIN(GeoMapTest)
#include "geo_map_test.moc"
