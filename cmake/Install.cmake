# What `cmake --install` and the Debian packages ship: libcorvane with its
# public headers, CMake package config and pkg-config file, the services'
# user and device rule, the daemon with its systemd unit, and the engineers'
# tools. Each file belongs to one
# install component, which Packaging.cmake turns into one package.

include(CMakePackageConfigHelpers)

# The install components and the Debian package each becomes, in pairs
# (Packaging.cmake describes them). A program names its package.
set(CORVANE_PACKAGES
  lib    libcorvane${PROJECT_VERSION_MAJOR}
  dev    libcorvane-dev
  common corvane-common
  daemon corvane-axid
  tools  corvane-tools)

# corvane_package_component(<package> <var>): the component of <package>.
function(corvane_package_component package var)
  list(FIND CORVANE_PACKAGES ${package} i)
  math(EXPR odd "${i} % 2")
  if(i LESS 0 OR NOT odd)
    message(FATAL_ERROR "no package ${package}: the packages are those of CORVANE_PACKAGES")
  endif()
  math(EXPR i "${i} - 1")
  list(GET CORVANE_PACKAGES ${i} component)
  set(${var} ${component} PARENT_SCOPE)
endfunction()

# Builds what is installed and nothing else (scripts/package.sh).
add_custom_target(corvane_installed)

# The public interface: the headers an instrument application includes,
# listed by each src/<subsystem>/CMakeLists.txt (corvane_public_headers). Only
# these are installed, and only what they declare is exported from
# libcorvane.so (cmake/ExportMap.cmake derives the linker's version script
# from them). The rest of src/ is plumbing: the daemon's server and wire
# format, the board's C helpers (gpio_get_value, leds, flash, ...), the
# register-window library and the headers that only sources include.
get_property(CORVANE_PUBLIC_HEADERS GLOBAL PROPERTY CORVANE_PUBLIC_HEADERS)

# The version script, regenerated when a public header changes.
set(public_paths ${CORVANE_PUBLIC_HEADERS})
list(TRANSFORM public_paths PREPEND ${PROJECT_SOURCE_DIR}/src/)
set(export_map ${PROJECT_BINARY_DIR}/corvane.map)
add_custom_command(OUTPUT ${export_map}
  COMMAND ${CMAKE_COMMAND} -DOUTPUT=${export_map} "-DHEADERS=${public_paths}"
          -P ${PROJECT_SOURCE_DIR}/cmake/ExportMap.cmake
  DEPENDS ${public_paths} ${PROJECT_SOURCE_DIR}/cmake/ExportMap.cmake
  COMMENT "Listing the symbols libcorvane exports"
  VERBATIM)
target_sources(corvane PRIVATE ${export_map})
set_property(TARGET corvane APPEND PROPERTY LINK_DEPENDS ${export_map})
target_link_options(corvane PRIVATE "LINKER:--version-script=${export_map}")
if(NOT CORVANE_BUILD_FUZZ)
  # Every library the shared object needs is linked into it. (The sanitizer
  # runtime of the fuzz build is linked into the executables only.)
  target_link_options(corvane PRIVATE "LINKER:--no-undefined")
endif()
# Public headers include each other as "datacore/DatacoreBase.h".
target_include_directories(corvane INTERFACE
  $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/src>
  $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/corvane>)

# Library and development files.
add_dependencies(corvane_installed corvane)
install(TARGETS corvane EXPORT CorvaneTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT lib NAMELINK_COMPONENT dev)
foreach(header ${CORVANE_PUBLIC_HEADERS})
  get_filename_component(dir ${header} DIRECTORY)
  install(FILES src/${header} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/corvane/${dir} COMPONENT dev)
endforeach()
set(config_dir ${CMAKE_INSTALL_LIBDIR}/cmake/Corvane)
install(EXPORT CorvaneTargets NAMESPACE Corvane:: DESTINATION ${config_dir} COMPONENT dev)
configure_package_config_file(cmake/CorvaneConfig.cmake.in
  ${PROJECT_BINARY_DIR}/CorvaneConfig.cmake INSTALL_DESTINATION ${config_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/CorvaneConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/CorvaneConfig.cmake ${PROJECT_BINARY_DIR}/CorvaneConfigVersion.cmake
  DESTINATION ${config_dir} COMPONENT dev)
file(RELATIVE_PATH pc_to_prefix ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" pc_to_prefix "${pc_to_prefix}")
configure_file(cmake/corvane.pc.in ${PROJECT_BINARY_DIR}/corvane.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/corvane.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
  COMPONENT dev)

# The user the services run as and the group that owns the devices they
# open. systemd-sysusers and udev read <prefix>/lib too, for /usr and
# /usr/local alike.
install(FILES packaging/corvane-common/corvane.sysusers DESTINATION lib/sysusers.d
  RENAME corvane.conf COMPONENT common)
install(FILES packaging/corvane-common/60-corvane.rules DESTINATION lib/udev/rules.d
  COMPONENT common)

# The unit that starts the daemon at boot. systemd reads units from
# <prefix>/lib/systemd/system for both /usr and /usr/local.
configure_file(packaging/corvane-axid.service.in ${PROJECT_BINARY_DIR}/corvane-axid.service @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/corvane-axid.service DESTINATION lib/systemd/system
  COMPONENT daemon)

# The programs, each in the package its corvane_program() names: the daemon
# and the engineers' tools. The simulated board is a development aid and
# stays in the build tree.
get_property(programs GLOBAL PROPERTY CORVANE_PROGRAMS)
foreach(program ${programs})
  get_target_property(package ${program} CORVANE_PACKAGE)
  if(package)
    corvane_package_component(${package} component)
    add_dependencies(corvane_installed ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT ${component})
  endif()
endforeach()
