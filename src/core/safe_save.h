// Saving a user's file so that a failed save leaves the old file as it was
// and a save cannot be redirected to another file. The new content goes into
// a temporary file beside the target (created new, private to the user,
// under a short name) and replaces the target by a rename once it is
// complete; only then does it get its final mode.
//
// A symbolic link at the target or on the way to it is followed only where
// the kernel's rule for shared folders would follow it: not in a sticky
// folder that others may write when the link belongs neither to the user nor
// to the folder's owner (a link another user planted in /tmp).
#pragma once

#include <cstddef>
#include <string>
#include <sys/types.h>

namespace nuvrel {

class SafeSave {
public:
    // Looks at path; error() is set when it can't be saved at all.
    explicit SafeSave(const std::string& path);
    // Removes the temporary file unless it was committed.
    ~SafeSave();
    SafeSave(const SafeSave&) = delete;
    SafeSave& operator=(const SafeSave&) = delete;

    // The file that is replaced or created: path with its links followed.
    const std::string& target() const { return target_; }
    // The target belongs to another user, and the save can't keep that
    // owner: saving makes the file the user's (ask first).
    bool takesOwnership() const { return takesOwnership_; }

    // Creates the temporary file; false with error() set.
    bool open();
    int fd() const { return fd_; }
    // Writes all of the bytes; false with error() set.
    bool write(const void* bytes, std::size_t size);
    // Gives the temporary file the old file's mode and owner (where the
    // system lets us) or a new file's mode, flushes it to disk when sync is
    // set, and renames it over the target. With keepOpen the descriptor
    // stays open for more writes (a log that others read as it grows).
    bool commit(bool sync = false, bool keepOpen = false);

    // Why the save failed, in words for the user: the system's message or
    // our own.
    const std::string& error() const { return error_; }

private:
    bool fail(const std::string& why);
    void discard();

    std::string target_;
    std::string folder_;
    std::string name_;
    std::string temporary_;
    std::string error_;
    int folderFd_ = -1;
    int fd_ = -1;
    bool replacing_ = false;
    bool takesOwnership_ = false;
    bool madeTemporary_ = false;
    bool committed_ = false;
    mode_t oldMode_ = 0;
    uid_t oldOwner_ = 0;
    gid_t oldGroup_ = 0;
    dev_t tempDevice_ = 0;
    ino_t tempInode_ = 0;
};

// The question to ask before a save that takes a file from its owner.
std::string TakesOwnershipQuestion(const std::string& path);

} // namespace nuvrel
