// The map window: loading plain, tiled and georeferenced maps, zoom, refresh, the fitted
// view and Ctrl+click waypoints.
#include "core/ift_option.h"
#include "core/data/ift_garmin_data.h"
#include "core/map/tiled_map_info.h"
#include "support/test_support.h"
#include "ui/map_window.h"
#include "ui/tfrm_wptin.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <cstdlib>

using namespace nuvrel;
using nuvrel::ui::MapWindow;

namespace {

// A picture whose every pixel differs from its neighbours' in a known way.
QImage pattern(int w, int h, QColor base = QColor(0, 0, 0)) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixelColor(x, y, QColor((base.red() + x * 7) % 256, (base.green() + y * 5) % 256, base.blue()));
    return image;
}

void writeMap(const std::filesystem::path& stem, int w, int h, const std::string& calibration) {
    QVERIFY(pattern(w, h).save(QString::fromStdString(stem.string() + ".bmp"), "BMP"));
    test::writeFileBytes(stem.string() + ".dat", calibration);
}

std::string calibration(int w, int h, double top = 36, double bottom = 35, double left = 139, double right = 140) {
    return "ido_top = " + std::to_string(top) + "\r\nido_bottom = " + std::to_string(bottom) +
           "\r\nkei_left = " + std::to_string(left) + "\r\nkei_right = " + std::to_string(right) +
           "\r\nbitmap_width = " + std::to_string(w) + "\r\nbitmap_height = " + std::to_string(h) + "\r\n";
}

// Runs `then` on the modal dialog once it is shown.
void onModal(std::function<void(QWidget*)> then) {
    QTimer::singleShot(0, [then] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal)
            then(modal);
    });
}

TrackPoint pt(double lat, double lon) { return TrackPoint{lat, lon, 0, 1, 0, 0.f, 0.f}; }

} // namespace

class MapWindowTest : public QObject {
    Q_OBJECT

    struct World {
        test::RecordingPrompts prompts;
        test::FixedTimeZone zone;
        test::MemorySettingsStore store;
        IFTGarminData data{DataContext{prompts, zone}};
        CRouteField routes{1};
        IFTOption option{store};
        MapWindow window{data, routes, option, prompts};
        World() {
            window.resize(300, 200);
            window.show();
        }
        void choose(const std::string& path) {
            window.chooseMapFile = [path](const QString&) { return QString::fromStdString(path); };
        }
    };

private slots:
    void loadsAPlainMapChosenByEitherFile() {
        test::TempDir dir;
        writeMap(dir / "x", 200, 100, calibration(200, 100));
        for (const char* chosen : {"x.dat", "x.bmp"}) {
            World w;
            w.choose((dir / chosen).string());
            w.window.OpenMap();
            QVERIFY(w.window.HasValidMap());
            QCOMPARE(w.window.mapImage().size(), QSize(200, 100));
            QCOMPARE(w.window.mapParam().mapFileName, (dir / "x.bmp").string());
            QCOMPARE(w.window.mapImage().pixelColor(10, 20), pattern(200, 100).pixelColor(10, 20));
            QCOMPARE(w.data.viewLongitudeScale(), 200.0);
            // The window fits the map: its client area is the map's size.
            QCOMPARE(w.window.clientSize(), QSize(200, 100));
            // The folder is remembered, with its trailing separator.
            QCOMPARE(std::get<std::string>(w.store.keys[kSettingsKeyPath]["mappath"]), dir.path().string() + "/");
            QVERIFY(w.prompts.entries.empty());
        }
    }

    void loadsAGeoTiffAndZoomsBackToIt() {
        if (std::system("gdal_translate --version >/dev/null 2>&1") != 0) {
            if (qEnvironmentVariableIsSet("CI") && qgetenv("CI") != "false")
                QFAIL("gdal_translate is missing (scripts/install-deps installs gdal-bin)");
            QSKIP("gdal_translate is missing (scripts/install-deps installs gdal-bin)");
        }
        test::TempDir dir;
        QVERIFY(pattern(120, 80).save(QString::fromStdString((dir / "p.bmp").string()), "BMP"));
        QCOMPARE(std::system(("gdal_translate -q -a_srs EPSG:4326 -a_ullr 139 36 139.3 35.8 " + (dir / "p.bmp").string() +
                              " " + (dir / "p.tif").string())
                                 .c_str()),
                 0);
        World w;
        w.option.SetDatumName("WGS 84");
        w.choose((dir / "p.tif").string());
        w.window.OpenMap();
        QVERIFY(w.window.HasValidMap());
        QVERIFY(w.prompts.entries.empty());
        const QImage loaded = w.window.mapImage().copy();
        QCOMPARE(loaded.size(), QSize(120, 80));
        QCOMPARE(loaded.pixelColor(33, 44), pattern(120, 80).pixelColor(33, 44));
        QCOMPARE(w.window.mapParam().kei_right, 139.3);
        w.window.ZoomIn();
        QCOMPARE(w.window.mapImage().size(), QSize(240, 160));
        w.window.ZoomOut();
        QCOMPARE(w.window.mapImage(), loaded);
    }

