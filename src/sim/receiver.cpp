#include "receiver.h"

#include "sim_records.h"

#include <cerrno>
#include <poll.h>
#include <time.h>
#include <unistd.h>

namespace gpssim {

std::int64_t NowMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::int64_t(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

Receiver::Receiver(int fd, Model model, Data data, Faults faults, std::FILE* record, std::time_t clock,
                   volatile std::sig_atomic_t* stop, std::int64_t endMs)
    : fd_(fd), model_(std::move(model)), data_(std::move(data)), faults_(faults), record_(record), clock_(clock),
      stop_(stop), endMs_(endMs) {}

bool Receiver::stopping() const { return *stop_ || (endMs_ > 0 && NowMs() >= endMs_); }

void Receiver::record(const std::string& line, const Frame* f) {
    if (!record_)
        return;
    std::fputs(line.c_str(), record_);
    if (f) {
        std::fputs(" raw=", record_);
        for (std::uint8_t b : f->data)
            std::fprintf(record_, "%02X", b);
    }
    std::fputc('\n', record_);
    std::fflush(record_);
}

bool Receiver::nextFrame(Frame& out, std::int64_t deadlineMs) {
    for (;;) {
        if (!pending_.empty()) {
            out = std::move(pending_.front());
            pending_.pop_front();
            return true;
        }
        if (stopping())
            return false;
        std::int64_t wait = 100;
        if (deadlineMs > 0) {
            const std::int64_t left = deadlineMs - NowMs();
            if (left <= 0)
                return false;
            if (left < wait)
                wait = left;
        }
        pollfd p{fd_, POLLIN, 0};
        const int r = ::poll(&p, 1, int(wait));
        if (r <= 0)
            continue;
        if (!(p.revents & POLLIN)) {
            // No host has the terminal open (or it hung up): wait quietly.
            ::usleep(50000);
            continue;
        }
        std::uint8_t buf[512];
        const ssize_t n = ::read(fd_, buf, sizeof buf);
        if (n <= 0) {
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                ::usleep(50000);
            continue;
        }
        for (ssize_t i = 0; i < n; ++i)
            if (decoder_.push(buf[i]))
                pending_.push_back(decoder_.frame());
    }
}

void Receiver::writeBytes(const Bytes& bytes) {
    timespec next{};
    clock_gettime(CLOCK_MONOTONIC, &next);
    const std::size_t step = faults_.pace ? 1 : bytes.size();
    for (std::size_t at = 0; at < bytes.size() && !stopping();) {
        const std::size_t n = std::min(step, bytes.size() - at);
        const ssize_t w = ::write(fd_, bytes.data() + at, n);
        if (w > 0) {
            at += std::size_t(w);
            if (faults_.pace) {
                next.tv_nsec += 1041667 * long(w); // 10 bits at 9600 baud
                while (next.tv_nsec >= 1000000000) {
                    next.tv_nsec -= 1000000000;
                    ++next.tv_sec;
                }
                clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
            }
            continue;
        }
        if (w < 0 && errno != EAGAIN && errno != EINTR)
            return;
        pollfd p{fd_, POLLOUT, 0};
        ::poll(&p, 1, 100);
    }
}

bool Receiver::send(std::uint8_t id, const Bytes& data) {
    if (faults_.silent || stalled_)
        return false;
    ++sent_;
    if (faults_.stallAfter > 0 && sent_ > faults_.stallAfter) {
        stalled_ = true;
        record("stalled after=" + std::to_string(faults_.stallAfter));
        return false;
    }
    Bytes wire = Encode(id, data, faults_.corruptChecksum == sent_ ? 0x5A : 0);
    if (faults_.stallMidPacket == sent_) {
        wire.resize(wire.size() / 2);
        writeBytes(wire);
        stalled_ = true;
        record("stalled packet=" + std::to_string(sent_) + " id=" + std::to_string(id));
        return false;
    }
    writeBytes(wire);
    return true;
}

bool Receiver::sendAwaitAck(std::uint8_t id, const Bytes& data) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (!send(id, data))
            return false;
        Frame f;
        if (!nextFrame(f, NowMs() + kAckTimeoutMs)) {
            record("noack id=" + std::to_string(id));
            return false;
        }
        if (f.checksumOk && f.id == Pid_Ack) {
            record("ack id=" + std::to_string(f.data.empty() ? -1 : f.data[0]), &f);
            return true;
        }
        if (f.checksumOk && f.id == Pid_Nak)
            continue; // send it again
        // The host moved on: abandon what we were sending and serve that packet.
        pending_.push_front(std::move(f));
        return false;
    }
    return false;
}

void Receiver::sendUnknown() {
    // An identifier the host does not know, with bytes that need stuffing.
    sendAwaitAck(0x5B, Bytes{0x10, 0x03, 0x10, 0x10, 0x01});
}

