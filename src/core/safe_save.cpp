#include "core/safe_save.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <fstream>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace nuvrel {

namespace {

// The path's folders and name, in order.
std::deque<std::string> components(const std::string& path) {
    std::deque<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t slash = path.find('/', start);
        const std::size_t end = slash == std::string::npos ? path.size() : slash;
        if (end > start)
            parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// Follows the links in path as the kernel does with its protection of
// shared folders turned on, and gives the path of the file itself; false with
// why set when a link must not be followed or leads nowhere.
bool resolve(const std::string& path, std::string& resolved, std::string& why) {
    std::string start;
    if (path.empty() || path[0] != '/') {
        char cwd[4096];
        if (!::getcwd(cwd, sizeof cwd)) {
            why = std::strerror(errno);
            return false;
        }
        start = cwd;
    }
    std::deque<std::string> todo = components(start + "/" + path);
    std::string done; // "" is the root; never ends in '/'
    int links = 0;
    while (!todo.empty()) {
        const std::string part = todo.front();
        todo.pop_front();
        if (part == ".")
            continue;
        if (part == "..") {
            done.erase(done.rfind('/') == std::string::npos ? 0 : done.rfind('/'));
            continue;
        }
        const std::string next = done + "/" + part;
        struct stat link {};
        if (::lstat(next.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) {
            done = next;
            continue;
        }
        const std::string parent = done.empty() ? "/" : done;
        struct stat folder {};
        if (::stat(parent.c_str(), &folder) == 0 && (folder.st_mode & S_ISVTX) && (folder.st_mode & S_IWOTH) &&
            link.st_uid != ::geteuid() && link.st_uid != folder.st_uid) {
            why = next + " is a link that another user put in the shared folder " + parent;
            return false;
        }
        if (++links > 40) {
            why = std::strerror(ELOOP);
            return false;
        }
        char buffer[4096];
        const ssize_t n = ::readlink(next.c_str(), buffer, sizeof buffer);
        if (n <= 0 || std::size_t(n) >= sizeof buffer) {
            why = n < 0 ? std::strerror(errno) : std::strerror(ENAMETOOLONG);
            return false;
        }
        const std::string to(buffer, std::size_t(n));
        if (to[0] == '/')
            done.clear();
        std::deque<std::string> more = components(to);
        todo.insert(todo.begin(), more.begin(), more.end());
    }
    resolved = done.empty() ? "/" : done;
    return true;
}

// The mode a new file gets: 0666 less the process's umask, read without
// changing it.
mode_t newFileMode() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Umask:", 0) == 0)
            return 0666 & ~mode_t(std::strtoul(line.c_str() + 6, nullptr, 8));
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return 0666 & ~mask;
}

std::string quoted(const std::string& path) { return "\"" + path + "\""; }

} // namespace

SafeSave::SafeSave(const std::string& path) {
    if (!resolve(path, target_, error_))
        return;
    const std::size_t slash = target_.rfind('/');
    folder_ = slash == 0 ? "/" : target_.substr(0, slash);
    name_ = target_.substr(slash + 1);
    struct stat old {};
    if (::lstat(target_.c_str(), &old) != 0) {
        if (errno != ENOENT)
            fail(std::strerror(errno));
        return;
    }
    if (S_ISDIR(old.st_mode)) {
        fail("it is a folder");
        return;
    }
    if (!S_ISREG(old.st_mode)) {
        fail("it is not a regular file");
        return;
    }
    // A file its owner made read-only is not replaced behind their back.
    if (::access(target_.c_str(), W_OK) != 0) {
        fail(std::strerror(errno));
        return;
    }
    replacing_ = true;
    oldMode_ = old.st_mode & 0777;
    oldOwner_ = old.st_uid;
    oldGroup_ = old.st_gid;
    takesOwnership_ = old.st_uid != ::geteuid() && ::geteuid() != 0;
}

SafeSave::~SafeSave() { discard(); }

bool SafeSave::fail(const std::string& why) {
    if (error_.empty())
        error_ = why;
    return false;
}

void SafeSave::discard() {
    if (madeTemporary_ && !committed_) {
        // Only the file this save made, if it is still the one at that name.
        struct stat st {};
        if (::fstatat(folderFd_, temporary_.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && st.st_dev == tempDevice_ &&
            st.st_ino == tempInode_)
            (void)::unlinkat(folderFd_, temporary_.c_str(), 0);
    }
    if (fd_ >= 0)
        ::close(fd_);
    if (folderFd_ >= 0)
        ::close(folderFd_);
    fd_ = folderFd_ = -1;
    madeTemporary_ = false;
}

bool SafeSave::open() {
    if (!error_.empty())
        return false;
    folderFd_ = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd_ < 0)
        return fail(std::strerror(errno));
    // Short, so that any name the folder can hold can be saved; new, never
    // an existing file or link; readable by no one else while written.
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device random;
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        temporary_ = ".nuvrel-";
        for (int i = 0; i < 8; ++i)
            temporary_ += kLetters[random() % (sizeof kLetters - 1)];
        fd_ = ::openat(folderFd_, temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd_ < 0 && errno != EEXIST)
            break;
    }
    if (fd_ < 0)
        return fail(std::strerror(errno));
    madeTemporary_ = true;
    struct stat st {};
    ::fstat(fd_, &st);
    tempDevice_ = st.st_dev;
    tempInode_ = st.st_ino;
    return true;
}

bool SafeSave::write(const void* bytes, std::size_t size) {
    const auto* p = static_cast<const char*>(bytes);
    while (size > 0) {
        const ssize_t done = ::write(fd_, p, std::min<std::size_t>(size, 1u << 30));
        if (done < 0) {
            if (errno == EINTR)
                continue;
            return fail(std::strerror(errno));
        }
        p += done;
        size -= std::size_t(done);
    }
    return true;
}

bool SafeSave::commit(bool sync, bool keepOpen) {
    if (fd_ < 0 || !error_.empty())
        return fail(std::strerror(EBADF));
    mode_t mode = newFileMode();
    if (replacing_) {
        mode = oldMode_;
        // The owner first: changing it clears set-id bits. Another user's
        // file stays theirs where the system lets us; where it doesn't, the
        // caller has asked (takesOwnership).
        if ((oldOwner_ != ::geteuid() || oldGroup_ != ::getegid()) && ::fchown(fd_, oldOwner_, oldGroup_) != 0)
            (void)::fchown(fd_, uid_t(-1), oldGroup_);
    }
    if (::fchmod(fd_, mode) != 0 || (sync && ::fsync(fd_) != 0))
        return fail(std::strerror(errno));
    if (!keepOpen) {
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0)
            return fail(std::strerror(errno));
    }
    if (::renameat(folderFd_, temporary_.c_str(), folderFd_, name_.c_str()) != 0)
        return fail(std::strerror(errno));
    committed_ = true;
    if (sync)
        (void)::fsync(folderFd_); // the new name itself is durable
    return true;
}

std::string TakesOwnershipQuestion(const std::string& path) {
    return quoted(path) + " belongs to another user; saving makes it yours. Do you wish to save?";
}

} // namespace nuvrel
