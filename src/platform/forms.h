#pragma once
// The one count of loaded forms: each window layer reports its forms' loads and unloads,
// and the message loop runs while any form is loaded.
namespace glimra::platform {

void FormLoaded();
void FormUnloaded();
bool AnyFormLoaded();

}  // namespace glimra::platform
