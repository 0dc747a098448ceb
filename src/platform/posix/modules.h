#pragma once
// lumeck's modules: the GTK dialog and each display system are shared objects of their own,
// loaded on first need, so that a start maps only the libraries of what it shows.
namespace glimra::posix {

// The entry point `entry_name` of the module file `file_name`: beside the executable (the
// build tree), else in the installed library folder relative to it (../../lib/<multiarch>/
// lumeck from libexec/xscreensaver). Null when neither loads, each candidate's reason said on
// stderr; a miss before a later candidate loads is the usual case of an installed tree and
// says nothing.
void* ModuleEntry(const char* file_name, const char* entry_name);

}  // namespace glimra::posix
