// Asking a connected receiver who it is.
#pragma once

#include "core/gps/serial_ports.h"

#include <cstdint>
#include <stop_token>
#include <string>
#include <vector>

namespace nuvrel {

inline constexpr std::uint8_t Pid_Protocol_Array = 253;

struct ProductData {
    bool ok = false;
    std::int32_t productId = -1;
    std::int32_t softwareVersion = -1; // version times 100
    std::string description;
    // The receiver's list of protocols ("A010", "D108"...) when it sent one
    // after its product data; empty for receivers that send none.
    std::vector<std::string> protocols;
};

// The most packets read while waiting for the product data; acknowledgements
// and unrelated packets before it are skipped.
inline constexpr int kMaxPacketsBeforeProductData = 8;

// Opens port `port`, sends Product_Rqst and reads the receiver's
// Product_Data (and the packet that new receivers send after it, when one
// comes). ok is false when the port cannot be opened or the receiver does not
// answer (or a stop was requested meanwhile); no message is shown here.
ProductData RequestProductData(const SerialPorts& ports, int port, std::stop_token stop = {});

} // namespace nuvrel
