#!/usr/bin/env bash
# Installs the packages of <build-dir>/packages (scripts/package.sh) into a
# scratch root, checks that each carries its copyright file and changelog,
# and uses them from there: the installed corvane-axi runs, corvane-datacored
# serves its installed example, the systemd units verify and are exposed no
# more than 2.0 in systemd-analyze security, libcorvane exports no C symbol,
# and tests/consumer builds and runs against the installed files through the
# CMake package and through pkg-config. Prints each step's time.
# armhf packages (a build with the armhf toolchain) are checked the same way,
# built with the cross toolchain and run under qemu-arm.
# Usage: scripts/install-check.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
arch=$(sed -n 's/^set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE "\(.*\)")$/\1/p' \
    "$build/CPackConfig.cmake" 2>/dev/null || true)
arch=${arch:-$(dpkg --print-architecture)}
shopt -s nullglob
debs=("$build"/packages/*_"$arch".deb "$build"/packages/*_all.deb)
if [ "${#debs[@]}" -le 1 ]; then
    echo "install-check.sh: no $arch packages in $build/packages (run scripts/package.sh)" >&2
    exit 2
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
root=$scratch/root

# How the target's programs run and are built. Under qemu the emulated loader
# looks in the scratch root first, then in this machine's multiarch folders.
run=()
nm=nm
cxx=(c++)
cmake_cross=()
if [ "$arch" != "$(dpkg --print-architecture)" ]; then
    if [ "$arch" != armhf ]; then
        echo "install-check.sh: cannot run $arch packages here" >&2
        exit 2
    fi
    run=(qemu-arm-static -L "$root")
    nm=arm-linux-gnueabihf-nm
    cxx=(arm-linux-gnueabihf-g++)
    cmake_cross=(-DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchains/arm-linux-gnueabihf.cmake")
    export PKG_CONFIG=arm-linux-gnueabihf-pkg-config
fi
step_prefix=install-check
# shellcheck source=scripts/lib/steps.sh
source scripts/lib/steps.sh
fail() {
    echo "install-check.sh: $*" >&2
    exit 1
}

step "extracting ${#debs[@]} packages into a scratch root"
for deb in "${debs[@]}"; do
    dpkg-deb -x "$deb" "$root"
    package=$(dpkg-deb -f "$deb" Package)
    contents=$(dpkg-deb -c "$deb")
    for doc in copyright changelog.Debian.gz; do
        grep -q " ./usr/share/doc/$package/$doc$" <<<"$contents" ||
            fail "$package has no /usr/share/doc/$package/$doc"
    done
done
lib=$(find "$root" -name 'libcorvane.so.*.*' -type f)
libdir=$(dirname "$lib")
export LD_LIBRARY_PATH=$libdir
done_step

step "running the installed corvane-axi --help, resolving every program's libraries"
"${run[@]}" "$root/usr/bin/corvane-axi" --help | grep -q corvane-axi ||
    fail "corvane-axi --help printed no usage"
# Every installed program finds its libraries: the system's and libcorvane.
# (ldd cannot look into another architecture's programs; there the runs here
# and below stand for it.)
if [ ${#run[@]} -eq 0 ]; then
    for program in "$root"/usr/bin/*; do
        ! ldd "$program" | grep 'not found' || fail "$(basename "$program") misses libraries"
    done
fi
done_step

step "starting the installed corvane-datacored on its installed example"
# With no --file it must find the example installed beside it, not a path of
# the tree it was built in.
"${run[@]}" "$root/usr/bin/corvane-datacored" --port 0 >/dev/null 2>"$scratch/datacored.err" &
datacored=$!
served=
for _ in $(seq 100); do
    served=$(grep -m1 'serving' "$scratch/datacored.err" || true)
    [[ -z $served ]] && kill -0 "$datacored" 2>/dev/null || break
    sleep 0.1
done
kill "$datacored" 2>/dev/null || true
wait "$datacored" 2>/dev/null || true
[[ $served == "corvane-datacored: serving $root/usr/share/corvane/instrument.json on "* ]] ||
    fail "corvane-datacored did not serve its installed example: ${served:-no line}"
done_step

step "verifying the systemd units and their exposure"
# Within the scratch root, so ExecStart must name the installed program; the
# root has no system units, so sysinit.target and the like are not followed.
# The exposure is the unit file's (systemd-analyze security --offline), at
# most 2.0 (threshold 20); service-check.sh shows the units running.
for unit in corvane-axid corvane-webd; do
    file=$root/usr/lib/systemd/system/$unit.service
    systemd-analyze verify --man=no --root="$root" --recursive-errors=no "$file" ||
        fail "systemd-analyze verify failed on $unit.service"
    exposure=$(systemd-analyze security --offline=true --root="$root" --threshold=20 "$file" 2>&1) ||
        fail "$unit.service is exposed above 2.0: $(grep 'Overall' <<<"$exposure")"
    echo "install-check:   $(grep -o 'Overall exposure level.*' <<<"$exposure")"
done
done_step

step "checking libcorvane's exported symbols"
exported=$("$nm" -D --defined-only "$lib" | awk '{print $3}')
c_symbols=$(grep -v '^_Z' <<<"$exported" || true)
[ -z "$c_symbols" ] || fail "libcorvane exports C symbols: $(tr '\n' ' ' <<<"$c_symbols")"
echo "install-check:   $(wc -l <<<"$exported") symbols exported, all of namespace Corvane"
# The other way round, by file names rather than by what the version script
# reads in the headers: the source beside each installed header must have
# its definitions exported.
echo "$exported" >"$scratch/exported"
objects=()
for header in $(cd "$root/usr/include/corvane" && find . -name '*.h'); do
    name=${header#./}
    object=$build/src/${name%%/*}/CMakeFiles/corvane_${name%%/*}.dir/$(basename "${name%.h}").cpp.o
    if [ -f "$object" ]; then
        objects+=("$object")
    fi
done
silent=$("$nm" --defined-only --extern-only -A "${objects[@]}" | awk -v list="$scratch/exported" '
    BEGIN { while ((getline s < list) > 0) exported[s] = 1 }
    $2 ~ /^[TDBRVW]$/ { file = $1; sub(/:.*/, "", file); seen[file] = 1; if ($3 in exported) hit[file] = 1 }
    END { for (f in seen) if (!(f in hit)) print f }')
