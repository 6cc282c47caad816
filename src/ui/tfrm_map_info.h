// The calibration dialog: computes the edges of a map from its centre, its
// scale and its size in pixels, and writes the map's calibration file.
// Shown without blocking; closing it by either button releases it.
#pragma once

#include "ui/qt_prompts.h"

#include <QDialog>

#include <functional>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace nuvrel {
class IFTOption;
class UserPrompts;
} // namespace nuvrel

namespace nuvrel::ui {

class TfrmMapInfo : public QDialog {
    Q_OBJECT
public:
    TfrmMapInfo(IFTOption& option, UserPrompts& prompts, QWidget* parent = nullptr);

    QLineEdit* LatitudeDMS;
    QLineEdit* LongitudeDMS;
    QLineEdit* LatitudeDeg;
    QLineEdit* LongitudeDeg;
    QComboBox* cbScale;
    QLineEdit* BmpWidth;
    QLineEdit* BmpHeight;
    QLineEdit* edtIdoTop;
    QLineEdit* edtKeiLeft;
    QLineEdit* edtIdoBottom;
    QLineEdit* edtKeiRight;
    QPushButton* btnCalcurate;
    QPushButton* btnSave;
    QPushButton* btnCancel;

    // Asks for the file to write (the save dialog); an empty text cancels.
    // Tests replace it.
    std::function<QString()> chooseSaveFile;

    void btnCalcurateClick();
    void btnSaveClick();

private:
    QString askSaveFile();
    // The prompts, whose boxes open above this dialog (it stays on top of
    // the main window that the program's boxes belong to).
    UserPrompts& prompts();
    IFTOption& option_;
    UserPrompts& prompts_;
    QtPrompts ownBoxes_;
};

} // namespace nuvrel::ui
