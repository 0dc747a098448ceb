#include "platform/win32/form.h"

#include "platform/forms.h"
#include "platform/win32/app.h"

namespace glimra::win32 {

namespace {

// At most one form is loaded at a time; the loop and the key filter need to find it.
Form* loaded_form = nullptr;

}  // namespace

// The window goes with its form, quietly: the form's handlers may be gone already.
Form::~Form() {
    if (!window_) return;
    const HWND window = window_;
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    Forget();
    DestroyWindow(window);
}

void Form::Create() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW window_class{};
    if (!GetClassInfoExW(instance, class_.name, &window_class)) {
        window_class.cbSize = sizeof window_class;
        window_class.style = class_.class_style;
        window_class.lpfnWndProc = &Form::WindowProc;
        window_class.hInstance = instance;
        window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        window_class.hbrBackground = class_.background;
        window_class.lpszClassName = class_.name;
        if (!RegisterClassExW(&window_class)) runtime::Raise(runtime::kErrInvalidCall);
    }
    window_ = CreateWindowExW(class_.ex_style, class_.name, class_.caption, class_.style, 0, 0, 0,
                              0, nullptr, nullptr, instance, this);
    if (!window_) runtime::Raise(runtime::kErrInvalidCall);
    loaded_form = this;
    platform::FormLoaded();
}

void Form::Destroy() {
    if (window_) DestroyWindow(window_);
}

HWND Form::LoadedWindow() { return loaded_form != nullptr ? loaded_form->window_ : nullptr; }

bool Form::PreTranslate(MSG& message) {
    return loaded_form != nullptr && loaded_form->TranslateKeys(message);
}

void Form::Forget() {
    if (window_) platform::FormUnloaded();
    window_ = nullptr;
    if (loaded_form == this) loaded_form = nullptr;
}

LRESULT CALLBACK Form::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* form = reinterpret_cast<Form*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!form) return DefWindowProcW(window, message, wparam, lparam);
    if (!form->window_) form->window_ = window;  // messages sent during CreateWindowEx
    return Guarded([&] { return form->Dispatch(message, wparam, lparam); });
}

LRESULT Form::Dispatch(UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_DESTROY) OnDestroy();
    LRESULT result = 0;
    if (OnMessage(message, wparam, lparam, result)) return result;
    result = DefWindowProcW(window_, message, wparam, lparam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        Forget();
        PostQuitMessage(0);
    }
    return result;
}

}  // namespace glimra::win32
