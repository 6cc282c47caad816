// Bytes from a receiver, however malformed, read through the packet layer:
// into buffers of the sizes the transfers use, and through the product request.
#include "core/gps/ift_rs232c.h"
#include "core/gps/memory_serial_device.h"
#include "core/gps/product_request.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

using namespace nuvrel;

namespace {

SerialPorts memoryPorts(std::shared_ptr<MemoryLine> line) {
    SerialPorts p;
    p.makeDevice = MemorySerialDeviceFactory(std::move(line));
    p.environment = [](const std::string& name) -> std::optional<std::string> {
        if (name == "NUVREL_COM1")
            return std::string("/dev/fuzz");
        return std::nullopt;
    };
    return p;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    static const std::size_t kCapacities[] = {8, 128, 256, 262, 3, 0};
    const std::size_t capacity = kCapacities[data[0] % 6];
    auto line = std::make_shared<MemoryLine>();
    line->input.assign(data + 1, data + size);

    {
        IFTRS232C port(memoryPorts(line));
        if (!port.OpenPort(1))
            std::abort();
        // Exactly the capacity on the heap, so that a write past it is caught.
        std::vector<std::uint8_t> buf(capacity);
        for (int guard = 0; guard < 10000; ++guard) {
            const int n = port.ReadPacket(buf.data(), buf.size());
            if (n < 0 || std::size_t(n) > capacity)
                std::abort();
            if (n > 0 && std::size_t(buf[2]) + 6 != std::size_t(n))
                std::abort();
            if (n == 0 && port.lastReadStatus() == FrameStatus::TimedOut)
                break;
        }
    }
    line->readPos = 0;
    line->output.clear();
    const ProductData p = RequestProductData(memoryPorts(line), 1);
    if (p.ok && p.description.size() > 251)
        std::abort();
    return 0;
}
