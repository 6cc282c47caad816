// What a window really shows on an X server: the pixels grabbed from the
// screen, compared with what the widget paints by itself.
#pragma once

#include <QApplication>
#include <QImage>
#include <QScreen>
#include <QTest>
#include <QWidget>

namespace x11 {

// The window's pixels as the X server holds them now (garbage or black when
// the window was mapped but never painted).
inline QImage screenPixels(QWidget* w)
{
    QScreen* screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    return screen->grabWindow(w->winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

// The widget's own rendering of itself, the reference for screenPixels.
inline QImage ownRendering(QWidget* w)
{
    return w->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Share of pixels that differ by more than `tolerance` in any channel; 1.0
// when the sizes differ.
inline double differingShare(const QImage& a, const QImage& b, int tolerance = 24)
{
    if (a.size() != b.size() || a.isNull())
        return 1.0;
    qint64 differing = 0;
    for (int y = 0; y < a.height(); ++y) {
        const QRgb* pa = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const QRgb* pb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x)
            if (std::abs(qRed(pa[x]) - qRed(pb[x])) > tolerance ||
                std::abs(qGreen(pa[x]) - qGreen(pb[x])) > tolerance ||
                std::abs(qBlue(pa[x]) - qBlue(pb[x])) > tolerance)
                ++differing;
    }
    return double(differing) / (double(a.width()) * a.height());
}

// Number of distinct colours: a painted window with text has many (anti-aliased
// glyphs), an unpainted one a single fill.
inline int colourCount(const QImage& img)
{
    QSet<QRgb> seen;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            seen.insert(img.pixel(x, y));
            if (seen.size() > 1000)
                return int(seen.size());
        }
    return int(seen.size());
}

}  // namespace x11
