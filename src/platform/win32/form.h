#pragma once
// A form's window: one window class, one window procedure, one handler per message. The
// window is created by Create and destroyed by Destroy, which runs OnDestroy (the form's
// Form_Unload) on the way; a form that goes away destroys its window without reporting
// anything. Each form counts among the loaded forms while its window exists.
#include <windows.h>

namespace glimra::win32 {

struct FormClass {
    const wchar_t* name;
    UINT class_style;
    DWORD style;
    DWORD ex_style;
    const wchar_t* caption;
    HBRUSH background;  // the class brush: what a repaint shows
};

class Form {
  public:
    explicit Form(const FormClass& form_class) : class_(form_class) {}
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;
    virtual ~Form();

    HWND hWnd() const { return window_; }
    bool IsLoaded() const { return window_ != nullptr; }
    // Creates the window, hidden; its WM_CREATE has run when this returns. Raises a
    // run-time error when the window cannot be made.
    void Create();
    void Destroy();

    static HWND LoadedWindow();  // the loaded form's window, or null
    // Lets the loaded form take a message before it is translated (dialog keys).
    static bool PreTranslate(MSG& message);

  protected:
    virtual void OnDestroy() {}  // WM_DESTROY, while the window and its children exist
    virtual bool TranslateKeys(MSG&) { return false; }
    // Handles a message; returns false to leave it to the default procedure.
    virtual bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) = 0;

  private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT Dispatch(UINT message, WPARAM wparam, LPARAM lparam);
    void Forget();

    FormClass class_;
    HWND window_ = nullptr;
};

}  // namespace glimra::win32
