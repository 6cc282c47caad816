#include "ui/tfrm_logbook.h"

#include "core/ift_option.h"
#include "core/data/ift_garmin_data.h"
#include "core/geo/map_datum.h"
#include "core/logbook/logbook_entries.h"
#include "core/logbook/logbook_export.h"
#include "core/logbook/logbook_text.h"
#include "ui/file_dialogs.h"
#include "ui/main_form.h"
#include "ui/map_window.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QTableView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <set>

namespace nuvrel::ui {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

QString totalsText(const LogbookTotal& t) {
    return QStringLiteral("%1 flight%2, %3 air time, %4 km, %5 points")
        .arg(t.flights)
        .arg(t.flights == 1 ? QString() : QStringLiteral("s"))
        .arg(qs(logbookDurationText(t.airTimeS)))
        .arg(t.distanceKm, 0, 'f', 1)
        .arg(t.points, 0, 'f', 2);
}

std::string afterDownloadSetting(IFTOption& options) {
    auto key = options.store().openKey(kSettingsKeyPath, false);
    const auto value = key ? key->readString(kLogbookAfterDownloadValue) : std::nullopt;
    return value && (*value == "always" || *value == "never") ? *value : "ask";
}

void setAfterDownloadSetting(IFTOption& options, const std::string& value) {
    if (auto key = options.store().openKey(kSettingsKeyPath, true))
        key->writeString(kLogbookAfterDownloadValue, value);
}

LogbookDefaults defaultsOf(const IFTOption& options) {
    LogbookDefaults d;
    d.pilot = options.PilotName();
    d.glider = options.GliderType();
    d.receiver = options.GPSModel();
    return d;
}

} // namespace

void LogbookTableModel::setFlights(std::vector<LogbookFlight> flights) {
    beginResetModel();
    flights_ = std::move(flights);
    endResetModel();
}

int LogbookTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(flights_.size());
}

int LogbookTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant LogbookTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const LogbookFlight& f = flights_[static_cast<std::size_t>(index.row())];
    const int c = index.column();
    if (role == Qt::TextAlignmentRole)
        return c == AirTime || c == Distance || c == Points ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    if (role == Qt::UserRole) { // the sort key
        switch (c) {
        case Date:
        case Takeoff: return QVariant::fromValue<qlonglong>(f.takeoffTime);
        case AirTime: return f.airTimeS;
        case Distance: return f.trackKm;
        case Points: return f.xcontest.points;
        default: break;
        }
    }
    if (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::UserRole)
        return {};
    switch (c) {
    case Date: return qs(f.date());
    case Takeoff: return qs(logbookIsoTime(f.takeoffTime).substr(11, 5));
    case AirTime: return qs(logbookDurationText(f.airTimeS));
    case Site: return role == Qt::DisplayRole && f.site.empty() ? QStringLiteral("(unnamed)") : qs(f.site);
    case Glider: return qs(f.glider);
    case Distance: return QString::number(f.trackKm, 'f', 1);
    case Points: return QString::number(f.xcontest.points, 'f', 2);
    case Note: return qs(f.note);
    default: return {};
    }
}

QVariant LogbookTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char* const names[] = {"Date", "Take-off (UTC)", "Air time", "Site", "Glider", "Distance (km)",
                                        "Points", "Note"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(names[section]) : QVariant();
}

Qt::ItemFlags LogbookTableModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.column() == Site || index.column() == Glider || index.column() == Note)
        f |= Qt::ItemIsEditable;
    return f;
}

bool LogbookTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !index.isValid() || !(flags(index) & Qt::ItemIsEditable))
        return false;
    const LogbookFlight f = flights_[static_cast<std::size_t>(index.row())];
    return edit_ && edit_(f, index.column(), value.toString());
}