    void aCancelledChoiceChangesNothing() {
        World w;
        w.window.chooseMapFile = [](const QString&) { return QString(); };
        w.window.OpenMap();
        QVERIFY(!w.window.HasValidMap());
        QVERIFY(w.window.mapParam().mapFileName.empty());
    }

    void failedLoadsKeepThePreviousMap() {
        test::TempDir dir;
        writeMap(dir / "good", 200, 100, calibration(200, 100));
        writeMap(dir / "flat", 50, 50, calibration(50, 50, 35, 35));
        writeMap(dir / "nodat", 50, 50, "");
        std::filesystem::remove(dir / "nodat.dat");
        test::writeFileBytes(dir / "nobmp.dat", calibration(50, 50));
        writeMap(dir / "huge", 10, 10, calibration(40000, 10));
        World w;
        w.choose((dir / "good.bmp").string());
        w.window.OpenMap();
        const QImage before = w.window.mapImage().copy();
        const double scale = w.data.viewLatitudeScale();

        struct Case {
            const char* file;
            const char* kind;
            int error;
            const char* named; // the file the message names
        };
        for (const Case c : {Case{"flat.dat", "message", 0, "flat.dat"}, Case{"nodat.bmp", "error", 4, "nodat.dat"},
                             Case{"nobmp.dat", "message", 0, "nobmp.bmp"}, Case{"huge.dat", "message", 0, "huge.bmp"}}) {
            w.prompts.entries.clear();
            w.choose((dir / c.file).string());
            w.window.OpenMap();
            QCOMPARE(int(w.prompts.entries.size()), 1);
            QCOMPARE(w.prompts.entries[0].kind, std::string(c.kind));
            QCOMPARE(w.prompts.entries[0].number, c.error);
            const std::string& text = w.prompts.entries[0].text;
            const std::string named = (dir / c.named).string();
            QVERIFY2(text.find(named) != std::string::npos && text.find(named) == text.rfind(named), text.c_str());
            QVERIFY2(!text.ends_with(".."), text.c_str());
            QCOMPARE(w.window.mapImage(), before);
            QCOMPARE(w.data.viewLatitudeScale(), scale);
            QCOMPARE(w.window.mapParam().bitmap_width, 200);
        }
        // Only the map still shown keeps its name: "Refresh" never retries a
        // failed one.
        QCOMPARE(w.window.mapParam().mapFileName, (dir / "good.bmp").string());
        w.window.Refresh();
        QVERIFY(w.prompts.entries.size() == 1);
    }

    void zoomInThenOutRestoresSizePictureAndCentre() {
        test::TempDir dir;
        writeMap(dir / "m", 600, 400, calibration(600, 400));
        World w;
        w.choose((dir / "m.bmp").string());
        w.window.OpenMap();
        w.window.resize(300, 200);
        QApplication::processEvents();
        const QImage before = w.window.mapImage().copy();
        w.window.horizontalScrollBar()->setValue(100);
        w.window.verticalScrollBar()->setValue(50);
        const QSize view = w.window.viewport()->size();
        const QPoint centre(view.width() / 2 + 100, view.height() / 2 + 50);

        w.window.ZoomIn();
        QCOMPARE(w.window.zoomLevel(), 1);
        QCOMPARE(w.window.mapImage().size(), QSize(1200, 800));
        QCOMPARE(w.window.mapParam().bitmap_width, 1200);
        QCOMPARE(w.data.viewLongitudeScale(), 1200.0);
        QCOMPARE(w.window.horizontalScrollBar()->value() + view.width() / 2, centre.x() * 2);
        QCOMPARE(w.window.verticalScrollBar()->value() + view.height() / 2, centre.y() * 2);
        // Enlarging repeats pixels.
        QCOMPARE(w.window.mapImage().pixelColor(21, 41), before.pixelColor(10, 20));

        w.window.ZoomOut();
        QCOMPARE(w.window.zoomLevel(), 0);
        QCOMPARE(w.window.mapImage(), before);
        QCOMPARE(w.window.horizontalScrollBar()->value(), 100);
        QCOMPARE(w.window.verticalScrollBar()->value(), 50);
    }

