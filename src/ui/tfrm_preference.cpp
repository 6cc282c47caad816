#include "ui/tfrm_preference.h"

#include "core/app/gps_commands.h"
#include "core/ift_option.h"
#include "core/app/preference_values.h"
#include "core/data/ift_garmin_data.h"
#include "core/errors.h"
#include "core/gps/gps_model.h"

#include "core/gps/product_request.h"
#include "core/gps/serial_device_list.h"
#include "render/code_page_text.h"
#include "ui/color_swatch.h"
#include "ui/tfrm_autodetect.h"
#include "ui/up_down.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>
#include <tuple>

// The marker pictures live in the program's compiled-in resources (a static
// library's resources are registered on first use).
static void initMarkerResources() { Q_INIT_RESOURCE(nuvrel); }

namespace nuvrel::ui {

namespace {

// A device path with what keeps the user from it, in a word or two:
// "/dev/ttyUSB0 (not present)", "/dev/ttyUSB0 (no permission)".
QString deviceText(const std::string& path) {
    std::string problem = DeviceProblem(path);
    if (problem.rfind("no permission", 0) == 0)
        problem = "no permission";
    return QString::fromStdString(problem.empty() ? path : path + " (" + problem + ")");
}

// Shows each port's device path beside its name in the drop-down list; the
// items themselves stay "COM1" ... "COM8".
class PortItemDelegate : public QStyledItemDelegate {
public:
    PortItemDelegate(const SerialPorts& ports, QObject* parent) : QStyledItemDelegate(parent), ports_(ports) {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const std::string path = ports_.DevicePath(index.row() + kFirstPort);
        if (!path.empty())
            option->text += QStringLiteral("   ") + deviceText(path);
    }

private:
    const SerialPorts& ports_;
};

// Frame 0 of a playback marker, as compiled into the program (":/marker/KAYAK0");
// null when the marker has no frames.
QImage markerFrame0(const QString& traceMark) {
    static const bool registered = (initMarkerResources(), true);
    (void)registered;
    const QString name = QStringLiteral(":/marker/") + traceMark + QLatin1Char('0');
    if (traceMark.isEmpty() || !QFile::exists(name))
        return {};
    return QImage(name, "XPM");
}

constexpr int kMarkerSize = 31;

QLabel* label(const QString& text, QWidget* parent) { return new QLabel(text, parent); }

QColor colorOf(std::int32_t colorRef) {
    int r = 0, g = 0, b = 0;
    RgbFromColorRef(colorRef, r, g, b);
    return QColor(r, g, b);
}

} // namespace

TfrmPreference::TfrmPreference(IFTOption& options, IFTGarminData& data, UserPrompts& prompts, SerialPorts ports,
                               QWidget* parent)
    : QDialog(parent), options_(options), data_(data), prompts_(prompts), ports_(std::move(ports)) {
    setObjectName(QStringLiteral("frmPreference"));
    setWindowTitle(QStringLiteral("Preference"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));

    // Hardware
    auto* hardware = new QWidget;
    hardware->setObjectName(QStringLiteral("TabSheet1"));
    cbCommPort = new QComboBox(hardware);
    cbCommPort->setObjectName(QStringLiteral("cbCommPort"));
    cbCommPort->setEditable(true);
    cbCommPort->setInsertPolicy(QComboBox::NoInsert);
    cbCommPort->setItemDelegate(new PortItemDelegate(ports_, cbCommPort));
    lblDevicePath = new QLabel(hardware);
    lblDevicePath->setObjectName(QStringLiteral("lblDevicePath"));
    lblDevicePath->setMinimumWidth(140);
    cbPortDevice = new QComboBox(hardware);
    cbPortDevice->setObjectName(QStringLiteral("cbPortDevice"));
    cbPortDevice->setToolTip(QStringLiteral("The serial device the port leads to"));
    lblPortProblem = new QLabel(hardware);
    lblPortProblem->setObjectName(QStringLiteral("lblPortProblem"));
    lblPortProblem->setWordWrap(true);
    cbGPSModel = new QComboBox(hardware);
    cbGPSModel->setObjectName(QStringLiteral("cbGPSModel"));
    cbGPSModel->setEditable(true);
    cbGPSModel->setInsertPolicy(QComboBox::NoInsert);
    cbGPSModel->setMaxVisibleItems(27);
    btnAutoDetect = new QPushButton(QStringLiteral("Auto Detect"), hardware);
    btnAutoDetect->setObjectName(QStringLiteral("btnAutoDetect"));
    btnAutoDetect->setToolTip(QStringLiteral("Ask the receiver on the port for its model"));
    auto* hw = new QGridLayout(hardware);
    hw->addWidget(label(QStringLiteral("Comm Port"), hardware), 0, 0);
    hw->addWidget(cbCommPort, 0, 1);
    hw->addWidget(lblDevicePath, 0, 2);
    hw->addWidget(label(QStringLiteral("Device"), hardware), 1, 0);
    hw->addWidget(cbPortDevice, 1, 1, 1, 2);
    hw->addWidget(lblPortProblem, 2, 0, 1, 3);
    hw->addWidget(label(QStringLiteral("GPS Model"), hardware), 3, 0);
    hw->addWidget(cbGPSModel, 3, 1);
    hw->addWidget(btnAutoDetect, 3, 2, Qt::AlignLeft);
    hw->setRowStretch(4, 1);
    hw->setColumnStretch(2, 1);

    // View
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("TabSheet2"));
    Shape1 = new ColorSwatch(view);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Edit1 = new QLineEdit(view);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setFixedWidth(48);
    UpDown1 = new UpDown(Edit1, 1, kMaxPenWidth, view);
    UpDown1->setObjectName(QStringLiteral("UpDown1"));
    ComboBox1 = new QComboBox(view);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    Image1 = new QLabel(view);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setFixedSize(kMarkerSize, kMarkerSize);
    auto* width = new QHBoxLayout;
    width->setSpacing(0);
    width->addWidget(Edit1);
    width->addWidget(UpDown1);
    width->addStretch(1);
    auto* mark = new QHBoxLayout;
    mark->addWidget(ComboBox1);
    mark->addWidget(Image1);
    mark->addStretch(1);
    auto* vw = new QGridLayout(view);
    vw->addWidget(label(QStringLiteral("Pen Color"), view), 0, 0);
    vw->addWidget(Shape1, 0, 1, Qt::AlignLeft);
    vw->addWidget(label(QStringLiteral("Pen Width"), view), 1, 0);
    vw->addLayout(width, 1, 1);
    vw->addWidget(label(QStringLiteral("Trace Mark"), view), 2, 0);
    vw->addLayout(mark, 2, 1);
    vw->setRowStretch(3, 1);
    vw->setColumnStretch(1, 1);