TfrmLogbook::TfrmLogbook(std::string path, UserPrompts& prompts, IFTOption& options,
                         std::function<void(const LogbookFlight&, std::vector<TrackPoint>)> openFlight, QWidget* parent)
    : QWidget(parent, Qt::Window), path_(std::move(path)), prompts_(prompts), options_(options),
      openFlight_(std::move(openFlight)) {
    setObjectName(QStringLiteral("frmLogbook"));
    setWindowTitle(QStringLiteral("Logbook"));

    cboYear = new QComboBox(this);
    cboSite = new QComboBox(this);
    cboGlider = new QComboBox(this);
    edtFind = new QLineEdit(this);
    edtFind->setPlaceholderText(QStringLiteral("Find"));
    edtFind->setClearButtonEnabled(true);
    auto* filters = new QHBoxLayout;
    filters->addWidget(cboYear);
    filters->addWidget(cboSite, 1);
    filters->addWidget(cboGlider, 1);
    filters->addWidget(edtFind, 2);

    model_ = new LogbookTableModel([this](const LogbookFlight& f, int column, const QString& text) {
        return editFlight(f, column, text);
    }, this);
    proxy_ = new QSortFilterProxyModel(this);
    proxy_->setSourceModel(model_);
    proxy_->setSortRole(Qt::UserRole);
    grdFlights = new QTableView(this);
    grdFlights->setModel(proxy_);
    grdFlights->setSortingEnabled(true);
    grdFlights->sortByColumn(LogbookTableModel::Date, Qt::DescendingOrder);
    grdFlights->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdFlights->setSelectionMode(QAbstractItemView::SingleSelection);
    grdFlights->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    grdFlights->verticalHeader()->hide();
    grdFlights->verticalHeader()->setDefaultSectionSize(grdFlights->fontMetrics().height() + 6);
    grdFlights->horizontalHeader()->setStretchLastSection(true);
    connect(grdFlights, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (!(index.flags() & Qt::ItemIsEditable))
            openRow(index.row());
        else
            grdFlights->edit(index);
    });

    lblTotals = new QLabel(this);
    tvTotals = new QTreeWidget(this);
    tvTotals->setColumnCount(2);
    tvTotals->setHeaderLabels({QStringLiteral("Totals"), QString()});
    tvTotals->setRootIsDecorated(true);
    auto* split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(grdFlights);
    split->addWidget(tvTotals);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 0);
    split->setSizes({740, 420});

    btnAdd = new QPushButton(QStringLiteral("&Add Files..."), this);
    btnDelete = new QPushButton(QStringLiteral("&Delete"), this);
    btnExportCsv = new QPushButton(QStringLiteral("Export Shown as &CSV..."), this);
    btnExportIgc = new QPushButton(QStringLiteral("Export as &IGC..."), this);
    btnExportGpx = new QPushButton(QStringLiteral("Export as &GPX..."), this);
    cboAfterDownload = new QComboBox(this);
    cboAfterDownload->addItems({QStringLiteral("Ask"), QStringLiteral("Always"), QStringLiteral("Never")});
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {btnAdd, btnDelete, btnExportCsv, btnExportIgc, btnExportGpx})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(new QLabel(QStringLiteral("After a download:"), this));
    buttons->addWidget(cboAfterDownload);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(split, 1);
    layout->addWidget(lblTotals);
    layout->addLayout(buttons);

    connect(cboYear, &QComboBox::currentIndexChanged, this, [this] { applyFilter(); });
    connect(cboSite, &QComboBox::currentIndexChanged, this, [this] { applyFilter(); });
    connect(cboGlider, &QComboBox::currentIndexChanged, this, [this] { applyFilter(); });
    connect(edtFind, &QLineEdit::textChanged, this, [this] { applyFilter(); });
    connect(btnAdd, &QPushButton::clicked, this, [this] { AddClick(); });
    connect(btnDelete, &QPushButton::clicked, this, [this] { DeleteClick(); });
    connect(btnExportCsv, &QPushButton::clicked, this, [this] { ExportCsvClick(); });
    connect(btnExportIgc, &QPushButton::clicked, this, [this] { ExportOneClick(QStringLiteral("igc")); });
    connect(btnExportGpx, &QPushButton::clicked, this, [this] { ExportOneClick(QStringLiteral("gpx")); });
    const std::string after = afterDownloadSetting(options_);
    cboAfterDownload->setCurrentIndex(after == "always" ? 1 : after == "never" ? 2 : 0);
    connect(cboAfterDownload, &QComboBox::currentIndexChanged, this, [this](int i) {
        setAfterDownloadSetting(options_, i == 1 ? "always" : i == 2 ? "never" : "ask");
    });

    std::string error;
    book_ = Logbook::open(path_, error);
    if (!book_) {
        openError_ = qs(error);
        lblTotals->setText(openError_);
        for (QWidget* w : std::initializer_list<QWidget*>{btnAdd, btnDelete, btnExportCsv, btnExportIgc, btnExportGpx})
            w->setEnabled(false);
    }
    resize(1180, 540);
    reload();
}

