#include "platform/posix/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/owners.h"

namespace glimra::posix {

namespace {

bool OwnPrivateFolder(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == getuid() &&
           (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

}  // namespace

std::string LockFolder(const char* runtime_dir, const std::string& fallback_base) {
    if (runtime_dir != nullptr && runtime_dir[0] == '/' && OwnPrivateFolder(runtime_dir)) {
        return runtime_dir;
    }
    const std::string folder = fallback_base + "/glimra-" + std::to_string(getuid());
    mkdir(folder.c_str(), 0700);  // fails harmlessly when it exists; checked next
    return OwnPrivateFolder(folder) ? folder : std::string();
}

// The file is never removed: unlinking a lock file lets two starts lock two different
// files. O_CLOEXEC keeps the lock out of programs the process starts (a browser opened
// from the dialog would otherwise hold it).
bool TakeLock(const std::string& path) {
    Fd lock(open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!lock || flock(lock.get(), LOCK_EX | LOCK_NB) != 0) return false;
    lock.Release();  // held for the life of the process
    return true;
}

}  // namespace glimra::posix