[ -z "$silent" ] || fail "nothing defined in these is exported: $silent"
done_step

launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    cxx=(ccache "${cxx[@]}")
fi
step "building tests/consumer with find_package(Corvane)"
cmake -S tests/consumer -B "$scratch/consumer" -G Ninja "${launcher[@]}" "${cmake_cross[@]}" \
    -DCMAKE_PREFIX_PATH="$root/usr" -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF >/dev/null
config=$(sed -n 's/^Corvane_DIR:PATH=//p' "$scratch/consumer/CMakeCache.txt")
[[ $config == "$root"/* ]] || fail "the consumer found Corvane at $config, not in the scratch root"
cmake --build "$scratch/consumer" >/dev/null
"${run[@]}" "$scratch/consumer/corvane-consumer"
done_step

step "building tests/consumer with pkg-config corvane"
read -ra flags <<<"$(PKG_CONFIG_PATH=$libdir/pkgconfig ${PKG_CONFIG:-pkg-config} --cflags --libs corvane)"
[[ ${flags[*]} == *"$root"/* ]] || fail "pkg-config found corvane outside the scratch root: ${flags[*]}"
# -fPIC: Qt is built with reduced relocations and insists on it.
"${cxx[@]}" -std=c++17 -fPIC tests/consumer/main.cpp "${flags[@]}" -o "$scratch/consumer-pc"
"${run[@]}" "$scratch/consumer-pc"
done_step
