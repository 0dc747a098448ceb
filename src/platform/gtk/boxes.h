#pragma once
// The two message boxes: the statement box and the run-time error box.
#include <string_view>

namespace glimra::gtk {

void MsgBox(std::wstring_view text, std::wstring_view title);
void ErrorBox(std::wstring_view heading, std::wstring_view description);

}  // namespace glimra::gtk