TfrmLogbook::~TfrmLogbook() = default;

void TfrmLogbook::reload() {
    all_ = book_ ? book_->flights() : std::vector<LogbookFlight>{};
    refillChoices();
    applyFilter();
}

void TfrmLogbook::refillChoices() {
    // The choices follow the logbook; what was chosen stays chosen.
    filling_ = true;
    const auto refill = [](QComboBox* box, const QString& all, const std::set<std::string>& values) {
        const QString chosen = box->currentIndex() > 0 ? box->currentText() : QString();
        box->clear();
        box->addItem(all);
        for (const std::string& v : values)
            box->addItem(v.empty() ? QStringLiteral("(unnamed)") : qs(v), qs(v));
        const int at = chosen.isEmpty() ? 0 : box->findText(chosen);
        box->setCurrentIndex(at < 0 ? 0 : at);
    };
    std::set<std::string> years, sites, gliders;
    for (const LogbookFlight& f : all_) {
        years.insert(f.date().substr(0, 4));
        sites.insert(f.site);
        if (!f.glider.empty())
            gliders.insert(f.glider);
    }
    std::set<std::string, std::greater<>> newestFirst(years.begin(), years.end());
    const QString chosenYear = cboYear->currentIndex() > 0 ? cboYear->currentText() : QString();
    cboYear->clear();
    cboYear->addItem(QStringLiteral("All years"));
    for (const std::string& y : newestFirst)
        cboYear->addItem(qs(y));
    const int yearAt = chosenYear.isEmpty() ? 0 : cboYear->findText(chosenYear);
    cboYear->setCurrentIndex(yearAt < 0 ? 0 : yearAt);
    refill(cboSite, QStringLiteral("All sites"), sites);
    refill(cboGlider, QStringLiteral("All gliders"), gliders);
    filling_ = false;
}

void TfrmLogbook::applyFilter() {
    if (filling_)
        return;
    LogbookFilter filter;
    filter.year = cboYear->currentIndex() > 0 ? cboYear->currentText().toInt() : 0;
    const bool anySite = cboSite->currentIndex() <= 0;
    const std::string site = cboSite->currentData().toString().toStdString();
    filter.glider = cboGlider->currentIndex() > 0 ? cboGlider->currentText().toStdString() : std::string();
    filter.text = edtFind->text().toStdString();
    std::vector<LogbookFlight> shown;
    for (const LogbookFlight& f : all_)
        if (filter.matches(f) && (anySite || f.site == site))
            shown.push_back(f);
    model_->setFlights(shown);
    grdFlights->resizeColumnsToContents();

    const auto total = logbookTotals(shown, LogbookGroup::All);
    lblTotals->setText(book_ ? QStringLiteral("Shown: ") + totalsText(total.front()) : openError_);
    tvTotals->clear();
    for (const auto& [title, group] : {std::pair{QStringLiteral("By year"), LogbookGroup::Year},
                                       std::pair{QStringLiteral("By glider"), LogbookGroup::Glider}}) {
        auto* root = new QTreeWidgetItem(tvTotals, {title});
        for (const LogbookTotal& t : logbookTotals(all_, group))
            new QTreeWidgetItem(root, {t.key.empty() ? QStringLiteral("(none)") : qs(t.key), totalsText(t)});
        root->setExpanded(true);
    }
    tvTotals->resizeColumnToContents(0);
    tvTotals->resizeColumnToContents(1);
    const bool any = !shown.empty() && book_;
    btnDelete->setEnabled(any);
    btnExportIgc->setEnabled(any);
    btnExportGpx->setEnabled(any);
    btnExportCsv->setEnabled(any);
}

std::vector<LogbookFlight> TfrmLogbook::shownFlights() const {
    std::vector<LogbookFlight> out;
    for (int r = 0; r < proxy_->rowCount(); ++r)
        out.push_back(*flightAt(r));
    return out;
}

const LogbookFlight* TfrmLogbook::flightAt(int row) const {
    const QModelIndex source = proxy_->mapToSource(proxy_->index(row, 0));
    if (!source.isValid())
        return nullptr;
    return &model_->flights()[static_cast<std::size_t>(source.row())];
}

int TfrmLogbook::currentRow() const {
    const QModelIndex i = grdFlights->currentIndex();
    return i.isValid() ? i.row() : (proxy_->rowCount() == 1 ? 0 : -1);
}

