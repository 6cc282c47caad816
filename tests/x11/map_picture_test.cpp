// The map picture on the screen always shows the data the program holds:
// after downloads, a download cut off and a failed open, over a fitted view
// and over a map, the window shows what a fresh View > Refresh builds. Zoom
// In then Zoom Out gives back the same pixels and scroll state; a refused
// zoom step is said in a box and leaves the window's layout alone.
#include <QAction>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>

#include "sim_process.h"
#include "support/test_support.h"
#include "ui/main_form.h"
#include "ui/map_window.h"
#include "x11_support.h"

#include <cstdlib>
#include <filesystem>
#include <functional>

using namespace nuvrel;

namespace {

// A map over the sample flight's area, with a picture that shows any shift.
void writeMap(const std::filesystem::path& stem, int w, int h, double top, double bottom, double left, double right)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixelColor(x, y, QColor(160 + (x * 7) % 96, 160 + (y * 5) % 96, 200));
    QVERIFY(image.save(QString::fromStdString(stem.string() + ".bmp"), "BMP"));
    test::writeFileBytes(stem.string() + ".dat",
                         "ido_top = " + std::to_string(top) + "\r\nido_bottom = " + std::to_string(bottom) +
                             "\r\nkei_left = " + std::to_string(left) + "\r\nkei_right = " + std::to_string(right) +
                             "\r\nbitmap_width = " + std::to_string(w) + "\r\nbitmap_height = " +
                             std::to_string(h) + "\r\n");
}

struct Window {
    test::MemorySettingsStore store;
    test::RecordingPrompts prompts;
    test::FixedTimeZone zone;
    ui::TMainForm form{store, prompts, zone};
    ui::MapWindow& map = form.mapWindow();

    Window()
    {
        form.options().SetGPSModelID(130);
        form.options().SetGPSSoftwareVersion(300);
        form.resize(800, 600);
        form.show();
    }
    void loadMap(const std::filesystem::path& bitmap)
    {
        map.chooseMapFile = [bitmap](const QString&) { return QString::fromStdString(bitmap.string()); };
        form.OpenMap1Click();
    }
    // What the screen shows of the map, once it shows what the window painted.
    QImage shown()
    {
        QWidget* area = &map;
        [&] { QTRY_VERIFY(x11::differingShare(x11::screenPixelsOf(area), x11::ownRendering(area), 0) == 0); }();
        return x11::screenPixelsOf(area);
    }
};

} // namespace

class MapPictureTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { test::useTempConfigHome(); }

    void pictureShowsWhatIsHeld_data()
    {
        QTest::addColumn<QString>("view");
        QTest::newRow("fitted view") << QStringLiteral("fitted");
        QTest::newRow("map") << QStringLiteral("map");
        QTest::newRow("georeferenced map in UTM") << QStringLiteral("utm");
    }
    void pictureShowsWhatIsHeld()
    {
        QFETCH(QString, view);
        test::TempDir dir;
        test::writeFileBytes(dir / "other.txt", "track|OTHER\n"
                                                "trkpt|35.44|138.66|993603600|900|1\n"
                                                "trkpt|35.47|138.74|993603660|900|0\n"
                                                "trkpt|35.41|138.72|993603720|900|0\n");
        test::SimProcess sample({"--product-id", "130"});
        test::SimProcess other({"--product-id", "130", "--data-text", (dir / "other.txt").string()});
        test::SimProcess cutOff({"--product-id", "130", "--stall-after", "8"});
        QVERIFY(sample.started() && other.started() && cutOff.started());
        writeMap(dir / "area", 1200, 900, 35.50, 35.30, 138.50, 138.80);
        using Picture = render::MapCanvas::Picture;
        Picture held = Picture::FittedView;
        std::filesystem::path map = dir / "area.bmp";
        if (view == QStringLiteral("map")) {
            held = Picture::PlainMap;
        } else if (view == QStringLiteral("utm")) {
            // The same area as a GeoTIFF in UTM zone 54, kept in its projection.
            if (std::system("gdalwarp --version >/dev/null 2>&1") != 0)
                QSKIP("gdalwarp is missing (scripts/install-deps installs gdal-bin)");
            map = dir / "area.tif";
            QCOMPARE(std::system(("gdal_translate -q -a_srs EPSG:4326 -a_ullr 138.5 35.5 138.8 35.3 " +
                                  (dir / "area.bmp").string() + " " + (dir / "ll.tif").string() +
                                  " && gdalwarp -q -t_srs EPSG:32654 " + (dir / "ll.tif").string() + " " +
                                  map.string())
                                     .c_str()),
                     0);
            held = Picture::GeoMap;
        }

        Window w;
        QVERIFY(QTest::qWaitForWindowExposed(&w.form));
        if (held != Picture::FittedView) {
            w.loadMap(map);
            QCOMPARE(w.map.canvas().picture(), held);
        }
        const auto download = [&w](const test::SimProcess& sim) {
            w.form.setSerialPorts(sim.ports());
            w.form.command(QStringLiteral("Track3"))->trigger();
        };
        const struct {
            const char* name;
            std::function<void()> run;
            int errors;
        } steps[] = {
            {"first download", [&] { download(sample); }, 0},
            {"second download", [&] { download(other); }, 0},
            {"download cut off", [&] { download(cutOff); }, 1},
            {"download again", [&] { download(other); }, 0},
            {"failed open", [&] { w.form.openDataFile(QString::fromStdString((dir / "none.nvl").string())); }, 1},
        };
        QImage before = w.shown();
        for (const auto& step : steps) {
            w.prompts.entries.clear();
            step.run();
            QVERIFY2(int(w.prompts.entries.size()) == step.errors, step.name);
            const QImage after = w.shown();
            if (QByteArray(step.name) == "second download")
                x11::keepScreenshot(after, QStringLiteral("nuvrel-x11-map-second-download-%1.png").arg(view));
            if (QByteArray(step.name).endsWith("download"))
                QVERIFY2(x11::differingShare(before, after, 0) > 0, step.name); // the new track is on the screen
            if (held != Picture::FittedView)
                QVERIFY2(w.map.canvas().picture() == held, step.name); // over the same map
            w.form.Rfresh1Click();
            QVERIFY2(x11::differingShare(after, w.shown(), 0) == 0, step.name);
            before = after;
        }
    }

    void zoomInAndOutGivesBackThePicture_data()
    {
        QTest::addColumn<bool>("overMap");
        QTest::addColumn<QPoint>("scroll");
        QTest::newRow("fitted view") << false << QPoint(0, 0);
        QTest::newRow("map scrolled") << true << QPoint(301, 157);
    }
    void zoomInAndOutGivesBackThePicture()
    {
        QFETCH(bool, overMap);
        QFETCH(QPoint, scroll);
        test::TempDir dir;
        writeMap(dir / "area", 1201, 901, 35.50, 35.30, 138.50, 138.80);
        Window w;
        QVERIFY(QTest::qWaitForWindowExposed(&w.form));
        if (overMap) {
            w.loadMap(dir / "area.bmp"); // sizes the window to the map
            w.form.resize(800, 600);
            QTRY_COMPARE(w.form.size(), QSize(800, 600));
        }
        auto waypoints = std::make_unique<IFTGarminWaypoint>();
        waypoints->append("A", 35.35, 138.55, "", 0);
        waypoints->append("B", 35.45, 138.75, "", 0);
        w.form.data().setWaypoints(std::move(waypoints));
        w.map.ShowHeldData();
        QScrollBar* h = w.map.horizontalScrollBar();
        QScrollBar* v = w.map.verticalScrollBar();
        h->setValue(scroll.x());
        v->setValue(scroll.y());
        const QImage before = w.shown();
        const auto state = [&] { return QList<int>{h->value(), v->value(), h->isVisible(), v->isVisible()}; };
        const QList<int> was = state();
        QCOMPARE(was.mid(0, 2), QList<int>({scroll.x(), scroll.y()}));

        w.form.ZoomIn1Click();
        QVERIFY(x11::differingShare(before, w.shown(), 0) > 0);
        w.form.ZoomOut1Click();
        QCOMPARE(x11::differingShare(before, w.shown(), 0), 0.0);
        QCOMPARE(state(), was);
        QVERIFY(w.prompts.entries.empty());
    }

    void refusedZoomIsSaidInABox()
    {
        test::TempDir dir;
        writeMap(dir / "wide", 100, 2, 35.50, 35.30, 138.50, 138.80);
        test::writeFileBytes(dir / "wide.dat", "ido_top = 35.5\r\nido_bottom = 35.3\r\nkei_left = 138.5\r\n"
                                               "kei_right = 138.8\r\nbitmap_width = 20000\r\nbitmap_height = 2\r\n");
        Window w;
        w.loadMap(dir / "wide.bmp");
        w.form.resize(300, 200);
        const QSize area = w.map.size();
        w.form.ZoomIn1Click();
        QCOMPARE(w.prompts.count("message"), 1);
        QCOMPARE(w.form.findChild<QStatusBar*>(), nullptr);
        QCOMPARE(w.map.size(), area);
    }
};

QTEST_MAIN(MapPictureTest)
#include "map_picture_test.moc"
