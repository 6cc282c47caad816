// Printing and image export: the page layout painted into an image, the
// print command printing to a PDF file (rasterised and read back with the
// poppler tools), and the map picture saved as a bitmap.
#include "core/analysis/track_measures.h"
#include "core/ift_option.h"
#include "core/data/ift_garmin_data.h"
#include "core/data/ift_garmin_track.h"
#include "core/data/ift_garmin_waypoint.h"
#include "core/errors.h"
#include "file_dialog_answer.h"
#include "render/print_page.h"
#include "support/test_support.h"
#include "ui/main_form.h"
#include "ui/map_window.h"
#include "ui/print_commands.h"
#include "ui/tfrm_message.h"

#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QBuffer>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QtTest>

#include <fstream>

using namespace nuvrel;

namespace {

// 2024-05-06 07:08:09 UTC as receiver time.
constexpr std::uint32_t kT0 = 1714979289u - 631065600u;
const QColor kMapColour(230, 230, 200);

TrackPoint pt(double lat, double lon, std::uint32_t time = kT0, std::int16_t segment = 1) {
    return TrackPoint{lat, lon, time, segment, 0, 0.f, 0.f};
}

// A plain map of 200 x 100 pixels over latitudes 35 .. 36 and longitudes
// 139 .. 141: 100 pixels per degree both ways.
std::string writeMap(const test::TempDir& dir) {
    QImage bitmap(200, 100, QImage::Format_RGB32);
    bitmap.fill(kMapColour);
    const std::string path = (dir / "area.bmp").string();
    bitmap.save(QString::fromStdString(path), "BMP");
    std::ofstream dat(dir / "area.dat", std::ios::binary);
    dat << "ido_top       =  36.0\r\nkei_left      = 139.0\r\nido_bottom    =  35.0\r\nkei_right     = 141.0\r\n"
           "bitmap_width  = 200\r\nbitmap_height = 100\r\n";
    return path;
}

bool near(QColor a, QColor b, int tolerance = 40) {
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return QStringLiteral("<failed: %1>").arg(QString::fromLocal8Bit(p.readAllStandardError()));
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The first page of a PDF at 50 pixels per inch.
QImage rasterise(const QString& pdf, const QString& folder) {
    const QString prefix = folder + QStringLiteral("/page");
    run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("50"), QStringLiteral("-png"),
                                     QStringLiteral("-singlefile"), pdf, prefix});
    return QImage(prefix + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
}

// The text of a PDF, ligatures ("ff") spelt out.
QString pdfText(const QString& pdf) {
    return run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")})
        .normalized(QString::NormalizationForm_KC);
}

// A main window with the test map loaded and printing to `pdf` at 600 dpi
// on A4 (4960 pixels wide): margin 300, map 4360 x 2180 at 21.8 per pixel.
struct Printing {
    test::TempDir dir;
    test::MemorySettingsStore store;
    test::RecordingPrompts prompts;
    test::FixedTimeZone zone;
    ui::TMainForm form{store, prompts, zone};
    QString pdf = QString::fromStdString((dir / "page.pdf").string());
    int dialogs = 0;

    explicit Printing(bool loadMap = true) {
        form.show();
        if (loadMap) {
            const QString map = QString::fromStdString(writeMap(dir));
            form.mapWindow().chooseMapFile = [map](const QString&) { return map; };
            form.command(QStringLiteral("OpenMap1"))->trigger();
        }
        form.printSetup().askPrinter = [this](QWidget*, QPrinter& printer) {
            ++dialogs;
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            printer.setPageSize(QPageSize(QPageSize::A4));
            printer.setPageOrientation(QPageLayout::Portrait);
            printer.setResolution(600);
            return true;
        };
    }
};

// Page pixels (600 dpi) to pixels of the 50 dpi raster.
QPoint raster(int x, int y) { return {x * 50 / 600, y * 50 / 600}; }

} // namespace

class PrintTest : public QObject {
    Q_OBJECT

private slots:
    void pageGeometry();
    void segmentsLeaveOutLegsOutsideTheFrame();
    void waypointsInsideTheFrameOnly();
    void printsTheMapTrackAndSummaryToPdf();
    void printWithoutTrackHasNoSummary();
    void printNeedsAMapOrAFittedView();
    void cancelledPrintDialogPrintsNothing();
    void thePrintDialogIsShown();
    void printLeavesTheScreenPictureAsItWas();
    void saveImageWritesTheScreenPicture();
};

