#include "platform/posix/settings_store.h"

#include <fcntl.h>
#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <limits>

#include "platform/posix/owners.h"
#include "platform/posix/text.h"
#include "runtime/runtime_error.h"

namespace glimra::posix {

namespace {

// The bytes of a regular file of at most `limit` bytes; nothing for anything else. A FIFO,
// a device or a folder is no settings file: it counts as nothing stored, and O_NONBLOCK
// keeps open() from waiting for a FIFO's writer (the check is made on what was opened, so
// a swap cannot slip by).
std::string RegularFileBytes(const std::string& file, off_t limit) {
    const Fd fd(open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat info {};
    if (!fd || fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > limit) {
        return {};
    }
    std::string bytes(static_cast<std::size_t>(info.st_size), '\0');
    std::size_t done = 0;
    ssize_t got = 0;
    while (done < bytes.size() && (got = read(fd.get(), &bytes[done], bytes.size() - done)) > 0) {
        done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
    return bytes;
}

// Missing, unreadable or malformed: nothing stored. Editors on Windows begin a UTF-8 file
// with a byte-order mark, which the key file does not expect: it is read as if it were
// not there.
GKeyFile* Load(const std::string& file, off_t limit) {
    const std::string bytes = RegularFileBytes(file, limit);
    const std::string_view mark = "\xEF\xBB\xBF";
    const std::size_t start = bytes.starts_with(mark) ? mark.size() : 0;
    g_autoptr(GKeyFile) keys = g_key_file_new();
    if (!g_key_file_load_from_data(keys, bytes.data() + start, bytes.size() - start,
                                   G_KEY_FILE_KEEP_COMMENTS, nullptr)) {
        return g_key_file_new();
    }
    return static_cast<GKeyFile*>(g_steal_pointer(&keys));
}

// Where a link leads, link after link (a relative target counts from the link's folder);
// the path itself when it is no link. A loop or a too long chain gives the last link.
std::string LinkTarget(std::string path) {
    for (int hop = 0; hop < 40 && g_file_test(path.c_str(), G_FILE_TEST_IS_SYMLINK); ++hop) {
        g_autofree gchar* target = g_file_read_link(path.c_str(), nullptr);
        if (target == nullptr) break;
        g_autofree gchar* folder = g_path_get_dirname(path.c_str());
        g_autofree gchar* joined = g_path_is_absolute(target)
                                       ? g_strdup(target)
                                       : g_build_filename(folder, target, nullptr);
        path = joined;
    }
    return path;
}

[[noreturn]] void RaiseWriteError(const GError* error) {
    const bool refused = error->domain == G_FILE_ERROR &&
                         (error->code == G_FILE_ERROR_ACCES || error->code == G_FILE_ERROR_PERM ||
                          error->code == G_FILE_ERROR_ROFS);
    if (refused) runtime::Raise(runtime::kErrPermissionDenied);
    runtime::Raise(runtime::kErrInvalidCall);
}

}  // namespace

// A relative XDG_CONFIG_HOME is ignored, as the base-directory rules say.
std::string SettingsFolder(std::string_view app) {
    const char* config_home = std::getenv("XDG_CONFIG_HOME");
    g_autofree gchar* path =
        config_home != nullptr && config_home[0] == '/'
            ? g_build_filename(config_home, std::string(app).c_str(), nullptr)
            : g_build_filename(g_get_home_dir(), ".config", std::string(app).c_str(), nullptr);
    return path;
}

std::string SettingsFile(std::string_view app) { return SettingsFolder(app) + "/settings.ini"; }

std::wstring ReadSetting(const std::string& file, std::string_view section, std::string_view key,
                         std::wstring_view default_text) {
    // A file of two settings takes a few dozen bytes. A parsed key file keeps much of its
    // memory in the process after it is freed, so a far larger one, which no one wrote
    // for this program, is not read: the saver would carry it for its whole life.
    constexpr off_t kLargestRead = 64 * 1024;
    g_autoptr(GKeyFile) keys = Load(file, kLargestRead);
    g_autofree gchar* value = g_key_file_get_string(keys, std::string(section).c_str(),
                                                    std::string(key).c_str(), nullptr);
    if (value == nullptr) return std::wstring(default_text);
    return FromUtf8(value);
}

// A symlinked settings file stays a link: the write goes to its target, replaced in the
// target's folder, with the target's mode (a 0600 file stays private).
void WriteSetting(const std::string& link, std::string_view section, std::string_view key,
                  std::wstring_view text) {
    const std::string file = LinkTarget(link);
    g_autofree gchar* folder = g_path_get_dirname(file.c_str());
    if (g_mkdir_with_parents(folder, 0700) != 0) {
        g_autoptr(GError) error = g_error_new_literal(G_FILE_ERROR, g_file_error_from_errno(errno),
                                                      "cannot make the settings folder");
        RaiseWriteError(error);
    }
    // The file is replaced by a rename, which a read-only file would not stop: its mode
    // says that it is not to be changed, so the write is refused.
    if (access(file.c_str(), W_OK) != 0 && errno == EACCES) {
        runtime::Raise(runtime::kErrPermissionDenied);
    }
    struct stat info {};
    const int mode = stat(file.c_str(), &info) == 0 ? static_cast<int>(info.st_mode & 07777) : 0666;
    g_autoptr(GKeyFile) keys = Load(file, std::numeric_limits<off_t>::max());  // keeps all of it
    g_key_file_set_string(keys, std::string(section).c_str(), std::string(key).c_str(),
                          ToUtf8(text).c_str());
    gsize length = 0;
    g_autofree gchar* data = g_key_file_to_data(keys, &length, nullptr);
    g_autoptr(GError) error = nullptr;
    const auto flags = static_cast<GFileSetContentsFlags>(G_FILE_SET_CONTENTS_CONSISTENT |
                                                          G_FILE_SET_CONTENTS_DURABLE);
    if (!g_file_set_contents_full(file.c_str(), data, static_cast<gssize>(length), flags, mode,
                                  &error)) {
        RaiseWriteError(error);
    }
}

}  // namespace glimra::posix
