#pragma once
// What the Linux entry point and the window layers tell the process services.
#include "runtime/runtime_error.h"

namespace glimra::posix {

// The arguments as main received them; CommandText joins argv[1..] by single blanks.
void SetArguments(int argc, char** argv);

// Run before the run-time error box is shown, so that a full-screen saver can give up
// its grabs and let the box be used.
void OnBeforeErrorBox(void (*release)());

// The standard run-time error report: the box, then the end with the error's number.
[[noreturn]] void ReportRuntimeError(const runtime::RuntimeError& error);

}  // namespace glimra::posix
