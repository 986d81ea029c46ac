# Install rules and the packages built from them (CPack).
#
# Installed: the tool, morlenta-cli and the simulator into bin, morlenta-cli's manual page into
# share/man/man1, the README into share/doc/morlenta, and on Linux and the other freedesktop
# systems the menu entry and the logo as hicolor icons. Tests, tour and benchmarks are never
# installed.
#
# On when this is the top-level project (MORLENTA_TOP_LEVEL, CMakeLists.txt); a project that
# includes this one with add_subdirectory gets no install rules and no CPack set-up of ours unless
# it asks for them (MORLENTA_INSTALL=ON).
option(MORLENTA_INSTALL "Install rules and CPack packaging" ${MORLENTA_TOP_LEVEL})
if(NOT MORLENTA_INSTALL)
  return()
endif()

include(GNUInstallDirs)

# Folders created by the install get rwxr-xr-x whatever the umask of the machine that packs.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS morlenta morlenta-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# morlenta-cli's manual page, made from its --help by help2man (Debian package help2man) at build
# time and packed as Debian keeps manual pages.
if(UNIX AND NOT APPLE)
  find_program(MORLENTA_HELP2MAN help2man)
  if(MORLENTA_HELP2MAN)
    set(MORLENTA_CLI_MANPAGE ${CMAKE_CURRENT_BINARY_DIR}/morlenta-cli.1.gz)
    add_custom_command(OUTPUT ${MORLENTA_CLI_MANPAGE}
      COMMAND ${MORLENTA_HELP2MAN} --no-info --section=1
        "--name=commission a solenoid-valve controller from the command line"
        --output=morlenta-cli.1 $<TARGET_FILE:morlenta-cli>
      COMMAND gzip -9nf morlenta-cli.1
      DEPENDS morlenta-cli
      WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
      COMMENT "Manual page of morlenta-cli")
    add_custom_target(morlenta-cli-manpage ALL DEPENDS ${MORLENTA_CLI_MANPAGE})
    install(FILES ${MORLENTA_CLI_MANPAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  else()
    message(WARNING "help2man not found: morlenta-cli gets no manual page")
  endif()
endif()
# The simulator is how someone tries the tool without a controller; it is POSIX only.
if(TARGET morlenta-sim)
  install(TARGETS morlenta-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
# GNUInstallDirs' DOCDIR would be share/doc/Morlenta, after the project name.
install(FILES ${MORLENTA_ROOT}/README.md DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/morlenta)

if(UNIX AND NOT APPLE)
  install(FILES ${MORLENTA_ROOT}/packaging/morlenta.desktop
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
  foreach(size 32 64)
    install(FILES ${MORLENTA_ROOT}/packaging/icons/morlenta-${size}.png
      DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${size}x${size}/apps
      RENAME morlenta.png)
  endforeach()
endif()

# Packages. scripts/package builds the Debian one. Elsewhere cpack makes an archive of the
# install tree; on Windows that has no Qt libraries in it: README.md says how windeployqt makes a
# folder that runs on its own.
set(CPACK_PACKAGE_NAME morlenta)
set(CPACK_PACKAGE_VENDOR "Morlenta")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "set up and watch a solenoid-valve controller on a Modbus RTU serial line")
set(CPACK_PACKAGE_DESCRIPTION
  "Morlenta opens a serial port (USB/RS-485 adapter), wakes the controller, reads its \
configuration into settings pages, validates and writes it back, and watches the inputs, the \
valve, the capacitor charge, the core temperature and the clock live. morlenta-cli does the same \
from the command line: configuration profiles written to unit after unit with a read-back, live \
values as CSV and a trace of every frame. The package also has morlenta-sim, a stand-in for the \
controller on a virtual serial line made with socat.")
set(CPACK_STRIP_FILES ON)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
elseif(UNIX AND NOT APPLE)
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Morlenta developers <morlenta@localhost>"
    CACHE STRING "Maintainer field of the Debian package")
  # Depends comes from dpkg-shlibdeps on the installed programs (needs dpkg-dev and file).
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # Not a library dependency: the simulator's virtual serial line is a socat pty pair.
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS socat)
else()
  set(CPACK_GENERATOR TGZ)
endif()

include(CPack)
