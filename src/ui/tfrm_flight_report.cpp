#include "ui/tfrm_flight_report.h"

#include "core/analysis/flight_report_text.h"
#include "core/analysis/flight_score.h"
#include "core/data/ift_garmin_track.h"
#include "render/barogram.h"
#include "render/image_file.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace nuvrel::ui {

BarogramView::BarogramView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("pbBarogram"));
    setMinimumSize(480, 240);
    setCursor(Qt::CrossCursor);
}

void BarogramView::setReport(const std::vector<TrackPoint>* points, const FlightReport* report) {
    points_ = points;
    report_ = report;
    update();
}

int BarogramView::pointAt(double x) const {
    if (!points_ || !report_)
        return -1;
    return render::barogramPointAt(QRectF(rect()), *points_, *report_, x);
}

void BarogramView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (!points_ || !report_) {
        p.fillRect(rect(), Qt::white);
        return;
    }
    render::paintBarogram(p, QRectF(rect()), *points_, *report_);
}

void BarogramView::mousePressEvent(QMouseEvent* event) {
    const int i = pointAt(event->position().x());
    if (i >= 0)
        emit pointClicked(static_cast<std::uint32_t>(i));
}

TfrmFlightReport::TfrmFlightReport(std::function<void(std::uint32_t)> showTrackPoint, QWidget* parent)
    : QWidget(parent, Qt::Window), showTrackPoint_(std::move(showTrackPoint)) {
    setObjectName(QStringLiteral("frmFlightReport"));
    setWindowTitle(QStringLiteral("Flight Report"));
    setAttribute(Qt::WA_DeleteOnClose);

    cboRules = new QComboBox(this);
    cboRules->setObjectName(QStringLiteral("cboRules"));
    cboRules->addItems({QStringLiteral("XContest"), QStringLiteral("FFVL")});
    btnPrint = new QPushButton(QStringLiteral("&Print..."), this);
    btnPrint->setObjectName(QStringLiteral("btnPrint"));
    btnSavePng = new QPushButton(QStringLiteral("&Save PNG..."), this);
    btnSavePng->setObjectName(QStringLiteral("btnSavePng"));
    txtReport = new QPlainTextEdit(this);
    txtReport->setObjectName(QStringLiteral("txtReport"));
    txtReport->setReadOnly(true);
    txtReport->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont mono(QStringLiteral("Liberation Mono"));
    mono.setStyleHint(QFont::Monospace);
    mono.setPointSize(9);
    txtReport->setFont(mono);
    pbBarogram = new BarogramView(this);

    auto* bar = new QHBoxLayout;
    bar->addWidget(new QLabel(QStringLiteral("Rules:"), this));
    bar->addWidget(cboRules);
    bar->addStretch();
    bar->addWidget(btnPrint);
    bar->addWidget(btnSavePng);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(txtReport, 2);
    layout->addWidget(pbBarogram, 3);
    resize(760, 720);

    connect(cboRules, &QComboBox::currentIndexChanged, this, [this] { rebuild(); });
    connect(btnPrint, &QPushButton::clicked, this, &TfrmFlightReport::PrintClick);
    connect(btnSavePng, &QPushButton::clicked, this, &TfrmFlightReport::SavePngClick);
    connect(pbBarogram, &BarogramView::pointClicked, this, [this](std::uint32_t i) {
        if (showTrackPoint_)
            showTrackPoint_(i);
    });
}

void TfrmFlightReport::setTrack(const IFTGarminTrack& track, int segment, const std::string& datumName) {
    points_.assign(track.points().begin(), track.points().end());
    segment_ = segment;
    datumName_ = datumName;
    rebuild();
}

void TfrmFlightReport::rebuild() {
    scorer_ = {}; // the scores of the old report are no longer wanted
    const ContestRules rules = cboRules->currentIndex() == 1 ? ContestRules::FFVL : ContestRules::XContest;
    // The report without its scores at once; the scores, the costly part of
    // a long flight, on a worker thread.
    report_ = buildFlightReport(points_, segment_, rules, datumName_, false);
    for (FlightReportEntry& f : report_.flights) {
        f.score.rules = rules;
        f.score.pending = true;
    }
    scoring_ = !report_.flights.empty();
    const std::uint64_t generation = ++generation_;
    if (scoring_)
        scorer_ = std::jthread([this, generation, rules, points = points_, report = report_,
                                datum = datumName_](std::stop_token stop) {
            std::vector<ContestScore> scores = scoreReportFlights(points, report, rules, datum, stop);
            if (stop.stop_requested())
                return;
            QMetaObject::invokeMethod(
                this, [this, generation, scores = std::move(scores)]() mutable { scoresReady(generation, std::move(scores)); },
                Qt::QueuedConnection);
        });
    showReport();
}

void TfrmFlightReport::scoresReady(std::uint64_t generation, std::vector<ContestScore> scores) {
    if (generation != generation_ || scores.size() != report_.flights.size())
        return; // scores of a report since replaced
    for (std::size_t i = 0; i < scores.size(); ++i)
        report_.flights[i].score = std::move(scores[i]);
    scoring_ = false;
    const int scroll = txtReport->verticalScrollBar()->value();
    showReport();
    txtReport->verticalScrollBar()->setValue(scroll);
}

void TfrmFlightReport::showReport() {
    txtReport->setPlainText(lines().join(QLatin1Char('\n')));
    pbBarogram->setReport(&points_, &report_);
}

void TfrmFlightReport::closeEvent(QCloseEvent* event) {
    scorer_.request_stop();
    QWidget::closeEvent(event);
}

QStringList TfrmFlightReport::lines() const {
    QStringList out;
    for (const std::string& line : flightReportLines(report_, points_))
        out << QString::fromStdString(line);
    return out;
}

bool TfrmFlightReport::savePng(const QString& path, int width, int height) const {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    render::paintFlightReportPage(p, QRectF(0, 0, width, height), lines(), points_, report_);
    p.end();
    return render::SaveImageFile(image, QFile::encodeName(path).toStdString(), "PNG").empty();
}

void TfrmFlightReport::print(QPrinter& printer) const {
    QPainter p(&printer);
    render::paintFlightReportPage(p, QRectF(0, 0, printer.width(), printer.height()), lines(), points_, report_);
}

void TfrmFlightReport::PrintClick() {
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() == QDialog::Accepted)
        print(printer);
}

void TfrmFlightReport::SavePngClick() {
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save PNG"), QString(),
                                                      QStringLiteral("PNG image (*.png)"));
    if (!path.isEmpty() && !savePng(path))
        QMessageBox::warning(this, windowTitle(), QStringLiteral("Can't write the image %1.").arg(path));
}

void ShowFlightReport(QPointer<TfrmFlightReport>& window, QWidget* parent, const IFTGarminTrack& track, int segment,
                      const std::string& datumName, std::function<void(std::uint32_t)> showTrackPoint) {
    if (!window)
        window = new TfrmFlightReport(std::move(showTrackPoint), parent);
    window->setTrack(track, segment, datumName);
    window->show();
    window->raise();
}

} // namespace nuvrel::ui
