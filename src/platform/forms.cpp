#include "platform/forms.h"

namespace glimra::platform {

namespace {

int forms_loaded = 0;

}  // namespace

void FormLoaded() { ++forms_loaded; }
void FormUnloaded() { --forms_loaded; }
bool AnyFormLoaded() { return forms_loaded > 0; }

}  // namespace glimra::platform
