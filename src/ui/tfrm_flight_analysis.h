// The "Flight Analysis" window: air time, distance, average speed and the two
// wind estimates of a flight, in a small grid that stays on top. Hiding the
// window destroys it; each analysis shows a fresh one.
#pragma once

#include "core/analysis/flight_analysis.h"

#include <QPointer>
#include <QWidget>

class QTableWidget;

namespace nuvrel::ui {

class TfrmFlightAnalysis : public QWidget {
    Q_OBJECT
public:
    explicit TfrmFlightAnalysis(QWidget* parent = nullptr);
    QTableWidget* grdResult;

    // Fills the grid with the results.
    void setResults(const FlightAnalysis& analysis);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
};

// Analyses the flight `range` of the track and shows it in `window`, created
// (as a child window of `parent`) when it does not exist.
void ShowFlightAnalysis(QPointer<TfrmFlightAnalysis>& window, QWidget* parent, const IFTGarminTrack& track,
                        FlightRange range);

} // namespace nuvrel::ui