bool TfrmLogbook::editFlight(const LogbookFlight& f, int column, const QString& text) {
    if (!book_)
        return false;
    std::optional<std::string> site, glider, note;
    const std::string value = text.trimmed().toStdString();
    if (column == LogbookTableModel::Site) {
        if (value.empty() || value == f.site)
            return false;
        site = value;
    } else if (column == LogbookTableModel::Glider) {
        glider = value;
    } else {
        note = text.toStdString();
    }
    if (const std::string why = book_->edit(f.id, site, glider, note); !why.empty()) {
        prompts_.showMessage("Logbook", why);
        return false;
    }
    // After the edit has left the view (a site name reaches other rows).
    QMetaObject::invokeMethod(this, [this] { reload(); }, Qt::QueuedConnection);
    return true;
}

void TfrmLogbook::openRow(int row) {
    const LogbookFlight* f = flightAt(row);
    if (!f || !book_ || !openFlight_)
        return;
    const LogbookFlight flight = *f;
    openFlight_(flight, logbookTrackPoints(book_->fixes(flight.id)));
}

bool TfrmLogbook::deleteRow(int row) {
    const LogbookFlight* f = flightAt(row);
    if (!f || !book_)
        return false;
    const LogbookFlight flight = *f;
    const std::string where = flight.site.empty() ? std::string() : " from " + flight.site;
    if (!prompts_.askYesNo("Confirm", "Delete the flight of " + flight.date() + " " +
                                          logbookIsoTime(flight.takeoffTime).substr(11, 5) + where +
                                          " from the logbook?"))
        return false;
    if (const std::string why = book_->remove(flight.id); !why.empty()) {
        prompts_.showMessage("Logbook", why);
        return false;
    }
    reload();
    return true;
}

std::string TfrmLogbook::exportShownCsv(const std::string& path) { return writeLogbookCsv(shownFlights(), path); }

std::string TfrmLogbook::exportFlight(const LogbookFlight& f, const std::string& path) {
    if (!book_)
        return openError_.toStdString();
    return writeLogbookFlight(f, book_->fixes(f.id), path);
}

void TfrmLogbook::addFiles(const QStringList& paths) {
    if (paths.isEmpty() || !book_)
        return;
    std::vector<std::string> files;
    for (const QString& p : paths)
        files.push_back(p.toStdString());
    QApplication::setOverrideCursor(Qt::WaitCursor);
    class NoZone final : public TimeZoneSource {
    public:
        ZoneInfo read() override { return {}; }
    } zone;
    const LogbookFilesAdded r =
        addLogbookFiles(*book_, files, options_.DatumName(), DataContext{prompts_, zone}, defaultsOf(options_));
    QApplication::restoreOverrideCursor();
    if (!r.error.empty())
        prompts_.showMessage("Logbook", r.error);
    else
        prompts_.showMessage("Logbook", "added " + std::to_string(r.added) + ", already there " + std::to_string(r.already));
    reload();
}

void TfrmLogbook::AddClick() {
    FileDialogSpec spec;
    spec.title = QStringLiteral("Add Flights to the Logbook");
    spec.fileName = QStringLiteral("*.igc");
    spec.filter = QStringLiteral("Flight logs|*.igc;*.gpx;*.nvl|IGC file|*.igc|GPX file|*.gpx|Nuvrel file|*.nvl|All files|*.*");
    addFiles(chooseFiles(this, options_, spec));
}

void TfrmLogbook::DeleteClick() {
    const int row = currentRow();
    if (row >= 0)
        deleteRow(row);
}

void TfrmLogbook::ExportCsvClick() {
    FileDialogSpec spec;
    spec.title = QStringLiteral("Export Shown Flights as CSV");
    spec.fileName = QStringLiteral("logbook.csv");
    spec.filter = QStringLiteral("CSV file|*.csv|All files|*.*");
    spec.defaultSuffix = QStringLiteral("csv");
    spec.save = true;
    const QString path = chooseFile(this, options_, spec);
    if (path.isEmpty())
        return;
    if (const std::string why = exportShownCsv(path.toStdString()); !why.empty())
        prompts_.showMessage("Error", why);
}

