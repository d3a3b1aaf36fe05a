# ARMv7 hard-float Linux, the controller's target, built with Debian's cross
# compiler (crossbuild-essential-armhf) against Debian's armhf packages
# installed side by side with the amd64 ones (multiarch), plus the small
# armhf root that scripts/install-deps.sh --armhf unpacks umockdev into.
# The tests run under qemu-arm through qemu-armhf.sh:
#   cmake -S . -B build-armhf -G Ninja \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/arm-linux-gnueabihf.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR armv7l)
set(CMAKE_LIBRARY_ARCHITECTURE arm-linux-gnueabihf)
set(CMAKE_C_COMPILER arm-linux-gnueabihf-gcc)
set(CMAKE_CXX_COMPILER arm-linux-gnueabihf-g++)
# GNUInstallDirs chooses Debian's multiarch library folder only for native
# builds; the packages of this build are for Debian armhf all the same.
set(CMAKE_INSTALL_LIBDIR lib/${CMAKE_LIBRARY_ARCHITECTURE} CACHE PATH "Object code libraries")

# Where install-deps.sh put umockdev's armhf files (its default too).
if(NOT CORVANE_ARMHF_ROOT)
  if(DEFINED ENV{CORVANE_ARMHF_ROOT})
    set(CORVANE_ARMHF_ROOT $ENV{CORVANE_ARMHF_ROOT})
  else()
    set(CORVANE_ARMHF_ROOT /opt/corvane-armhf)
  endif()
endif()
set(CORVANE_ARMHF_ROOT ${CORVANE_ARMHF_ROOT} CACHE PATH "armhf root with umockdev's files")

# Libraries, headers and CMake packages: armhf only (the multiarch paths
# under /, then the umockdev root); programs (moc, pkg-config): the host's.
set(CMAKE_FIND_ROOT_PATH / ${CORVANE_ARMHF_ROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(PKG_CONFIG_EXECUTABLE arm-linux-gnueabihf-pkg-config CACHE FILEPATH "pkg-config for armhf")
set(ENV{PKG_CONFIG_PATH} ${CORVANE_ARMHF_ROOT}/usr/lib/arm-linux-gnueabihf/pkgconfig)

set(CMAKE_CROSSCOMPILING_EMULATOR
  /usr/bin/env CORVANE_ARMHF_ROOT=${CORVANE_ARMHF_ROOT} ${CMAKE_CURRENT_LIST_DIR}/qemu-armhf.sh)
