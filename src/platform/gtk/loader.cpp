// Finds and loads the GTK module on first need. The saver never calls this, so it never
// maps GTK.
#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
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

// When no candidate loads, each says why on stderr, beside the error that follows; a miss
// before a later candidate loads is the usual case of an installed tree and says nothing. A
// module whose GTK cannot start found no display: that ends the process, said once on stderr.
const GlimraModule* Load() {
    const std::string folder = ExecutableFolder();
    std::string reasons;
    // The build tree keeps the module beside the executable; an installed tree keeps the
    // executable in libexec/xscreensaver and the module in the library folder.
    for (const std::string& candidate :
         {folder + "/" + kModuleFileName,
          folder + "/" GLIMRA_INSTALLED_MODULE_FOLDER "/" + kModuleFileName}) {
        void* library = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        const auto entry =
            library != nullptr
                ? reinterpret_cast<GlimraModuleEntry>(dlsym(library, kModuleEntryName))
                : nullptr;
        if (entry == nullptr) {
            reasons += std::string("lumeck: ") + dlerror() + "\n";
            continue;
        }
        if (const GlimraModule* module = entry()) return module;
        posix::EndWithoutDisplay();
    }
    std::fputs(reasons.c_str(), stderr);
    return nullptr;
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