void TfrmLogbook::ExportOneClick(const QString& suffix) {
    const LogbookFlight* f = flightAt(currentRow());
    if (!f)
        return;
    const LogbookFlight flight = *f;
    FileDialogSpec spec;
    const bool igc = suffix == QStringLiteral("igc");
    spec.title = igc ? QStringLiteral("Export Flight as IGC") : QStringLiteral("Export Flight as GPX");
    spec.fileName = qs(flight.date()) + QLatin1Char('.') + suffix;
    spec.filter = igc ? QStringLiteral("IGC file|*.igc|All files|*.*") : QStringLiteral("GPX file|*.gpx|All files|*.*");
    spec.defaultSuffix = suffix;
    spec.save = true;
    const QString path = chooseFile(this, options_, spec);
    if (path.isEmpty())
        return;
    if (const std::string why = exportFlight(flight, path.toStdString()); !why.empty())
        prompts_.showMessage("Error", why);
}

TfrmLogbook* ShowLogbook(TMainForm& form, const std::string& path) {
    auto* window = form.findChild<TfrmLogbook*>(QStringLiteral("frmLogbook"));
    if (!window)
        window = new TfrmLogbook(path, form.data().context().prompts, form.options(),
                                 [&form](const LogbookFlight&, std::vector<TrackPoint> fixes) {
                                     ShowLogbookFlight(form, std::move(fixes));
                                 },
                                 &form);
    else
        window->reload();
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

void OfferDownloadedFlights(TMainForm& form, const std::string& path) {
    const IFTGarminTrack* track = form.data().track();
    if (!track || track->count() == 0)
        return;
    const std::string after = afterDownloadSetting(form.options());
    if (after == "never")
        return;
    std::string error;
    const std::unique_ptr<Logbook> book = Logbook::open(path, error);
    UserPrompts& prompts = form.data().context().prompts;
    if (!book) {
        prompts.showMessage("Logbook", error);
        return;
    }
    const std::vector<TrackPoint> points = wgs84Points(track->points(), form.options().DatumName());
    const auto known = [&](const std::string& hash) { return book->contains(hash); };
    const int count = countNewLogbookFlights(points, known);
    if (count == 0)
        return;
    if (after == "ask" &&
        !prompts.askYesNo("Logbook", "Add " + std::to_string(count) + (count == 1 ? " flight" : " flights") +
                                         " to the logbook?"))
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    LogbookDefaults defaults = defaultsOf(form.options());
    defaults.source = "download";
    const LogbookEntries entries = logbookEntries(points, defaults, known);
    const std::vector<LogbookWaypoint> waypoints =
        form.data().waypoints() ? wgs84Waypoints(form.data().waypoints()->records(), form.options().DatumName())
                                : std::vector<LogbookWaypoint>{};
    const Logbook::AddResult r = book->add(entries.flights, waypoints);
    QApplication::restoreOverrideCursor();
    if (!r.error.empty())
        prompts.showMessage("Logbook", r.error);
    else
        form.showNotice(QStringLiteral("Logbook: %1 flight%2 added").arg(r.added).arg(r.added == 1 ? "" : "s"));
    if (auto* window = form.findChild<TfrmLogbook*>(QStringLiteral("frmLogbook")))
        window->reload();
}

void ShowLogbookFlight(TMainForm& form, std::vector<TrackPoint> points) {
    IFTGarminData& data = form.data();
    const IFTGarminTrack* track = data.track();
    const IFTGarminWaypoint* waypoints = data.waypoints();
    const bool modified = (track && track->modified()) || (waypoints && waypoints->modified());
    if (modified && data.context().prompts.askYesNo("Confirm", "Do you wish to save?")) {
        if (QAction* save = form.command(QStringLiteral("SaveTrackAs1")))
            save->trigger();
        if (data.track() && data.track()->modified())
            return; // not saved: the data stays
    }
    // The track log is held in the datum of the settings.
    const MapDatum datum(form.options().DatumName());
    if (!datum.isWgs84())
        for (TrackPoint& p : points) {
            double lat, lon, h;
            datum.toLocal(p.latitude, p.longitude, p.altitude, lat, lon, h);
            p.latitude = lat, p.longitude = lon, p.altitude = static_cast<float>(h);
        }
    data.setTrack(std::make_unique<IFTGarminTrack>(std::move(points)));
    data.resetTimeOffset();
    form.mapWindow().ShowHeldData();
    if (QAction* report = form.command(QStringLiteral("FlightReport1")))
        report->trigger();
}

} // namespace nuvrel::ui
