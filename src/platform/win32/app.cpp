#include "platform/win32/app.h"

#include "platform/runtime/numbers.h"
#include "platform/win32/form.h"
#include "platform/win32/handles.h"
#include "startup/command_line.h"

namespace glimra::win32 {

bool PrevInstance() {
    static KernelHandle mutex;
    static bool previous = false;
    if (!mutex) {
        mutex.Reset(CreateMutexW(nullptr, FALSE, L"Local\\Glimra.Lumeck.Instance"));
        previous = GetLastError() == ERROR_ALREADY_EXISTS;
    }
    return previous;
}

void End() { ExitProcess(0); }

std::wstring CommandText() { return ArgumentText(GetCommandLineW()); }

int MsgBox(const std::wstring& text, UINT style, const std::wstring& title) {
    return MessageBoxW(nullptr, text.c_str(), title.c_str(), style);
}

void ReportRuntimeError(const RuntimeError& error) {
    const std::wstring text =
        L"运行时错误 '" + NumberText(error.number) + L"':\n\n" + error.description;
    MessageBoxW(nullptr, text.c_str(), L"Lumeck", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    ExitProcess(static_cast<UINT>(error.number));
}

void RunMessageLoop() {
    MSG message;
    while (Form::AnyLoaded() && GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (Form::PreTranslate(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

}  // namespace glimra::win32
