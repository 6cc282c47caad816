// The program's command line: "nuvrel [FILE]", where FILE is a data file to
// open at start, or "nuvrel --help".
#pragma once

#include <string>
#include <vector>

namespace nuvrel {

struct StartArguments {
    bool help = false;  // print the usage and stop
    std::string file;   // the data file to open, or empty
    std::string error;  // what is wrong with the command line, or empty
};

// args: the arguments after the program name. "--" ends the options, so a
// file whose name starts with "-" can be opened too.
StartArguments ParseStartArguments(const std::vector<std::string>& args);

// "Usage: nuvrel [FILE]" and what it does, ending with a line break.
std::string StartUsage();

} // namespace nuvrel
