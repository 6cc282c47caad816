// The "Track Summary" window: one row per track segment (distance, time and
// speed) and the total distance. Double-clicking a row shows that segment's
// points in the track detail window; View > "&Flight Analysis" analyses the
// selected segments, View > "Flight &Report" reports the current segment.
#pragma once

#include "core/analysis/flight_analysis.h"

#include <QMainWindow>
#include <QPointer>

#include <cstdint>
#include <functional>
#include <string>

class QAction;
class QTableWidget;

namespace nuvrel {
class IFTGarminData;
}

namespace nuvrel::ui {

class TfrmTrackDetail;
class TfrmFlightAnalysis;
class TfrmFlightReport;

class TfrmTrkList : public QMainWindow {
    Q_OBJECT
public:
    // showTrackPoint shows a point of the log on the map (the detail
    // window's row clicks).
    TfrmTrkList(IFTGarminData& data, std::function<void(std::uint32_t)> showTrackPoint, QWidget* parent = nullptr);
    ~TfrmTrkList() override;

    QTableWidget* grdTrkList;
    QAction* FlightAnalysis1;
    QAction* FlightReport1;
    // The map datum the track log is held in (the flight report measures in
    // WGS-84); WGS-84 when not set.
    std::function<std::string()> datumName;
    QAction* ShiftWeeks1; // Edit > Shift Dates by Weeks...

    // The segment number of the grid's current row (rows show segments 1..N,
    // then the total).
    int currentSegment() const;
    TfrmTrackDetail& frmTrackDetail() { return *frmTrackDetail_; }
    // The flight analysis window while it is open, else null.
    TfrmFlightAnalysis* frmFlightAnalysis() const;
    // Analyses `range` of the track log in the flight analysis window.
    void showFlightAnalysis(FlightRange range);
    // Adds weeks to every track time (as after a receiver's week-number
    // rollover) and lists the log again; says so when the times would leave
    // the receiver's range.
    void shiftWeeks(int weeks);
    // The log was replaced: the open windows list the new one (the flight
    // report keeps its segment when the new log has it), the analysis of the
    // old log closes, and everything closes when the new log has no points.
    void dataReplaced();

public slots:
    void FormShow();
    void FlightAnalysis1Click();
    // The flight report of the current row's segment.
    void FlightReport1Click();
    void grdTrkListDblClick();
    void ShiftWeeks1Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    IFTGarminData& data_;
    TfrmTrackDetail* frmTrackDetail_;
    QPointer<TfrmFlightAnalysis> frmFlightAnalysis_;
    QPointer<TfrmFlightReport> frmFlightReport_;
    std::function<void(std::uint32_t)> showTrackPoint_;
    bool sized_ = false; // to its grid, on the first showing
};

} // namespace nuvrel::ui
