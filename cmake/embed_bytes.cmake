# glimra_embed_bytes(<output> <namespace> <Name> <file> [<Name> <file>]...)
# Writes <output>, a C++ source that gives each file's bytes as
# `std::span<const unsigned char> <Name>()` in <namespace>. A change of a file runs the
# configure step again.
function(glimra_embed_bytes output namespace)
  set(_pairs ${ARGN})
  string(REPEAT "0x..," 16 _sixteen)
  set(_arrays "")
  set(_functions "")
  set(_files "")
  while(_pairs)
    list(POP_FRONT _pairs _name _file)
    get_filename_component(_file ${_file} ABSOLUTE)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_file})
    file(READ ${_file} _hex HEX)
    string(REGEX REPLACE "(..)" "0x\\1," _bytes "${_hex}")
    string(REGEX REPLACE "(${_sixteen})" "\\1\n    " _bytes "${_bytes}")
    string(APPEND _arrays "constexpr unsigned char k${_name}[] = {\n    ${_bytes}\n};\n")
    string(APPEND _functions
      "std::span<const unsigned char> ${_name}() { return k${_name}; }\n")
    get_filename_component(_file_name ${_file} NAME)
    string(APPEND _files " ${_file_name}")
  endwhile()
  file(CONFIGURE OUTPUT ${output} CONTENT
    "// Made by the build from${_files}.\n#include <span>\n\nnamespace ${namespace} {\nnamespace {\n${_arrays}}  // namespace\n\n${_functions}}  // namespace ${namespace}\n")
endfunction()
