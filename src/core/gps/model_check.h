// The check every receiver command makes before it transfers anything: is a
// receiver there, and is it the model the settings name?
#pragma once

#include "core/ift_option.h"
#include "core/gps/product_request.h"
#include "core/gps/serial_ports.h"
#include "core/platform.h"

namespace nuvrel {

inline constexpr const char* kMismatchQuestion = "Mismatch GPS Type. Do you wish to continue?";

// Asks the receiver on the CommPort port for its product data. No answer:
// error 2 "GPS doesn't respond" and false. A product ID other than
// GPSModelID: the warning beep and the "Confirm" question; false on No.
// The transfer that follows uses the formats of the settings, not the
// reported ones.
bool RunModelCheck(const SerialPorts& ports, const IFTOption& option, UserPrompts& prompts);

// Stores a detected receiver in the settings: its model name (or "GPS II"
// for an unknown ID), its ID as reported, its character set and version.
void StoreDetectedModel(IFTOption& option, const ProductData& product);

} // namespace nuvrel
