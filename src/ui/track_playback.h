// Track playback and the live position on the map: the position marker, the
// main window's 50 ms timer (Timer1) and the "Playing" stop window. A track is
// replayed one point per tick; the live position asks the receiver once per
// tick.
#pragma once

#include "core/analysis/position_mark.h"
#include "render/position_mark.h"

#include <QObject>
#include <QPointer>

#include <cstdint>
#include <functional>

class QTimer;
class QWidget;

namespace nuvrel {
class IFTGarminData;
class IFTOption;
class UserPrompts;
} // namespace nuvrel

namespace nuvrel::ui {

class MapWindow;
class TfrmPlaying;

// The receiver's present position in the selected datum; ok false when the
// receiver did not answer.
struct LivePosition {
    bool ok = false;
    double latitude = 0;
    double longitude = 0;
};
using PositionRequest = std::function<LivePosition()>;

class TrackPlayback : public QObject {
    Q_OBJECT
public:
    // What the timer does: nothing yet, replay the track, follow the receiver.
    enum TimerMode { kIdle = 0, kPlayback = 1, kLivePosition = 2 };

    TrackPlayback(QWidget* mainWindow, MapWindow& map, IFTGarminData& data, IFTOption& option, UserPrompts& prompts);
    ~TrackPlayback() override;

    // How the live position is asked for (the receiver on the selected port).
    void setPositionRequest(PositionRequest request) { requestPosition_ = std::move(request); }
    bool hasPositionRequest() const { return static_cast<bool>(requestPosition_); }
    // The text of "GPS doesn't respond" with the port and its device (the
    // bare message when not set).
    std::function<std::string()> noResponseMessage;

    // View > "&Track": replays the track log until its end or until stopped.
    void Track2Click();
    // GPS > "&Current Position": follows the receiver until stopped.
    void CurrentPosition1Click();
    // One tick of the timer.
    void Timer1Timer();
    // Shows point i of the track log with the marker (the track detail window).
    void ShowTrackPoint(std::uint32_t i);
    // The trace mark setting changed: a new marker of that kind.
    void ReplaceMarker();
    // Takes the marker off the map, putting back what it covered.
    void HideMarker();

    QTimer& timer() { return *timer_; }
    TimerMode timerMode() const { return mode_; }
    std::uint32_t playbackIndex() const { return cursor_.index(); }
    render::IFTPositionMark& marker() { return marker_; }
    // The stop window while it is open, else null.
    TfrmPlaying* frmPlaying() const;

signals:
    // The stop window is about to run modally (tests drive it from here).
    void playingStarted(TfrmPlaying* window);

private:
    void runModal(TimerMode mode);
    void playbackStep();
    void livePositionStep();
    void drawMarker(int x, int y, int degrees);

    QWidget* mainWindow_;
    MapWindow& map_;
    IFTGarminData& data_;
    IFTOption& option_;
    UserPrompts& prompts_;
    PositionRequest requestPosition_;
    QTimer* timer_;
    TimerMode mode_ = kIdle;
    TrackPlaybackCursor cursor_;
    render::IFTPositionMark marker_;
    QPointer<TfrmPlaying> frmPlaying_;
    bool failed_ = false; // the live position stopped on a failed request
};

} // namespace nuvrel::ui
