// Saving a picture (map image, flight report, barogram) the way the program
// saves every file: into a new private file beside the target that replaces
// it only once complete, never through a link another user planted.
#pragma once

#include <QImage>

#include <string>

namespace nuvrel::render {

// Encodes image in format ("BMP", "PNG") and saves it at path (a local
// 8-bit path); an empty text, or why it could not be saved. Another user's
// file is not taken over.
std::string SaveImageFile(const QImage& image, const std::string& path, const char* format);

} // namespace nuvrel::render
