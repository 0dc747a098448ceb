// The program's entry on Windows: start-up runs first, with no form loaded, then the
// message loop runs for as long as a form is loaded.
#include <windows.h>

#include <cstdlib>

#include "platform/platform.h"
#include "startup/module1.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    glimra::platform::Guarded([] { glimra::Module1::Main(); });
    glimra::platform::RunMessageLoop();
    return 0;
}

// Every exception ends in the run-time error box before it could reach std::terminate, so
// the runtime's verbose terminate handler, with the symbol demangler it drags in (a
// quarter of the program's size), is never needed.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
