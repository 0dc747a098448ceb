// The process services of platform.h on Windows: the instance lock, the end, the argument
// text, the message box, the guard and the message loop.
#include "platform/win32/app.h"

#include <vector>

#include "platform/forms.h"
#include "platform/platform.h"
#include "runtime/argument_text.h"
#include "platform/win32/form.h"
#include "platform/win32/handles.h"
#include "platform/win32/screen.h"

namespace glimra::win32 {

// The box is owned by the loaded form, which it disables while it shows, so that the form
// takes no second click behind it. Over the full-screen saver it must come above the
// topmost window, with the pointer that the saver hid.
void ReportRuntimeError(const runtime::RuntimeError& error) {
    const std::wstring text =
        runtime::ErrorHeading(error.number) + L"\n\n" + std::wstring(error.description());
    while (::ShowCursor(TRUE) < 0) {
    }
    MessageBoxW(Form::LoadedWindow(), text.c_str(), L"Lumeck",
                MB_OK | MB_ICONERROR | MB_SETFOREGROUND | MB_TOPMOST);
    ExitProcess(static_cast<UINT>(error.number));
}

}  // namespace glimra::win32

namespace {

// A path form of the file, as GetShortPathNameW or GetLongPathNameW gives it; empty when
// the system has none.
template <typename Convert>
std::wstring PathForm(Convert convert, const std::wstring& path) {
    const DWORD size = convert(path.c_str(), nullptr, 0);
    if (size == 0) return {};
    std::wstring form(size, L'\0');
    form.resize(convert(path.c_str(), form.data(), size));
    return form;
}

// The program's path as the system names its file, in each of the forms a host may start
// it with.
std::vector<std::wstring> OwnPaths() {
    std::wstring module(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, module.data(), static_cast<DWORD>(module.size()));
        if (length < module.size()) {
            module.resize(length);
            break;
        }
        module.resize(module.size() * 2);
    }
    std::vector<std::wstring> paths{module};
    paths.push_back(PathForm(GetShortPathNameW, module));
    paths.push_back(PathForm(GetLongPathNameW, module));
    return paths;
}

}  // namespace

namespace glimra::platform {

// The mutex is the program's, in the session's namespace: no folder of the application's
// is needed.
bool PrevInstance(std::wstring_view) {
    static win32::KernelHandle mutex;
    static const bool previous = [] {
        mutex.Reset(CreateMutexW(nullptr, FALSE, L"Local\\Glimra.Lumeck.Instance"));
        const DWORD error = GetLastError();
        // No lock had is another instance: ERROR_ACCESS_DENIED is a mutex that an instance
        // at another integrity level holds; ERROR_INVALID_HANDLE is the name held by an
        // object of another kind, which nothing tells apart from an instance that made it.
        // Running beside either would break the one-instance rule, so the start ends.
        return !mutex || error == ERROR_ALREADY_EXISTS;
    }();
    return previous;
}

void End() { ExitProcess(0); }

std::wstring CommandText() { return runtime::ArgumentText(GetCommandLineW(), OwnPaths()); }

void MsgBox(std::wstring_view text, std::wstring_view title) {
    MessageBoxW(nullptr, std::wstring(text).c_str(), std::wstring(title).c_str(),
                MB_OK | MB_ICONINFORMATION);
}

void Guarded(void (*body)(void*), void* context) noexcept {
    win32::Guarded([&] { body(context); });
}

void DeclareDpiAwareness() { win32::DeclareDpiAwareness(); }

// A loop that cannot get its next message is a failure, reported as one: ending quietly
// would look like a normal end.
void RunMessageLoop() {
    MSG message;
    while (platform::AnyFormLoaded()) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) return;
        if (got == -1) win32::ReportRuntimeError({runtime::kErrInternal});
        if (win32::Form::PreTranslate(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

}  // namespace glimra::platform
