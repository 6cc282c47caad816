#include "core/gps/product_request.h"

#include "core/gps/ift_rs232c.h"

#include <cstdio>

namespace nuvrel {

ProductData RequestProductData(const SerialPorts& ports, int port, std::stop_token stop) {
    ProductData result;
    IFTRS232C link(ports);
    if (stop.stop_requested() || !link.OpenPort(port))
        return result;
    link.setStopToken(stop);

    std::uint8_t request[6] = {kDLE, Pid_Product_Rqst, 0, 0, kDLE, kETX};
    if (link.WritePacket(request, 6) <= 0)
        return result;

    std::uint8_t p[kMaxPacketLength];
    int n = 0;
    for (int tries = 0;; ++tries) {
        if (tries == kMaxPacketsBeforeProductData)
            return result;
        n = link.ReadPacket(p, sizeof p);
        if (n == 0) {
            if (link.lastReadStatus() == FrameStatus::TooLong)
                continue; // read to its end: the line is still in step
            return result;
        }
        if (p[1] == Pid_Product_Data)
            break;
        if (p[1] != Pid_Ack)
            link.Acknowledge(p[1]);
    }
    link.Acknowledge(Pid_Product_Data);

    const int size = p[2];
    if (size >= 2)
        result.productId = GetI16(p + 3);
    if (size >= 4)
        result.softwareVersion = GetI16(p + 5);
    for (int i = 4; i < size && p[3 + i] != 0; ++i)
        result.description.push_back(char(p[3 + i]));
    result.ok = true;

    // New receivers follow with the list of protocols they speak.
    if (link.ReadPacket(p, sizeof p) > 0) {
        link.Acknowledge(p[1]);
        if (p[1] == Pid_Protocol_Array)
            for (int i = 0; i + 3 <= p[2]; i += 3) {
                char tag[8];
                std::snprintf(tag, sizeof tag, "%c%03u", char(p[3 + i]), unsigned(GetU16(p + 4 + i)));
                result.protocols.push_back(tag);
            }
    }
    return result;
}

} // namespace nuvrel
