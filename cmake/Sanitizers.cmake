# Sanitizer builds: -DCORVANE_SANITIZE=address,undefined (any list that
# -fsanitize= takes, GCC or Clang). Every target of the tree is instrumented;
# the runtime options every test runs with are in CORVANE_SANITIZER_ENV.
set(CORVANE_SANITIZE "" CACHE STRING "Sanitizers for the whole tree (e.g. address,undefined)")
if(CORVANE_BUILD_FUZZ AND NOT CORVANE_SANITIZE)
  set(CORVANE_SANITIZE address,undefined CACHE STRING
    "Sanitizers for the whole tree (e.g. address,undefined)" FORCE)
endif()

set(CORVANE_SANITIZER_ENV "")
if(NOT CORVANE_SANITIZE)
  return()
endif()

add_compile_options(-fsanitize=${CORVANE_SANITIZE} -fno-omit-frame-pointer)
add_link_options(-fsanitize=${CORVANE_SANITIZE})
# A report must fail the test that caused it, not scroll past in its output.
add_compile_options(-fno-sanitize-recover=all)
# GCC's instrumentation gives false maybe-uninitialized warnings inside
# libstdc++ (std::regex's std::function states); GCC's manual advises against
# -Werror with sanitizers for this reason. They stay warnings here.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  add_compile_options(-Wno-error=maybe-uninitialized)
endif()

set(supp ${PROJECT_SOURCE_DIR}/scripts/sanitizers)
# verify_asan_link_order=0: the device tests start programs under umockdev's
# LD_PRELOAD, which puts its library before a shared ASan runtime (GCC's);
# its interceptors only redirect paths and allocate nothing ASan must see.
# detect_leaks stays on: the leak check is the point of several tests.
list(APPEND CORVANE_SANITIZER_ENV
  "ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:verify_asan_link_order=0"
  "UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1:suppressions=${supp}/ubsan.supp"
  "LSAN_OPTIONS=print_suppressions=0:suppressions=${supp}/lsan.supp")
