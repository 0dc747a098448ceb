#pragma once
// The single-instance lock: flock on a file that the process keeps open until it ends,
// so the system drops the lock when the process dies, however it dies.
#include <string>

namespace glimra::posix {

// The folder for the lock: $XDG_RUNTIME_DIR when it is an absolute path to a folder of
// this user that no one else may write, otherwise <fallback_base>/glimra-<uid>, made
// 0700 and checked the same way (a symlink or another user's folder is refused). Empty
// when neither is safe.
std::string LockFolder(const char* runtime_dir, const std::string& fallback_base);

// True when the lock at `path` was taken; it is held until the process ends. A lock
// held by another process, or a lock file that cannot be opened, gives false.
bool TakeLock(const std::string& path);

}  // namespace glimra::posix
