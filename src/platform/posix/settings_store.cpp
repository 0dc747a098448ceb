#include "platform/posix/settings_store.h"

#include <glib.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "platform/platform.h"
#include "platform/posix/text.h"

namespace glimra::posix {

namespace {

struct KeyFileFree {
    void operator()(GKeyFile* file) const { g_key_file_free(file); }
};
using KeyFile = std::unique_ptr<GKeyFile, KeyFileFree>;

struct ErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};
using Error = std::unique_ptr<GError, ErrorFree>;

KeyFile Load(const std::string& file) {
    KeyFile keys(g_key_file_new());
    GError* error = nullptr;
    if (!g_key_file_load_from_file(keys.get(), file.c_str(), G_KEY_FILE_KEEP_COMMENTS, &error)) {
        g_error_free(error);
        return KeyFile(g_key_file_new());  // missing, unreadable or malformed: nothing stored
    }
    return keys;
}

[[noreturn]] void RaiseWriteError(const GError* error) {
    const bool refused = error->domain == G_FILE_ERROR &&
                         (error->code == G_FILE_ERROR_ACCES || error->code == G_FILE_ERROR_PERM ||
                          error->code == G_FILE_ERROR_ROFS);
    if (refused) runtime::Raise(runtime::kErrPermissionDenied);
    runtime::Raise(runtime::kErrInvalidCall);
}

}  // namespace

std::string SettingsFile(std::string_view app) {
    gchar* path = g_build_filename(g_get_user_config_dir(), std::string(app).c_str(),
                                   "settings.ini", nullptr);
    std::string file(path);
    g_free(path);
    return file;
}

std::wstring ReadSetting(const std::string& file, std::string_view section, std::string_view key,
                         std::wstring_view default_text) {
    const KeyFile keys = Load(file);
    gchar* value = g_key_file_get_string(keys.get(), std::string(section).c_str(),
                                         std::string(key).c_str(), nullptr);
    if (value == nullptr) return std::wstring(default_text);
    std::wstring text = FromUtf8(value);
    g_free(value);
    return text;
}

void WriteSetting(const std::string& file, std::string_view section, std::string_view key,
                  std::wstring_view text) {
    gchar* folder = g_path_get_dirname(file.c_str());
    const int made = g_mkdir_with_parents(folder, 0700);
    const int mkdir_errno = errno;
    g_free(folder);
    if (made != 0) {
        const Error error(g_error_new_literal(G_FILE_ERROR, g_file_error_from_errno(mkdir_errno),
                                              "cannot make the settings folder"));
        RaiseWriteError(error.get());
    }
    // The file is replaced by a rename, which a read-only file would not stop: its mode
    // says that it is not to be changed, so the write is refused.
    if (access(file.c_str(), W_OK) != 0 && errno == EACCES) {
        runtime::Raise(runtime::kErrPermissionDenied);
    }
    const KeyFile keys = Load(file);
    g_key_file_set_string(keys.get(), std::string(section).c_str(), std::string(key).c_str(),
                          ToUtf8(text).c_str());
    GError* error = nullptr;
    if (!g_key_file_save_to_file(keys.get(), file.c_str(), &error)) {
        const Error owned(error);
        RaiseWriteError(owned.get());
    }
}

}  // namespace glimra::posix
