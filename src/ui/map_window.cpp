#include "ui/map_window.h"

#include "core/app/ift_option.h"

#include <QLabel>
#include <QPixmap>

namespace nuvrel::ui {

MapWindow::MapWindow(IFTGarminData& data, CRouteField& routes, IFTOption& options, UserPrompts& prompts,
                     QWidget* parent)
    : QScrollArea(parent), data_(data), routes_(routes), options_(options), prompts_(prompts),
      canvas_(new QLabel) {
    setObjectName(QStringLiteral("MapImage"));
    canvas_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setWidget(canvas_);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    image_ = QImage(options_.MapWidth() > 0 ? options_.MapWidth() : 1004,
                    options_.MapHeight() > 0 ? options_.MapHeight() : 632, QImage::Format_RGB32);
    FillBackground();
}

bool MapWindow::HasValidMap() const { return false; }

void MapWindow::FillBackground() {
    image_.fill(Qt::white);
    showImage();
}

void MapWindow::FitViewToData() {}
void MapWindow::RedrawAll() { showImage(); }
void MapWindow::Refresh() { showImage(); }
void MapWindow::OpenMap() {}
void MapWindow::CreateMapInfo() {}
void MapWindow::ZoomIn() {}
void MapWindow::ZoomOut() {}

void MapWindow::showImage() {
    canvas_->setPixmap(QPixmap::fromImage(image_));
    canvas_->resize(image_.size());
}

} // namespace nuvrel::ui
