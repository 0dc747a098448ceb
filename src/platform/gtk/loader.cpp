// Finds and loads the GTK module on first need. The saver never calls this, so it never
// maps GTK.
#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <string>

#include "platform/gtk/module.h"
#include "platform/posix/process.h"
#include "runtime/runtime_error.h"

namespace glimra::gtk {

namespace {

// The folder of the running executable, whatever the current folder or the command name.
std::string ExecutableFolder() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return ".";
    const std::string executable(path, static_cast<std::size_t>(length));
    return executable.substr(0, executable.rfind('/'));
}

struct Loaded {
    const Module* module = nullptr;
    bool started = true;  // false: the module is there, but GTK found no display
};

Loaded Load() {
    const std::string folder = ExecutableFolder();
    // The build tree keeps the module beside the executable; an installed tree keeps the
    // executable in libexec/xscreensaver and the module in lib/lumeck.
    for (const std::string& candidate :
         {folder + "/" + kModuleFileName, folder + "/../../lib/lumeck/" + kModuleFileName}) {
        void* library = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!library) continue;
        const auto entry = reinterpret_cast<ModuleEntry>(dlsym(library, kModuleEntryName));
        const Module* module = entry ? entry() : nullptr;
        return {module, !entry || module != nullptr};
    }
    return {};
}

}  // namespace

const Module& LoadedModule() {
    static const Loaded loaded = Load();
    if (!loaded.started) posix::EndWithoutDisplay();
    if (!loaded.module) runtime::Raise(runtime::kErrLoadingLibrary);
    return *loaded.module;
}

}  // namespace glimra::gtk
