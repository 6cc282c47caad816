// The receiver's side of the link: answers the host's packets on the master
// side of a pseudo-terminal, with scripted faults.
#pragma once

#include "sim_data.h"
#include "sim_frame.h"
#include "sim_models.h"

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <deque>
#include <string>

namespace gpssim {

struct Faults {
    bool silent = false;       // never send anything
    int stallAfter = 0;        // send nothing after this many packets (0: never)
    int stallMidPacket = 0;    // send only the first half of this packet, then nothing
    bool unknownPackets = false; // unknown packets before the product data and among transfer packets
    int recordsOvercount = 0;  // announce this many packets more than follow
    int corruptChecksum = 0;   // send this packet with a wrong checksum
    int shortRecordAfter = 0;  // an unannounced 4-byte record after this many data records (0: none)
    bool pace = false;         // 9600 baud, 10 bits per byte
};

class Receiver {
public:
    Receiver(int fd, Model model, Data data, Faults faults, std::FILE* record, std::time_t clock,
             volatile std::sig_atomic_t* stop, std::int64_t endMs);

    // Serves the host until stopped or the end time is reached.
    void run();

    // How long the receiver waits for the host to acknowledge a packet.
    static constexpr int kAckTimeoutMs = 3000;

private:
    bool nextFrame(Frame& out, std::int64_t deadlineMs);
    bool send(std::uint8_t id, const Bytes& data);
    bool sendAwaitAck(std::uint8_t id, const Bytes& data);
    void writeBytes(const Bytes& bytes);
    void handle(const Frame& f);
    void answerProductRequest();
    void answerCommand(int command);
    void sendTransfer(int command, const std::deque<std::pair<std::uint8_t, Bytes>>& packets);
    void sendUnknown();
    void record(const std::string& line, const Frame* f = nullptr);
    bool stopping() const;

    int fd_;
    Model model_;
    Data data_;
    Faults faults_;
    std::FILE* record_;
    std::time_t clock_;
    volatile std::sig_atomic_t* stop_;
    std::int64_t endMs_;
    Decoder decoder_;
    std::deque<Frame> pending_;
    int sent_ = 0;
    bool stalled_ = false;
};

std::int64_t NowMs();

} // namespace gpssim
