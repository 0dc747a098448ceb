#include "platform/posix/settings_store.h"

#include <glib.h>
#include <unistd.h>

#include <cerrno>

#include "platform/platform.h"
#include "platform/posix/text.h"

namespace glimra::posix {

namespace {

// Missing, unreadable or malformed: nothing stored.
GKeyFile* Load(const std::string& file) {
    g_autoptr(GKeyFile) keys = g_key_file_new();
    if (!g_key_file_load_from_file(keys, file.c_str(), G_KEY_FILE_KEEP_COMMENTS, nullptr)) {
        return g_key_file_new();
    }
    return static_cast<GKeyFile*>(g_steal_pointer(&keys));
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
    g_autofree gchar* path = g_build_filename(g_get_user_config_dir(), std::string(app).c_str(),
                                              "settings.ini", nullptr);
    return path;
}

std::wstring ReadSetting(const std::string& file, std::string_view section, std::string_view key,
                         std::wstring_view default_text) {
    g_autoptr(GKeyFile) keys = Load(file);
    g_autofree gchar* value = g_key_file_get_string(keys, std::string(section).c_str(),
                                                    std::string(key).c_str(), nullptr);
    if (value == nullptr) return std::wstring(default_text);
    return FromUtf8(value);
}

void WriteSetting(const std::string& file, std::string_view section, std::string_view key,
                  std::wstring_view text) {
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
    g_autoptr(GKeyFile) keys = Load(file);
    g_key_file_set_string(keys, std::string(section).c_str(), std::string(key).c_str(),
                          ToUtf8(text).c_str());
    g_autoptr(GError) error = nullptr;
    if (!g_key_file_save_to_file(keys, file.c_str(), &error)) RaiseWriteError(error);
}

}  // namespace glimra::posix
