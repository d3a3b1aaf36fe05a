#!/usr/bin/env bash
# Builds the Debian packages from a build directory: libcorvane3,
# libcorvane-dev, corvane-common (the services' user and device rule, for all
# architectures), corvane-axid (with its systemd unit) and corvane-tools, for
# the architecture that directory is built for (amd64 natively, armhf with a
# cross toolchain). The packages install under /usr, so the directory is
# configured with that prefix first. The .deb files land in
# <build-dir>/packages/.
# Usage: scripts/package.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
if [ ! -f "$build/CMakeCache.txt" ]; then
    echo "package.sh: $build is not a configured build directory" >&2
    exit 2
fi

start=$(date +%s)
cmake -DCMAKE_INSTALL_PREFIX=/usr "$build" >/dev/null
cmake --build "$build" --target corvane_installed

# dpkg-shlibdeps resolves libraries of the host architecture in DEB_HOST_*:
# for a cross build that is the target's, whose libraries come from its
# multiarch packages.
arch=$(sed -n 's/^set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
if [ -n "$arch" ] && [ "$arch" != "$(dpkg --print-architecture)" ]; then
    eval "$(dpkg-architecture -a"$arch" -s 2>/dev/null)"
fi

out="$build/packages"
rm -rf "$out"
(cd "$build" && cpack -G DEB -B "$PWD/packages" >/dev/null)
debs=("$out"/*.deb)
for deb in "${debs[@]}"; do
    echo "$(basename "$deb"): $(dpkg-deb -f "$deb" Depends)"
done
echo "package.sh: ${#debs[@]} packages in $(($(date +%s) - start))s"
