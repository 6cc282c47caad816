// Opening the files the program reads (data files, imports, maps) only when
// they are regular files: a FIFO, a device or a folder is refused at once
// instead of being waited on or read without end.
#pragma once

#include <string>

namespace nuvrel {

// A read-only descriptor of the regular file at path, or -1 with why set to
// the reason ("it is a folder", "it is not a regular file", or the system's
// message).
int OpenRegularFile(const std::string& path, std::string* why = nullptr);

// True when path names a regular file that can be opened for reading.
bool IsReadableRegularFile(const std::string& path, std::string* why = nullptr);

} // namespace nuvrel
