// Finding the files of a map as a Windows user copied them: the bitmap, its
// calibration file, a tiled map's description and its tiles often arrive
// with upper-case names (MAP.BMP + MAP.DAT, Map2.bmp + Map2.DAT, MAPINFO.DAT
// with M0.BMP ...), while the program forms lower-case ones.
#pragma once

#include <map>
#include <string>

namespace nuvrel {

// Resolves paths to existing files, ignoring the letter case of the file
// name (not of the folders). Each folder is listed at most once, so a tiled
// map of many tiles costs one listing.
class FileNameResolver {
public:
    // `path` itself when it exists; else the entry of its folder whose name
    // equals the path's name in any letter case (the first in byte order when
    // several do); else `path` unchanged, so that an error names the file
    // that was tried.
    std::string resolve(const std::string& path);

private:
    // Lower-cased name -> name as stored, per folder.
    std::map<std::string, std::map<std::string, std::string>> folders_;
};

// One lookup with a resolver of its own.
std::string findFileAnyCase(const std::string& path);

} // namespace nuvrel
