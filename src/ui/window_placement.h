// Where the program's windows appear and how large they are. Every window
// and dialog, when it is first shown, is made to fit the screen it appears
// on (at most 90 % of the screen's free area, and inside it); a window that
// was shown before in an earlier run comes back with the size and position it
// had then, as long as that place is on a screen that exists now. Sizes the
// windows set for themselves are their defaults, never locks.
#pragma once

#include <QObject>
#include <QRect>
#include <QSize>

class QWidget;

namespace nuvrel {
class SettingsStore;
}

namespace nuvrel::ui {

// The share of a screen's free area a window takes at most by default.
inline constexpr double kMaxScreenShare = 0.9;

// `wanted` made small enough for `available` (a screen's free area).
QSize FitToArea(QSize wanted, const QRect& available);
// The window's default size `wanted`, made to fit the screen the window is on.
void ResizeToFit(QWidget* window, QSize wanted);
// The geometry "x,y,width,height" as remembered, or an empty rect.
QRect ParseGeometry(const std::string& text);
std::string GeometryText(const QRect& r);

// Watches every window of the application: fits it on its first showing,
// restores what was remembered for it and remembers it when it is hidden.
// Values live under the program's key, in "Windows", one per window name.
class WindowPlacement : public QObject {
    Q_OBJECT
public:
    WindowPlacement(SettingsStore& store, QObject* parent = nullptr);
    ~WindowPlacement() override;

    // True when the window got its remembered size on this showing.
    static bool restored(const QWidget* window);
    // Remembers every window that is open (as the program ends).
    void rememberOpenWindows();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place(QWidget* window);
    void remember(QWidget* window);

    SettingsStore& store_;
};

} // namespace nuvrel::ui
