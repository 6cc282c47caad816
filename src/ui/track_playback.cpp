#include "ui/track_playback.h"

#include "core/ift_option.h"
#include "core/data/ift_garmin_data.h"
#include "core/errors.h"
#include "core/map/ift_map_param.h"
#include "ui/map_window.h"
#include "ui/tfrm_playing.h"

#include <QTimer>
#include <QWidget>

// The marker frames live in the program's resources, which a static
// library must register by hand.
static void initMarkerResources() { Q_INIT_RESOURCE(nuvrel); }

namespace nuvrel::ui {

TrackPlayback::TrackPlayback(QWidget* mainWindow, MapWindow& map, IFTGarminData& data, IFTOption& option,
                             UserPrompts& prompts)
    : QObject(mainWindow), mainWindow_(mainWindow), map_(map), data_(data), option_(option), prompts_(prompts) {
    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("Timer1"));
    timer_->setInterval(50);
    connect(timer_, &QTimer::timeout, this, &TrackPlayback::Timer1Timer);
    initMarkerResources();
    marker_.Create(QString::fromStdString(option_.TraceMark()));
    // A rebuilt picture (map load, zoom step, refitted view) holds nothing
    // of the marker any more: it must not paint its old background back.
    connect(&map_, &MapWindow::pictureChanged, this, [this] { marker_.Forget(); });
    connect(&map_, &MapWindow::windowMoved, this, [this] { marker_.Forget(); });
}

TrackPlayback::~TrackPlayback() = default;

TfrmPlaying* TrackPlayback::frmPlaying() const { return frmPlaying_.data(); }

void TrackPlayback::ReplaceMarker() {
    marker_.Hide(map_.mapImage());
    map_.widget()->update();
    marker_.Create(QString::fromStdString(option_.TraceMark()));
}

void TrackPlayback::HideMarker() {
    marker_.Hide(map_.mapImage());
    map_.widget()->update();
}

void TrackPlayback::drawMarker(int x, int y, int degrees) {
    map_.ScrollIntoView(x, y);
    const QPoint before = marker_.lastPosition();
    const bool wasShown = marker_.shown();
    const QPoint origin = map_.canvas().imageOrigin();
    marker_.Draw(map_.mapImage(), x - origin.x(), y - origin.y(), degrees);
    QWidget* image = map_.widget();
    const QRect around(-kMarkCentre, -kMarkCentre, kMarkSize, kMarkSize);
    if (wasShown)
        image->update(around.translated(before + origin));
    image->update(around.translated(x, y));
}

void TrackPlayback::ShowTrackPoint(std::uint32_t i) {
    const IFTGarminTrack* track = data_.track();
    if (!track || track->count() == 0 || i >= track->count())
        return;
    const Pixel p = PositionToPixel(map_.mapParam(), data_, track->latitude(i), track->longitude(i));
    drawMarker(p.x, p.y, markHeading(track->points(), i));
}

void TrackPlayback::Track2Click() {
    const IFTGarminTrack* track = data_.track();
    if (!track || track->count() == 0)
        return;
    cursor_.restart();
    runModal(kPlayback);
}

void TrackPlayback::CurrentPosition1Click() {
    if (map_.mapParam().bitmap_height == 0) {
        ShowError(prompts_, kErrLoadMapFirst);
        return;
    }
    if (!requestPosition_)
        return;
    runModal(kLivePosition);
}

void TrackPlayback::runModal(TimerMode mode) {
    if (frmPlaying_)
        return; // one run at a time
    mode_ = mode;
    failed_ = false;
    auto* window = new TfrmPlaying(mainWindow_);
    frmPlaying_ = window;
    // On the top-left corner of the main window's client area.
    window->move(map_.mapToGlobal(QPoint(0, 0)));
    connect(window, &TfrmPlaying::deactivated, timer_, &QTimer::stop);
    connect(window, &TfrmPlaying::reactivated, this, [this] {
        // Back from another window: go on, unless the receiver failed.
        if (frmPlaying_ && frmPlaying_->isVisible() && !failed_)
            timer_->start();
    });
    timer_->start();
    emit playingStarted(window);
    window->exec();
    timer_->stop();
    delete window;
}

void TrackPlayback::Timer1Timer() {
    if (mode_ == kPlayback)
        playbackStep();
    else if (mode_ == kLivePosition)
        livePositionStep();
}

void TrackPlayback::playbackStep() {
    const auto step = cursor_.next(data_.track());
    if (!step) {
        timer_->stop();
        if (frmPlaying_)
            frmPlaying_->accept();
        return;
    }
    const Pixel p = PositionToPixel(map_.mapParam(), data_, step->latitude, step->longitude);
    drawMarker(p.x, p.y, step->heading);
}

void TrackPlayback::livePositionStep() {
    if (!requestPosition_)
        return;
    const LivePosition position = requestPosition_();
    if (!position.ok) {
        timer_->stop();
        failed_ = true;
        if (noResponseMessage)
            prompts_.showError(kErrGpsDoesntRespond, noResponseMessage());
        else
            ShowError(prompts_, kErrGpsDoesntRespond);
        return;
    }
    const MarkPixel p = livePositionPixel(data_, map_.mapParam(), position.latitude, position.longitude);
    drawMarker(p.x, p.y, 0);
}

} // namespace nuvrel::ui
