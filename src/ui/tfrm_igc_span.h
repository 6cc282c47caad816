// "Flight to IGC": which part of a track log of several flights or segments
// an IGC export writes (a flight, the whole log or a segment).
#pragma once

#include "core/formats/igc_format.h"

#include <QDialog>
#include <QString>

#include <cstdint>
#include <vector>

class QListWidget;
class QPushButton;

namespace nuvrel {
class IFTGarminTrack;
}

namespace nuvrel::ui {

class TfrmIgcSpan : public QDialog {
    Q_OBJECT
public:
    // choices as igcChoices gives them; times are shown as UTC minus
    // timeOffset, as the track windows show them.
    TfrmIgcSpan(const IFTGarminTrack& track, std::vector<IgcChoice> choices, std::int32_t timeOffset,
                QWidget* parent = nullptr);

    QListWidget* lbSpans;
    QPushButton* btnOK;
    QPushButton* btnCancel;

    // The entry selected (the first one until another is).
    const IgcChoice& chosen() const;

    // "Flight 1 (10:02–11:45)", "Whole log", "Segment 2 (09:50–12:01)"; with
    // the local date before the first time when the log spans several days.
    static QString choiceText(const IFTGarminTrack& track, const IgcChoice& choice, std::int32_t timeOffset);

private:
    std::vector<IgcChoice> choices_;
};

} // namespace nuvrel::ui
