#pragma once
// The per-user settings store: one GLib key file per application,
// ${XDG_CONFIG_HOME:-$HOME/.config}/<application>/settings.ini (a relative XDG_CONFIG_HOME
// counts as unset), a group per section and a string per key. Strings are written with the key
// file's escapes, so any text comes back as it was, leading blanks and line breaks included.
#include <string>
#include <string_view>

namespace glimra::posix {

// The application's own folder, where its settings file lives; SettingsFile is the file.
std::string SettingsFolder(std::string_view app);
std::string SettingsFile(std::string_view app);

// The stored text, or `default_text` when the file, group or key is missing, or when the
// file cannot be read or parsed. Only a regular file (or a link to one) of at most 64 KiB
// is read, without waiting; a leading UTF-8 byte-order mark is skipped. Never writes.
std::wstring ReadSetting(const std::string& file, std::string_view section, std::string_view key,
                         std::wstring_view default_text);

// Replaces the file as a whole (a temporary file renamed over it), keeping every other
// value in it; a symlink stays, and its target is replaced, keeping its mode. A refused write
// raises RuntimeError 70, any other failure 5; the old file stays as it was.
void WriteSetting(const std::string& link, std::string_view section, std::string_view key,
                  std::wstring_view text);

}  // namespace glimra::posix