    // Others
    auto* others = new QWidget;
    others->setObjectName(QStringLiteral("TabSheet3"));
    cbMapLoadWithStart = new QCheckBox(QStringLiteral("Load Map with Start"), others);
    cbMapLoadWithStart->setObjectName(QStringLiteral("cbMapLoadWithStart"));
    cbTextFormatDMS = new QCheckBox(QStringLiteral("Text Format DMS"), others);
    cbTextFormatDMS->setObjectName(QStringLiteral("cbTextFormatDMS"));
    edtTZoffset = new QLineEdit(others);
    edtTZoffset->setObjectName(QStringLiteral("edtTZoffset"));
    edtTZoffset->setFixedWidth(48);
    edtTZoffset->setToolTip(QStringLiteral("Hours to subtract from UTC for the times shown"));
    udTZoffset = new UpDown(edtTZoffset, kMinTzHours, kMaxTzHours, others);
    udTZoffset->setObjectName(QStringLiteral("udTZoffset"));
    auto* tz = new QHBoxLayout;
    tz->setSpacing(0);
    tz->addWidget(label(QStringLiteral("TZ offset"), others));
    tz->addSpacing(8);
    tz->addWidget(edtTZoffset);
    tz->addWidget(udTZoffset);
    tz->addStretch(1);
    cbCodePage = new QComboBox(others);
    cbCodePage->setObjectName(QStringLiteral("cbCodePage"));
    cbCodePage->addItem(QStringLiteral("Automatic"), QString());
    cbCodePage->addItem(QStringLiteral("Japanese (CP932)"), QStringLiteral("CP932"));
    cbCodePage->addItem(QStringLiteral("UTF-8"), QStringLiteral("UTF-8"));
    cbCodePage->setToolTip(QStringLiteral("The character code of names and text files; "
                                          "Automatic follows the language of the system. "
                                          "Takes effect at the next start."));
    auto* page = new QHBoxLayout;
    page->addWidget(label(QStringLiteral("Code Page"), others));
    page->addSpacing(8);
    page->addWidget(cbCodePage);
    page->addStretch(1);
    auto* ot = new QVBoxLayout(others);
    ot->addWidget(cbMapLoadWithStart);
    ot->addWidget(cbTextFormatDMS);
    ot->addLayout(tz);
    ot->addLayout(page);
    ot->addStretch(1);

