#include "ui/tfrm_message.h"

#include "render/code_page_text.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFont>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>
#include <QWindow>

namespace nuvrel::ui {

namespace {

// The timers and the serial notifiers wait for the event loop; what the
// window system and the posted events bring is handled.
constexpr QEventLoop::ProcessEventsFlags kNoTimersNoSockets =
    QEventLoop::ExcludeSocketNotifiers | QEventLoop::X11ExcludeTimers;

// How long show() waits for the window to appear on the screen.
constexpr int kExposeWaitMs = 1000;

// Swallows what the user does with mouse, keyboard, close boxes and drops.
class DropUserInput : public QObject {
public:
    DropUserInput() { QCoreApplication::instance()->installEventFilter(this); }
    ~DropUserInput() override { QCoreApplication::instance()->removeEventFilter(this); }

    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::InputMethod:
        case QEvent::ContextMenu:
        case QEvent::Close:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
        case QEvent::TabletMove:
            return true;
        default:
            return false;
        }
    }
};

// Paints what needs painting (this window, and the others where the
// screen uncovered them); the user's input meanwhile is dropped.
void processPaintEvents() {
    DropUserInput drop;
    QCoreApplication::processEvents(kNoTimersNoSockets);
}

} // namespace

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
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->hide();
    connect(btnCancel, &QPushButton::clicked, this, [this] {
        if (onCancel)
            onCancel();
    });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblMessage);
    layout->addWidget(btnCancel, 0, Qt::AlignHCenter);
    setMinimumWidth(360);
}

void TfrmMessage::placeOverOwner() {
    // Over the middle of the main window, where the user looks.
    if (const QWidget* owner = parentWidget(); owner && owner->isVisible()) {
        adjustSize();
        move(owner->frameGeometry().center() - QPoint(width() / 2, height() / 2));
    }
}

void TfrmMessage::beginWork(const std::string& title) {
    working_ = true;
    if (!title.empty())
        setTitle(title);
    btnCancel->setEnabled(true);
    btnCancel->show();
    placeOverOwner();
    QWidget::show();
    raise();
}

void TfrmMessage::showLine(const std::string& text) { lblMessage->setText(render::fromCodePage(text)); }

void TfrmMessage::showStopping() {
    btnCancel->setEnabled(false);
    lblMessage->setText(QStringLiteral("Stopping"));
}

void TfrmMessage::endWork() {
    working_ = false;
    btnCancel->hide();
    QWidget::hide();
}

void TfrmMessage::keyPressEvent(QKeyEvent* event) {
    if (working_ && event->key() == Qt::Key_Escape) {
        if (onStopRequest)
            onStopRequest();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TfrmMessage::closeEvent(QCloseEvent* event) {
    // The window goes when the work has ended, not before.
    if (working_) {
        event->ignore();
        if (onStopRequest)
            onStopRequest();
        return;
    }
    QWidget::closeEvent(event);
}

void TfrmMessage::setTitle(const std::string& title) {
    const QString text = render::fromCodePage(title);
    setWindowTitle(text);
    lblMessage->setText(text);
}

void TfrmMessage::setLabel(const std::string& text) { lblMessage->setText(render::fromCodePage(text)); }

void TfrmMessage::show() {
    placeOverOwner();
    QWidget::show();
    raise();
    // The first expose comes back from the X server a moment after the map
    // request; the transfer would block the loop before it arrives.
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        processPaintEvents();
        const QWindow* window = windowHandle();
        if (!window || window->isExposed() || waited.elapsed() > kExposeWaitMs)
            break;
        QThread::msleep(2);
    }
    QWidget::repaint();
}

void TfrmMessage::repaint() {
    if (!isVisible())
        return;
    processPaintEvents();
    QWidget::repaint();
}

void TfrmMessage::hide() {
    // What the user did during the work and the X server still holds is
    // dropped too, instead of starting commands afterwards.
    if (isVisible())
        processPaintEvents();
    QWidget::hide();
}

} // namespace nuvrel::ui
