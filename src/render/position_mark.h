// The animated position marker drawn into the map picture: a small picture
// (a hang glider, a kayak, ...) turned to the direction of travel, with the
// map pixels it covers saved so that the next move puts them back.
#pragma once

#include <QImage>
#include <QPoint>
#include <QString>

#include <functional>
#include <vector>

namespace nuvrel::render {

class IFTPositionMark {
public:
    // The frame picture of a resource name ("KAYAK0"), or a null image when
    // there is none.
    using FrameSource = std::function<QImage(const QString& name)>;
    // The frames compiled into the program (":/marker/NAME").
    static QImage resourceFrame(const QString& name);

    IFTPositionMark() = default;

    // Loads the frames traceMark + "0", "1", ... until one is missing. A name
    // without frames gives a marker that draws nothing.
    void Create(const QString& traceMark, const FrameSource& source = resourceFrame);
    // Moves the marker to map pixel (x, y) turned clockwise by `degrees`,
    // first putting back what it covered, and shows the next frame.
    void Draw(QImage& map, int x, int y, int degrees);
    // Puts back what the marker covers and takes it off the map.
    void Hide(QImage& map);
    // The picture was rebuilt under the marker (a map load, a zoom step):
    // there is nothing of it left to put back.
    void Forget() { shown_ = false; }
    void Destroy();

    int frameCount() const { return static_cast<int>(frames_.size()); }
    bool shown() const { return shown_; }
    QPoint lastPosition() const { return last_; }
    const std::vector<int>& sequence() const { return sequence_; }
    int sequencePosition() const { return position_; }
    const QImage& composed() const { return composed_; }

private:
    std::vector<QImage> frames_;
    std::vector<int> sequence_;
    int position_ = 0;
    QImage background_;
    QImage composed_;
    QPoint last_;
    bool shown_ = false;
};

} // namespace nuvrel::render
