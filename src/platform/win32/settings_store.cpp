// The per-user program settings on Windows: REG_SZ values under
// HKEY_CURRENT_USER\Software\VB and VBA Program Settings\<application>\<section>, where the
// settings of earlier installs of this saver are found. A value of any other type counts
// as not stored, and nothing is expanded.
#include <windows.h>

#include "platform/platform.h"

#include "runtime/runtime_error.h"
#include "platform/win32/handles.h"

namespace glimra::platform {

namespace {

std::wstring KeyPath(std::wstring_view app, std::wstring_view section) {
    std::wstring path = L"Software\\VB and VBA Program Settings\\";
    path.append(app).append(L"\\").append(section);
    return path;
}

[[noreturn]] void RaiseStoreError(LSTATUS status) {
    if (status == ERROR_ACCESS_DENIED) runtime::Raise(runtime::kErrPermissionDenied);
    runtime::Raise(runtime::kErrInvalidCall);
}

}  // namespace

std::wstring GetSetting(std::wstring_view app, std::wstring_view section, std::wstring_view key,
                        std::wstring_view default_text) {
    win32::RegKey config;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, KeyPath(app, section).c_str(), 0, KEY_QUERY_VALUE,
                      config.Put()) != ERROR_SUCCESS) {
        return std::wstring(default_text);
    }
    const std::wstring name(key);
    // Read as stored, never expanded: only REG_SZ counts, REG_EXPAND_SZ included in what
    // does not. The value may grow between the two calls; ask again until the buffer
    // holds it.
    for (;;) {
        DWORD type = 0;
        DWORD bytes = 0;
        LSTATUS status =
            RegQueryValueExW(config.get(), name.c_str(), nullptr, &type, nullptr, &bytes);
        if (status != ERROR_SUCCESS || type != REG_SZ) return std::wstring(default_text);
        std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
        status = RegQueryValueExW(config.get(), name.c_str(), nullptr, &type,
                                  reinterpret_cast<BYTE*>(text.data()), &bytes);
        if (status == ERROR_MORE_DATA) continue;
        if (status != ERROR_SUCCESS || type != REG_SZ) return std::wstring(default_text);
        // An odd last byte is half a character and is dropped; the text ends at its first
        // null, stored or not.
        text.resize(bytes / sizeof(wchar_t));
        text.resize(wcsnlen(text.c_str(), text.size()));
        return text;
    }
}

void SaveSetting(std::wstring_view app, std::wstring_view section, std::wstring_view key,
                 std::wstring_view text) {
    win32::RegKey config;
    LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, KeyPath(app, section).c_str(), 0, nullptr,
                                     0, KEY_SET_VALUE, nullptr, config.Put(), nullptr);
    if (status != ERROR_SUCCESS) RaiseStoreError(status);
    const std::wstring name(key);
    const std::wstring value(text);
    const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    status = RegSetValueExW(config.get(), name.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(value.c_str()), bytes);
    if (status != ERROR_SUCCESS) RaiseStoreError(status);
}

}  // namespace glimra::platform
