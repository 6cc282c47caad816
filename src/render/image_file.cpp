#include "render/image_file.h"

#include "core/safe_save.h"

#include <QBuffer>
#include <QByteArray>

namespace nuvrel::render {

std::string SaveImageFile(const QImage& image, const std::string& path, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (image.isNull() || !image.save(&buffer, format))
        return "the picture could not be encoded";
    SafeSave file(path);
    if (file.takesOwnership())
        return "it belongs to another user";
    if (!file.open() || !file.write(bytes.constData(), std::size_t(bytes.size())) || !file.commit())
        return file.error();
    return {};
}

} // namespace nuvrel::render
