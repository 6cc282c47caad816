#include "core/gps/model_check.h"

#include "core/errors.h"
#include "core/gps/gps_model.h"

namespace nuvrel {

bool RunModelCheck(const SerialPorts& ports, const IFTOption& option, UserPrompts& prompts) {
    const ProductData product = RequestProductData(ports, option.CommPort());
    if (!product.ok) {
        ShowError(prompts, kErrGpsDoesntRespond);
        return false;
    }
    if (product.productId != option.GPSModelID()) {
        prompts.beep();
        if (!prompts.askYesNo("Confirm", kMismatchQuestion))
            return false;
    }
    return true;
}

void StoreDetectedModel(IFTOption& option, const ProductData& product) {
    const GPSModel table;
    option.SetGPSModel(table.ModelNameForId(product.productId));
    option.SetGPSModelID(product.productId);
    option.SetGPSCharSet(table.CharSetForId(product.productId));
    option.SetGPSSoftwareVersion(product.softwareVersion);
}

} // namespace nuvrel
