# Debian packages, one per install component (CORVANE_PACKAGES in
# Install.cmake):
#   libcorvane<soversion>  the shared library
#   libcorvane-dev         public headers, CMake package config, pkg-config
#   corvane-common         the user corvane and the udev rule for its devices
#   corvane-axid           the daemon and its systemd unit, enabled on install
#   corvane-tools          the command-line and GUI tools
# scripts/package.sh runs cpack in a build directory. The packages install
# under CMAKE_INSTALL_PREFIX, so the unit's ExecStart and the pkg-config
# file name the paths the packages use (package.sh configures /usr).

set(CORVANE_PACKAGE_MAINTAINER "Corvane platform software <platform@corvane.invalid>"
  CACHE STRING "Maintainer field of the Debian packages")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvane)
set(CPACK_PACKAGE_VENDOR Corvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Corvane instrument platform software")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${CORVANE_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL "")
set(pairs ${CORVANE_PACKAGES})
while(pairs)
  list(POP_FRONT pairs component package)
  list(APPEND CPACK_COMPONENTS_ALL ${component})
  string(TOUPPER ${component} c)
  set(CPACK_DEBIAN_${c}_PACKAGE_NAME ${package})
endwhile()
# Run-time dependencies of every ELF file from dpkg-shlibdeps; packages of
# this project that another needs, from the component dependencies.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

# The architecture of the binaries built, not of the machine building them:
# a cross toolchain's target triplet (CMAKE_LIBRARY_ARCHITECTURE, e.g.
# arm-linux-gnueabihf) is translated by dpkg's own table.
if(CMAKE_LIBRARY_ARCHITECTURE)
  execute_process(COMMAND dpkg-architecture -t${CMAKE_LIBRARY_ARCHITECTURE} -qDEB_HOST_ARCH
    OUTPUT_VARIABLE arch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE failed)
  if(NOT failed AND arch)
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${arch})
  endif()
endif()

set(CPACK_COMPONENT_LIB_DESCRIPTION "Corvane instrument platform library
 Board services, the version inventory, SMPTE ST 352 payload identifiers and
 the catalogue of video standards, the datacore tree with its messages, data
 packets and the datacore client with its Qt widgets, and JSON status
 documents.")
set(CPACK_DEBIAN_LIB_PACKAGE_SECTION libs)
# The status widget's icons are SVG: Qt loads them through the plugin in
# libqt5svg5, which no ELF dependency reveals.
set(CPACK_DEBIAN_LIB_PACKAGE_DEPENDS libqt5svg5)
# A shlibs file, so that dpkg-shlibdeps of an application linking libcorvane
# finds this package.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
# dpkg runs ldconfig once per transaction through this trigger. (CPack still
# adds its own ldconfig calls to the maintainer scripts, which are harmless.)
set(CPACK_DEBIAN_LIB_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/libcorvane/triggers)

set(CPACK_COMPONENT_DEV_DESCRIPTION "Corvane instrument platform library: development files
 Public headers, the CMake package (find_package(Corvane), target
 Corvane::corvane) and the pkg-config file corvane.pc.")
set(CPACK_COMPONENT_DEV_DEPENDS lib)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "qtbase5-dev, libfmt-dev")

set(CPACK_COMPONENT_COMMON_DESCRIPTION "Corvane instrument services: user and device access
 The system user and group corvane, which corvane-axid and corvane-webd run
 as, and the udev rule that gives the group the board's register window,
 flash partitions, HDMI I2C bus and watchdog.")
set(CPACK_DEBIAN_COMMON_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_COMMON_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_COMMON_PACKAGE_DEPENDS "systemd | systemd-standalone-sysusers")
set(CPACK_DEBIAN_COMMON_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/corvane-common/postinst)
set(CPACK_DEBIAN_COMMON_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_COMPONENT_DAEMON_DESCRIPTION "Corvane FPGA register server
 corvane-axid serves FPGA register reads and writes and version requests on
 TCP port 9430. Installed as the systemd service corvane-axid.service,
 started at boot and restarted when it fails, as the unprivileged user
 corvane.")
set(CPACK_COMPONENT_DAEMON_DEPENDS common)
set(CPACK_DEBIAN_DAEMON_PACKAGE_SECTION net)
set(CPACK_DEBIAN_DAEMON_PACKAGE_CONTROL_EXTRA
  ${PROJECT_SOURCE_DIR}/packaging/corvane-axid/postinst
  ${PROJECT_SOURCE_DIR}/packaging/corvane-axid/prerm
  ${PROJECT_SOURCE_DIR}/packaging/corvane-axid/postrm)
set(CPACK_DEBIAN_DAEMON_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# The tools' description names the programs declared in the package, "a, b
# and c.", in lines of at most 80 columns.
corvane_package_programs(${CPACK_DEBIAN_TOOLS_PACKAGE_NAME} programs)
list(POP_BACK programs last)
list(JOIN programs ", " names)
if(programs)
  string(APPEND names " and")
endif()
string(REPLACE " " ";" words "${names} ${last}.")
set(description "Corvane engineering tools\n")
set(line "")
foreach(word ${words})
  string(LENGTH " ${line} ${word}" width)
  if(line AND width GREATER 80)
    string(APPEND description " ${line}\n")
    set(line "")
  endif()
  if(line)
    string(APPEND line " ")
  endif()
  string(APPEND line "${word}")
endforeach()
string(APPEND description " ${line}")
set(CPACK_COMPONENT_TOOLS_DESCRIPTION "${description}")
# corvane-webd.service runs as the user corvane.
set(CPACK_COMPONENT_TOOLS_DEPENDS common)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_TOOLS_PACKAGE_DEPENDS libqt5svg5)

# Debian wants each package's copyright statement and changelog in its
# documentation folder, the changelog compressed without a name or time in
# the gzip header so that packages built from the same tree are identical.
configure_file(packaging/changelog.in ${PROJECT_BINARY_DIR}/changelog.Debian @ONLY)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/changelog.Debian.gz
  COMMAND gzip -9nc changelog.Debian > changelog.Debian.gz
  DEPENDS ${PROJECT_BINARY_DIR}/changelog.Debian
  WORKING_DIRECTORY ${PROJECT_BINARY_DIR})
add_custom_target(corvane_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/changelog.Debian.gz)
add_dependencies(corvane_installed corvane_changelog)
foreach(component ${CPACK_COMPONENTS_ALL})
  string(TOUPPER ${component} c)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${PROJECT_BINARY_DIR}/changelog.Debian.gz
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${CPACK_DEBIAN_${c}_PACKAGE_NAME}
    COMPONENT ${component})
endforeach()

include(CPack)

# corvane_add_package_table_test(): the README's package table names the
# programs each package ships, and nothing else (cmake/PackageTable.cmake).
function(corvane_add_package_table_test)
  set(args "")
  set(packages "")
  set(pairs ${CORVANE_PACKAGES})
  while(pairs)
    list(POP_FRONT pairs component package)
    list(APPEND packages ${package})
    corvane_package_programs(${package} programs)
    list(JOIN programs "," programs)
    list(APPEND args "-DPROGRAMS_${package}=${programs}")
  endwhile()
  list(JOIN packages "," packages)
  corvane_package_programs("" unpackaged)
  list(JOIN unpackaged "," unpackaged)
  add_test(NAME readme_package_table
    COMMAND ${CMAKE_COMMAND} -DREADME=${PROJECT_SOURCE_DIR}/README.md -DPACKAGES=${packages}
            -DUNPACKAGED=${unpackaged} ${args} -P ${PROJECT_SOURCE_DIR}/cmake/PackageTable.cmake)
endfunction()
