# Writes GitInfo.h with the revision and branch of the checkout being built.
# Run at every build; the header is only rewritten when they change, so an
# unchanged checkout rebuilds nothing.
set(sha1 "0000000000000000000000000000000000000000")
set(branch "unknown")
execute_process(COMMAND git -C "${SOURCE_DIR}" rev-parse HEAD
  OUTPUT_VARIABLE out RESULT_VARIABLE rc OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(rc EQUAL 0 AND out MATCHES "^[0-9a-f]+$")
  set(sha1 "${out}")
endif()
execute_process(COMMAND git -C "${SOURCE_DIR}" rev-parse --abbrev-ref HEAD
  OUTPUT_VARIABLE out RESULT_VARIABLE rc OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(rc EQUAL 0 AND NOT out STREQUAL "")
  if(out STREQUAL "HEAD")
    set(out "detached")
  endif()
  set(branch "${out}")
endif()
file(WRITE "${OUTPUT}.tmp" "#pragma once\n#define CORVANE_GIT_SHA1 \"${sha1}\"\n#define CORVANE_GIT_BRANCH \"${REPOSITORY}/${branch}\"\n")
execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different "${OUTPUT}.tmp" "${OUTPUT}")
file(REMOVE "${OUTPUT}.tmp")
