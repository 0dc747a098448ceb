#pragma once
// A form: one window class, one window procedure, and the toolkit's life cycle. The form
// is loaded (window created, Form_Load run) at its first use, and Unload destroys it,
// running Form_Unload on the way. The message loop ends when no form is loaded.
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
    virtual ~Form() = default;

    HWND hWnd();  // loads the form at its first use
    void Show();  // modeless, activates the window
    void Unload();

    static bool AnyLoaded();
    // Lets the loaded form take a message before it is translated (dialog keys).
    static bool PreTranslate(MSG& message);

  protected:
    virtual void Form_Load() {}
    virtual void Form_Unload() {}
    virtual bool TranslateKeys(MSG&) { return false; }
    // Handles a message; returns false to leave it to the default procedure.
    virtual bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) = 0;

  private:
    void Load();
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT Dispatch(UINT message, WPARAM wparam, LPARAM lparam);

    FormClass class_;
    HWND window_ = nullptr;
};

}  // namespace glimra::win32
