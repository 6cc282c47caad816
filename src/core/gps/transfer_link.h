// What every transfer shares: the options it runs with (taken from the
// settings by the application), the status it ends with, and how it is
// watched and stopped while it runs. A transfer never shows anything: it
// returns a status and reports packets done of expected to whoever listens.
#pragma once

#include "core/gps/ift_rs232c.h"
#include "core/gps/serial_ports.h"

#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>

namespace nuvrel {

// The receiver and the conversion a transfer works with.
struct TransferOptions {
    int port = 1;                     // "COM<port>"
    std::int32_t modelId = 59;        // product ID of the configured receiver
    std::int32_t softwareVersion = 0; // version times 100
    std::int32_t charSet = 1;         // 2: the receiver's Japanese name set
    std::string datumName = "Tokyo";  // the datum positions are held in
};

enum class LinkStatus {
    Ok,
    NoPort,        // the port could not be opened
    TimedOut,      // the receiver did not answer in time
    ProtocolError, // the receiver answered with something else than the protocol asks
    Cancelled,     // stopped by the user; the receiver was told to abort
    OutOfMemory,   // the announced records do not fit in memory
};

// "ok", "no port", ... for logs and the command line.
const char* LinkStatusName(LinkStatus status);

// Packets done of expected (expected 0 while it is not known yet).
using PacketProgress = std::function<void(std::uint32_t done, std::uint32_t expected)>;

// How a transfer is watched and stopped. The stop token is checked between
// packets and while the link waits for a byte; on a stop the transfer sends
// the abort command, closes the port and returns Cancelled.
struct TransferControl {
    std::stop_token stop;
    PacketProgress progress;

    bool stopRequested() const { return stop.stop_requested(); }
    void report(std::uint32_t done, std::uint32_t expected) const {
        if (progress)
            progress(done, expected);
    }
};

// Command number of the protocol's abort: the receiver ends the transfer
// under way and waits for the next command.
inline constexpr std::int16_t Cmnd_Abort_Transfer = 0;

// Tells the receiver to abort the transfer under way and waits briefly for
// its acknowledgement (the bytes still on their way are read and dropped),
// so the line is quiet when the port is closed.
void SendAbort(IFTRS232C& link);

// The status of a read that returned 0: Cancelled when the stop was
// requested meanwhile, else TimedOut (a packet too long for its buffer or
// a line of garbage counts as a protocol error).
LinkStatus ReadFailure(const IFTRS232C& link, const TransferControl& control);

} // namespace nuvrel
