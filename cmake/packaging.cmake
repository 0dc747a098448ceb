# A release is one file: `cmake --build --preset linux-release --target package` writes the
# Debian package glimra_<version>_amd64.deb (so does the testing preset linux), `--preset
# windows` the zip Glimra-<version>-win64.zip.
# The version is the project's, which the executable's version information carries too; the
# packager is the one who signed the newest entry of the Debian changelog.
set(GLIMRA_VERSION ${PROJECT_VERSION})
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/resources/linux/changelog)

set(CPACK_PACKAGE_NAME glimra)
set(CPACK_PACKAGE_VERSION ${GLIMRA_VERSION})
set(CPACK_PACKAGE_VENDOR "${GLIMRA_MAKER_name}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "screen saver of single dots of random colour")
set(CPACK_PACKAGE_DESCRIPTION [[
Glimra paints single dots of random colour at random places on a black
screen, one at a time, and clears the screen after a set number of dots.
Its settings dialog sets that number and the interval between two dots.
Its texts are in Simplified Chinese.

The saver, lumeck, is a display mode for XScreenSaver, for the MATE and
Xfce screen savers, and for swayidle; the settings dialog is in the
application menu.]])
set(CPACK_VERBATIM_VARIABLES ON)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME Glimra-${GLIMRA_VERSION}-win64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  file(STRINGS ${PROJECT_SOURCE_DIR}/resources/linux/changelog _signed REGEX "^ -- " LIMIT_COUNT 1
    ENCODING UTF-8)
  string(REGEX REPLACE "^ -- (.*>)  .*" "\\1" CPACK_DEBIAN_PACKAGE_MAINTAINER "${_signed}")
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  # CPack installs with this prefix into a staging DESTDIR, so the desktop entries name the
  # program by its path on the user's system.
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_STRIP_FILES ON)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_SECTION x11)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${GLIMRA_MAKER_address}")
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
    GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endif()
include(CPack)
