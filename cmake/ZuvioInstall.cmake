# What "cmake --install" and the Debian package put on an operator's machine:
# the player, zuvio-remote, a desktop entry with
# its icon, the manual page and the systemd units. Test programs stay out.
include(GNUInstallDirs)

# The player looks for Drivers/ in <bindir>/../lib/zuvio (CorvanaLibrary.cpp).
set(ZUVIO_INSTALL_PKGLIBDIR lib/zuvio)

install(TARGETS zuvio zuvio-remote RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/dist/zuvio.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/dist/zuvio.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The manual page is the player's own --help and --version. help2man runs it by
# name from PATH, so the page shows "zuvio", not the build folder.
find_program(HELP2MAN help2man)
if(HELP2MAN)
  set(man_page ${CMAKE_BINARY_DIR}/man/zuvio.1)
  add_custom_command(
    OUTPUT ${man_page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND ${CMAKE_COMMAND} -E env "PATH=$<TARGET_FILE_DIR:zuvio>:$ENV{PATH}"
            QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
            ${HELP2MAN} --no-info --section=1 "--name=show and installation media player" --output=${man_page} zuvio
    COMMAND gzip -9nf ${man_page}
    DEPENDS zuvio
    COMMENT "Writing the manual page"
    VERBATIM)
  add_custom_target(zuvio_man ALL DEPENDS ${man_page}.gz)
  install(FILES ${man_page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  message(STATUS "help2man not found: no manual page is installed")
endif()

# The units in dist/systemd start /usr/bin/zuvio; the installed ones start the
# player where this configuration installs it, both as zuvio.service.
set(unit_user_note "# Installed with the player. For a user's graphical session:
#   systemctl --user enable --now zuvio.service
")
set(unit_system_note "# Installed with the player. Set the user and display for this machine first:
#   systemctl edit zuvio.service   ([Service] User=... and Environment=DISPLAY=...)
#   systemctl enable --now zuvio.service
")
foreach(unit IN ITEMS user system)
  set(source ${PROJECT_SOURCE_DIR}/dist/systemd/zuvio.service)
  if(unit STREQUAL "system")
    set(source ${PROJECT_SOURCE_DIR}/dist/systemd/zuvio-system.service)
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
  file(READ ${source} text)
  string(REGEX REPLACE "^(#[^\n]*\n)+" "${unit_${unit}_note}" text "${text}")
  string(REPLACE "ExecStart=/usr/bin/zuvio " "ExecStart=${CMAKE_INSTALL_FULL_BINDIR}/zuvio " text "${text}")
  file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/dist/systemd/${unit}/zuvio.service CONTENT "${text}" @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/dist/systemd/${unit}/zuvio.service DESTINATION lib/systemd/${unit})
endforeach()

# The Debian package: cmake --build BUILD --target package (or cpack in BUILD).
# Its files go where this configuration installs them, so the units match;
# configure with -DCMAKE_INSTALL_PREFIX=/usr for a package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zuvio)
set(CPACK_PACKAGE_VENDOR vexo)
set(CPACK_PACKAGE_CONTACT "vexo <zuvio@vexo.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "show and installation media player")
set(CPACK_PACKAGE_DESCRIPTION "Zuvio plays video, audio and still images for shows through two players,
one visible while the other waits with its next medium loaded, fed by a
playlist. It is controlled over UDP, OSC and DMX (a Corvana input device or
Art-Net/sACN through olad), and runs unattended as a systemd service.")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
# Depends is the runtime list of scripts/install-deps.sh, so "install-deps.sh
# runtime" and the package install the same; dpkg-shlibdeps adds the versions
# of the libraries it links.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(deps_script ${PROJECT_SOURCE_DIR}/scripts/install-deps.sh)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${deps_script})
file(READ ${deps_script} deps_text)
if(NOT deps_text MATCHES "\nruntime=[(]([^)]*)[)]")
  message(FATAL_ERROR "no runtime=( ... ) list in ${deps_script}")
endif()
string(REGEX REPLACE "#[^\n]*" "" runtime_packages "${CMAKE_MATCH_1}")
string(REGEX REPLACE "[ \t\r\n]+" ";" runtime_packages "${runtime_packages}")
list(REMOVE_ITEM runtime_packages "")
list(JOIN runtime_packages ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gstreamer1.0-pulseaudio")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "ola")
include(CPack)
