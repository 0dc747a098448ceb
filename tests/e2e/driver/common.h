#pragma once
// Shared pieces of the end-to-end driver: arguments, failures, JSON output and handle owners.
#include <windows.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace e2e {

using Args = std::vector<std::wstring>;

// A command that cannot do what it was asked; main prints it as {"error":...} and exits 1.
class Failure : public std::runtime_error {
  public:
    Failure(const std::string& what, DWORD win32_error = 0)
        : std::runtime_error(what), win32_error_(win32_error) {}
    DWORD win32_error() const { return win32_error_; }

  private:
    DWORD win32_error_;
};

// Throws Failure naming `what` with GetLastError().
[[noreturn]] void FailWin32(const std::string& what);

std::int64_t ParseInt(const std::wstring& text);
DWORD ParsePid(const std::wstring& text);
HWND ParseWindow(const std::wstring& text);
std::int64_t WindowNumber(HWND window);

std::string Utf8(std::wstring_view text);
// The JSON string literal (quotes included) of a text, of UTF-16 or of UTF-8.
std::string JsonText(std::wstring_view text);
std::string JsonUtf8(std::string_view utf8);

// One JSON object, built key by key in the order given.
class Json {
  public:
    Json& Number(std::string_view key, std::int64_t value);
    Json& Text(std::string_view key, std::wstring_view value);
    Json& Utf8Text(std::string_view key, std::string_view value);
    Json& Bool(std::string_view key, bool value);
    Json& Null(std::string_view key);
    Json& Raw(std::string_view key, std::string_view json);
    std::string str() const { return "{" + body_ + "}"; }

  private:
    void Key(std::string_view key);
    std::string body_;
};

std::string JsonArray(const std::vector<std::string>& items);
std::string JsonRect(const RECT& rect);

// Writes one line to standard output, unbuffered, so that a reader sees it at once.
void PrintLine(const std::string& line);

// Closes a kernel handle at the end of its scope.
class Handle {
  public:
    explicit Handle(HANDLE handle = nullptr) : handle_(handle) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    Handle(Handle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    ~Handle() {
        if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    HANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }

  private:
    HANDLE handle_;
};

// Sends a message with a time limit, so that a hung target cannot hang the driver.
// Returns false when the target did not answer.
bool SendWithTimeout(HWND window, UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result);

// The window's text through WM_GETTEXT (marshalled across processes); the stored caption
// when the window does not answer.
std::wstring WindowText(HWND window);
std::wstring ClassName(HWND window);

}  // namespace e2e
