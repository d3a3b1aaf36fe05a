#!/usr/bin/env bash
# Shows the services running as they run on the instrument, in a booted
# Debian 12 system: a tree made by mmdebstrap (cached under /var/cache,
# keyed on its package list) booted with systemd-nspawn, the amd64 packages
# of <build-dir>/packages installed in it with apt-get, so that their
# maintainer scripts run against a live systemd. The daemon and corvane-webd
# get the simulated board through a drop-in (the umockdev preload and a
# testbed made by corvane-simboard); that is the only difference from the
# instrument. Checked, after canaries showing that the container enforces
# device and IP address rules at all: the user made by the packages, both
# services active as that user with no capabilities, `corvane-axi version`
# answered through the daemon, corvane-webd answering /api/v1, a restart
# within 3 s of a kill -9, the live exposure of both units (at most 2.0),
# the allow list of the README refusing a client outside it, an upgrade
# keeping a disabled daemon disabled, and removal stopping it.
# Needs root, and the network when the tree is not cached. Prints each
# step's time; the container, its cgroups and its files go in every case.
# Usage: scripts/service-check.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cache=${CORVANE_SERVICE_CACHE:-/var/cache/corvane-service-check}
arch=amd64
shopt -s nullglob
# What an instrument installs; libcorvane-dev is for building applications,
# which install-check.sh does with it.
debs=()
for deb in "$build"/packages/*_"$arch".deb "$build"/packages/*_all.deb; do
    [[ $deb == */libcorvane-dev_* ]] || debs+=("$deb")
done
fail() {
    echo "service-check.sh: $*" >&2
    exit 1
}
[ "$(id -u)" -eq 0 ] || { echo "service-check.sh: needs root" >&2; exit 2; }
[ "$(dpkg --print-architecture)" = "$arch" ] ||
    { echo "service-check.sh: runs on $arch machines only" >&2; exit 2; }
[ "${#debs[@]}" -gt 1 ] ||
    { echo "service-check.sh: no $arch packages in $build/packages (run scripts/package.sh)" >&2; exit 2; }
for tool in systemd-nspawn mmdebstrap nsenter dpkg-shlibdeps; do
    command -v "$tool" >/dev/null ||
        { echo "service-check.sh: $tool is missing (scripts/install-deps.sh)" >&2; exit 2; }
done

step_prefix=service-check
# shellcheck source=scripts/lib/steps.sh
source scripts/lib/steps.sh

name=corvane-check-$$
scratch=$(mktemp -d /var/tmp/corvane-service-check.XXXXXX)
tree=$scratch/root
nspawn=
pid1=
# nspawn --keep-unit makes its payload/ and supervisor/ cgroups inside the
# cgroup it starts in: one of ours, in each hierarchy, removed afterwards.
if [ -d /sys/fs/cgroup/unified ]; then
    cgroups=(/sys/fs/cgroup/unified/"$name" /sys/fs/cgroup/systemd/"$name")
else
    cgroups=(/sys/fs/cgroup/"$name")
fi

