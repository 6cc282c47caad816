#include "core/gps/transfer_link.h"

#include "core/gps/control_packet.h"

namespace nuvrel {

const char* LinkStatusName(LinkStatus status) {
    switch (status) {
    case LinkStatus::Ok: return "ok";
    case LinkStatus::NoPort: return "no port";
    case LinkStatus::TimedOut: return "time-out";
    case LinkStatus::ProtocolError: return "protocol error";
    case LinkStatus::Cancelled: return "cancelled";
    case LinkStatus::OutOfMemory: return "out of memory";
    }
    return "?";
}

void SendAbort(IFTRS232C& link) {
    if (!link.isOpen())
        return;
    // The stop has been requested: the waits below must not end at once.
    link.setStopToken({});
    Request abort(Cmnd_Abort_Transfer);
    if (link.WritePacket(abort.Bytes(), abort.Length()) <= 0)
        return;
    // The rest of the packet the receiver was sending comes first, then the
    // acknowledgement of the abort; a receiver that sends neither is not
    // waited for long.
    link.setByteTimeout(300);
    std::uint8_t buffer[kMaxPacketLength];
    for (int packets = 0; packets < 4; ++packets) {
        if (link.ReadPacket(buffer) == 0 && link.lastReadStatus() != FrameStatus::TooLong)
            break;
        if (buffer[1] == Pid_Ack && buffer[3] == Pid_Command_Data)
            break;
    }
    link.setByteTimeout(IFTRS232C::kByteTimeoutMs);
}

LinkStatus ReadFailure(const IFTRS232C& link, const TransferControl& control) {
    if (control.stopRequested())
        return LinkStatus::Cancelled;
    switch (link.lastReadStatus()) {
    case FrameStatus::TooLong:
    case FrameStatus::NoStart: return LinkStatus::ProtocolError;
    default: return LinkStatus::TimedOut;
    }
}

} // namespace nuvrel
