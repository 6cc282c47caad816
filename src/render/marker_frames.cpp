#include "render/marker_frames.h"

#include <QFile>

namespace nuvrel::render {

QString MarkerFrameResource(const QString& traceMark, int frame) {
    return QStringLiteral(":/markers/%1%2.xpm").arg(traceMark).arg(frame);
}

QImage LoadMarkerFrame(const QString& traceMark, int frame) {
    const QString name = MarkerFrameResource(traceMark, frame);
    if (traceMark.isEmpty() || !QFile::exists(name))
        return {};
    return QImage(name);
}

} // namespace nuvrel::render
