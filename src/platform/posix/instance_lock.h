#pragma once
// The single-instance lock: flock on a file that the process keeps open until it ends,
// so the system drops the lock when the process dies, however it dies.
#include <string>

namespace glimra::posix {

enum class LockResult {
    kTaken,        // held by this process until it ends
    kHeld,         // another process holds it
    kUnavailable,  // the file cannot be made, opened or locked; errno says why
};

// Locks the file at `path`, making its folder (0700) and the file (0600) when they are
// missing. A file that is not a regular file of this user, or a symlink, is refused.
LockResult TakeLock(const std::string& path);

// Where the user's lock lives: the user's runtime folder as the login manager makes it
// (`runtime_root`/<uid>, found from the user id, not from the environment) when it is a
// private folder of the user, otherwise `fallback_folder` under the user's own home.
std::string LockFile(const std::string& runtime_root, const std::string& fallback_folder);

}  // namespace glimra::posix