cleanup() {
    local status=$?
    trap - EXIT INT TERM
    set +e
    local removing
    removing=$(date +%s%N)
    if [ "$status" -ne 0 ] && [ -n "$pid1" ]; then
        echo "service-check.sh: the services' log:" >&2
        inside journalctl --no-pager -q -n 60 -u corvane-simboard -u corvane-axid -u corvane-webd >&2
    fi
    if [ -n "$nspawn" ] && kill -0 "$nspawn" 2>/dev/null; then
        # SIGTERM asks the container's init to power off.
        kill -TERM "$nspawn"
        for _ in $(seq 100); do
            kill -0 "$nspawn" 2>/dev/null || break
            sleep 0.1
        done
        kill -KILL "$nspawn" 2>/dev/null
    fi
    # Whatever is left in our cgroups (a container that would not stop).
    for c in "${cgroups[@]}"; do
        [ -d "$c" ] || continue
        # shellcheck disable=SC2046  # one word per process id
        kill -KILL $(find "$c" -name cgroup.procs -exec cat {} + 2>/dev/null) 2>/dev/null
    done
    wait 2>/dev/null
    for c in "${cgroups[@]}"; do
        [ -d "$c" ] && find "$c" -depth -type d -exec rmdir {} + 2>/dev/null
    done
    for d in /run/systemd/nspawn/propagate/"$name" /run/systemd/nspawn/unix-export/"$name"; do
        [ -e "$d" ] && { umount -R "$d" 2>/dev/null; rm -rf "$d"; }
    done
    # nspawn's own folders, once no container uses them.
    rmdir /run/systemd/nspawn/{propagate,unix-export,locks} /run/systemd/nspawn 2>/dev/null
    findmnt -Rrn -o TARGET "$tree" 2>/dev/null | sort -r | xargs -r umount -l 2>/dev/null
    rm -rf --one-file-system "$scratch"
    rm -f "$cache/new-$$.tar"
    [ "$status" -ne 0 ] ||
        echo "service-check: removed the container in $((($(date +%s%N) - removing) / 1000000))ms"
    if [ "$status" -ne 0 ] && [ -z "$pid1" ] && [ -s "$scratch.log" ]; then
        echo "service-check.sh: the container's console:" >&2
        tail -n 40 "$scratch.log" >&2
    fi
    rm -f "$scratch.log"
    exit "$status"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# Runs a command inside the booted container, as its root.
inside() {
    nsenter -t "$pid1" -m -u -i -n -p -C -r -w \
        env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "$@"
}
# Waits up to $1 seconds for a command in the container to succeed.
inside_until() {
    local seconds=$1
    shift
    for _ in $(seq $((seconds * 10))); do
        inside "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}

step "building corvane-simboard"
cmake --build "$build" --target corvane-simboard >/dev/null
simboard=$(realpath "$build/bin/corvane-simboard")
done_step

# The tree holds everything the packages and the simulated board need, so
# that a cached tree installs them without a download: the packages'
# dependencies, corvane-simboard's own (dpkg-shlibdeps, as CPack asks it),
# umockdev, udevadm to read the rule, and python3 for the test clients.
step "listing the tree's packages"
ours=" $(for deb in "${debs[@]}"; do dpkg-deb -f "$deb" Package; done | tr '\n' ' ') "
shlibs=$scratch/shlibs
mkdir -p "$shlibs/debian"
touch "$shlibs/debian/control"
simboard_depends=$(cd "$shlibs" && dpkg-shlibdeps -O -e"$simboard" 2>/dev/null |
    sed -n 's/^shlibs:Depends=//p')
[ -n "$simboard_depends" ] || fail "dpkg-shlibdeps found no dependencies of $simboard"
packages=$(
    {
        printf '%s\n' systemd dbus udev umockdev python3
        for deb in "${debs[@]}"; do dpkg-deb -f "$deb" Depends; done
        echo "$simboard_depends"
    } | tr ',' '\n' | sed 's/|.*//; s/(.*)//; s/:any//; s/[[:space:]]//g' | grep . | sort -u |
        while read -r p; do [[ $ours == *" $p "* ]] || echo "$p"; done
)
# The Debian suites apt uses here (bookworm, -updates, -security), so that the
# tree's libraries are the ones the packages were built against.
sources=$(grep -l debian-archive-keyring /etc/apt/sources.list.d/*.sources 2>/dev/null | head -n1 || true)
# No manuals, documentation or translations: a smaller tree unpacks faster.
options=(--variant=minbase --dpkgopt='path-exclude=/usr/share/man/*'
    --dpkgopt='path-exclude=/usr/share/doc/*' --dpkgopt='path-exclude=/usr/share/locale/*')
recipe="${options[*]} $(tr '\n' ' ' <<<"$packages") ${sources:+$(cat "$sources")}"
key=$(sha256sum <<<"$recipe" | cut -c1-16)
tarball=$cache/bookworm-$key.tar
done_step "$(wc -l <<<"$packages") packages, key $key"

if [ ! -f "$tarball" ]; then
    step "making the Debian 12 tree (mmdebstrap, not cached)"
    mkdir -p "$cache"
    mmdebstrap --quiet "${options[@]}" --aptopt='Acquire::Retries "3"' \
        --include="$(tr '\n' ',' <<<"$packages")" bookworm "$cache/new-$$.tar" ${sources:+"$sources"}
    mv "$cache/new-$$.tar" "$tarball"
    # Trees of other package lists are not needed again.
    for old in "$cache"/bookworm-*.tar; do
        [ "$old" = "$tarball" ] || rm -f "$old"
    done
    done_step "$(du -h "$tarball" | cut -f1)"
fi

step "unpacking the tree, adding the packages and the simulated board"
mkdir "$tree"
tar -C "$tree" -xf "$tarball"
mkdir "$tree/root/debs"
cp "${debs[@]}" "$tree/root/debs/"
install -m 755 "$simboard" "$tree/usr/local/bin/corvane-simboard"
# The board, its device files and their ioctl sockets the group corvane's as
# the udev rule makes the instrument's nodes (the board's root, bound only in
# its own mount namespace, stays as it is).
cat >"$tree/etc/systemd/system/corvane-simboard.service" <<'EOF'
[Unit]
Description=Simulated controller board for the service check
[Service]
RuntimeDirectory=corvane-simboard
Environment=TMPDIR=/run/corvane-simboard
ExecStart=/usr/local/bin/corvane-simboard --testbed-file /run/corvane-simboard/testbed -- sleep infinity
ExecStartPost=/bin/sh -ec 'cd /run/corvane-simboard; \
    for i in $(seq 100); do [ -s testbed ] && break; sleep 0.1; done; tb=$(cat testbed); \
    find "$tb" -path "$tb/rootfs" -prune -o ! -type l -exec chgrp corvane {} + -exec chmod g+rwX {} +; \
    echo "UMOCKDEV_DIR=$tb" >env'
EOF
for unit in corvane-axid corvane-webd; do
    mkdir -p "$tree/etc/systemd/system/$unit.service.d"
    cat >"$tree/etc/systemd/system/$unit.service.d/50-simulated-board.conf" <<'EOF'
[Unit]
Requires=corvane-simboard.service
After=corvane-simboard.service
[Service]
EnvironmentFile=/run/corvane-simboard/env
Environment=LD_PRELOAD=libumockdev-preload.so.0
ReadWritePaths=/run/corvane-simboard
EOF
done
done_step

step "booting it with systemd-nspawn"
mkdir "${cgroups[@]}"
(
    for c in "${cgroups[@]}"; do echo "$BASHPID" >"$c/cgroup.procs"; done
    # Without the unified hierarchy and nspawn's bpf() the container
    # silently ignores IPAddressDeny= and DevicePolicy=.
    exec env SYSTEMD_NSPAWN_UNIFIED_HIERARCHY=1 systemd-nspawn --quiet -D "$tree" -M "$name" \
        --register=no --keep-unit --boot --private-network --system-call-filter=bpf \
        --console=read-only </dev/null >"$scratch.log" 2>&1
) &
nspawn=$!
# Its init: the child of nspawn in another PID namespace, once it is systemd
# (before, it is nspawn's own child setting the container up).
own_ns=$(readlink /proc/self/ns/pid)
state=
for _ in $(seq 600); do
    kill -0 "$nspawn" 2>/dev/null || fail "systemd-nspawn ended"
    if [ -z "$pid1" ]; then
        for child in $(pgrep -P "$nspawn" || true); do
            if [ "$(readlink "/proc/$child/ns/pid" 2>/dev/null)" != "$own_ns" ] &&
                [ "$(cat "/proc/$child/comm" 2>/dev/null)" = systemd ]; then
                pid1=$child
            fi
        done
    fi
    if [ -n "$pid1" ]; then
        state=$(inside systemctl is-system-running 2>/dev/null || true)
        case $state in
            running | degraded) break ;;
        esac
    fi
    sleep 0.1
done
case $state in
    running) ;;
    degraded) inside systemctl list-units --failed --no-legend >&2 ;;
    *) fail "the container did not come up: ${state:-no answer}" ;;
esac
done_step "$state"

step "canaries: device and IP address rules enforced in the container"
inside systemd-run --quiet --wait --pipe head -c1 /dev/zero >/dev/null ||
    fail "a transient service cannot read /dev/zero at all"
! inside systemd-run --quiet --wait --pipe -p DevicePolicy=strict head -c1 /dev/zero >/dev/null 2>&1 ||
    fail "DevicePolicy= is not enforced in this container"
inside systemd-run --quiet --unit=canary-listener python3 -c '
import socket
s = socket.create_server(("127.0.0.1", 9999))
while True:
    s.accept()[0].close()'
connect='import socket, sys
source, port = sys.argv[1], int(sys.argv[2])
socket.create_connection(("127.0.0.1", port), timeout=2, source_address=(source, 0))'
inside_until 10 python3 -c "$connect" 127.0.0.1 9999 || fail "the canary's listener did not start"
! inside systemd-run --quiet --wait --pipe -p IPAddressDeny=any python3 -c "$connect" 127.0.0.1 9999 \
    >/dev/null 2>&1 || fail "IPAddressDeny= is not enforced in this container"
inside systemctl stop canary-listener
done_step

step "installing the packages with apt-get in the booted system"
inside sh -c 'apt-get install -y -q --no-install-recommends /root/debs/*.deb' >"$scratch/apt.log" 2>&1 ||
    { cat "$scratch/apt.log" >&2; fail "apt-get install failed"; }
user=$(inside getent passwd corvane) || fail "the packages made no user corvane"
IFS=: read -r _ _ uid gid _ home shell <<<"$user"
[ "$shell" = /usr/sbin/nologin ] || fail "corvane has a login shell: $user"
[ "$(inside systemctl is-enabled corvane-axid)" = enabled ] || fail "corvane-axid is not enabled"
# udev reads the rule without a complaint (an unknown key, or group).
rules=$(inside udevadm test --action=add /sys/class/mem/null 2>&1 || true)
grep -q "Reading rules file: /usr/lib/udev/rules.d/60-corvane.rules" <<<"$rules" ||
    fail "udevadm test did not read the rule"
! grep "60-corvane.rules:" <<<"$rules" >&2 || fail "udev finds fault with the rule"
done_step "corvane is $uid:$gid, home $home"

axi() {
    inside corvane-axi --timeout 1000 "$@"
}
# The service's main process once it answers; $2 is a command that does.
serving() {
    local unit=$1
    shift
    inside_until 10 "$@" || return 1
    inside systemctl show -P MainPID "$unit"
}
webd_root='import json, sys, urllib.request
doc = json.load(urllib.request.urlopen("http://127.0.0.1:9480/api/v1", timeout=2))
sys.exit(0 if doc.get("connected") else 1)'

step "starting corvane-webd with a datacore server"
inside systemd-run --quiet --unit=corvane-datacored /usr/bin/corvane-datacored
inside systemctl enable --quiet --now corvane-webd
done_step

step "both services as corvane with no capabilities, answering"
axid_pid=$(serving corvane-axid corvane-axi --timeout 1000 version) || fail "corvane-axi version got no answer"
webd_pid=$(serving corvane-webd python3 -c "$webd_root") ||
    fail "corvane-webd does not answer /api/v1 connected to the datacore server"
for pid in "$axid_pid" "$webd_pid"; do
    status=$(inside cat "/proc/$pid/status")
    for field in Uid Gid; do
        ids=$(sed -n "s/^$field:[[:space:]]*//p" <<<"$status" | tr -s '[:space:]' ' ')
        want=$([ $field = Uid ] && echo "$uid" || echo "$gid")
        [ "$ids" = "$want $want $want $want " ] || [ "$ids" = "$want $want $want $want" ] ||
            fail "process $pid runs with $field $ids, not corvane's $want"
    done
    for field in CapInh CapPrm CapEff CapBnd CapAmb; do
        value=$(sed -n "s/^$field:[[:space:]]*//p" <<<"$status")
        [ "$value" = 0000000000000000 ] || fail "process $pid has $field $value"
    done
done
version=$(axi version)
done_step "axid $axid_pid, webd $webd_pid; corvane-axi version: $version"

# Milliseconds from a kill -9 of the unit's main process until a new one
# answers.
restart_ms() {
    local unit=$1 pid=$2 start
    shift 2
    start=$(date +%s%N)
    inside sh -c 'kill -KILL "$1"' - "$pid"
    for _ in $(seq 100); do
        new=$(inside systemctl show -P MainPID "$unit")
        if [ "$new" != 0 ] && [ "$new" != "$pid" ] && inside "$@" >/dev/null 2>&1; then
            echo $((($(date +%s%N) - start) / 1000000))
            return
        fi
        sleep 0.05
    done
    echo never
}
step "kill -9 of each service: restarted within 3 s"
times=""
for unit in corvane-axid corvane-webd; do
    if [ "$unit" = corvane-axid ]; then
        ms=$(restart_ms "$unit" "$axid_pid" corvane-axi --timeout 500 version)
    else
        ms=$(restart_ms "$unit" "$webd_pid" python3 -c "$webd_root")
    fi
    if [ "$ms" = never ] || [ "$ms" -gt 3000 ]; then
        fail "$unit was not back within 3 s: $ms"
    fi
    times+="${times:+, }$unit ${ms}ms"
done
done_step "$times"

step "live exposure of both units"
scores=""
for unit in corvane-axid corvane-webd; do
    out=$(inside systemd-analyze security "$unit.service" 2>&1) || true
    score=$(sed -n "s/^→ Overall exposure level for $unit.service: \([0-9.]*\).*/\1/p" <<<"$out")
    [ -n "$score" ] || { echo "$out" >&2; fail "systemd-analyze security rated no $unit"; }
    inside systemd-analyze security --threshold=20 "$unit.service" >/dev/null 2>&1 ||
        fail "$unit's exposure $score is above 2.0"
    scores+="${scores:+, }$unit $score"
done
done_step "$scores"

step "the allow list refuses a client from outside it"
# 127.0.0.2 stands for a host outside the control room (127.0.0.1).
probe() {
    inside python3 -c "$connect" "$1" 9430 >/dev/null 2>&1
}
probe 127.0.0.2 || fail "without the allow list, a client from 127.0.0.2 cannot connect"
inside mkdir -p /etc/systemd/system/corvane-axid.service.d
inside sh -c 'printf "[Service]\nIPAddressDeny=any\nIPAddressAllow=127.0.0.1\n" \
    >/etc/systemd/system/corvane-axid.service.d/60-allow.conf'
inside systemctl daemon-reload
inside systemctl restart corvane-axid
serving corvane-axid corvane-axi --timeout 1000 version >/dev/null || fail "with the allow list, 127.0.0.1 gets no answer"
! probe 127.0.0.2 || fail "with the allow list, a client from 127.0.0.2 still connects"
inside rm /etc/systemd/system/corvane-axid.service.d/60-allow.conf
inside systemctl daemon-reload
inside systemctl restart corvane-axid
done_step

step "the daemon's unit alone, on a device node in place of the board"
# /dev/zero's numbers stand for the register window: a private /dev holding
# the node, shared read-write memory behind it. No drop-in this time.
dropin=/etc/systemd/system/corvane-axid.service.d/50-simulated-board.conf
inside mv "$dropin" "$dropin.off"
inside systemctl daemon-reload
inside sh -c 'mknod -m 660 /dev/xdma0_user c 1 5 && chgrp corvane /dev/xdma0_user'
inside systemctl restart corvane-axid
pid=$(serving corvane-axid corvane-axi --timeout 1000 write 3 0x44 0x5a5a) ||
    fail "corvane-axid without the simulated board does not serve the node"
read=$(axi read 3 0x44)
[[ $read == *"= 0x00005a5a" ]] || fail "the register written on the node reads back as: $read"
devices=$(inside nsenter -t "$pid" -m ls /dev | xargs)
[[ " $devices" == *" xdma0_user "* ]] || fail "the daemon's /dev lacks the register window: $devices"
[[ " $devices" != *" net "* ]] || fail "the daemon sees the container's whole /dev: $devices"
inside rm /dev/xdma0_user
inside mv "$dropin.off" "$dropin"
inside systemctl daemon-reload
inside systemctl restart corvane-axid
done_step "its /dev: $devices"

step "an upgrade keeps a disabled daemon disabled, removal stops it"
inside systemctl disable --quiet --now corvane-axid
deb=$(cd "$tree/root/debs" && echo corvane-axid_*.deb)
version=$(dpkg-deb -f "$tree/root/debs/$deb" Version)
mkdir "$scratch/upgrade"
dpkg-deb -R "$tree/root/debs/$deb" "$scratch/upgrade/tree"
sed -i "s/^Version: .*/Version: $version+check1/" "$scratch/upgrade/tree/DEBIAN/control"
dpkg-deb -b "$scratch/upgrade/tree" "$tree/root/corvane-axid-upgrade.deb" >/dev/null
inside apt-get install -y -q /root/corvane-axid-upgrade.deb >"$scratch/apt.log" 2>&1 ||
    { cat "$scratch/apt.log" >&2; fail "the upgrade failed"; }
[ "$(inside dpkg-query -W -f '${Version}' corvane-axid)" = "$version+check1" ] ||
    fail "the upgrade did not install"
enabled=$(inside systemctl is-enabled corvane-axid || true)
[ "$enabled" = disabled ] || fail "after the upgrade corvane-axid is $enabled"
active=$(inside systemctl is-active corvane-axid || true)
[ "$active" = inactive ] || fail "the upgrade started the disabled corvane-axid ($active)"
inside systemctl enable --quiet --now corvane-axid
pid=$(serving corvane-axid corvane-axi --timeout 1000 version) || fail "corvane-axid did not start again"
inside apt-get remove -y -q corvane-axid >"$scratch/apt.log" 2>&1 ||
    { cat "$scratch/apt.log" >&2; fail "apt-get remove failed"; }
active=$(inside systemctl is-active corvane-axid || true)
[ "$active" = inactive ] || fail "after removal corvane-axid is $active"
! inside sh -c 'kill -0 "$1"' - "$pid" 2>/dev/null || fail "the daemon $pid outlived its package"
done_step

step "powering the container off"
kill -TERM "$nspawn"
for _ in $(seq 300); do
    kill -0 "$nspawn" 2>/dev/null || break
    sleep 0.1
done
! kill -0 "$nspawn" 2>/dev/null || fail "the container did not power off within 30 s"
wait "$nspawn" || fail "systemd-nspawn failed: $(tail -n1 "$scratch.log")"
nspawn=
done_step
