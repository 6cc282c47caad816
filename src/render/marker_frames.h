// The frames of the playback markers: 31 x 31 pictures compiled in as
// ":/markers/<TraceMark><frame>.xpm" ("HANGGLIDER0", "KAYAK0", "KAYAK1", ...).
#pragma once

#include <QImage>
#include <QString>

namespace nuvrel::render {

inline constexpr int kMarkerSize = 31;

QString MarkerFrameResource(const QString& traceMark, int frame);
// The frame, or a null image when the marker has no such frame.
QImage LoadMarkerFrame(const QString& traceMark, int frame);

} // namespace nuvrel::render
