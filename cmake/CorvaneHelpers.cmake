# corvane_add_subsystem(<name> SOURCES ... [LINK ...])
# One static (PIC) archive per source directory, named corvane_<name>; the
# shared library `corvane` takes every one of them whole.
function(corvane_add_subsystem name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINK" ${ARGN})
  set(target corvane_${name})
  list(FILTER ARG_SOURCES INCLUDE REGEX "\\.(cpp|h)$")
  if(NOT ARG_SOURCES)
    # a subsystem not written yet still has a (header-only) target
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/src>)
    return()
  endif()
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

# corvane_add_test(<name> SOURCES ... [LINK ...] [RESOURCE_LOCK lock] [TIMEOUT s])
# A GoogleTest executable under build/tests, its cases registered with ctest.
function(corvane_add_test name)
  cmake_parse_arguments(ARG "" "RESOURCE_LOCK;TIMEOUT" "SOURCES;LINK" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES AUTOMOC ON
    RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_LINK} GTest::gtest GTest::gmock GTest::gtest_main)
  set(props "")
  if(ARG_RESOURCE_LOCK)
    list(APPEND props RESOURCE_LOCK ${ARG_RESOURCE_LOCK})
  endif()
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  list(APPEND props TIMEOUT ${ARG_TIMEOUT})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ${props})
endfunction()
