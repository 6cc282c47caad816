// The main window's client area: a scrollable, bitmap-backed map image.
#pragma once

#include <QImage>
#include <QScrollArea>

class QLabel;

namespace nuvrel {
class IFTGarminData;
class CRouteField;
class IFTOption;
class UserPrompts;
} // namespace nuvrel

namespace nuvrel::ui {

class MapWindow : public QScrollArea {
    Q_OBJECT
public:
    MapWindow(IFTGarminData& data, CRouteField& routes, IFTOption& options, UserPrompts& prompts,
              QWidget* parent = nullptr);

    bool HasValidMap() const;
    void FillBackground();
    void FitViewToData();
    void RedrawAll();
    void Refresh();
    void OpenMap();
    void CreateMapInfo();
    void ZoomIn();
    void ZoomOut();
    void setKeepAspect(bool on) { keepAspect_ = on; }
    bool keepAspect() const { return keepAspect_; }
    void setShowWaypoints(bool on) { showWaypoints_ = on; }
    bool showWaypoints() const { return showWaypoints_; }
    QImage& mapImage() { return image_; }

signals:
    void statusMessage(const QString& text);

private:
    void showImage();

    IFTGarminData& data_;
    CRouteField& routes_;
    IFTOption& options_;
    UserPrompts& prompts_;
    QLabel* canvas_;
    QImage image_;
    bool keepAspect_ = true;
    bool showWaypoints_ = true;
};

} // namespace nuvrel::ui