    // Flight Log
    auto* flightLog = new QWidget;
    flightLog->setObjectName(QStringLiteral("TabSheet4"));
    auto* fl = new QGridLayout(flightLog);
    int row = 0;
    for (auto [edit, caption, name] : {std::tuple{&edtPilotName, "Pilot", "edtPilotName"},
                                       std::tuple{&edtGliderType, "Glider Type", "edtGliderType"},
                                       std::tuple{&edtGliderID, "Glider ID", "edtGliderID"}}) {
        *edit = new QLineEdit(flightLog);
        (*edit)->setObjectName(QString::fromLatin1(name));
        fl->addWidget(label(QString::fromLatin1(caption), flightLog), row, 0);
        fl->addWidget(*edit, row++, 1);
    }
    fl->setRowStretch(row, 1);

    PageControl1->addTab(hardware, QStringLiteral("Hardware"));
    PageControl1->addTab(view, QStringLiteral("View"));
    PageControl1->addTab(others, QStringLiteral("Others"));
    PageControl1->addTab(flightLog, QStringLiteral("Flight Log"));
    PageControl1->setCurrentIndex(0);

    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    PageControl1->setMinimumSize(380, 150);

    frmAutoDetectResult = new TfrmAutoDetectResult(this);

    FormCreate();

    connect(btnOK, &QPushButton::clicked, this, &TfrmPreference::btnOKClick);
    connect(btnAutoDetect, &QPushButton::clicked, this, &TfrmPreference::btnAutoDetectClick);
    connect(Shape1, &ColorSwatch::pressed, this, &TfrmPreference::Shape1MouseDown);
    connect(ComboBox1, &QComboBox::currentTextChanged, this, &TfrmPreference::ComboBox1Change);
    connect(cbCommPort, &QComboBox::currentTextChanged, this, &TfrmPreference::showDevicePath);
    connect(cbPortDevice, &QComboBox::activated, this, &TfrmPreference::cbPortDeviceSelect);
}

void TfrmPreference::FormCreate() {
    int listWidth = 0;
    for (int port = kFirstPort; port <= kLastPort; ++port) {
        const QString name = QString::fromStdString(PortName(port));
        cbCommPort->addItem(name);
        const QString shown = name + QStringLiteral("   ") + deviceText(ports_.DevicePath(port));
        listWidth = std::max(listWidth, cbCommPort->fontMetrics().horizontalAdvance(shown));
    }
    // The drop-down list is wide enough for the device paths.
    cbCommPort->view()->setMinimumWidth(listWidth + 32);
    {
        const GPSModel table;
        for (int i = 0; i < GPSModel::NumberOfModels; ++i)
            cbGPSModel->addItem(QString::fromStdString(table.ModelNameAt(i)));
        cbGPSModel->addItem(QStringLiteral("Others"));
    }
    cbPortDevice->addItem(QStringLiteral("Automatic"), QString());
    for (const std::string& path : ports_.PresentDevices())
        cbPortDevice->addItem(deviceText(path), QString::fromStdString(path));
    cbCommPort->setEditText(QString::fromStdString(PortName(options_.CommPort())));
    showDevicePath();
    // The model list opens on the current model.
    const QString model = render::fromCodePage(options_.GPSModel());
    if (const int i = cbGPSModel->findText(model); i >= 0)
        cbGPSModel->setCurrentIndex(i);
    else
        cbGPSModel->setEditText(model);

    Shape1->setColor(colorOf(options_.PenColor()));
    UpDown1->setPosition(options_.PenWidth());
    Edit1->setText(QString::number(options_.PenWidth()));

    const QString mark = QString::fromStdString(options_.TraceMark());
    for (const std::string& name : TraceMarkNames())
        ComboBox1->addItem(QString::fromStdString(name));
    if (ComboBox1->findText(mark) < 0)
        ComboBox1->addItem(mark); // a marker from elsewhere is shown as it is
    ComboBox1->setCurrentIndex(ComboBox1->findText(mark));
    showMarker(mark);

    cbMapLoadWithStart->setChecked(options_.MapLoadWithStart() == 1);
    cbTextFormatDMS->setChecked(options_.TextCoordinateFormat() == 3);
    cbCodePage->setCurrentIndex(
        std::max(0, cbCodePage->findData(QString::fromStdString(codePageSetting(options_.store())))));

    edtPilotName->setText(QString::fromStdString(options_.PilotName()));
    edtGliderType->setText(QString::fromStdString(options_.GliderType()));
    edtGliderID->setText(QString::fromStdString(options_.GliderID()));

    shownTzHours_ = TzHoursFromOffset(data_.timeOffset());
    udTZoffset->setPosition(shownTzHours_);
    edtTZoffset->setText(QString::number(shownTzHours_));
    raise();
}

