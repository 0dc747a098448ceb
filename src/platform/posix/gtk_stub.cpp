// A stand-in for the GTK module while it is not in the tree (CMake option GLIMRA_GTK_STUB):
// the boxes go to stderr and there is no dialog.
#include <cstdio>

#include "platform/gtk/module.h"
#include "platform/runtime/runtime_error.h"
#include "platform/posix/text.h"

namespace glimra::gtk {

namespace {

void MsgBox(std::wstring_view text, std::wstring_view title) {
    std::fprintf(stderr, "%s: %s\n", posix::ToUtf8(title).c_str(), posix::ToUtf8(text).c_str());
}

void ErrorBox(int, std::wstring_view) {}

std::unique_ptr<platform::DialogWindow> NewDialog(const platform::DialogSpec&,
                                                  platform::DialogEvents&,
                                                  void (*)(void (*)(void*), void*)) {
    throw RuntimeError{kErrInvalidCall, L"no GTK module"};
}

}  // namespace

const Module& LoadedModule() {
    static const Module module{&MsgBox, &ErrorBox, &NewDialog};
    return module;
}

}  // namespace glimra::gtk