void Receiver::run() {
    Frame f;
    while (!stopping()) {
        if (nextFrame(f, 0))
            handle(f);
    }
}

void Receiver::handle(const Frame& f) {
    if (!f.checksumOk) {
        record("badchecksum id=" + std::to_string(f.id), &f);
        send(Pid_Nak, U16(f.id));
        return;
    }
    if (f.id == Pid_Ack || f.id == Pid_Nak) {
        record(std::string(f.id == Pid_Ack ? "stray ack" : "nak"), &f);
        return;
    }
    record(DescribeHostPacket(model_, f), &f);
    send(Pid_Ack, U16(f.id));
    if (f.id == Pid_Product_Rqst)
        answerProductRequest();
    else if (f.id == Pid_Command_Data && f.data.size() >= 2)
        answerCommand(f.data[0] | f.data[1] << 8);
}

void Receiver::answerProductRequest() {
    if (faults_.unknownPackets)
        sendUnknown();
    if (!sendAwaitAck(Pid_Product_Data, ProductRecord(model_)))
        return;
    if (model_.newFormat)
        sendAwaitAck(Pid_Protocol_Array, ProtocolArrayRecord(model_));
}

void Receiver::answerCommand(int command) {
    std::deque<std::pair<std::uint8_t, Bytes>> packets;
    switch (command) {
    case Cmnd_Transfer_Posn:
        sendAwaitAck(Pid_Position_Data, PositionRecord(data_.lat, data_.lon));
        return;
    case Cmnd_Transfer_Time:
        sendAwaitAck(Pid_Date_Time_Data, DateTimeRecord(clock_ ? clock_ : std::time(nullptr)));
        return;
    case Cmnd_Transfer_Wpt:
        for (const auto& w : data_.waypoints)
            packets.push_back({Pid_Wpt_Data, WaypointRecord(model_, w)});
        break;
    case Cmnd_Transfer_Trk:
        for (const auto& t : data_.tracks) {
            if (model_.newFormat)
                packets.push_back({Pid_Trk_Hdr, TrackHeaderRecord(t)});
            for (const auto& p : t.points)
                packets.push_back({Pid_Trk_Data, TrackPointRecord(model_, p)});
        }
        break;
    case Cmnd_Transfer_Rte:
        for (const auto& r : data_.routes) {
            packets.push_back({Pid_Rte_Hdr, RouteHeaderRecord(model_, r)});
            for (std::size_t i = 0; i < r.points.size(); ++i) {
                if (i > 0 && model_.newFormat)
                    packets.push_back({Pid_Rte_Link_Data, RouteLinkRecord()});
                packets.push_back({Pid_Rte_Wpt_Data, WaypointRecord(model_, r.points[i])});
            }
        }
        break;
    case Cmnd_Abort_Transfer:
        // The transfer under way (if any) was already abandoned when this
        // command came instead of an acknowledgement.
        record("abort");
        return;
    default:
        return; // power off and the rest need no answer
    }
    sendTransfer(command, packets);
}

void Receiver::sendTransfer(int command, const std::deque<std::pair<std::uint8_t, Bytes>>& packets) {
    std::deque<std::pair<std::uint8_t, Bytes>> all;
    for (std::size_t i = 0; i < packets.size(); ++i) {
        if (faults_.unknownPackets && i % 3 == 0)
            all.push_back({0x5B, Bytes{0x10, 0x03, 0x10, 0x10, 0x01}});
        all.push_back(packets[i]);
    }
    int announced = int(all.size()) + faults_.recordsOvercount;
    announced = announced < 0 ? 0 : announced > 65535 ? 65535 : announced;
    if (faults_.shortRecordAfter > 0) {
        // A record cut to 4 bytes, of the identifier the data records carry,
        // that the Records packet does not count.
        int records = 0;
        for (auto it = all.begin(); it != all.end(); ++it) {
            const std::uint8_t id = it->first;
            if ((id == Pid_Wpt_Data || id == Pid_Trk_Data || id == Pid_Rte_Wpt_Data) &&
                ++records == faults_.shortRecordAfter) {
                all.insert(it + 1, {id, Bytes{0, 0, 0, 0}});
                break;
            }
        }
    }
    record("send command=" + std::to_string(command) + " records=" + std::to_string(announced));
    if (!sendAwaitAck(Pid_Records, U16(announced)))
        return;
    int sentPackets = 0;
    for (const auto& [id, data] : all) {
        if (!sendAwaitAck(id, data)) {
            record("abandoned command=" + std::to_string(command) + " after=" + std::to_string(sentPackets));
            return;
        }
        ++sentPackets;
    }
    if (sendAwaitAck(Pid_Xfer_Cmplt, U16(command)))
        record("done command=" + std::to_string(command));
}

} // namespace gpssim