    void scrollIntoView() {
        test::TempDir dir;
        writeMap(dir / "m", 1000, 800, calibration(1000, 800));
        World w;
        w.choose((dir / "m.bmp").string());
        w.window.OpenMap();
        w.window.resize(300, 200);
        QApplication::processEvents();
        auto* h = w.window.horizontalScrollBar();
        auto* v = w.window.verticalScrollBar();
        const QSize client = w.window.viewport()->size();
        // Visible, or off the picture: no scrolling.
        w.window.ScrollIntoView(50, 50);
        w.window.ScrollIntoView(0, 500);
        w.window.ScrollIntoView(500, 800);
        QCOMPARE(h->value(), 0);
        QCOMPARE(v->value(), 0);
        // Centred by the window's outer size, clamped at the far edges.
        w.window.ScrollIntoView(500, 400);
        const QSize outer = w.window.frameGeometry().size();
        QCOMPARE(h->value(), 500 - outer.width() / 2);
        QCOMPARE(v->value(), 400 - outer.height() / 2);
        w.window.ScrollIntoView(990, 790);
        QCOMPARE(h->value(), 1000 - client.width());
        QCOMPARE(v->value(), 800 - client.height());
    }

    void zoomIsBounded() {
        test::TempDir dir;
        writeMap(dir / "wide", 100, 2, calibration(20000, 2));
        World w;
        w.choose((dir / "wide.bmp").string());
        w.window.OpenMap();
        QCOMPARE(w.window.mapImage().size(), QSize(20000, 2));
        w.window.ZoomIn();
        QCOMPARE(w.prompts.count("message"), 1);
        QVERIFY(w.prompts.entries[0].text.find("32768") != std::string::npos);
        QCOMPARE(w.window.mapImage().size(), QSize(20000, 2));
        QCOMPARE(w.window.zoomLevel(), 0);
        w.window.ZoomOut();
        QCOMPARE(w.window.mapImage().size(), QSize(10000, 1));
        w.window.ZoomOut();
        QCOMPARE(w.prompts.count("message"), 2);
        QCOMPARE(w.prompts.entries[1].title, std::string("Zoom Out"));
        QCOMPARE(w.window.mapImage().size(), QSize(10000, 1));
        QCOMPARE(w.window.zoomLevel(), -1);
    }

    void tiledMapsAtZoomLevels() {
        test::TempDir dir;
        const QColor colours[] = {Qt::red, Qt::green, Qt::blue, Qt::cyan, Qt::magenta, Qt::yellow};
        for (int n = 0; n < 6; ++n) {
            QImage tile(50, 40, QImage::Format_RGB32);
            tile.fill(colours[n]);
            QVERIFY(tile.save(QString::fromStdString((dir / ("m" + std::to_string(n) + ".bmp")).string()), "BMP"));
        }
        test::writeFileBytes(dir / "MAPINFO.DAT", "Nuvrel CE\r\n100\r\n24\r\n3\r\n2\r\n36\r\n139\r\n35\r\n140.5\r\n50\r\n40\r\n");
        // MAPINFO.DAT names its tiles M0.bmp ...; they are found as m*.bmp.
        World w;
        w.choose((dir / "mapinfo.dat").string());
        w.window.OpenMap();
        QVERIFY(w.prompts.entries.empty());
        QCOMPARE(w.window.mapParam().mapFileName, (dir / "MAPINFO.DAT").string());
        QCOMPARE(w.window.mapImage().size(), QSize(150, 80));
        QCOMPARE(w.window.mapImage().pixelColor(125, 60), QColor(Qt::yellow)); // tile 5
        QCOMPARE(w.data.viewLongitudeScale(), 100.0);

        w.window.ZoomOut(); // level -1: 75 x 40, tile 4 in (25, 20)-(50, 40)
        QCOMPARE(w.window.mapImage().size(), QSize(75, 40));
        QCOMPARE(w.window.mapImage().pixelColor(37, 30), QColor(Qt::magenta));
        QCOMPARE(w.data.viewLongitudeScale(), 50.0);

        // Refresh keeps the zoom level of a tiled map.
        w.window.Refresh();
        QCOMPARE(w.window.mapImage().size(), QSize(75, 40));

        // A tile that cannot be read: the zoom step is refused, the view stays.
        std::filesystem::remove(dir / "m3.bmp");
        w.prompts.entries.clear();
        w.window.ZoomIn();
        QCOMPARE(w.prompts.count("message"), 1);
        QVERIFY(w.prompts.entries[0].text.find("M3.bmp") != std::string::npos);
        QCOMPARE(w.window.mapImage().size(), QSize(75, 40));
        QCOMPARE(w.window.zoomLevel(), -1);

        // A description cut short.
        test::writeFileBytes(dir / "MAPINFO.DAT", "Nuvrel CE\r\n100\r\n24\r\n3\r\n");
        w.prompts.entries.clear();
        w.window.Refresh();
        QCOMPARE(w.prompts.count("message"), 1);
        QVERIFY(w.prompts.entries[0].text.find("4 lines") != std::string::npos);
    }

