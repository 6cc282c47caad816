// What a window really shows on an X server: the pixels grabbed from the
// screen, compared with what the widget paints by itself.
#pragma once

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QScreen>
#include <QTest>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace x11 {

// The window's pixels as the X server holds them now (garbage or black when
// the window was mapped but never painted).
inline QImage screenPixels(QWidget* w)
{
    QScreen* screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    return screen->grabWindow(w->winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

// The part of the screen where a child widget is, cut from its window's
// pixels (asking a child for its own window id would make it a native one).
inline QImage screenPixelsOf(QWidget* child)
{
    QWidget* top = child->window();
    const QPoint at = child->mapTo(top, QPoint(0, 0));
    QScreen* screen = top->screen() ? top->screen() : QGuiApplication::primaryScreen();
    return screen->grabWindow(top->winId(), at.x(), at.y(), child->width(), child->height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

// A connection of its own to the X server, usable from any thread: sees the
// windows as another client does, also while the program's GUI thread is
// busy.
class ServerView {
public:
    ServerView() : c_(xcb_connect(nullptr, nullptr)) {}
    ~ServerView() { xcb_disconnect(c_); }
    ServerView(const ServerView&) = delete;
    ServerView& operator=(const ServerView&) = delete;

    xcb_window_t root() const { return xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root; }

    bool viewable(xcb_window_t window) const
    {
        std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&std::free)> a(
            xcb_get_window_attributes_reply(c_, xcb_get_window_attributes(c_, window), nullptr), &std::free);
        return a && a->map_state == XCB_MAP_STATE_VIEWABLE;
    }

    // The window's pixels as the server holds them (null when unmapped).
    QImage grab(xcb_window_t window) const
    {
        std::unique_ptr<xcb_get_geometry_reply_t, decltype(&std::free)> g(
            xcb_get_geometry_reply(c_, xcb_get_geometry(c_, window), nullptr), &std::free);
        if (!g || g->depth != 24)
            return {};
        std::unique_ptr<xcb_get_image_reply_t, decltype(&std::free)> image(
            xcb_get_image_reply(c_,
                                xcb_get_image(c_, XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0, 0, g->width, g->height, ~0u),
                                nullptr),
            &std::free);
        if (!image || xcb_get_image_data_length(image.get()) < g->width * g->height * 4)
            return {};
        return QImage(xcb_get_image_data(image.get()), g->width, g->height, g->width * 4, QImage::Format_RGB32)
            .copy();
    }

    // The title a window manager shows (_NET_WM_NAME, else WM_NAME).
    QString title(xcb_window_t window) const
    {
        const xcb_atom_t netName = atom("_NET_WM_NAME");
        for (const xcb_atom_t property : {netName, xcb_atom_t{XCB_ATOM_WM_NAME}}) {
            std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> p(
                xcb_get_property_reply(c_, xcb_get_property(c_, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 4096),
                                       nullptr),
                &std::free);
            if (p && xcb_get_property_value_length(p.get()) > 0)
                return QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(p.get())),
                                         xcb_get_property_value_length(p.get()));
        }
        return {};
    }

    // The window's outermost window below the root (the frame a window
    // manager draws around it, or the window itself without one), in the
    // root's device pixels; empty while the window is not mapped.
    QRect frame(xcb_window_t window) const
    {
        const xcb_window_t rootWindow = root();
        for (int depth = 0; depth < 16; ++depth) {
            std::unique_ptr<xcb_query_tree_reply_t, decltype(&std::free)> t(
                xcb_query_tree_reply(c_, xcb_query_tree(c_, window), nullptr), &std::free);
            if (!t)
                return {};
            if (t->parent == rootWindow)
                break;
            window = t->parent;
        }
        std::unique_ptr<xcb_get_geometry_reply_t, decltype(&std::free)> g(
            xcb_get_geometry_reply(c_, xcb_get_geometry(c_, window), nullptr), &std::free);
        if (!g || !viewable(window))
            return {};
        return QRect(g->x, g->y, g->width + 2 * g->border_width, g->height + 2 * g->border_width);
    }

    // The root window's size in device pixels.
    QSize rootSize() const
    {
        const xcb_screen_t* s = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
        return QSize(s->width_in_pixels, s->height_in_pixels);
    }

    // What a window manager sends when the user clicks the close box.
    void requestClose(xcb_window_t window) const
    {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = atom("WM_PROTOCOLS");
        event.data.data32[0] = atom("WM_DELETE_WINDOW");
        event.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(c_, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&event));
        xcb_flush(c_);
    }

private:
    xcb_atom_t atom(const char* name) const
    {
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> r(
            xcb_intern_atom_reply(c_, xcb_intern_atom(c_, 0, uint16_t(std::strlen(name)), name), nullptr), &std::free);
        return r ? r->atom : xcb_atom_t{XCB_ATOM_NONE};
    }

    xcb_connection_t* c_;
};

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

// Keeps a screenshot for a person to look at: under "screenshots/" in the
// folder the test runs in (build/tests), so two checkouts tested at once
// never write over each other's pictures.
inline void keepScreenshot(const QImage& img, const QString& name)
{
    QDir().mkpath(QStringLiteral("screenshots"));
    img.save(QStringLiteral("screenshots/") + name);
}

}  // namespace x11
