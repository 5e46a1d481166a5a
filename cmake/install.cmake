# Installation and the Debian package. `cmake --install` (any prefix, DESTDIR for
# staging) puts under the prefix:
#   bin/strigolo                     the launcher: the user's folder, then the program
#   lib/strigolo/strigolo            the program
#   share/strigolo/Data/             every picture, sound and effect file (read only)
#   share/applications/strigolo.desktop
#   share/icons/hicolor/{scalable,48x48,128x128,256x256}/apps/strigolo.{svg,png}
# `cpack` in a build folder turns the same rules into strigolo_VERSION_ARCH.deb.

# Installed files are read by every user and written by none.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS strigolo RUNTIME DESTINATION lib/strigolo)
install(PROGRAMS ${PROJECT_SOURCE_DIR}/packaging/strigolo-launcher.sh DESTINATION bin RENAME strigolo)

# Data/ as the build makes it, less anything a run in the build folder wrote there
# (the calendar): only the files the asset rules produce.
get_property(strigolo_asset_files GLOBAL PROPERTY STRIGOLO_ASSET_FILES)
set(strigolo_installed_assets "")
foreach(f ${strigolo_asset_files})
  get_filename_component(dir ${f} DIRECTORY)
  if(dir STREQUAL STRIGOLO_DATA_DIR)
    list(APPEND strigolo_installed_assets ${f})
  endif()
endforeach()
install(FILES ${strigolo_installed_assets} DESTINATION share/strigolo/Data)

install(FILES ${PROJECT_SOURCE_DIR}/packaging/strigolo.desktop DESTINATION share/applications)
install(FILES ${PROJECT_SOURCE_DIR}/assets/icon/strigolo.svg DESTINATION share/icons/hicolor/scalable/apps)
get_property(strigolo_icon_dir GLOBAL PROPERTY STRIGOLO_ICON_DIR)
foreach(size 48 128 256)
  install(FILES ${strigolo_icon_dir}/strigolo-${size}.png DESTINATION share/icons/hicolor/${size}x${size}/apps
          RENAME strigolo.png)
endforeach()

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME strigolo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.0)
set(CPACK_PACKAGE_VENDOR "Strigolo maintainers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop companion owl with a calendar, reminders and an Italian quiz")
set(CPACK_PACKAGE_DESCRIPTION
    "A small always-on-top window in which a cartoon owl lives on a tree. It follows the\n\
pointer with its eyes, dozes off and wakes, keeps a little calendar of appointments,\n\
weekly events and reminders, tells you what falls due, and now and then offers an\n\
Italian trivia question. Each user's calendar is kept in\n\
~/.local/share/strigolo/Data/database.bin.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Strigolo maintainers <maintainers@users.noreply.c-seed-87db8b61.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Debian 12 ships freeglut's libglut.so.3.12 as libglut3.12; older releases as freeglut3.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libglut3.12 | freeglut3, libgl1, libglu1-mesa, libgl1-mesa-dri, libopenal1, libalut0, libxrandr2, libical3, libicu72, libglib2.0-0, xdg-utils")
find_program(DPKG_SHLIBDEPS dpkg-shlibdeps)
if(DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
# A package of a sanitizer build would need the sanitizer runtimes and run slowly:
# cpack refuses it.
if(STRIGOLO_SANITIZE)
  set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/refuse_sanitized_package.cmake)
endif()
include(CPack)
