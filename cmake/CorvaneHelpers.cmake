# corvane_add_subsystem(<name> SOURCES ... [LINK ...])
# One static (PIC) archive per source directory, named corvane_<name>; the
# shared library `corvane` takes every one of them whole.
function(corvane_add_subsystem name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINK" ${ARGN})
  set(target corvane_${name})
  add_library(${target} STATIC ${ARG_SOURCES})
  target_include_directories(${target} PUBLIC
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/src>
    $<BUILD_INTERFACE:${PROJECT_BINARY_DIR}/generated>)
  set_target_properties(${target} PROPERTIES AUTOMOC ON)
  if(ARG_LINK)
    target_link_libraries(${target} PUBLIC ${ARG_LINK})
  endif()
  set_property(GLOBAL APPEND PROPERTY CORVANE_SUBSYSTEMS ${target})
endfunction()

# corvane_public_headers(<header>...)
# Called at the top of src/<subsystem>/CMakeLists.txt: the headers of that
# directory that form the installed interface. Install.cmake installs them as
# include/corvane/<subsystem>/<header> and ExportMap.cmake exports what they
# declare from libcorvane.so; every other header is internal to the library.
function(corvane_public_headers)
  file(RELATIVE_PATH subsystem ${PROJECT_SOURCE_DIR}/src ${CMAKE_CURRENT_SOURCE_DIR})
  foreach(header ${ARGN})
    if(NOT EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${header})
      message(FATAL_ERROR "public header ${header}: no such file in src/${subsystem}")
    endif()
    set_property(GLOBAL APPEND PROPERTY CORVANE_PUBLIC_HEADERS ${subsystem}/${header})
  endforeach()
endfunction()

# corvane_program(<target> [PACKAGE <package>])
# Declares an executable of the tree, named as its program: with PACKAGE it
# is installed into bin/ and shipped in that Debian package (one of
# CORVANE_PACKAGES in Install.cmake); without, it stays in the build tree.
# Install.cmake, Packaging.cmake and the README's package table (test
# readme_package_table) follow from these declarations.
function(corvane_program target)
  cmake_parse_arguments(ARG "" "PACKAGE" "" ${ARGN})
  if(NOT TARGET ${target})
    message(FATAL_ERROR "corvane_program(${target}): no such target")
  endif()
  set_property(GLOBAL APPEND PROPERTY CORVANE_PROGRAMS ${target})
  set_property(TARGET ${target} PROPERTY CORVANE_PACKAGE "${ARG_PACKAGE}")
endfunction()

# corvane_package_programs(<package> <var>)
# The programs declared in <package> (all that stay in the build tree when
# <package> is empty), in the order they were declared.
function(corvane_package_programs package var)
  get_property(programs GLOBAL PROPERTY CORVANE_PROGRAMS)
  set(found "")
  foreach(program ${programs})
    get_target_property(p ${program} CORVANE_PACKAGE)
    if(p STREQUAL package)
      list(APPEND found ${program})
    endif()
  endforeach()
  set(${var} ${found} PARENT_SCOPE)
endfunction()

# corvane_add_subdirectories([<dir>] [EXCEPT <name>...])
# Adds every sub-directory of <dir> (default: the current source directory)
# that has a CMakeLists.txt, in name order.
function(corvane_add_subdirectories)
  cmake_parse_arguments(ARG "" "" "EXCEPT" ${ARGN})
  set(dir ${CMAKE_CURRENT_SOURCE_DIR})
  if(ARG_UNPARSED_ARGUMENTS)
    cmake_path(ABSOLUTE_PATH ARG_UNPARSED_ARGUMENTS NORMALIZE OUTPUT_VARIABLE dir)
  endif()
  file(GLOB children LIST_DIRECTORIES true RELATIVE ${dir} ${dir}/*)
  list(SORT children)
  foreach(child ${children})
    if(NOT child IN_LIST ARG_EXCEPT AND EXISTS ${dir}/${child}/CMakeLists.txt)
      add_subdirectory(${dir}/${child})
    endif()
  endforeach()
endfunction()

# corvane_add_test(<name> SOURCES ... [LINK ...] [MAIN <target>] [RESOURCE_LOCK lock] [TIMEOUT s])
# A GoogleTest executable under build/tests, its cases registered with ctest.
# MAIN is the object library that brings main() (default corvane_test_main).
function(corvane_add_test name)
  cmake_parse_arguments(ARG "" "MAIN;RESOURCE_LOCK;TIMEOUT" "SOURCES;LINK" ${ARGN})
  if(NOT ARG_MAIN)
    set(ARG_MAIN corvane_test_main)
  endif()
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES AUTOMOC ON
    RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_MAIN} ${ARG_LINK} corvane_testsupport
    GTest::gtest GTest::gmock)
  set(props TIMEOUT ${ARG_TIMEOUT})
  if(ARG_RESOURCE_LOCK)
    list(APPEND props RESOURCE_LOCK ${ARG_RESOURCE_LOCK})
  endif()
  if(CORVANE_SANITIZER_ENV)
    # The sanitizer options reach the listing of the cases at build time as
    # well as each run: gtest_discover_tests starts both through this.
    set_target_properties(${name} PROPERTIES
      CROSSCOMPILING_EMULATOR "${CMAKE_COMMAND};-E;env;${CORVANE_SANITIZER_ENV}")
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ${props})
endfunction()

# corvane_add_test_directory(LINK ... [FILES <glob>...] [EXCLUDE <glob>...]
#   [SOURCES ...] [GUI] [NEEDS_UMOCKDEV] [IN_TESTBED] [RESOURCE_LOCK lock]
#   [TIMEOUT s] [TARGETS <var>])
# One test executable per file matching FILES (default *_test.cpp) and not
# EXCLUDE, each built with the SOURCES shared by the directory.
#   GUI             main() creates a QApplication instead of a QCoreApplication
#                   (offscreen unless QT_QPA_PLATFORM says otherwise).
#   NEEDS_UMOCKDEV  the tests use the simulated board; without umockdev each
#                   one is registered as a single test that ctest reports as
#                   skipped, so missing coverage shows in every run.
#   IN_TESTBED      NEEDS_UMOCKDEV, and main() re-executes the program under
#                   the umockdev preload so in-process code sees the testbed.
# TARGETS names a variable that receives the executables created.
function(corvane_add_test_directory)
  cmake_parse_arguments(ARG "GUI;NEEDS_UMOCKDEV;IN_TESTBED" "RESOURCE_LOCK;TIMEOUT;TARGETS"
    "FILES;EXCLUDE;SOURCES;LINK" ${ARGN})
  if(NOT ARG_FILES)
    set(ARG_FILES *_test.cpp)
  endif()
  list(TRANSFORM ARG_FILES PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/)
  file(GLOB tests CONFIGURE_DEPENDS ${ARG_FILES})
  if(ARG_EXCLUDE)
    list(TRANSFORM ARG_EXCLUDE PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/)
    file(GLOB excluded CONFIGURE_DEPENDS ${ARG_EXCLUDE})
    list(REMOVE_ITEM tests ${excluded})
  endif()

  set(main corvane_test_main)
  if(ARG_GUI)
    set(main corvane_test_main_gui)
    list(APPEND ARG_LINK Qt5::Widgets)
  endif()
  if(ARG_IN_TESTBED)
    set(ARG_NEEDS_UMOCKDEV ON)
    set(main corvane_simboard_testmain)
  endif()

  set(created "")
  foreach(t ${tests})
    get_filename_component(n ${t} NAME_WE)
    if(ARG_NEEDS_UMOCKDEV AND NOT TARGET PkgConfig::UMOCKDEV)
      add_test(NAME ${n} COMMAND ${CMAKE_COMMAND} -E echo "umockdev not installed")
      set_tests_properties(${n} PROPERTIES SKIP_REGULAR_EXPRESSION "umockdev not installed")
      continue()
    endif()
    set(link ${ARG_LINK})
    if(ARG_NEEDS_UMOCKDEV)
      list(APPEND link corvane_simboard)
    endif()
    corvane_add_test(${n} SOURCES ${t} ${ARG_SOURCES} LINK ${link} MAIN ${main}
      RESOURCE_LOCK ${ARG_RESOURCE_LOCK} TIMEOUT ${ARG_TIMEOUT})
    list(APPEND created ${n})
  endforeach()
  if(ARG_TARGETS)
    set(${ARG_TARGETS} ${created} PARENT_SCOPE)
  endif()
endfunction()
