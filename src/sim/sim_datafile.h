// The receiver's contents read from a text file (--data), one item a line,
// fields separated by "|", texts with \xNN escapes for any byte:
//
//   wpt|IDENT|LAT|LON|ALT|SYMBOL|DISPLAY|PROXIMITY|COMMENT
//   track|NAME                          (starts a track)
//   trkpt|LAT|LON|TIME|ALT|NEWTRACK     (TIME in receiver seconds, NEWTRACK 0/1)
//   route|NUMBER|NAME                   (starts a route)
//   rtept|IDENT|LAT|LON|ALT|SYMBOL|DISPLAY|PROXIMITY|COMMENT
//   position|LAT|LON
//
// Lines starting with "#" and empty lines are skipped. Positions in WGS-84.
#pragma once

#include "sim_data.h"

#include <string>

namespace gpssim {

// Reads the file into data (replacing everything in it). False with a
// message in error on an unreadable file or a malformed line.
bool ReadDataFile(const std::string& path, Data& data, std::string& error);

} // namespace gpssim
