#!/usr/bin/env bash
# Installs every Debian 12 package the project needs to build, test and run.
# With --armhf, also what the ARMv7 hard-float cross build and its tests
# under qemu-arm need (see install_armhf below).
# Idempotent: apt-get skips what is already installed. Run as root.
set -euo pipefail

# Libraries the project links; the armhf build needs the same ones for armhf.
libraries=(
  qtbase5-dev libqt5svg5-dev libqt5svg5 qt5-image-formats-plugins
  libspdlog-dev libfmt-dev libsensors-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libumockdev-dev libglib2.0-dev  # the simulated board
  libfuse3-dev                    # poll() on the simulated HDMI interrupt line
  libmicrohttpd-dev prometheus-cpp-dev  # corvane-webd's HTTP server and metrics
)
packages=(
  # toolchain
  build-essential cmake ninja-build git pkg-config clang-format
  clang libclang-rt-14-dev  # libFuzzer and the sanitizer runtimes (scripts/fuzz.sh)
  "${libraries[@]}"
  # static analysis (scripts/static-checks.sh)
  clang-tidy cppcheck
  # tests and benchmarks
  googletest valgrind
  # hardware emulation for the simulated board and the device tests
  umockdev fuse3
  # the real tools the emulations are checked against
  lm-sensors mtd-utils
  i2c-tools  # i2ctransfer, which the HDMI test checks the emulation against
  tshark  # decodes the captures of the Wireshark dissector test
  prometheus  # scrapes corvane-webd in its test; promtool checks the exposition
  chromium chromium-driver python3-selenium  # the web page test drives a headless browser
  # Debian packages: dpkg-shlibdeps and dpkg-architecture, file (which CPack
  # needs to find the ELF files), systemd-analyze for the service unit
  dpkg-dev file systemd
  iproute2  # ip: private network namespaces for the daemon tests and benchmarks
  systemd-container mmdebstrap  # the booted system of scripts/service-check.sh
)

armhf=false
case "${1:-}" in
  --armhf) armhf=true ;;
  "") ;;
  *)
    echo "install-deps.sh: usage: install-deps.sh [--armhf]" >&2
    exit 2
    ;;
esac

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps.sh: must run as root (apt-get)" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
updated=false
# Installs the packages named that are missing, updating the lists once.
install_missing() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ "${#missing[@]}" -eq 0 ]; then
    return
  fi
  if ! $updated; then
    apt-get update -qq
    updated=true
  fi
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# ---- armhf (ARMv7 hard-float) cross build ---------------------------------
# Debian's cross compiler, qemu-arm, and the armhf twins of the libraries
# installed side by side with the amd64 ones (multiarch). umockdev's
# preload (umockdev) and development files (libumockdev-dev) cannot be
# co-installed with their amd64 twins (no Multi-Arch: same), so they are
# unpacked, with the libumockdev0 their link names, into a small armhf root
# of their own, CORVANE_ARMHF_ROOT, which the toolchain file and qemu-arm
# (-L) use.
armhf_root=${CORVANE_ARMHF_ROOT:-/opt/corvane-armhf}
armhf_own_root=(umockdev libumockdev0 libumockdev-dev)
# prometheus-cpp-dev's civetweb cannot be installed for two architectures:
# armhf gets the core library alone, used with the amd64 headers.
armhf_core_only=(prometheus-cpp-dev)
install_armhf() {
  if ! dpkg --print-foreign-architectures | grep -qx armhf; then
    dpkg --add-architecture armhf
    updated=false
  fi
  local wanted=() p
  for p in "${libraries[@]}"; do
    [[ " ${armhf_own_root[*]} ${armhf_core_only[*]} " == *" $p "* ]] || wanted+=("$p:armhf")
  done
  wanted+=(libprometheus-cpp-core1.0:armhf)
  # libumockdev0 can be co-installed: installed, it brings the armhf
  # libraries umockdev needs (libpcap, libudev).
  install_missing crossbuild-essential-armhf libumockdev0:armhf "${wanted[@]}"

  # bookworm's qemu 7.2 leaves the pidfd of clone(CLONE_PIDFD) unset, and
  # QProcess uses it: emulated tests would then signal a garbage process.
  # bookworm-backports' qemu (10.0) is right.
  local backports=/etc/apt/sources.list.d/bookworm-backports.list
  if [ ! -e "$backports" ]; then
    echo "deb http://deb.debian.org/debian bookworm-backports main" >"$backports"
    updated=false
  fi
  if ! dpkg-query -W -f='${Version}' qemu-user-static 2>/dev/null | grep -q bpo12; then
    $updated || apt-get update -qq
    updated=true
    apt-get install -y -qq --no-install-recommends -t bookworm-backports qemu-user-static
  fi

  local version stamp="$armhf_root/.versions"
  version=$(apt-cache policy libumockdev0:armhf | awk '/Candidate:/ {print $2}')
  if [ "$(cat "$stamp" 2>/dev/null)" = "$version" ]; then
    return
  fi
  local tmp
  tmp=$(mktemp -d)
  chmod 755 "$tmp"  # apt-get download fetches as the _apt user
  (cd "$tmp" && apt-get download -qq "${armhf_own_root[@]/%/:armhf=$version}")
  rm -rf "$armhf_root"
  mkdir -p "$armhf_root"
  for p in "$tmp"/*.deb; do
    dpkg-deb -x "$p" "$armhf_root"
  done
  rm -rf "$tmp"
  # The pkg-config file names /usr; the files are in this root.
  sed -i "s|^prefix=.*|prefix=$armhf_root/usr|" \
    "$armhf_root"/usr/lib/arm-linux-gnueabihf/pkgconfig/umockdev-1.0.pc
  echo "$version" >"$stamp"
}
# ---------------------------------------------------------------------------

install_missing "${packages[@]}"
if $armhf; then
  install_armhf
fi
