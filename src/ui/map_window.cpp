#include "ui/map_window.h"

#include "core/ift_option.h"
#include "core/data/ift_garmin_data.h"
#include "core/geo/angle_text.h"
#include "render/code_page_text.h"
#include "render/map_renderer.h"
#include "ui/tfrm_map_info.h"
#include "ui/tfrm_wptin.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>

namespace nuvrel::ui {

// The map picture at the top-left of the scrollable area.
class MapImage : public QWidget {
public:
    MapImage(MapWindow& owner, QWidget* parent) : QWidget(parent), owner_(owner) {
        setObjectName(QStringLiteral("MapImage"));
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        // A large geographic map is read round what is shown, as it is shown.
        owner_.ShowVisibleArea();
        QPainter painter(this);
        const QImage& image = owner_.mapImage();
        const QRect r = event->rect();
        painter.fillRect(r, render::kBackground);
        if (!image.isNull()) {
            const QPoint origin = owner_.canvas().imageOrigin();
            painter.drawImage(r.topLeft(), image, r.translated(-origin));
        }
    }
    void mousePressEvent(QMouseEvent* event) override {
        owner_.MapImageMouseDown(event->button(), event->modifiers(), event->position().toPoint());
    }

private:
    MapWindow& owner_;
};

namespace {

QLabel* distanceLabel(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setAutoFillBackground(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(palette);
    label->setFont(QFont(QStringLiteral("Arial"), 8));
    label->hide();
    return label;
}

class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

MapWindow::MapWindow(IFTGarminData& data, CRouteField& routes, IFTOption& option, UserPrompts& prompts,
                     QWidget* parent)
    : QScrollArea(parent), data_(data), routes_(routes), option_(option), prompts_(prompts),
      canvas_(data, routes, option, prompts) {
    setObjectName(QStringLiteral("MapWindow"));
    setWidgetResizable(false);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setBackgroundRole(QPalette::Base);
    image_ = new MapImage(*this, this);
    setWidget(image_);
    lblHDist_ = distanceLabel(viewport(), "lblHDist");
    lblVDist_ = distanceLabel(viewport(), "lblVDist");
}

MapWindow::~MapWindow() {
    if (mapInfo_)
        delete mapInfo_.data();
}

TfrmMapInfo* MapWindow::mapInfoDialog() const { return mapInfo_.data(); }

bool MapWindow::HasValidMap() const { return canvas_.param().HasValidCalibration(); }

QSize MapWindow::clientSize() const { return maximumViewportSize(); }

void MapWindow::syncImage() {
    const QSize size = canvas_.pictureSize();
    if (image_->size() != size)
        image_->resize(size);
    // A picture that fits the client area needs no scroll bars; without this
    // the bars shown for a larger picture keep a range of their own width.
    const QSize client = clientSize();
    if (size.width() <= client.width() && size.height() <= client.height()) {
        horizontalScrollBar()->setRange(0, 0);
        verticalScrollBar()->setRange(0, 0);
    }
    image_->update();
    emit pictureChanged();
}

void MapWindow::hideDistanceLabels() {
    lblHDist_->hide();
    lblVDist_->hide();
}

void MapWindow::FillBackground() {
    const QSize client = clientSize();
    if (canvas_.image().isNull())
        canvas_.FillBackground(client.width(), client.height());
    else
        canvas_.FillBackground();
    syncImage();
}

void MapWindow::FitViewToData() {
    const QSize client = clientSize();
    FittedDistances d;
    if (!canvas_.FitViewToData(client.width(), client.height(), keepAspect_, d))
        return;
    syncImage();
    lblHDist_->setText(QString::fromStdString(DistanceLabel(d.horizontalKm)));
    lblVDist_->setText(QString::fromStdString(DistanceLabel(d.verticalKm)));
    lblHDist_->adjustSize();
    lblVDist_->adjustSize();
    lblHDist_->move(client.width() / 2, 8);
    lblVDist_->move(8, client.height() / 2);
    lblHDist_->show();
    lblVDist_->show();
    lblHDist_->raise();
    lblVDist_->raise();
}

void MapWindow::RedrawAll() {
    canvas_.RedrawAll(showWaypoints_);
    image_->update();
}

void MapWindow::DrawWaypoints() {
    render::DrawWaypoints(canvas_.image(), data_.waypoints(), canvas_.drawingView(), QFont());
    image_->update();
}

void MapWindow::DrawRoutes() {
    render::DrawRoutes(canvas_.image(), &routes_, canvas_.drawingView());
    image_->update();
}

bool MapWindow::LoadMap(bool ask) {
    IFTMapParam& param = canvas_.param();
    if (ask) {
        QString folder;
        if (auto key = option_.store().openKey(kSettingsKeyPath, false))
            folder = QFile::decodeName(QByteArray::fromStdString(key->readString(kMapFolderValue).value_or("")));
        QString chosen;
        if (chooseMapFile) {
            chosen = chooseMapFile(folder);
        } else {
            chosen = QFileDialog::getOpenFileName(this, QStringLiteral("Load Map"), folder,
                                                  QStringLiteral("MAP file (*.bmp *.dat *.DAT);;"
                                                                 "Georeferenced map (*.tif *.tiff *.TIF *.TIFF *.mbtiles *.map *.MAP);;"
                                                                 "All files (*)"));
        }
        if (chosen.isEmpty())
            return false;
        param.mapFileName = QFile::encodeName(chosen).toStdString();
        if (auto key = option_.store().openKey(kSettingsKeyPath, true))
            key->writeString(kMapFolderValue, FolderOf(param.mapFileName));
    } else if (param.mapFileName.empty()) {
        return false;
    }
    hideDistanceLabels();
    bool loaded = false;
    {
        BusyCursor busy;
        loaded = canvas_.LoadMap();
    }
    syncImage();
    if (loaded)
        FitWindowToMap();
    if (loaded && !canvas_.loadNote().empty())
        emit notice(QString::fromStdString(canvas_.loadNote()));
    else if (canvas_.picture() == render::MapCanvas::Picture::FittedView && !lblHDist_->text().isEmpty()) {
        // The fitted view is still shown: so are its distances.
        lblHDist_->show();
        lblVDist_->show();
    }
    return loaded;
}

void MapWindow::OpenMap() {
    canvas_.setZoomLevel(0);
    LoadMap(true);
    RedrawAll();
}

void MapWindow::refitBlankView() {
    const QSize client = clientSize();
    canvas_.FillBackground(client.width(), client.height());
    syncImage();
    FitViewToData();
}

void MapWindow::Refresh() {
    if (!LoadMap(false))
        refitBlankView();
    RedrawAll();
}

void MapWindow::ShowHeldData() {
    using Picture = render::MapCanvas::Picture;
    if (canvas_.picture() == Picture::PlainMap || canvas_.picture() == Picture::TiledMap ||
        canvas_.picture() == Picture::GeoMap) {
        if (const std::string why = canvas_.Rebuild(); !why.empty()) {
            // The map file went away: the data is still shown, on white.
            canvas_.FillBackground();
            prompts_.showMessage("Error", "Can't show the map again: " + why + ".");
        }
        syncImage();
    } else {
        refitBlankView();
    }
    RedrawAll();
}

void MapWindow::CreateMapInfo() {
    if (!mapInfo_)
        mapInfo_ = new TfrmMapInfo(option_, prompts_, this);
    mapInfo_->show();
    mapInfo_->raise();
    mapInfo_->activateWindow();
}

void MapWindow::ZoomIn() { zoom(true); }
void MapWindow::ZoomOut() { zoom(false); }

void MapWindow::zoom(bool in) {
    zooming_ = true;
    BusyCursor busy;
    const QSize client = viewport()->size();
    QPoint c(client.width() / 2 + horizontalScrollBar()->value(), client.height() / 2 + verticalScrollBar()->value());
    const std::string refused = canvas_.Zoom(in);
    if (!refused.empty()) {
        zooming_ = false;
        const std::string command = in ? "Zoom In" : "Zoom Out";
        prompts_.showMessage(command, "The map stays as it is: " + refused + ".");
        return;
    }
    c = in ? c * 2 : QPoint(c.x() / 2, c.y() / 2);
    // The scroll area sizes its bars (and shows or hides them) for the new
    // picture; the spot that was in the middle goes back there.
    syncImage();
    const QSize now = viewport()->size();
    horizontalScrollBar()->setValue(c.x() - now.width() / 2);
    verticalScrollBar()->setValue(c.y() - now.height() / 2);
    RedrawAll();
    zooming_ = false;
}

void MapWindow::setKeepAspect(bool on) { keepAspect_ = on; }

void MapWindow::setShowWaypoints(bool on) { showWaypoints_ = on; }

void MapWindow::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    // The viewport's resizes come here too: scroll bars that come or go
    // with a zoom step leave the window's client area as it is.
    const QSize client = clientSize();
    if (client == lastClientSize_)
        return;
    lastClientSize_ = client;
    using Picture = render::MapCanvas::Picture;
    if (zooming_ || canvas_.picture() == Picture::PlainMap || canvas_.picture() == Picture::TiledMap ||
        canvas_.picture() == Picture::GeoMap)
        return;
    canvas_.FillBackground(client.width(), client.height());
    syncImage();
    FitViewToData();
    RedrawAll();
}

void MapWindow::FitWindowToMap() {
    QWidget* top = window();
    if (!top || !top->screen())
        return;
    const QRect avail = top->screen()->availableGeometry();
    const int maxW = avail.width();
    const int maxH = avail.height();
    const QSize picture = canvas_.pictureSize();
    const QRect frame = top->frameGeometry();
    const int frameW = frame.width() - top->width();
    const int frameH = frame.height() - top->height();
    // What the window has around the map's visible part (menus, bars).
    const QSize around = top->size() - clientSize();
    int width = picture.width() < maxW - 30 ? picture.width() + around.width() : maxW - frameW;
    int height = picture.height() < maxH - 30 ? picture.height() + around.height() : maxH - frameH;
    top->resize(std::max(width, 1), std::max(height, 1));
    QPoint pos = top->pos();
    if (pos.x() - avail.left() + top->frameGeometry().width() > maxW)
        pos.setX(avail.left());
    if (pos.y() - avail.top() + top->frameGeometry().height() > maxH)
        pos.setY(avail.top());
    top->move(pos);
}

void MapWindow::ShowVisibleArea() {
    const QSize client = viewport()->size();
    const QRect visible(horizontalScrollBar()->value(), verticalScrollBar()->value(), client.width(),
                        client.height());
    if (canvas_.ShowArea(visible))
        emit windowMoved();
}

void MapWindow::ScrollIntoView(int x, int y) {
    const QSize image = canvas_.pictureSize();
    if (x <= 0 || x >= image.width() || y <= 0 || y >= image.height())
        return;
    const QSize client = viewport()->size();
    const int sx = horizontalScrollBar()->value();
    const int sy = verticalScrollBar()->value();
    if (sx <= x && x <= sx + client.width() && sy <= y && y <= sy + client.height())
        return;
    const QWidget* top = window();
    int nx = x - top->frameGeometry().width() / 2;
    if (nx < 0)
        nx = 0;
    else if (nx + client.width() > image.width())
        nx = image.width() - client.width();
    int ny = y - top->frameGeometry().height() / 2;
    if (ny < 0)
        ny = 0;
    else if (ny + client.height() > image.height())
        ny = image.height() - client.height();
    horizontalScrollBar()->setValue(nx);
    verticalScrollBar()->setValue(ny);
    ShowVisibleArea();
}

TfrmWptin& MapWindow::waypointInput() {
    if (!wptin_)
        wptin_ = new TfrmWptin(prompts_, this);
    return *wptin_;
}

void MapWindow::MapImageMouseDown(Qt::MouseButton, Qt::KeyboardModifiers modifiers, QPoint pixel) {
    if (!(modifiers & Qt::ControlModifier))
        return;
    double latitude = 0, longitude = 0;
    ViewTransform::of(data_, canvas_.param()).PixelToPosition(pixel.x(), pixel.y(), latitude, longitude);
    TfrmWptin& dialog = waypointInput();
    dialog.edtLatitude->setText(render::fromCodePage(formatDMS(roundMicro(latitude))));
    dialog.edtLongitude->setText(render::fromCodePage(formatDMS(roundMicro(longitude))));
    dialog.setWindowTitle(createRoute_ ? QStringLiteral("Create Route Waypoint") : QStringLiteral("Input Waypoint"));
    if (dialog.exec() != QDialog::Accepted)
        return;
    latitude = parseAngle(render::toCodePage(dialog.edtLatitude->text()));
    longitude = parseAngle(render::toCodePage(dialog.edtLongitude->text()));
    const QString ident = dialog.edtWaypointID->text();
    const QString comment = dialog.edtComment->text();
    if (!data_.waypoints())
        data_.setWaypoints(std::make_unique<IFTGarminWaypoint>());
    data_.waypoints()->append(render::toCodePage(ident), latitude, longitude, render::toCodePage(comment),
                              data_.displayDefault());
    DrawWaypoints();
    if (createRoute_)
        emit routeWaypointClicked(ident, latitude, longitude, comment);
}

} // namespace nuvrel::ui