void TfrmPreference::showDevicePath() {
    const auto port = ParseCommPort(cbCommPort->currentText().toStdString());
    const std::string path = port ? ports_.DevicePath(*port) : std::string();
    lblDevicePath->setText(QString::fromStdString(path));
    lblPortProblem->setText(path.empty() ? QString() : QString::fromStdString(DeviceProblem(path)));
    cbPortDevice->setEnabled(port.has_value());
    // The device list shows the port's own choice; "Automatic" when it has none.
    const std::string chosen = port ? MappedPortDevice(options_.store(), *port) : std::string();
    const int i = cbPortDevice->findData(QString::fromStdString(chosen));
    if (i >= 0) {
        cbPortDevice->setCurrentIndex(i);
    } else {
        cbPortDevice->addItem(deviceText(chosen), QString::fromStdString(chosen)); // a device not present now
        cbPortDevice->setCurrentIndex(cbPortDevice->count() - 1);
    }
}

void TfrmPreference::cbPortDeviceSelect(int index) {
    const auto port = ParseCommPort(cbCommPort->currentText().toStdString());
    if (!port)
        return;
    // Stored at once, as the settings value "COM<n>"; empty for the default.
    MapPortDevice(options_.store(), *port, cbPortDevice->itemData(index).toString().toStdString());
    showDevicePath();
    cbCommPort->view()->viewport()->update();
}

void TfrmPreference::showMarker(const QString& name) {
    const QImage frame = markerFrame0(name);
    if (frame.isNull())
        Image1->clear();
    else
        Image1->setPixmap(QPixmap::fromImage(frame));
}

void TfrmPreference::Shape1MouseDown() {
    QColorDialog picker(Shape1->color(), this);
    picker.setObjectName(QStringLiteral("ColorDialog1"));
    picker.setOption(QColorDialog::DontUseNativeDialog);
    if (picker.exec() == QDialog::Accepted && picker.selectedColor().isValid())
        Shape1->setColor(picker.selectedColor());
}

void TfrmPreference::ComboBox1Change(const QString& text) {
    showMarker(text);
    options_.SetTraceMark(text.toStdString());
    emit traceMarkChanged();
}

void TfrmPreference::btnAutoDetectClick() {
    // The receiver is looked for on the port the dialog shows.
    const int port = ParseCommPort(cbCommPort->currentText().toStdString()).value_or(options_.CommPort());
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const ProductData product = RequestProductData(ports_, port);
    QApplication::restoreOverrideCursor();
    if (!product.ok) {
        ShowNoResponse(prompts_, ports_, port);
        return;
    }
    frmAutoDetectResult->edtID->setText(QString::number(product.productId));
    frmAutoDetectResult->edtDescription->setText(render::fromCodePage(product.description));
    frmAutoDetectResult->exec();

    StoreDetectedModel(options_, product);
    options_.SetCommPort(port); // the receiver answered there
    cbCommPort->setEditText(QString::fromStdString(PortName(port)));
    cbGPSModel->setEditText(QString::fromStdString(options_.GPSModel()));
}

void TfrmPreference::btnOKClick() {
    PreferenceInput input;
    input.commPort = cbCommPort->currentText().toStdString();
    input.gpsModel = render::toCodePage(cbGPSModel->currentText());
    const QColor c = Shape1->color();
    input.penColor = ColorRefFromRgb(c.red(), c.green(), c.blue());
    input.penWidth = Edit1->text().toStdString();
    input.mapLoadWithStart = cbMapLoadWithStart->isChecked();
    input.textFormatDMS = cbTextFormatDMS->isChecked();
    input.tzOffset = edtTZoffset->text().toStdString();
    input.shownTzHours = shownTzHours_;
    options_.SetPilotName(edtPilotName->text().trimmed().toStdString());
    options_.SetGliderType(edtGliderType->text().trimmed().toStdString());
    options_.SetGliderID(edtGliderID->text().trimmed().toStdString());

    if (const std::string page = cbCodePage->currentData().toString().toStdString();
        page != codePageSetting(options_.store()))
        setCodePageSetting(options_.store(), page);

    const std::int32_t oldColor = options_.PenColor();
    const std::int32_t oldWidth = options_.PenWidth();
    std::int32_t offset = data_.timeOffset();
    const PreferenceOutcome outcome = StorePreferences(input, options_, offset);
    if (options_.PenColor() != oldColor || options_.PenWidth() != oldWidth)
        emit penChanged();
    if (!outcome.tzOffsetOk) {
        // The field is shown selected while its message is read.
        PageControl1->setCurrentIndex(PageControl1->indexOf(edtTZoffset->parentWidget()));
        edtTZoffset->setFocus();
        edtTZoffset->selectAll();
        prompts_.showMessage("NUVREL", outcome.message);
        return;
    }
    data_.setTimeOffset(offset);
    close();
}

} // namespace nuvrel::ui
