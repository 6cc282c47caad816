#include "ui/window_placement.h"

#include "core/platform.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cstdio>

namespace nuvrel::ui {

namespace {

constexpr const char* kPlacedProperty = "nuvrelPlaced";
constexpr const char* kRestoredProperty = "nuvrelRestored";

QString windowsKey() { return QString::fromLatin1(kSettingsKeyPath) + QStringLiteral("\\Windows"); }

// Windows that stand for themselves: not menus, tool tips or combo lists.
bool isPlacedWindow(const QWidget* w) {
    if (!w->isWindow())
        return false;
    const Qt::WindowType type = w->windowType();
    return type == Qt::Window || type == Qt::Dialog;
}

// The program's windows all have names; message boxes and the like size
// themselves and are left alone.
QString nameOf(const QWidget* w) { return w->objectName(); }

QScreen* screenFor(const QWidget* w) {
    if (const QWidget* parent = w->parentWidget())
        if (QScreen* s = parent->window()->screen())
            return s;
    if (QScreen* s = w->screen())
        return s;
    return QGuiApplication::primaryScreen();
}

// The screen whose free area holds most of `r`, or null when none holds a
// usable part of it (the window was on a screen that is gone).
QScreen* screenHolding(const QRect& r) {
    QScreen* best = nullptr;
    long long bestArea = 0;
    for (QScreen* s : QGuiApplication::screens()) {
        const QRect common = s->availableGeometry().intersected(r);
        const long long area = static_cast<long long>(common.width()) * common.height();
        if (area > bestArea) {
            bestArea = area;
            best = s;
        }
    }
    // At least a quarter of the window, or it is not really there.
    return bestArea * 4 >= static_cast<long long>(r.width()) * r.height() ? best : nullptr;
}

// The frame a window manager draws around the window, as seen on the
// window's parent (zero before anything is mapped).
QMargins frameOf(const QWidget* w) {
    const QWidget* top = w->parentWidget() ? w->parentWidget()->window() : nullptr;
    if (!top || !top->isVisible())
        return {};
    const QRect frame = top->frameGeometry(), inner = top->geometry();
    return QMargins(inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
                    frame.bottom() - inner.bottom());
}

// `r` moved (and shrunk when it must) so that it and its frame lie inside
// `area`.
QRect keepInside(QRect r, const QRect& area, const QMargins& frame) {
    const QRect inner = area.marginsRemoved(frame);
    r.setWidth(std::min(r.width(), inner.width()));
    r.setHeight(std::min(r.height(), inner.height()));
    r.moveLeft(std::clamp(r.left(), inner.left(), inner.right() + 1 - r.width()));
    r.moveTop(std::clamp(r.top(), inner.top(), inner.bottom() + 1 - r.height()));
    return r;
}

} // namespace

QSize FitToArea(QSize wanted, const QRect& available) {
    const int w = static_cast<int>(available.width() * kMaxScreenShare);
    const int h = static_cast<int>(available.height() * kMaxScreenShare);
    return QSize(std::max(1, std::min(wanted.width(), w)), std::max(1, std::min(wanted.height(), h)));
}

void ResizeToFit(QWidget* window, QSize wanted) {
    const QScreen* s = screenFor(window);
    window->resize(s ? FitToArea(wanted, s->availableGeometry()) : wanted);
}

QRect ParseGeometry(const std::string& text) {
    int x = 0, y = 0, w = 0, h = 0;
    char end = 0;
    if (std::sscanf(text.c_str(), "%d,%d,%d,%d%c", &x, &y, &w, &h, &end) != 4 || w <= 0 || h <= 0 || w > 100000 ||
        h > 100000 || x < -100000 || x > 100000 || y < -100000 || y > 100000)
        return {};
    return QRect(x, y, w, h);
}

std::string GeometryText(const QRect& r) {
    return std::to_string(r.x()) + "," + std::to_string(r.y()) + "," + std::to_string(r.width()) + "," +
           std::to_string(r.height());
}

WindowPlacement::WindowPlacement(SettingsStore& store, QObject* parent) : QObject(parent), store_(store) {
    qApp->installEventFilter(this);
}

WindowPlacement::~WindowPlacement() { qApp->removeEventFilter(this); }

bool WindowPlacement::restored(const QWidget* window) { return window->property(kRestoredProperty).toBool(); }

bool WindowPlacement::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Show && event->type() != QEvent::Hide)
        return false;
    if (!watched->isWidgetType())
        return false;
    auto* w = static_cast<QWidget*>(watched);
    if (!isPlacedWindow(w) || nameOf(w).isEmpty())
        return false;
    if (event->type() == QEvent::Show) {
        if (!w->property(kPlacedProperty).toBool()) {
            w->setProperty(kPlacedProperty, true);
            place(w);
        }
    } else if (!event->spontaneous()) {
        remember(w);
    }
    return false;
}

void WindowPlacement::place(QWidget* w) {
    const QString name = nameOf(w);
    if (!w->isMaximized() && !w->isFullScreen()) {
        if (auto key = store_.openKey(windowsKey().toStdString(), false))
            if (const auto text = key->readString(name.toStdString())) {
                const QRect r = ParseGeometry(*text);
                if (QScreen* s = r.isValid() ? screenHolding(r) : nullptr) {
                    QRect fitted = keepInside(r, s->availableGeometry(), frameOf(w));
                    fitted.setSize(fitted.size().expandedTo(w->minimumSize()));
                    w->setGeometry(fitted);
                    w->setProperty(kRestoredProperty, true);
                    return;
                }
            }
    }
    const QScreen* s = screenFor(w);
    if (!s)
        return;
    const QRect area = s->availableGeometry();
    // Dialogs laid out but never sized get their layout's size now.
    QSize size = w->size();
    if (!w->testAttribute(Qt::WA_Resized) && w->layout())
        size = w->sizeHint().expandedTo(w->minimumSizeHint());
    const QMargins frame = frameOf(w);
    size = FitToArea(size, area).expandedTo(w->minimumSize());
    QRect r(QPoint(0, 0), size);
    // Centred over the parent window, or on the screen.
    const QWidget* parent = w->parentWidget() ? w->parentWidget()->window() : nullptr;
    r.moveCenter(parent && parent->isVisible() ? parent->geometry().center() : area.center());
    if (w->testAttribute(Qt::WA_Moved))
        r.moveTopLeft(w->pos());
    w->setGeometry(keepInside(r, area, frame));
}

void WindowPlacement::rememberOpenWindows() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && isPlacedWindow(w))
            remember(w);
}

void WindowPlacement::remember(QWidget* w) {
    const QString name = nameOf(w);
    if (name.isEmpty() || w->isMaximized() || w->isFullScreen() || !w->property(kPlacedProperty).toBool())
        return;
    if (auto key = store_.openKey(windowsKey().toStdString(), true))
        key->writeString(name.toStdString(), GeometryText(w->geometry()));
}

} // namespace nuvrel::ui
