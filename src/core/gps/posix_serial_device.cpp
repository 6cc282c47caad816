#include "core/gps/posix_serial_device.h"

#include <cerrno>
#include <cstdint>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace nuvrel {

namespace {

std::int64_t monotonicMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::int64_t(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// Waits until fd is ready for events or the deadline passes. Returns the
// revents, 0 on the deadline.
short waitFor(int fd, short events, std::int64_t deadline) {
    for (;;) {
        const std::int64_t left = deadline - monotonicMs();
        if (left <= 0)
            return 0;
        pollfd p{fd, events, 0};
        const int r = ::poll(&p, 1, int(left > 60000 ? 60000 : left));
        if (r > 0)
            return p.revents;
        if (r < 0 && errno != EINTR)
            return POLLERR;
    }
}

} // namespace

PosixSerialDevice::~PosixSerialDevice() { close(); }

bool PosixSerialDevice::open(const std::string& path) {
    if (fd_ >= 0 || path.empty())
        return false;
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    termios tio{};
    if (!isatty(fd) || ioctl(fd, TIOCEXCL) != 0 || tcgetattr(fd, &tio) != 0) {
        ::close(fd);
        return false;
    }
    tio.c_iflag &= ~tcflag_t(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY);
    tio.c_oflag &= ~tcflag_t(OPOST);
    tio.c_lflag &= ~tcflag_t(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    tio.c_cflag &= ~tcflag_t(CSIZE | PARENB | CSTOPB);
    tio.c_cflag |= CS8 | CREAD | CLOCAL;
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    if (cfsetispeed(&tio, B9600) != 0 || cfsetospeed(&tio, B9600) != 0 ||
        tcsetattr(fd, TCSANOW, &tio) != 0) {
        ioctl(fd, TIOCNXCL);
        ::close(fd);
        return false;
    }
    tcflush(fd, TCIOFLUSH);
    fd_ = fd;
    return true;
}

void PosixSerialDevice::close() {
    if (fd_ < 0)
        return;
    ioctl(fd_, TIOCNXCL);
    ::close(fd_);
    fd_ = -1;
}

int PosixSerialDevice::bytesWaiting() {
    if (fd_ < 0)
        return -1;
    int n = 0;
    return ioctl(fd_, FIONREAD, &n) == 0 ? n : -1;
}

int PosixSerialDevice::readByte(int timeoutMs) {
    if (fd_ < 0)
        return -1;
    const std::int64_t deadline = monotonicMs() + (timeoutMs > 0 ? timeoutMs : 0);
    for (;;) {
        unsigned char b = 0;
        const ssize_t r = ::read(fd_, &b, 1);
        if (r == 1)
            return b;
        if (r < 0 && errno == EINTR)
            continue;
        if (r == 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
            return -1; // hung up or failed: no byte will come
        const short ev = waitFor(fd_, POLLIN, deadline);
        if (ev == 0)
            return -1;
        if ((ev & POLLIN) == 0)
            return -1; // error or hang-up without data
    }
}

long PosixSerialDevice::write(const std::uint8_t* bytes, std::size_t n) {
    if (fd_ < 0)
        return -1;
    const std::int64_t deadline = monotonicMs() + kWriteTimeoutMs;
    std::size_t done = 0;
    while (done < n) {
        const ssize_t r = ::write(fd_, bytes + done, n - done);
        if (r > 0) {
            done += std::size_t(r);
            continue;
        }
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return done ? long(done) : -1;
        const short ev = waitFor(fd_, POLLOUT, deadline);
        if ((ev & POLLOUT) == 0)
            break;
    }
    return long(done);
}

SerialDeviceFactory PosixSerialDeviceFactory() {
    return [] { return std::make_unique<PosixSerialDevice>(); };
}

} // namespace nuvrel
