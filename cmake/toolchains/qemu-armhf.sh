#!/bin/sh
# Runs a program of the armhf build here under qemu-arm: the armhf
# toolchain's CMAKE_CROSSCOMPILING_EMULATOR, so ctest runs the tests through
# it. Programs the tests start (tools, the daemon, corvane-simboard) have to
# go through it too, as the kernel may not hand armhf programs to qemu by
# itself (no binfmt_misc entry): it exports itself as CORVANE_EMULATOR, which
# the test support and corvane-simboard put in front of the programs they
# run. Programs that are not ARM ones (the host's tools, scripts) it runs
# unchanged.
# Usage: CORVANE_ARMHF_ROOT=<dir> qemu-armhf.sh PROGRAM [ARG...]
set -eu
if [ -z "${CORVANE_ARMHF_ROOT:-}" ] || [ $# -eq 0 ]; then
  echo "qemu-armhf.sh: usage: CORVANE_ARMHF_ROOT=<dir> qemu-armhf.sh PROGRAM [ARG...]" >&2
  exit 2
fi
CORVANE_EMULATOR=$(readlink -f "$0")
export CORVANE_EMULATOR
program=$1
shift
case $program in
  */*) ;;
  *) program=$(command -v "$program") || {
       echo "qemu-armhf.sh: $program: not found" >&2
       exit 127
     } ;;
esac
# e_machine, bytes 18-19 of the ELF header: 40 is ARM.
if [ "$(od -An -tu2 -j18 -N2 "$program" 2>/dev/null | tr -d ' ')" != 40 ]; then
  exec "$program" "$@"
fi
# umockdev's armhf files are in CORVANE_ARMHF_ROOT; -L makes the emulated
# loader look there first and fall back to the multiarch paths. An
# LD_PRELOAD given here (umockdev's preload) is meant for the armhf program,
# so it goes to the emulated loader and not to the host's.
if [ -n "${LD_PRELOAD:-}" ]; then
  preload=$LD_PRELOAD
  unset LD_PRELOAD
  exec qemu-arm-static -L "$CORVANE_ARMHF_ROOT" -E "LD_PRELOAD=$preload" "$program" "$@"
fi
exec qemu-arm-static -L "$CORVANE_ARMHF_ROOT" "$program" "$@"
