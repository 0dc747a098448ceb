#include "platform/posix/instance_lock.h"

#include <fcntl.h>
#include <glib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/posix/owners.h"

namespace glimra::posix {

// The file is never removed: unlinking a lock file lets two starts lock two different
// files. O_CLOEXEC keeps the lock out of programs the process starts (a browser opened
// from the dialog would otherwise hold it). Anyone who can open a file can flock it, so
// the file is kept unreadable to others: no other user can hold it and block this one.
LockResult TakeLock(const std::string& path) {
    g_autofree gchar* folder = g_path_get_dirname(path.c_str());
    g_mkdir_with_parents(folder, 0700);  // fails harmlessly when it exists; open tells
    Fd lock(open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600));
    if (!lock) return LockResult::kUnavailable;
    struct stat info {};
    if (fstat(lock.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != getuid()) {
        errno = EPERM;
        return LockResult::kUnavailable;
    }
    if ((info.st_mode & 077) != 0) fchmod(lock.get(), 0600);
    if (flock(lock.get(), LOCK_EX | LOCK_NB) != 0) {
        return errno == EWOULDBLOCK ? LockResult::kHeld : LockResult::kUnavailable;
    }
    lock.Release();  // held for the life of the process
    return LockResult::kTaken;
}

// Every start of the user on this machine agrees on the runtime folder whatever its
// environment says, and it is the machine's own: a home shared over the network would
// otherwise let a saver on one machine block the saver on another.
std::string LockFile(const std::string& runtime_root, const std::string& fallback_folder) {
    const std::string runtime = runtime_root + "/" + std::to_string(getuid());
    struct stat info {};
    const bool private_folder = lstat(runtime.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
                                info.st_uid == getuid() && (info.st_mode & 077) == 0;
    return private_folder ? runtime + "/glimra-lumeck.lock" : fallback_folder + "/lumeck.lock";
}

}  // namespace glimra::posix
