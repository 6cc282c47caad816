// The "Track Detail" window: one row per point of the segment chosen in the
// track summary (distance, time, speed and direction of the leg to the
// point, its time and position). Clicking a row shows the point on the map;
// Edit > "&Copy" puts the rows on the clipboard as tab-separated text.
#pragma once

#include "core/analysis/track_listing.h"

#include <QAbstractTableModel>
#include <QMainWindow>

#include <cstdint>
#include <functional>
#include <memory>

class QAction;
class QTableView;

namespace nuvrel {
class IFTGarminData;
class IFTGarminTrack;
} // namespace nuvrel

namespace nuvrel::ui {

class TfrmTrkList;

// The rows of one segment, formatted when they are looked at (a segment may
// hold a million points). It keeps its own copy of the segment's points (and
// of the point before it), so a track log replaced while the window is open
// leaves the rows as they were until the next show.
class TrackDetailModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TrackDetailModel(QObject* parent = nullptr);
    ~TrackDetailModel() override;
    // Lists segment n of the track (nothing for a null track or a missing segment).
    void rebuild(const IFTGarminTrack* track, int n, std::int32_t timeOffset, bool totalTime);
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // The row of data row r (0-based).
    TrackDetailRow row(int r) const;
    // Every row as clipboard text.
    std::string copyText() const;

private:
    std::unique_ptr<IFTGarminTrack> points_; // the point before the segment (if any) and the segment
    std::uint32_t base_ = 0;                 // index in the whole log of points_'s first point
    DetailRange range_;                      // into points_
    std::int32_t timeOffset_ = 0;
    bool totalTime_ = false;
    mutable int cachedRow_ = -1;
    mutable TrackDetailRow cached_;
};

class TfrmTrackDetail : public QMainWindow {
    Q_OBJECT
public:
    TfrmTrackDetail(IFTGarminData& data, TfrmTrkList& list, std::function<void(std::uint32_t)> showTrackPoint,
                    QWidget* parent = nullptr);

    QTableView* grdTrackDetail;
    TrackDetailModel* model() const { return model_; }
    QAction* Sel1;
    QAction* Copy1;
    QAction* FlightAnalysis1;
    QAction* TotalTime1;

public slots:
    void FormShow();
    void Sel1Click();
    void Copy1Click();
    void FlightAnalysis1Click();
    void TotalTime1Click();
    // A click on data row r.
    void grdTrackDetailClick(int r);

protected:
    void showEvent(QShowEvent* event) override;

private:
    IFTGarminData& data_;
    TfrmTrkList& list_;
    std::function<void(std::uint32_t)> showTrackPoint_;
    TrackDetailModel* model_;
};

} // namespace nuvrel::ui
