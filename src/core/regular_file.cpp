#include "core/regular_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace nuvrel {

int OpenRegularFile(const std::string& path, std::string* why) {
    // Without O_NONBLOCK, opening a FIFO waits for a writer, and a serial
    // device for its carrier.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (why)
            *why = std::strerror(errno);
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int err = errno;
        ::close(fd);
        if (why)
            *why = S_ISDIR(st.st_mode) ? "it is a folder"
                   : st.st_mode        ? "it is not a regular file"
                                       : std::strerror(err);
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

bool IsReadableRegularFile(const std::string& path, std::string* why) {
    const int fd = OpenRegularFile(path, why);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

} // namespace nuvrel
