#include "platform/posix/modules.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <string>

namespace glimra::posix {

namespace {

// The folder of the running executable, whatever the current folder or the command name.
std::string ExecutableFolder() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return ".";
    const std::string executable(path, static_cast<std::size_t>(length));
    return executable.substr(0, executable.rfind('/'));
}

}  // namespace

void* ModuleEntry(const char* file_name, const char* entry_name) {
    const std::string folder = ExecutableFolder();
    std::string reasons;
    for (const std::string& candidate :
         {folder + "/" + file_name, folder + "/" GLIMRA_INSTALLED_MODULE_FOLDER "/" + file_name}) {
        void* library = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (void* entry = library != nullptr ? dlsym(library, entry_name) : nullptr) return entry;
        reasons += std::string("lumeck: ") + dlerror() + "\n";
    }
    std::fputs(reasons.c_str(), stderr);
    return nullptr;
}

}  // namespace glimra::posix
