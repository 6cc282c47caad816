#include "ui/tfrm_monitor.h"

#include "core/app/gps_commands.h"
#include "core/app/monitor_text.h"
#include "core/errors.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

namespace nuvrel::ui {

TfrmMonitor::TfrmMonitor(const IFTOption& option, UserPrompts& prompts, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint),
      option_(option), prompts_(prompts), ports_(SerialPorts::System(&option.store())) {
    setObjectName(QStringLiteral("frmMonitor"));
    setWindowTitle(QStringLiteral("GPS Data Monitor"));
    setModal(false);
    auto field = [this](const char* name) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setReadOnly(true);
        edit->setMinimumWidth(180);
        return edit;
    };
    txtLatitude = field("txtLatitude");
    txtLongitude = field("txtLongitude");
    txtTime = field("txtTime");
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Latitude"), txtLatitude);
    form->addRow(QStringLiteral("Longitude"), txtLongitude);
    form->addRow(QStringLiteral("UTC Time"), txtTime);

    auto* group = new QGroupBox(QStringLiteral("Format"), this);
    auto radio = [group](const char* caption, const char* name) {
        auto* r = new QRadioButton(QString::fromLatin1(caption), group);
        r->setObjectName(QString::fromLatin1(name));
        return r;
    };
    DEG = radio("Degree", "DEG");
    DM = radio("DM", "DM");
    DMS = radio("DMS", "DMS");
    DEG->setChecked(true);
    auto* groupLayout = new QHBoxLayout(group);
    groupLayout->addWidget(DEG);
    groupLayout->addWidget(DM);
    groupLayout->addWidget(DMS);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(group);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(500);
    connect(Timer1, &QTimer::timeout, this, &TfrmMonitor::Timer1Timer);
}

void TfrmMonitor::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    setWindowTitle(QStringLiteral("GPS Data Monitor - ") + QString::fromLocal8Bit(option_.DatumName().c_str()));
    Timer1->start();
}

void TfrmMonitor::hideEvent(QHideEvent* event) {
    Timer1->stop();
    QDialog::hideEvent(event);
}

void TfrmMonitor::Timer1Timer() {
    // A tick runs to its end; one that arrives meanwhile is dropped.
    if (polling_)
        return;
    polling_ = true;
    const PositionResult result = RequestPosition(ports_, option_.CommPort(), option_.DatumName());
    polling_ = false;
    if (!result.ok) {
        Timer1->stop();
        ShowNoResponse(prompts_, ports_, option_.CommPort());
        hide();
    }
    showResult(result);
}

void TfrmMonitor::showResult(const PositionResult& result) {
    const MonitorFormat format = DM->isChecked()    ? MonitorFormat::DM
                                 : DMS->isChecked() ? MonitorFormat::DMS
                                                    : MonitorFormat::Degree;
    txtLatitude->setText(QString::fromLatin1(MonitorCoordinateText(result.latitude, format).c_str()));
    txtLongitude->setText(QString::fromLatin1(MonitorCoordinateText(result.longitude, format).c_str()));
    txtTime->setText(QString::fromLatin1(MonitorTimeText(result.time).c_str()));
}

} // namespace nuvrel::ui
