#include "ui/tfrm_message.h"

#include <QFont>
#include <QLabel>
#include <QVBoxLayout>

namespace nuvrel::ui {

TfrmMessage::TfrmMessage(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("frmMessage"));
    setWindowTitle(QStringLiteral("Message"));
    lblMessage = new QLabel(QStringLiteral("Down Loading"), this);
    lblMessage->setObjectName(QStringLiteral("lblMessage"));
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(28);
    lblMessage->setFont(font);
    QPalette palette = lblMessage->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    lblMessage->setPalette(palette);
    lblMessage->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblMessage);
    setMinimumWidth(360);
}

void TfrmMessage::setTitle(const std::string& title) {
    const QString text = QString::fromLocal8Bit(title.c_str());
    setWindowTitle(text);
    lblMessage->setText(text);
}

void TfrmMessage::setLabel(const std::string& text) { lblMessage->setText(QString::fromLocal8Bit(text.c_str())); }

void TfrmMessage::show() {
    QWidget::show();
    raise();
}

void TfrmMessage::repaint() {
    if (isVisible())
        QWidget::repaint();
}

void TfrmMessage::hide() { QWidget::hide(); }

} // namespace nuvrel::ui
