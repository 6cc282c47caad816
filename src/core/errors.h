// The fixed, numbered error messages that every command reports through.
#pragma once

#include "core/platform.h"

#include <string>

namespace nuvrel {

enum ErrorNumber : int {
    kErrCantOpenSerialPort = 1,
    kErrGpsDoesntRespond = 2,
    kErrNoBrowser = 3,
    kErrDatFileNotFound = 4,
    kErrLoadMapFirst = 5,
    kErrOutOfMemory = 6,
    kErrNotNuvrelFile = 7,
    kErrFileOpen = 8,
    kErrNotPotFile = 9,
    kErrUnsupportedFormat = 10,
    kErrNoWaypointId = 11,
    kErrCantExecuteBrowser = 12,
};

// The message of error 1 to 12; an empty text for any other number.
std::string ErrorMessage(int number);

// Shows error `number` in a modal box titled "Error".
void ShowError(UserPrompts& prompts, int number);
// The same, with the file it concerns on a line of its own.
void ShowError(UserPrompts& prompts, int number, const std::string& file);

} // namespace nuvrel
