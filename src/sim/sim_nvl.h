// Receiver contents taken from a native data file; its positions are taken
// as WGS-84.
#pragma once

#include "sim_data.h"
#include "sim_models.h"

#include <string>

namespace gpssim {

// Fills data from the file; false (with a reason) when it cannot be read.
bool LoadNativeFile(const std::string& path, const Model& model, Data& data, std::string& error);

} // namespace gpssim
