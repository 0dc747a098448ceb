#include "common.h"

#include <cerrno>
#include <cwchar>

namespace e2e {

void FailWin32(const std::string& what) {
    const DWORD error = GetLastError();
    throw Failure(what + " failed", error);
}

std::int64_t ParseInt(const std::wstring& text) {
    wchar_t* end = nullptr;
    errno = 0;
    const long long value = std::wcstoll(text.c_str(), &end, 10);
    if (text.empty() || end != text.c_str() + text.size() || errno != 0)
        throw Failure("not a decimal number: " + Utf8(text));
    return value;
}

DWORD ParsePid(const std::wstring& text) {
    const std::int64_t value = ParseInt(text);
    if (value <= 0 || value > 0xFFFFFFFFLL) throw Failure("not a process id: " + Utf8(text));
    return static_cast<DWORD>(value);
}

HWND ParseWindow(const std::wstring& text) {
    const std::int64_t value = ParseInt(text);
    // Handles with bit 31 set are sign-extended, as WindowNumber prints them.
    if (value < -0x80000000LL) throw Failure("not a window handle: " + Utf8(text));
    return reinterpret_cast<HWND>(static_cast<std::intptr_t>(value));
}

std::int64_t WindowNumber(HWND window) {
    return static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(window));
}

std::string Utf8(std::wstring_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int bytes =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, out.data(), bytes, nullptr, nullptr);
    return out;
}

std::string JsonText(std::wstring_view text) { return JsonUtf8(Utf8(text)); }

std::string JsonUtf8(std::string_view utf8) {
    static const char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            out += "\\u00";
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        } else {
            out += c;
        }
    }
    return out + "\"";
}

void Json::Key(std::string_view key) {
    if (!body_.empty()) body_ += ',';
    body_ += '"';
    body_ += key;
    body_ += "\":";
}

Json& Json::Number(std::string_view key, std::int64_t value) {
    Key(key);
    body_ += std::to_string(value);
    return *this;
}

Json& Json::Text(std::string_view key, std::wstring_view value) {
    Key(key);
    body_ += JsonText(value);
    return *this;
}

Json& Json::Utf8Text(std::string_view key, std::string_view value) {
    Key(key);
    body_ += JsonUtf8(value);
    return *this;
}

Json& Json::Bool(std::string_view key, bool value) {
    Key(key);
    body_ += value ? "true" : "false";
    return *this;
}

Json& Json::Null(std::string_view key) {
    Key(key);
    body_ += "null";
    return *this;
}

Json& Json::Raw(std::string_view key, std::string_view json) {
    Key(key);
    body_ += json;
    return *this;
}

std::string JsonArray(const std::vector<std::string>& items) {
    std::string out = "[";
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i != 0) out += ',';
        out += items[i];
    }
    return out + "]";
}

std::string JsonRect(const RECT& rect) {
    return JsonArray({std::to_string(rect.left), std::to_string(rect.top),
                      std::to_string(rect.right), std::to_string(rect.bottom)});
}

void PrintLine(const std::string& line) {
    const std::string text = line + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()),
              &written, nullptr);
}

bool SendWithTimeout(HWND window, UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    DWORD_PTR answer = 0;
    const LRESULT ok = SendMessageTimeoutW(window, message, wparam, lparam,
                                           SMTO_ABORTIFHUNG | SMTO_BLOCK, 5000, &answer);
    result = static_cast<LRESULT>(answer);
    return ok != 0;
}

std::wstring WindowText(HWND window) {
    LRESULT length = 0;
    if (SendWithTimeout(window, WM_GETTEXTLENGTH, 0, 0, length) && length >= 0) {
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        LRESULT copied = 0;
        if (SendWithTimeout(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                            copied)) {
            text.resize(static_cast<std::size_t>(copied < 0 ? 0 : copied));
            return text;
        }
    }
    wchar_t stored[1024] = {};
    const int copied = InternalGetWindowText(window, stored, 1024);
    return std::wstring(stored, static_cast<std::size_t>(copied < 0 ? 0 : copied));
}

std::wstring ClassName(HWND window) {
    wchar_t name[256] = {};
    const int length = GetClassNameW(window, name, 256);
    return std::wstring(name, static_cast<std::size_t>(length < 0 ? 0 : length));
}

}  // namespace e2e