void PrintTest::pageGeometry() {
    // A map 1000 pixels wide on a page 4960 pixels wide at 600 dpi.
    const auto g = render::printPageGeometry({4960, 0, 600, 600}, 1000, 632);
    QCOMPARE(g.margin, 300);
    QCOMPARE(g.printableWidth, 4360);
    QCOMPARE(g.scale, 4.36);
    QCOMPARE(g.left, 300);
    QCOMPARE(g.top, 300);
    QCOMPARE(g.right, 4660);
    QCOMPARE(g.bottom, 300 + 2755); // trunc(632 * 4.36)
    QCOMPARE(g.valueColumn, 1800);
    QCOMPARE(render::fontPixels(14, 600), 117);
    QCOMPARE(render::fontPixels(8, 300), 33);
    // A map taller than the page ends at the bottom margin: A4 (7016 high).
    const auto tall = render::printPageGeometry({4960, 7016, 600, 600}, 500, 1000);
    QCOMPARE(tall.scale, 6.416);
    QCOMPARE(tall.right, 300 + 3208);
    QCOMPARE(tall.bottom, 300 + 6416);
    QCOMPARE(render::printPageGeometry({4960, 7016, 600, 600}, 1000, 632).bottom, 300 + 2755);
    // The device of a PDF page, in either orientation.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(600);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageOrientation(QPageLayout::Landscape);
    QPainter painter(&writer);
    const render::PrintDevice device = render::pagedDevice(painter);
    painter.end();
    QCOMPARE(device.pageWidth, 7015); // 297 mm
    QCOMPARE(device.pageHeight, 4960);
    QCOMPARE(device.dpiX, 600);
    QCOMPARE(device.dpiY, 600);
    // A map without width takes no room.
    QCOMPARE(render::printPageGeometry({1000, 0, 100, 100}, 0, 50).bottom, 50);
}

