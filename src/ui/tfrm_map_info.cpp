#include "ui/tfrm_map_info.h"

#include "core/ift_option.h"
#include "core/map/calibration_file.h"
#include "core/map/map_info_calc.h"
#include "core/platform.h"
#include "core/safe_save.h"

#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace nuvrel::ui {

namespace {

std::string text(const QLineEdit* edit) { return edit->text().toStdString(); }
QString qtext(const std::string& s) { return QString::fromStdString(s); }

} // namespace

TfrmMapInfo::TfrmMapInfo(IFTOption& option, UserPrompts& prompts, QWidget* parent)
    : QDialog(parent), option_(option), prompts_(prompts) {
    setObjectName(QStringLiteral("frmMapInfo"));
    setWindowTitle(QStringLiteral("Create Map Infomation File"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);

    auto edit = [this](const char* name) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        return e;
    };
    auto label = [this](const char* caption) { return new QLabel(QString::fromLatin1(caption), this); };
    LatitudeDMS = edit("LatitudeDMS");
    LongitudeDMS = edit("LongitudeDMS");
    LatitudeDeg = edit("LatitudeDeg");
    LongitudeDeg = edit("LongitudeDeg");
    BmpWidth = edit("BmpWidth");
    BmpHeight = edit("BmpHeight");
    edtIdoTop = edit("edtIdoTop");
    edtKeiLeft = edit("edtKeiLeft");
    edtIdoBottom = edit("edtIdoBottom");
    edtKeiRight = edit("edtKeiRight");
    cbScale = new QComboBox(this);
    cbScale->setObjectName(QStringLiteral("cbScale"));
    cbScale->setEditable(true);
    cbScale->addItems({QStringLiteral("800000"), QStringLiteral("400000"), QStringLiteral("200000"),
                       QStringLiteral("100000"), QStringLiteral("50000"), QStringLiteral("25000"),
                       QStringLiteral("12500"), QStringLiteral("6250")});

    auto* grid = new QGridLayout;
    grid->addWidget(label("DMS"), 0, 1);
    grid->addWidget(label("Degree"), 0, 4);
    grid->addWidget(label("Latitude"), 1, 0);
    grid->addWidget(LatitudeDMS, 1, 1);
    grid->addWidget(label("->"), 1, 2);
    grid->addWidget(LatitudeDeg, 1, 4);
    grid->addWidget(label("Longitude"), 2, 0);
    grid->addWidget(LongitudeDMS, 2, 1);
    grid->addWidget(label("->"), 2, 2);
    grid->addWidget(LongitudeDeg, 2, 4);
    grid->addWidget(label("Scale"), 3, 0);
    grid->addWidget(cbScale, 3, 1);
    grid->addWidget(label("ido_top"), 3, 3);
    grid->addWidget(edtIdoTop, 3, 4);
    grid->addWidget(label("Biamtp Width"), 4, 0);
    grid->addWidget(BmpWidth, 4, 1);
    grid->addWidget(label("kei_left"), 4, 3);
    grid->addWidget(edtKeiLeft, 4, 4);
    grid->addWidget(label("Bitmap Height"), 5, 0);
    grid->addWidget(BmpHeight, 5, 1);
    grid->addWidget(label("ido_bottom"), 5, 3);
    grid->addWidget(edtIdoBottom, 5, 4);
    grid->addWidget(label("kei_rigth"), 6, 3);
    grid->addWidget(edtKeiRight, 6, 4);

    btnCalcurate = new QPushButton(QStringLiteral("Calcurate"), this);
    btnCalcurate->setObjectName(QStringLiteral("btnCalcurate"));
    btnSave = new QPushButton(QStringLiteral("Save"), this);
    btnSave->setObjectName(QStringLiteral("btnSave"));
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnCalcurate);
    buttons->addWidget(btnSave);
    buttons->addStretch();
    buttons->addWidget(btnCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    cbScale->setEditText(QString::number(option_.MapScale()));
    BmpWidth->setText(QString::number(option_.MapWidth()));
    BmpHeight->setText(QString::number(option_.MapHeight()));

    connect(LatitudeDMS, &QLineEdit::textChanged, this,
            [this](const QString& t) { LatitudeDeg->setText(qtext(formatGeneral15(DmsTextToDegrees(t.toStdString())))); });
    connect(LongitudeDMS, &QLineEdit::textChanged, this, [this](const QString& t) {
        LongitudeDeg->setText(qtext(formatGeneral15(DmsTextToDegrees(t.toStdString()))));
    });
    connect(btnCalcurate, &QPushButton::clicked, this, &TfrmMapInfo::btnCalcurateClick);
    connect(btnSave, &QPushButton::clicked, this, &TfrmMapInfo::btnSaveClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::close);
}