    void mapsCopiedFromWindowsAndLargeBitmaps() {
        test::TempDir dir;
        writeMap(dir / "MAP", 200, 100, calibration(200, 100));
        std::filesystem::rename(dir / "MAP.bmp", dir / "MAP.BMP");
        std::filesystem::rename(dir / "MAP.dat", dir / "MAP.DAT");
        writeMap(dir / "Map2", 60, 40, calibration(60, 40));
        std::filesystem::rename(dir / "Map2.dat", dir / "Map2.DAT");
        // 6000 x 6000 at 24 bits: beyond the image reader's default limit.
        QImage big(6000, 6000, QImage::Format_RGB888);
        big.fill(QColor(10, 200, 30));
        QVERIFY(big.save(QString::fromStdString((dir / "big.bmp").string()), "BMP"));
        big = QImage();
        test::writeFileBytes(dir / "big.dat", calibration(6000, 6000));
        // A description of 90 million one-pixel tiles, none present: refused
        // at the first, not after trying them all.
        std::filesystem::create_directory(dir / "sub");
        test::writeFileBytes(dir / "sub" / "mapinfo.dat",
                             "Nuvrel CE\r\n100\r\n24\r\n30000\r\n3000\r\n36\r\n139\r\n35\r\n140\r\n1\r\n1\r\n");
        struct Case {
            const char* chosen;
            const char* loaded; // empty when the load fails
            QSize size;
        };
        for (const Case c : {Case{"map.bmp", "MAP.BMP", {200, 100}}, Case{"MAP.DAT", "MAP.BMP", {200, 100}},
                             Case{"Map2.bmp", "Map2.bmp", {60, 40}}, Case{"big.dat", "big.bmp", {6000, 6000}},
                             Case{"sub/MapInfo.dat", "", {}}}) {
            World w;
            w.choose((dir / c.chosen).string());
            w.window.OpenMap();
            if (!*c.loaded) {
                QCOMPARE(w.prompts.count("message"), 1);
                QVERIFY(w.prompts.entries[0].text.find("sub/m0.bmp") != std::string::npos);
                QVERIFY(w.window.mapParam().mapFileName.empty());
                continue;
            }
            QVERIFY2(w.prompts.entries.empty(), c.chosen);
            QCOMPARE(w.window.mapParam().mapFileName, (dir / c.loaded).string());
            QCOMPARE(w.window.mapImage().size(), c.size);
        }
    }

    void fittedViewFollowsTheWindow() {
        World w;
        w.data.setTrack(std::make_unique<IFTGarminTrack>(
            std::vector<TrackPoint>{pt(35.0, 139.0), pt(35.0, 139.2), pt(35.5, 139.2)}));
        w.window.Refresh();
        const QSize client = w.window.clientSize();
        QCOMPARE(w.window.mapImage().size(), client);
        QVERIFY(w.window.HasValidMap());
        QVERIFY(w.window.lblHDist()->isVisible());
        QVERIFY(w.window.lblHDist()->text().endsWith(QStringLiteral("km")));
        QCOMPARE(w.window.lblHDist()->x(), client.width() / 2);
        QCOMPARE(w.window.lblVDist()->y(), client.height() / 2);
        // The track is drawn in red.
        const Pixel a = PositionToPixel(w.window.mapParam(), w.data, 35.0, 139.0);
        const Pixel b = PositionToPixel(w.window.mapParam(), w.data, 35.0, 139.2);
        QCOMPARE(w.window.mapImage().pixelColor((a.x + b.x) / 2, (a.y + b.y) / 2), QColor(255, 0, 0));

        w.window.resize(500, 400);
        QApplication::processEvents();
        QCOMPARE(w.window.mapImage().size(), w.window.clientSize());
        QCOMPARE(w.window.mapParam().bitmap_width, w.window.clientSize().width());

        // A map that fails to load leaves the fitted view with its distances.
        w.choose("/nonexistent/x.bmp");
        w.window.OpenMap();
        QCOMPARE(w.prompts.count("message"), 1);
        QVERIFY(w.window.lblHDist()->isVisible());
        QCOMPARE(w.window.mapImage().size(), w.window.clientSize());

        // Keep aspect off: the data fills the view in both directions.
        w.window.setKeepAspect(false);
        w.window.Refresh();
        QCOMPARE(w.window.mapParam().ido_top, 35.55);
        QCOMPARE(w.window.mapParam().kei_left, 139.0 - 0.1 * (139.22 - 139.0));
    }

