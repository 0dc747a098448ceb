// The process services of platform.h on Windows: the instance lock, the end, the argument
// text, the message box, the guard and the message loop.
#include "platform/win32/app.h"

#include "platform/platform.h"
#include "platform/runtime/argument_text.h"
#include "platform/runtime/numbers.h"
#include "platform/win32/form.h"
#include "platform/win32/handles.h"

namespace glimra::win32 {

void ReportRuntimeError(const RuntimeError& error) {
    const std::wstring text =
        L"运行时错误 '" + NumberText(error.number) + L"':\n\n" + error.description;
    MessageBoxW(Form::LoadedWindow(), text.c_str(), L"Lumeck",
                MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    ExitProcess(static_cast<UINT>(error.number));
}

}  // namespace glimra::win32

namespace glimra::platform {

bool PrevInstance() {
    static win32::KernelHandle mutex;
    static bool previous = false;
    if (!mutex) {
        mutex.Reset(CreateMutexW(nullptr, FALSE, L"Local\\Glimra.Lumeck.Instance"));
        previous = GetLastError() == ERROR_ALREADY_EXISTS;
    }
    return previous;
}

void End() { ExitProcess(0); }

std::wstring CommandText() { return ArgumentText(GetCommandLineW()); }

void MsgBox(std::wstring_view text, std::wstring_view title) {
    MessageBoxW(nullptr, std::wstring(text).c_str(), std::wstring(title).c_str(),
                MB_OK | MB_ICONINFORMATION);
}

void Guarded(void (*body)(void*), void* context) noexcept {
    win32::Guarded([&] { body(context); });
}

void RunMessageLoop() {
    MSG message;
    while (win32::Form::AnyLoaded() && GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (win32::Form::PreTranslate(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

}  // namespace glimra::platform
