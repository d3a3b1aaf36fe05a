#!/usr/bin/env bash
# Installs every Debian 12 package the project needs to build, test and run.
# Idempotent: apt-get skips what is already installed. Run as root.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build git pkg-config clang-format
  # static analysis (scripts/static-checks.sh)
  clang-tidy cppcheck
  # libraries
  qtbase5-dev libqt5svg5-dev libqt5svg5 qt5-image-formats-plugins
  libspdlog-dev libfmt-dev libsensors-dev
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev valgrind
  # hardware emulation for the simulated board and the device tests
  umockdev libumockdev-dev libglib2.0-dev
  # poll() on the simulated HDMI interrupt line
  libfuse3-dev fuse3
  # the real tools the emulations are checked against
  lm-sensors mtd-utils
  tshark  # decodes the captures of the Wireshark dissector test
)

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps.sh: must run as root (apt-get)" >&2
  exit 1
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -eq 0 ]; then
  echo "install-deps.sh: all packages present"
  exit 0
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
