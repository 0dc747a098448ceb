// The program's entry: start-up runs first, with no form loaded, then the message loop
// runs for as long as a form is loaded.
#include <windows.h>

#include "platform/win32/app.h"
#include "startup/module1.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    glimra::win32::Guarded([] { glimra::Module1::Main(); });
    glimra::win32::RunMessageLoop();
    return 0;
}
