// The map view of the main window: the map picture (a plain or tiled map,
// or a blank view fitted to the data) in a scrollable area, with the track
// log, the waypoints and the routes drawn into it, zoom steps, the two
// distance labels of the fitted view, and Ctrl+click to create a waypoint.
#pragma once

#include "core/map/ift_map_param.h"
#include "render/map_canvas.h"

#include <QPointer>
#include <QScrollArea>

#include <functional>

class QLabel;

namespace nuvrel {
class IFTGarminData;
class CRouteField;
class IFTOption;
class UserPrompts;
} // namespace nuvrel

namespace nuvrel::ui {

class TfrmMapInfo;
class TfrmWptin;
class MapImage;

class MapWindow : public QScrollArea {
    Q_OBJECT
public:
    MapWindow(IFTGarminData& data, CRouteField& routes, IFTOption& option, UserPrompts& prompts,
              QWidget* parent = nullptr);
    ~MapWindow() override;

    // The calibration is valid: top above bottom, left left of right.
    bool HasValidMap() const;
    // The whole map picture in the background colour (white).
    void FillBackground();
    // The blank view fitted to the data, over the window's client size.
    void FitViewToData();
    // Track log, then waypoints when showWaypoints(), then routes.
    void RedrawAll();
    // The route pass alone, over what the picture shows.
    void DrawRoutes();
    // View > "R&efresh": reload the map, or refit the blank view, then draw.
    void Refresh();
    // After the held data changed (or a command that could change it failed):
    // the map picture is built again from its file at the current zoom, or
    // the blank view fitted to the data, and everything held is drawn anew.
    void ShowHeldData();
    // File > "Load &Map...": asks for a map, loads it, then draws.
    void OpenMap();
    // File > "&Create Map Info...": the calibration dialog, not blocking.
    void CreateMapInfo();
    void ZoomIn();
    void ZoomOut();
    // The two View check marks; the menu commands run Refresh() after them.
    void setKeepAspect(bool on);
    bool keepAspect() const { return keepAspect_; }
    void setShowWaypoints(bool on);
    bool showWaypoints() const { return showWaypoints_; }
    QImage& mapImage() { return canvas_.image(); }

    // Loads the map: mode ask shows the "Load Map" dialog first, mode reload
    // uses the map chosen last. True when a map was loaded.
    bool LoadMap(bool ask);
    // Sizes the main window to the map, within the screen.
    void FitWindowToMap();
    // Scrolls so that pixel (x, y) of the map is visible.
    void ScrollIntoView(int x, int y);
    // Makes the held picture cover the visible part (a large geographic map
    // is held as a window of its picture).
    void ShowVisibleArea();
    // A mouse press on pixel `pixel` of the map (the Ctrl+click waypoint).
    void MapImageMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pixel);

    render::MapCanvas& canvas() { return canvas_; }
    IFTMapParam& mapParam() { return canvas_.param(); }
    int zoomLevel() const { return canvas_.zoomLevel(); }
    QLabel* lblHDist() const { return lblHDist_; }
    QLabel* lblVDist() const { return lblVDist_; }
    TfrmWptin& waypointInput();
    TfrmMapInfo* mapInfoDialog() const;
    // The size of the visible part of the map without scroll bars.
    QSize clientSize() const;

    // GPS > "Create R&oute" is checked: Ctrl+click waypoints also go to the
    // route editor (routeWaypointClicked).
    void setCreateRoute(bool on) { createRoute_ = on; }
    // Asks for the map file (the "Load Map" dialog); an empty text cancels.
    // Tests replace it.
    std::function<QString(const QString& folder)> chooseMapFile;

signals:
    // A waypoint was appended by Ctrl+click while "Create R&oute" is checked.
    void routeWaypointClicked(const QString& ident, double latitude, double longitude, const QString& comment);
    // The picture changed size or content.
    void pictureChanged();
    // Something the user should know after a command that did its work (a
    // map shown coarser than its source).
    void notice(const QString& text);
    // The held window of a large map moved: it was read and drawn anew, and
    // nothing drawn into the old one (a playback marker) is in it.
    void windowMoved();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void zoom(bool in);
    void refitBlankView();
    void syncImage();
    void hideDistanceLabels();
    void DrawWaypoints();

    IFTGarminData& data_;
    CRouteField& routes_;
    IFTOption& option_;
    UserPrompts& prompts_;
    render::MapCanvas canvas_;
    MapImage* image_;
    QLabel* lblHDist_;
    QLabel* lblVDist_;
    QPointer<TfrmMapInfo> mapInfo_;
    TfrmWptin* wptin_ = nullptr;
    bool keepAspect_ = true;
    bool showWaypoints_ = true;
    bool zooming_ = false;
    QSize lastClientSize_;
    bool createRoute_ = false;
};

} // namespace nuvrel::ui