    void refreshWithNothingLeavesABlankView() {
        World w;
        w.window.Refresh();
        QCOMPARE(w.window.mapImage().size(), w.window.clientSize());
        QCOMPARE(w.window.mapImage().pixelColor(5, 5), QColor(Qt::white));
        QVERIFY(!w.window.lblHDist()->isVisible());
        QVERIFY(!w.window.HasValidMap());
    }

    void ctrlClickCreatesAWaypoint() {
        test::TempDir dir;
        writeMap(dir / "m", 200, 100, calibration(200, 100));
        World w;
        w.choose((dir / "m.bmp").string());
        w.window.OpenMap();
        QWidget* image = w.window.findChild<QWidget*>(QStringLiteral("MapImage"));
        QVERIFY(image);

        // Without Ctrl nothing happens (no dialog to answer).
        QTest::mouseClick(image, Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
        QVERIFY(!w.data.waypoints());

        // Ctrl with the right button; OK with an empty ID is refused first.
        bool emptyRefused = false;
        onModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<ui::TfrmWptin*>(modal);
            QVERIFY(dialog);
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Input Waypoint"));
            dialog->edtWaypointID->clear();
            dialog->btnOK->click();
            emptyRefused = dialog->isVisible() && w.prompts.errors() == std::vector<int>{11};
            dialog->edtWaypointID->setText(QStringLiteral("PEAK"));
            dialog->edtComment->setText(QStringLiteral("top"));
            dialog->btnOK->click();
        });
        QTest::mouseClick(image, Qt::RightButton, Qt::ControlModifier, QPoint(50, 25));
        QVERIFY(emptyRefused);
        QVERIFY(w.data.waypoints());
        QCOMPARE(w.data.waypoints()->count(), 1u);
        QCOMPARE(w.data.waypoints()->ident(0), std::string("PEAK"));
        QCOMPARE(w.data.waypoints()->comment(0), std::string("top"));
        QVERIFY(std::abs(w.data.waypoints()->latitude(0) - 35.75) < 1e-5);
        QVERIFY(std::abs(w.data.waypoints()->longitude(0) - 139.25) < 1e-5);
        QCOMPARE(w.window.mapImage().pixelColor(50, 25), QColor(0, 128, 0));

        // Cancel appends nothing; the ID is kept for the next use.
        onModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<ui::TfrmWptin*>(modal);
            QCOMPARE(dialog->edtWaypointID->text(), QStringLiteral("PEAK"));
            dialog->btnCancel->click();
        });
        QTest::mouseClick(image, Qt::LeftButton, Qt::ControlModifier, QPoint(10, 10));
        QCOMPARE(w.data.waypoints()->count(), 1u);

        // The user may edit the position; "Create Route" changes the caption
        // and hands the waypoint on.
        w.window.setCreateRoute(true);
        QSignalSpy route(&w.window, &MapWindow::routeWaypointClicked);
        onModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<ui::TfrmWptin*>(modal);
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Create Route Waypoint"));
            dialog->edtWaypointID->setText(QStringLiteral("R1"));
            dialog->edtLatitude->setText(QStringLiteral("35.5"));
            dialog->btnOK->click();
        });
        QTest::mouseClick(image, Qt::MiddleButton, Qt::ControlModifier, QPoint(10, 10));
        QCOMPARE(w.data.waypoints()->count(), 2u);
        QCOMPARE(w.data.waypoints()->latitude(1), 35.5);
        QCOMPARE(route.count(), 1);
    }
};

QTEST_MAIN(MapWindowTest)
#include "map_window_test.moc"
