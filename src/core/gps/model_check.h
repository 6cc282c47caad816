// The check every receiver command makes before it transfers anything: is a
// receiver there, and is it the model the options name? The answer only;
// what to ask the user is the application's.
#pragma once

#include "core/gps/product_request.h"
#include "core/gps/transfer_link.h"

namespace nuvrel {

enum class ModelCheck {
    Matches,  // the receiver reports the configured product ID
    Mismatch, // it reports another one
    NoAnswer, // no receiver answered (or the port could not be opened)
    Cancelled,
};

struct ModelCheckResult {
    ModelCheck check = ModelCheck::NoAnswer;
    ProductData product;
};

// Asks the receiver on the options' port for its product data. The transfer
// that follows uses the formats of the options, not the reported ones.
ModelCheckResult CheckModel(const SerialPorts& ports, const TransferOptions& options, std::stop_token stop = {});

} // namespace nuvrel
