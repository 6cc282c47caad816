#include "ui/tfrm_igc_span.h"
#include "ui/dialog_buttons.h"

#include "core/analysis/track_listing.h"
#include "core/data/ift_garmin_track.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace nuvrel::ui {

namespace {

// pointTimeText gives "HH:MM:SS YYYY/MM/DD".
QString localTime(const IFTGarminTrack& track, std::size_t i, std::int32_t timeOffset) {
    return QString::fromStdString(pointTimeText(track.unixTime(i) - timeOffset));
}

} // namespace

QString TfrmIgcSpan::choiceText(const IFTGarminTrack& track, const IgcChoice& choice, std::int32_t timeOffset) {
    QString name;
    switch (choice.span) {
    case IgcSpan::Whole:
        return QStringLiteral("Whole log");
    case IgcSpan::NumberedFlight:
        name = QStringLiteral("Flight %1").arg(choice.number);
        break;
    case IgcSpan::Segment:
        name = QStringLiteral("Segment %1").arg(choice.number);
        break;
    case IgcSpan::Flight:
        return QStringLiteral("Flight");
    }
    const QString from = localTime(track, choice.from, timeOffset), to = localTime(track, choice.to, timeOffset);
    const bool severalDays = track.count() > 0 && localTime(track, 0, timeOffset).mid(9) !=
                                                      localTime(track, track.count() - 1, timeOffset).mid(9);
    return name + QStringLiteral(" (") + (severalDays ? from.mid(9) + QLatin1Char(' ') : QString()) + from.left(5) +
           QChar(0x2013) + to.left(5) + QLatin1Char(')');
}

TfrmIgcSpan::TfrmIgcSpan(const IFTGarminTrack& track, std::vector<IgcChoice> choices, std::int32_t timeOffset,
                         QWidget* parent)
    : QDialog(parent), choices_(std::move(choices)) {
    setObjectName(QStringLiteral("frmIgcSpan"));
    setWindowTitle(QStringLiteral("Flight to IGC"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    lbSpans = new QListWidget(this);
    lbSpans->setObjectName(QStringLiteral("lbSpans"));
    for (const IgcChoice& c : choices_)
        lbSpans->addItem(choiceText(track, c, timeOffset));
    lbSpans->setCurrentRow(0);
    // As tall as its entries, up to twenty of them; more scroll.
    lbSpans->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    lbSpans->setMaximumHeight(lbSpans->sizeHintForRow(0) * 20 + 2 * lbSpans->frameWidth());

    auto* buttons = okCancelRow(this, btnOK, btnCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("The track log holds several flights or segments. Write:"), this));
    layout->addWidget(lbSpans);
    layout->addLayout(buttons);

    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(lbSpans, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
}

const IgcChoice& TfrmIgcSpan::chosen() const {
    const int row = lbSpans->currentRow();
    return choices_.at(row < 0 ? 0 : std::size_t(row));
}

} // namespace nuvrel::ui
