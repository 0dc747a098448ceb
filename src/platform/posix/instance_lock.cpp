#include "platform/posix/instance_lock.h"

#include <fcntl.h>
#include <glib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace glimra::posix {

// The file is never removed: unlinking a lock file lets two starts lock two different
// files. O_CLOEXEC keeps the lock out of programs the process starts (a browser opened
// from the dialog would otherwise hold it). Anyone who can open a file can flock it, so
// the file is kept unreadable to others: no other user can hold it and block this one.
LockResult TakeLock(const std::string& path) {
    gchar* folder = g_path_get_dirname(path.c_str());
    g_mkdir_with_parents(folder, 0700);  // fails harmlessly when it exists; open tells
    g_free(folder);
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0) return LockResult::kUnavailable;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != getuid()) {
        close(fd);
        errno = EPERM;
        return LockResult::kUnavailable;
    }
    if ((info.st_mode & 077) != 0) fchmod(fd, 0600);
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        close(fd);
        errno = error;
        return error == EWOULDBLOCK ? LockResult::kHeld : LockResult::kUnavailable;
    }
    return LockResult::kTaken;  // fd stays open for the life of the process
}

}  // namespace glimra::posix
