// The "Logbook" window: the flights of the pilot's logbook in a table that
// sorts by any column and filters by year, site, glider and text, with a
// totals line for the flights shown and the totals per year and per glider.
// Site, glider and note are edited in place; a double-click opens the flight
// over the map with its Flight Report; flights are added from files, deleted
// after a question, exported (the shown ones as CSV, one as IGC or GPX).
#pragma once

#include "core/logbook/logbook.h"
#include "core/platform.h"
#include "core/data/records.h"

#include <QAbstractTableModel>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;
class QTreeWidget;

namespace nuvrel {
class IFTOption;
class IFTGarminTrack;
}

namespace nuvrel::ui {

class TMainForm;

// The flights shown, one row each; site, glider and note editable.
class LogbookTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Date, Takeoff, AirTime, Site, Glider, Distance, Points, Note, ColumnCount };
    // Edits go to edit(row flight, column, text); false refuses them.
    explicit LogbookTableModel(std::function<bool(const LogbookFlight&, int, const QString&)> edit, QObject* parent = nullptr)
        : QAbstractTableModel(parent), edit_(std::move(edit)) {}
    void setFlights(std::vector<LogbookFlight> flights);
    const std::vector<LogbookFlight>& flights() const { return flights_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

private:
    std::vector<LogbookFlight> flights_;
    std::function<bool(const LogbookFlight&, int, const QString&)> edit_;
};

// "ask", "always" or "never": what happens to new flights after a download.
inline constexpr const char* kLogbookAfterDownloadValue = "LogbookAfterDownload";

class TfrmLogbook : public QWidget {
    Q_OBJECT
public:
    // openFlight shows a flight's fixes (WGS-84, one segment) over the map
    // with its report.
    TfrmLogbook(std::string path, UserPrompts& prompts, IFTOption& options,
                std::function<void(const LogbookFlight&, std::vector<TrackPoint>)> openFlight, QWidget* parent = nullptr);
    ~TfrmLogbook() override;

    QComboBox* cboYear;   // "All years", then each year with flights
    QComboBox* cboSite;   // "All sites", ...
    QComboBox* cboGlider; // "All gliders", ...
    QLineEdit* edtFind;   // text anywhere in site, glider, note, pilot, file
    QTableView* grdFlights;
    QLabel* lblTotals;    // "N flights, H:MM air time, X km, P points"
    QTreeWidget* tvTotals; // "By year" and "By glider"
    QComboBox* cboAfterDownload; // "Ask", "Always", "Never"
    QPushButton* btnAdd;
    QPushButton* btnDelete;
    QPushButton* btnExportCsv;
    QPushButton* btnExportIgc;
    QPushButton* btnExportGpx;

    // Whether the logbook could be opened; why not.
    bool isOpen() const { return book_ != nullptr; }
    const QString& openError() const { return openError_; }
    Logbook* logbook() { return book_.get(); }

    // Reads the logbook again and applies the filters.
    void reload();
    // The flights shown, in the table's order.
    std::vector<LogbookFlight> shownFlights() const;
    // The flight of a shown row (in the table's order).
    const LogbookFlight* flightAt(int row) const;
    void openRow(int row);
    // Deletes the flight of a row after the question; true when deleted.
    bool deleteRow(int row);
    // Exports: the shown flights as CSV; one flight as IGC or GPX (by the
    // name's ending). A message for the user when it failed, else empty.
    std::string exportShownCsv(const std::string& path);
    std::string exportFlight(const LogbookFlight& f, const std::string& path);
    // Adds the flights of the files (data files, IGC, GPX) and tells how many.
    void addFiles(const QStringList& paths);

private:
    void applyFilter();
    void refillChoices();
    bool editFlight(const LogbookFlight& f, int column, const QString& text);
    int currentRow() const;
    void AddClick();
    void DeleteClick();
    void ExportCsvClick();
    void ExportOneClick(const QString& suffix);

    std::string path_;
    UserPrompts& prompts_;
    IFTOption& options_;
    std::function<void(const LogbookFlight&, std::vector<TrackPoint>)> openFlight_;
    std::unique_ptr<Logbook> book_;
    QString openError_;
    std::vector<LogbookFlight> all_;
    LogbookTableModel* model_;
    QSortFilterProxyModel* proxy_;
    bool filling_ = false;
};

// View > Logbook: the window of the user's logbook, made when first asked for.
TfrmLogbook* ShowLogbook(TMainForm& form, const std::string& path = defaultLogbookPath());

// After a track download: the flights of the log that the logbook does not
// hold yet are added as the preference says: "Add N flights to the
// logbook?" (ask), always, or never.
void OfferDownloadedFlights(TMainForm& form, const std::string& path = defaultLogbookPath());

// Shows a logbook flight (WGS-84 fixes) as the track log, over the map, with
// its Flight Report; unsaved data is offered for saving first.
void ShowLogbookFlight(TMainForm& form, std::vector<TrackPoint> wgs84);

} // namespace nuvrel::ui
