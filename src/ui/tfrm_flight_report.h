// The "Flight Report" window: the flights of the track log (or of one
// segment) with take-off, landing, wind, thermals and contest score as text,
// and the barogram below. A click on the barogram shows that point on the
// map, as a row click in the track detail window does. The report prints and
// saves as PNG through the same painter as the screen.
#pragma once

#include "core/analysis/flight_report.h"

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

class QComboBox;
class QPlainTextEdit;
class QPrinter;
class QPushButton;

namespace nuvrel {
class IFTGarminTrack;
}

namespace nuvrel::ui {

// The barogram as a widget.
class BarogramView : public QWidget {
    Q_OBJECT
public:
    explicit BarogramView(QWidget* parent = nullptr);
    void setReport(const std::vector<TrackPoint>* points, const FlightReport* report);
    // The point under x, -1 for none.
    int pointAt(double x) const;

signals:
    void pointClicked(std::uint32_t index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    const std::vector<TrackPoint>* points_ = nullptr;
    const FlightReport* report_ = nullptr;
};

class TfrmFlightReport : public QWidget {
    Q_OBJECT
public:
    TfrmFlightReport(std::function<void(std::uint32_t)> showTrackPoint, QWidget* parent = nullptr);

    QComboBox* cboRules;       // "XContest", "FFVL"
    QPlainTextEdit* txtReport; // the report's lines
    BarogramView* pbBarogram;
    QPushButton* btnPrint;
    QPushButton* btnSavePng;

    // Reports segment n of the track (-1: the whole log), held in the map
    // datum of that name.
    void setTrack(const IFTGarminTrack& track, int segment, const std::string& datumName);
    const FlightReport& report() const { return report_; }
    // The segment reported (-1: the whole log).
    int segment() const { return segment_; }
    // True while the contest scores are computed (the report shows
    // "scoring..." in their place).
    bool scoring() const { return scoring_; }

    // The report page (text and barogram) into a PNG of width x height.
    bool savePng(const QString& path, int width = 1200, int height = 1000) const;
    // The report page on the printer's page.
    void print(QPrinter& printer) const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void rebuild();
    void scoresReady(std::uint64_t generation, std::vector<ContestScore> scores);
    void showReport();
    void PrintClick();
    void SavePngClick();
    QStringList lines() const;

    std::function<void(std::uint32_t)> showTrackPoint_;
    std::vector<TrackPoint> points_;
    int segment_ = -1;
    std::string datumName_;
    FlightReport report_;
    bool scoring_ = false;
    std::uint64_t generation_ = 0; // of the report the worker scores
    // Scores the report's flights; replaced (stopped and joined) when the
    // report is rebuilt, stopped when the window closes. Declared last: it
    // ends before anything it reads.
    std::jthread scorer_;
};

// Shows the report of segment n of the track in `window`, created (as a
// child window of `parent`) when it does not exist.
void ShowFlightReport(QPointer<TfrmFlightReport>& window, QWidget* parent, const IFTGarminTrack& track, int segment,
                      const std::string& datumName, std::function<void(std::uint32_t)> showTrackPoint);

} // namespace nuvrel::ui
