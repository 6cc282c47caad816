#include "render/position_mark.h"

#include "core/analysis/position_mark.h"

#include <algorithm>

namespace nuvrel::render {

namespace {

constexpr QRgb kTransparent = 0xFFFFFF; // pure white, alpha ignored

// Copies src onto dst with its top-left corner at (x, y), only where both
// pictures have pixels.
void blit(QImage& dst, const QImage& src, int x, int y) {
    const int x0 = std::max(0, -x), y0 = std::max(0, -y);
    const int x1 = std::min(src.width(), dst.width() - x), y1 = std::min(src.height(), dst.height() - y);
    for (int j = y0; j < y1; ++j) {
        const auto* s = reinterpret_cast<const QRgb*>(src.constScanLine(j));
        auto* d = reinterpret_cast<QRgb*>(dst.scanLine(j + y));
        std::copy(s + x0, s + x1, d + x + x0);
    }
}

// The mark-sized square of `map` (32-bit pixels) around (x, y); pixels
// outside the map are 0.
QImage around(const QImage& map, int x, int y) {
    QImage out(kMarkSize, kMarkSize, QImage::Format_RGB32);
    out.fill(0);
    blit(out, map, -(x - kMarkCentre), -(y - kMarkCentre));
    return out;
}

bool drawable(const QImage& map) {
    return !map.isNull() && (map.format() == QImage::Format_RGB32 || map.format() == QImage::Format_ARGB32);
}

} // namespace

QImage IFTPositionMark::resourceFrame(const QString& name) {
    return QImage(QStringLiteral(":/marker/") + name, "XPM");
}

void IFTPositionMark::Create(const QString& traceMark, const FrameSource& source) {
    Destroy();
    for (int n = 0;; ++n) {
        QImage frame = source(traceMark + QString::number(n));
        if (frame.isNull())
            break;
        frame = frame.convertToFormat(QImage::Format_RGB32);
        if (frame.size() != QSize(kMarkSize, kMarkSize))
            frame = frame.scaled(kMarkSize, kMarkSize);
        frames_.push_back(frame);
    }
    sequence_ = frameSequence(frameCount());
    background_ = QImage(kMarkSize, kMarkSize, QImage::Format_RGB32);
    composed_ = QImage(kMarkSize, kMarkSize, QImage::Format_RGB32);
}

void IFTPositionMark::Draw(QImage& map, int x, int y, int degrees) {
    if (frames_.empty() || !drawable(map))
        return;
    if (shown_)
        blit(map, background_, last_.x() - kMarkCentre, last_.y() - kMarkCentre);
    last_ = QPoint(x, y);
    background_ = around(map, x, y);
    composed_ = background_.copy();

    const QImage& frame = frames_[static_cast<std::size_t>(sequence_[static_cast<std::size_t>(position_)])];
    const FrameTurn turn(degrees);
    bool set[kMarkSize][kMarkSize] = {};
    for (int j = 0; j < kMarkSize; ++j) {
        const auto* line = reinterpret_cast<const QRgb*>(frame.constScanLine(j));
        for (int i = 0; i < kMarkSize; ++i) {
            if ((line[i] & 0xFFFFFF) == kTransparent)
                continue;
            const FrameTurn::Target t = turn(i, j);
            reinterpret_cast<QRgb*>(composed_.scanLine(t.v))[t.u] = line[i];
            set[t.v][t.u] = true;
        }
    }
    // The pixels no source pixel reached (holes of the turn) show the frame
    // pixel they turn back to, unless it is transparent.
    if (degrees % 90 != 0) {
        for (int v = 0; v < kMarkSize; ++v)
            for (int u = 0; u < kMarkSize; ++u) {
                int i = 0, j = 0;
                if (set[v][u] || !turn.source(u, v, i, j))
                    continue;
                const QRgb pixel = reinterpret_cast<const QRgb*>(frame.constScanLine(j))[i];
                if ((pixel & 0xFFFFFF) != kTransparent)
                    reinterpret_cast<QRgb*>(composed_.scanLine(v))[u] = pixel;
            }
    }
    blit(map, composed_, x - kMarkCentre, y - kMarkCentre);
    shown_ = true;
    position_ = (position_ + 1) % static_cast<int>(sequence_.size());
}

void IFTPositionMark::Hide(QImage& map) {
    if (shown_ && drawable(map))
        blit(map, background_, last_.x() - kMarkCentre, last_.y() - kMarkCentre);
    shown_ = false;
}

void IFTPositionMark::Destroy() {
    frames_.clear();
    sequence_.clear();
    position_ = 0;
    background_ = QImage();
    composed_ = QImage();
    shown_ = false;
}

} // namespace nuvrel::render
