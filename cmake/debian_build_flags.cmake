# glimra_debian_build_flags(TARGET...): builds the given targets with the flags Debian builds
# its own packages with, every hardening feature on (fortified libc calls, stack protector,
# relocations read-only and bound at start), as dpkg-buildflags gives them. Where there is
# no dpkg-buildflags, the targets keep the build type's flags alone.
find_program(GLIMRA_DPKG_BUILDFLAGS dpkg-buildflags)

function(glimra_debian_build_flags)
  if(NOT GLIMRA_DPKG_BUILDFLAGS)
    return()
  endif()
  set(ENV{DEB_BUILD_MAINT_OPTIONS} hardening=+all)
  foreach(_kind CPPFLAGS CFLAGS CXXFLAGS LDFLAGS)
    execute_process(COMMAND ${GLIMRA_DPKG_BUILDFLAGS} --get ${_kind}
      WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
      OUTPUT_VARIABLE _flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    separate_arguments(_${_kind} UNIX_COMMAND "${_flags}")
  endforeach()
  foreach(_target IN LISTS ARGN)
    target_compile_options(${_target} PRIVATE
      "$<$<COMPILE_LANGUAGE:C>:${_CPPFLAGS};${_CFLAGS}>"
      "$<$<COMPILE_LANGUAGE:CXX>:${_CPPFLAGS};${_CXXFLAGS}>")
    get_target_property(_type ${_target} TYPE)
    if(_type MATCHES "EXECUTABLE|MODULE_LIBRARY|SHARED_LIBRARY")
      target_link_options(${_target} PRIVATE ${_LDFLAGS})
    endif()
  endforeach()
endfunction()
