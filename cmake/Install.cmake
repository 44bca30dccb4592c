# Installing Vidmarro like a desktop program, and its Debian package.
include(GNUInstallDirs)

set(_dist ${CMAKE_SOURCE_DIR}/dist)
set(VIDMARRO_DESKTOP_FILE ${_dist}/vidmarro.desktop)
set(VIDMARRO_METAINFO_FILE ${_dist}/com.vidmarro.vidmarro.metainfo.xml)

# The folder the program is installed in: it keeps its files in the user's folders when run there.
target_compile_definitions(vm_app PRIVATE VIDMARRO_INSTALLED_BINDIR="${CMAKE_INSTALL_FULL_BINDIR}")
# The engine module seen from the program's folder, for an install under any prefix.
file(RELATIVE_PATH _module_from_bin ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR}/vidmarro)
target_compile_definitions(vm_module PRIVATE VIDMARRO_MODULE_FROM_BIN="${_module_from_bin}")

install(TARGETS vidmarro RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${VIDMARRO_DESKTOP_FILE} DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${VIDMARRO_METAINFO_FILE} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${_dist}/icons/vidmarro.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(_size 16 24 32 48 64 128 256)
  install(FILES ${_dist}/icons/${_size}/vidmarro.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size}/apps)
endforeach()

# Debian wants the man page and the changelog compressed, without time stamps.
find_program(GZIP_EXECUTABLE gzip REQUIRED)
set(_man ${CMAKE_BINARY_DIR}/dist/vidmarro.1.gz)
set(_changelog ${CMAKE_BINARY_DIR}/dist/changelog.gz)
add_custom_command(OUTPUT ${_man}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/dist
  COMMAND ${GZIP_EXECUTABLE} -9nc ${_dist}/vidmarro.1 > ${_man}
  DEPENDS ${_dist}/vidmarro.1 VERBATIM)
add_custom_command(OUTPUT ${_changelog}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/dist
  COMMAND ${GZIP_EXECUTABLE} -9nc ${_dist}/changelog > ${_changelog}
  DEPENDS ${_dist}/changelog VERBATIM)
add_custom_target(vm_dist_docs ALL DEPENDS ${_man} ${_changelog})
install(FILES ${_man} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${_changelog} ${_dist}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vidmarro)

# scripts/package.sh: cpack -G DEB in a build configured with the prefix /usr.
set(CPACK_PACKAGE_NAME vidmarro)
set(CPACK_PACKAGE_VENDOR "Vidmarro")
set(CPACK_PACKAGE_CONTACT "Vidmarro developers <packages@vidmarro.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "media player with playlists and a clip manager")
set(CPACK_PACKAGE_DESCRIPTION
  "Vidmarro plays audio and video clips one after another in a chosen order
(shuffle, repeat, 0.2x to 2x speed, a sleep timer), keeps such orders as ASX
playlists that can be edited, and tidies up the clips: clips marked while they
play can be sent to the trash, copied or moved to a folder, or added to a
playlist.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.vidmarro.com/")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# shlibdeps sees the libraries of the program and of its engine module; the soundfont plays MIDI
# clips, the platform plugins draw the windows.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fluid-soundfont-gm, qt6-qpa-plugins")
# Qt's own translations let its dialogs (file names, buttons) speak the user's language.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
