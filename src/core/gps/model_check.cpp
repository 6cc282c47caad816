#include "core/gps/model_check.h"

namespace nuvrel {

ModelCheckResult CheckModel(const SerialPorts& ports, const TransferOptions& options, std::stop_token stop) {
    ModelCheckResult result;
    if (stop.stop_requested()) {
        result.check = ModelCheck::Cancelled;
        return result;
    }
    result.product = RequestProductData(ports, options.port, stop);
    if (!result.product.ok)
        result.check = stop.stop_requested() ? ModelCheck::Cancelled : ModelCheck::NoAnswer;
    else
        result.check = result.product.productId == options.modelId ? ModelCheck::Matches : ModelCheck::Mismatch;
    return result;
}

} // namespace nuvrel