namespace {

// The page of a 200 x 100 map over 35 .. 36 / 139 .. 141 on an image 1000
// pixels wide at 100 dpi: margin 50, frame 50 .. 950 x 50 .. 500, 4.5 page
// pixels per map pixel, 450 per degree.
render::PrintPageContent testContent(const IFTGarminTrack* track, const IFTGarminWaypoint* waypoints) {
    render::PrintPageContent c;
    c.map = QImage(200, 100, QImage::Format_RGB32);
    c.map.fill(kMapColour);
    c.bitmapWidth = 200;
    c.bitmapHeight = 100;
    IFTMapParam param;
    param.ido_top = 36;
    param.ido_bottom = 35;
    param.kei_left = 139;
    param.kei_right = 141;
    param.bitmap_width = 200;
    param.bitmap_height = 100;
    c.view = ViewTransform::forCalibration(param);
    c.mapFileName = "/maps/area.bmp";
    c.track = track;
    c.waypoints = waypoints;
    c.penColor = Qt::red;
    c.penWidth = 3;
    return c;
}

QImage paintPage(const render::PrintPageContent& c) {
    QImage page(1000, 1400, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    [&] { QVERIFY(render::PaintPrintPage(painter, {1000, 1400, 100, 100}, c)); }();
    painter.end();
    return page;
}

bool isRed(QRgb c) { return qRed(c) > 200 && qGreen(c) < 60 && qBlue(c) < 60; }

} // namespace

void PrintTest::segmentsLeaveOutLegsOutsideTheFrame() {
    // Along latitude 35.5 (page row 275): a leg inside, a leg out to the
    // right of the map and back, then a leg inside again.
    const IFTGarminTrack track({pt(35.5, 139.25), pt(35.5, 139.625), pt(35.5, 141.5), pt(35.5, 140.375),
                                pt(35.5, 140.75),
                                // Segment 2 starts outside: its first leg is drawn.
                                pt(36.5, 139.625, kT0, 2), pt(35.75, 139.625, kT0, 2)});
    const render::PrintPageContent c = testContent(&track, nullptr);
    const QImage page = paintPage(c);
    const auto g = render::printPageGeometry({1000, 1400, 100, 100}, 200, 100);
    QCOMPARE(render::pagePoint(g, c, 35.5, 139.25), QPoint(162, 275));
    QCOMPARE(render::pagePoint(g, c, 35.5, 140.375), QPoint(668, 275));
    QCOMPARE(render::pagePoint(g, c, 36.5, 139.625), QPoint(331, -175));
    QVERIFY(isRed(page.pixel(250, 275)));  // 139.25 .. 139.625
    QVERIFY(!isRed(page.pixel(450, 275))); // 139.625 .. 141.5, left out
    QVERIFY(!isRed(page.pixel(600, 275))); // 141.5 .. 140.375, left out
    QVERIFY(isRed(page.pixel(750, 275)));  // 140.375 .. 140.75
    QVERIFY(!isRed(page.pixel(900, 275)));
    // Nothing outside the frame but the first leg of segment 2, from above it.
    QVERIFY(isRed(page.pixel(331, 30)));
    QVERIFY(isRed(page.pixel(331, 100)));
    for (int x = 951; x < 1000; ++x)
        QVERIFY(!isRed(page.pixel(x, 275)));
    // The frame one pixel outside the map, the map inside.
    QCOMPARE(QColor(page.pixel(49, 300)), QColor(Qt::black));
    QCOMPARE(QColor(page.pixel(951, 300)), QColor(Qt::black));
    QCOMPARE(QColor(page.pixel(500, 49)), QColor(Qt::black));
    QCOMPARE(QColor(page.pixel(500, 501)), QColor(Qt::black));
    QVERIFY(near(page.pixel(500, 450), kMapColour, 2));
    // The summary is under the frame.
    bool ink = false;
    for (int y = 510; y < 900 && !ink; ++y)
        for (int x = 50; x < 600 && !ink; ++x)
            ink = page.pixel(x, y) != QColor(Qt::white).rgb();
    QVERIFY(ink);
}

void PrintTest::waypointsInsideTheFrameOnly() {
    IFTGarminWaypoint waypoints;
    waypoints.append("INSIDE", 35.75, 139.25, "", 0); // page (162, 162)
    waypoints.append("OUTSIDE", 36.25, 139.25, "", 0); // above the frame
    const QImage page = paintPage(testContent(nullptr, &waypoints));
    // The square: trunc(162 - 4 * 4.5) .. trunc(162 + 5 * 4.5), right and bottom exclusive.
    const QColor green(0, 128, 0);
    QCOMPARE(QColor(page.pixel(144, 144)), green);
    QCOMPARE(QColor(page.pixel(183, 183)), green);
    QVERIFY(QColor(page.pixel(184, 170)) != green);
    QVERIFY(QColor(page.pixel(143, 170)) != green);
    // Nothing above the frame; no track, so no summary.
    for (int y = 0; y < 49; ++y)
        for (int x = 0; x < 1000; ++x)
            QCOMPARE(page.pixel(x, y), QColor(Qt::white).rgb());
    for (int y = 502; y < 1400; ++y)
        for (int x = 0; x < 1000; x += 3)
            QCOMPARE(page.pixel(x, y), QColor(Qt::white).rgb());
}

void PrintTest::printsTheMapTrackAndSummaryToPdf() {
    Printing p;
    p.form.options().SetPenWidth(30);
    p.form.options().SetPenColor(0x0000ff); // red
    p.form.data().setTimeOffset(-32400);
    // Two segments along latitude 35.5; segment 2 is the longer.
    p.form.data().setTrack(std::make_unique<IFTGarminTrack>(
        std::vector<TrackPoint>{pt(35.2, 139.2, kT0, 1), pt(35.2, 139.4, kT0 + 600, 1),
                                pt(35.5, 139.5, kT0 + 1200, 2), pt(35.5, 140.5, kT0 + 4800, 2)}));
    p.form.data().setWaypoints(std::make_unique<IFTGarminWaypoint>());
    p.form.data().waypoints()->append("TAKEOFF", 35.8, 139.2, "", 0);
    p.form.data().waypoints()->append("FARAWAY", 37.0, 139.2, "", 0);
    p.form.command(QStringLiteral("Print1"))->trigger();
    QCOMPARE(p.dialogs, 1);
    QVERIFY(p.prompts.entries.empty());
    QVERIFY(QFile::exists(p.pdf));
    // The progress window said "Printing" and is gone again.
    QCOMPARE(p.form.frmMessage().lblMessage->text(), QStringLiteral("Printing"));
    QVERIFY(!p.form.frmMessage().isVisible());

    const QImage page = rasterise(p.pdf, QString::fromStdString(p.dir.path().string()));
    QVERIFY(!page.isNull());
    QVERIFY(page.width() == 413 || page.width() == 414); // A4 at 50 dpi
    // Segment 2 at page row trunc(50 * 21.8 + 300) = 1390, from x 1390 to 3570.
    const QPoint onTrack = raster(2480, 1390);
    QVERIFY2(isRed(page.pixel(onTrack)), qPrintable(QColor(page.pixel(onTrack)).name()));
    // The map elsewhere, white outside the frame.
    QVERIFY(near(page.pixel(raster(3000, 2000)), kMapColour, 12));
    QVERIFY(near(page.pixel(raster(150, 1000)), Qt::white, 3));
    // The waypoint's square around page (736, 736).
    QVERIFY(near(page.pixel(raster(680, 680)), QColor(0, 128, 0), 30));
    // Ink under the frame (bottom 2480): the summary's fifteen lines of 117 pixels.
    int ink = 0;
    for (int y = raster(0, 2481).y() + 1; y < raster(0, 2480 + 15 * 117).y(); ++y)
        for (int x = raster(300, 0).x(); x < raster(3000, 0).x(); ++x)
            ink += qGray(page.pixel(x, y)) < 128;
    QVERIFY2(ink > 200, qPrintable(QString::number(ink)));
    int below = 0;
    for (int y = raster(0, 2480 + 17 * 117).y(); y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            below += qGray(page.pixel(x, y)) < 250;
    QCOMPARE(below, 0);

    QVERIFY(run(QStringLiteral("pdfinfo"), {p.pdf}).contains(QRegularExpression(QStringLiteral("Title: +NUVREL\n"))));
    const QString text = pdfText(p.pdf);
    QVERIFY2(text.contains(QStringLiteral("area.bmp")), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("TAKEOFF")));
    QVERIFY(!text.contains(QStringLiteral("FARAWAY")));
    char km[32], total[32], speed[32];
    const auto& points = p.form.data().track()->points();
    std::snprintf(km, sizeof km, "%6.2f", distance(points, 2, 3));
    std::snprintf(total, sizeof total, "%6.2f", distance(points, 0, 3));
    std::snprintf(speed, sizeof speed, "%6.2f", distance(points, 2, 3) * 3600 / 3600);
    const QStringList expected = {
        QStringLiteral("** <Longest Track> **"),
        QStringLiteral("Take Off : 16:28:09 2024/05/06"),
        QStringLiteral("Landing : 17:28:09 2024/05/06"),
        QStringLiteral("Distance[km] : %1").arg(QString::fromLatin1(km).trimmed()),
        QStringLiteral("Time : 01:00:00"),
        QStringLiteral("Average Speed[km/h] : %1").arg(QString::fromLatin1(speed).trimmed()),
        QStringLiteral("** <Total> **"),
        QStringLiteral("Take Off : 16:08:09 2024/05/06"),
        QStringLiteral("Landing : 17:28:09 2024/05/06"),
        QStringLiteral("Distance[km] : %1").arg(QString::fromLatin1(total).trimmed()),
        QStringLiteral("Time : 01:20:00"),
    };
    // Label and value columns, their gap closed up.
    QStringList lines;
    for (QString line : text.split(QLatin1Char('\n'))) {
        line = line.simplified();
        if (line.startsWith(QStringLiteral("**")) || line.contains(QStringLiteral(" : ")))
            lines << line;
    }
    QCOMPARE(lines, expected);
}

void PrintTest::printWithoutTrackHasNoSummary() {
    Printing p;
    p.form.command(QStringLiteral("Print1"))->trigger();
    QCOMPARE(p.dialogs, 1);
    const QString text = pdfText(p.pdf);
    QVERIFY(!text.contains(QStringLiteral("Longest")));
    QVERIFY(!text.contains(QStringLiteral("area.bmp")));
    const QImage page = rasterise(p.pdf, QString::fromStdString(p.dir.path().string()));
    QVERIFY(near(page.pixel(raster(2480, 1390)), kMapColour, 12));
}

void PrintTest::printNeedsAMapOrAFittedView() {
    Printing p(false);
    QCOMPARE(p.form.mapWindow().mapParam().bitmap_height, 0);
    p.form.command(QStringLiteral("Print1"))->trigger();
    QCOMPARE(p.prompts.errors(), std::vector<int>{kErrLoadMapFirst});
    QCOMPARE(p.dialogs, 0);
    QVERIFY(!QFile::exists(p.pdf));

    // A fitted view prints: blank map area with the track on it.
    p.prompts.entries.clear();
    p.form.data().setTrack(std::make_unique<IFTGarminTrack>(
        std::vector<TrackPoint>{pt(35.0, 139.0, kT0), pt(35.1, 139.4, kT0 + 60)}));
    p.form.command(QStringLiteral("Rfresh1"))->trigger();
    QVERIFY(p.form.mapWindow().mapParam().bitmap_height > 0);
    p.form.command(QStringLiteral("Print1"))->trigger();
    QVERIFY(p.prompts.entries.empty());
    QVERIFY(pdfText(p.pdf).contains(QStringLiteral("** <Total> **")));
}

void PrintTest::cancelledPrintDialogPrintsNothing() {
    Printing p;
    p.form.printSetup().askPrinter = [](QWidget*, QPrinter&) { return false; };
    p.form.command(QStringLiteral("Print1"))->trigger();
    QVERIFY(!QFile::exists(p.pdf));
    QVERIFY(p.prompts.entries.empty());
}

void PrintTest::thePrintDialogIsShown() {
    Printing p;
    p.form.printSetup().askPrinter = nullptr;
    bool seen = false;
    QTimer::singleShot(50, [&] {
        auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
        seen = dialog != nullptr;
        if (QWidget* w = QApplication::activeModalWidget())
            QMetaObject::invokeMethod(w, "reject", Qt::QueuedConnection);
    });
    p.form.command(QStringLiteral("Print1"))->trigger();
    QVERIFY(seen);
    QVERIFY(p.prompts.entries.empty());
}

void PrintTest::printLeavesTheScreenPictureAsItWas() {
    Printing p;
    p.form.options().SetPenWidth(30);
    p.form.data().setTrack(std::make_unique<IFTGarminTrack>(
        std::vector<TrackPoint>{pt(35.5, 139.5, kT0), pt(35.5, 140.5, kT0 + 60)}));
    p.form.command(QStringLiteral("ZoomIn1"))->trigger();
    const QImage before = p.form.mapWindow().mapImage().copy();
    QCOMPARE(before.size(), QSize(400, 200));
    const double scale = p.form.data().viewLongitudeScale();
    p.form.command(QStringLiteral("Print1"))->trigger();
    QVERIFY(QFile::exists(p.pdf));
    QCOMPARE(p.form.mapWindow().mapImage(), before);
    QCOMPARE(p.form.data().viewLongitudeScale(), scale);
    QCOMPARE(p.form.mapWindow().zoomLevel(), 1);
    // The page shows the map at its own size all the same: the track at the
    // same place as without zoom.
    const QImage page = rasterise(p.pdf, QString::fromStdString(p.dir.path().string()));
    QVERIFY(isRed(page.pixel(raster(2480, 1390))));
}

void PrintTest::saveImageWritesTheScreenPicture() {
    Printing p;
    p.form.data().setTrack(std::make_unique<IFTGarminTrack>(
        std::vector<TrackPoint>{pt(35.5, 139.5, kT0), pt(35.5, 140.5, kT0 + 60)}));
    p.form.mapWindow().RedrawAll();
    QAction* save = p.form.command(QStringLiteral("SaveImageAs1"));
    QVERIFY(save->isEnabled());
    QString title;
    QStringList filters;
    // Cancelled: nothing written.
    test::answerFileDialog(QString(), &title, &filters);
    save->trigger();
    QCOMPARE(title, QStringLiteral("Save Image"));
    QCOMPARE(filters.join(QStringLiteral(";;")), QStringLiteral("Bitmap (*.bmp);;All files (*)"));
    QVERIFY(QDir(QString::fromStdString(p.dir.path().string())).entryList({QStringLiteral("*.bmp")}) ==
            QStringList{QStringLiteral("area.bmp")});
    // A name without extension gets ".bmp".
    const QString target = QString::fromStdString((p.dir / "shot").string());
    test::answerFileDialog(target, &title, &filters);
    save->trigger();
    const QImage saved(target + QStringLiteral(".bmp"), "BMP");
    QVERIFY(!saved.isNull());
    QFile file(target + QStringLiteral(".bmp"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray header = file.read(30);
    QCOMPARE(header.left(2), QByteArray("BM"));
    QCOMPARE(int(header[28]), 24); // bits per pixel
    const QImage screen = p.form.mapWindow().mapImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(saved.convertToFormat(QImage::Format_RGB32), screen);
    QVERIFY(isRed(saved.pixel(100, 50))); // the track drawn on the screen picture
    // The folder is remembered with the data files'.
    QCOMPARE(QString::fromStdString(p.form.options().folderMemory(kDataFolderValue)),
             QString::fromStdString(p.dir.path().string()) + QLatin1Char('/'));
}

QTEST_MAIN(PrintTest)
#include "print_test.moc"