void TfrmMapInfo::btnCalcurateClick() {
    const std::string scaleText = cbScale->currentText().toStdString();
    const QLineEdit* numbers[] = {BmpWidth, BmpHeight, LatitudeDeg, LongitudeDeg};
    const auto scale = textToFloat(scaleText);
    if (!scale) {
        prompts().showMessage("Error", notAFloatMessage(scaleText));
        return;
    }
    double values[4] = {};
    for (int i = 0; i < 4; ++i) {
        const auto v = textToFloat(text(numbers[i]));
        if (!v) {
            prompts().showMessage("Error", notAFloatMessage(text(numbers[i])));
            return;
        }
        values[i] = *v;
    }
    // The scale denominator counts in whole units.
    const double s = std::trunc(*scale);
    if (!(s >= -2147483648.0 && s <= 2147483647.0)) {
        prompts().showMessage("Error", notAnIntegerMessage(scaleText));
        return;
    }
    const MapCorners c = CalculateMapCorners(static_cast<int>(s), values[0], values[1], values[2], values[3]);
    edtIdoTop->setText(qtext(formatGeneral15(c.top)));
    edtIdoBottom->setText(qtext(formatGeneral15(c.bottom)));
    edtKeiLeft->setText(qtext(formatGeneral15(c.left)));
    edtKeiRight->setText(qtext(formatGeneral15(c.right)));
}

QString TfrmMapInfo::askSaveFile() {
    if (chooseSaveFile)
        return chooseSaveFile();
    QFileDialog dialog(this, QStringLiteral("Save Map Info"));
    dialog.setObjectName(QStringLiteral("dlgSaveMapInfo"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // Beside the maps: the folder of the map loaded last.
    if (auto key = option_.store().openKey(kSettingsKeyPath, false))
        if (const auto folder = key->readString(kMapFolderValue); folder && !folder->empty())
            dialog.setDirectory(QFile::decodeName(QByteArray::fromStdString(*folder)));
    dialog.resize(760, 480);
    dialog.setDefaultSuffix(QStringLiteral("dat"));
    dialog.setNameFilter(QStringLiteral("Map Info (*.dat *.bmp)"));
    // The file written may be another than the one chosen (x.dat for x.bmp):
    // the question about replacing it is asked for that file.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

UserPrompts& TfrmMapInfo::prompts() {
    if (!dynamic_cast<QtPrompts*>(&prompts_))
        return prompts_; // scripted answers in tests
    ownBoxes_.setParent(this);
    return ownBoxes_;
}

void TfrmMapInfo::btnSaveClick() {
    const QString chosen = askSaveFile();
    if (chosen.isEmpty())
        return;
    // The calibration file lies beside the chosen image, under its name with
    // ".dat"; it replaces only an older calibration file.
    const std::string chosenPath = QFile::encodeName(chosen).toStdString();
    const std::string path = calibrationSavePath(chosenPath);
    if (QFileInfo::exists(QFile::decodeName(QByteArray::fromStdString(path)))) {
        if (!IsCalibrationFile(path)) {
            prompts().showMessage("Error", "Cannot save " + path + ": it is not a calibration file");
            return;
        }
        if (!prompts().askYesNo("Confirm", path + " already exists. Do you want to replace it?"))
            return;
    }
    CalibrationTexts t{text(LatitudeDeg), text(LongitudeDeg), text(edtIdoTop),    text(edtKeiLeft),
                       text(edtIdoBottom), text(edtKeiRight), text(BmpWidth), text(BmpHeight)};
    const std::string content = CalibrationFileText(t);
    SafeSave file(path);
    if (file.takesOwnership() && !prompts().askYesNo("Confirm", TakesOwnershipQuestion(path)))
        return;
    if (!file.open() || !file.write(content.data(), content.size()) || !file.commit()) {
        prompts().showMessage("Error", "Cannot save " + path + ": " + file.error());
        return;
    }
    // Stored in this order; a value that is not an integer stops there.
    const std::string scaleText = cbScale->currentText().toStdString();
    const auto scale = textToInt(scaleText);
    if (!scale) {
        prompts().showMessage("Error", notAnIntegerMessage(scaleText));
        return;
    }
    option_.SetMapScale(*scale);
    const auto width = textToInt(text(BmpWidth));
    if (!width) {
        prompts().showMessage("Error", notAnIntegerMessage(text(BmpWidth)));
        return;
    }
    option_.SetMapWidth(*width);
    const auto height = textToInt(text(BmpHeight));
    if (!height) {
        prompts().showMessage("Error", notAnIntegerMessage(text(BmpHeight)));
        return;
    }
    option_.SetMapHeight(*height);
    close();
}

} // namespace nuvrel::ui
