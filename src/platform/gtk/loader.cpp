// Finds and loads the GTK module on first need. The saver never calls this, so it never
// maps GTK.
#include "platform/gtk/module.h"
#include "platform/posix/modules.h"
#include "platform/posix/process.h"
#include "runtime/runtime_error.h"

namespace glimra::gtk {

namespace {

// A module whose GTK cannot start found no display: that ends the process, said once on
// stderr.
const GlimraModule* Load() {
    const auto entry =
        reinterpret_cast<GlimraModuleEntry>(posix::ModuleEntry(kModuleFileName, kModuleEntryName));
    if (entry == nullptr) return nullptr;
    if (const GlimraModule* module = entry()) return module;
    posix::EndWithoutDisplay();
}

}  // namespace

const GlimraModule& LoadedModule() {
    static const GlimraModule* const module = Load();
    if (!module) runtime::Raise(runtime::kErrLoadingLibrary);
    return *module;
}

void ErrorBoxOfModule(std::wstring_view heading, std::wstring_view description) {
    LoadedModule().error_box({heading.data(), heading.size()},
                             {description.data(), description.size()});
}

}  // namespace glimra::gtk
