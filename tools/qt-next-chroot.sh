#!/usr/bin/env bash
# Builds Kovrin and runs its whole test suite against the Qt of Debian testing
# (Qt 6.11 or newer), inside a Debian testing chroot. Needs root.
#
#   sudo bash tools/qt-next-chroot.sh
#
# The chroot is made once with debootstrap (about 2.5 minutes and 1.5 GB) and kept
# outside the clone, so later runs and other clones reuse it. The source tree is
# bind-mounted read-only into it; the build directory lives inside the chroot.
# Every mount is undone on exit, failure or Ctrl-C (and the mounts are made in a
# private mount namespace when the machine allows it, so they never leak).
#
# Environment:
#   KOVRIN_CHROOT         where the chroot lives (default /var/cache/kovrin/forky-chroot)
#   KOVRIN_CHROOT_SUITE   Debian suite to bootstrap (default forky)
#   KOVRIN_QT_MIN         lowest Qt version accepted (default 6.11)
#   KOVRIN_DEBIAN_MIRROR  Debian archive to use (default: the machine's own apt sources)
#   KOVRIN_CHROOT_CLEAN   1: start from an empty build directory (default 1 when CI=true)
#   KOVRIN_CHROOT_JOBS    parallel build jobs (default: number of cores)
#   KOVRIN_CHROOT_UPDATE  1: apt-get update and upgrade the chroot before building
#
# Exit code: 0 when the build and every test pass; the build's or ctest's code otherwise.

set -Eeuo pipefail

CHROOT=${KOVRIN_CHROOT:-/var/cache/kovrin/forky-chroot}
SUITE=${KOVRIN_CHROOT_SUITE:-forky}
QT_MIN=${KOVRIN_QT_MIN:-6.11}
JOBS=${KOVRIN_CHROOT_JOBS:-$(nproc)}
if [[ ${CI:-} == true ]]; then CLEAN=${KOVRIN_CHROOT_CLEAN:-1}; else CLEAN=${KOVRIN_CHROOT_CLEAN:-0}; fi

SRC=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd -P)
SRC_IN=/src/kovrin        # where the source tree appears inside the chroot
BUILD_IN=/build/kovrin     # build directory inside the chroot

# What the build and the tests need inside the chroot.
PACKAGES=(
    cmake ninja-build g++
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-translations-l10n
    libssl-dev libgl-dev libglx-dev libopengl-dev libvulkan-dev libzxcvbn-dev
    fonts-dejavu-core locales
    desktop-file-utils appstream shared-mime-info file
    dbus
)
LOCALES=(en_US.UTF-8 fr_FR.UTF-8)   # the tests run under LANG=en_US.UTF-8
APT_OPTS=(-o Acquire::Check-Valid-Until=false -o Acquire::Retries=3 -o APT::Install-Recommends=false)

log() { printf '[qt-next-chroot] %s\n' "$*" >&2; }
die() { log "error: $*"; exit 2; }

[[ $(id -u) -eq 0 ]] || die "must run as root (debootstrap, chroot and mount need it)"
[[ -f $SRC/CMakeLists.txt ]] || die "no CMakeLists.txt in $SRC"

# Run the rest in a private mount namespace when possible: the mounts then vanish
# with the last process even if this script is killed outright. The trap below
# still undoes them in order.
if [[ -z ${KOVRIN_CHROOT_NS:-} ]] && command -v unshare >/dev/null \
        && unshare --mount --propagation private true 2>/dev/null; then
    export KOVRIN_CHROOT_NS=1
    exec unshare --mount --propagation private bash "${BASH_SOURCE[0]}" "$@"
fi

# ---------------------------------------------------------------------------
# The Debian archive: KOVRIN_DEBIAN_MIRROR or this machine's apt sources.
. "$SRC/tools/debian-mirror.sh"

# ---------------------------------------------------------------------------
# Mounts, and their undoing.

MOUNTED=()          # mount points in the order they were made

undo_mounts() {
    local i m
    for ((i = ${#MOUNTED[@]} - 1; i >= 0; i--)); do
        m=${MOUNTED[i]}
        if mountpoint -q "$m"; then
            umount "$m" 2>/dev/null || umount -l "$m" || log "warning: could not unmount $m"
        fi
    done
    MOUNTED=()
    # Anything left below the chroot (debootstrap interrupted half-way, say).
    local root
    for root in "$CHROOT" "$CHROOT.partial"; do
        while read -r m; do
            umount "$m" 2>/dev/null || umount -l "$m" 2>/dev/null || log "warning: could not unmount $m"
        done < <(awk -v r="$root/" 'index($2 "/", r) == 1 { print $2 }' /proc/self/mounts | sort -r)
    done
}

# shellcheck disable=SC2317  # run by the traps below
on_exit() {
    local rc=$?
    trap - EXIT INT TERM HUP
    undo_mounts
    exit "$rc"
}
# shellcheck disable=SC2317  # run by the traps below
on_signal() {
    log "interrupted"
    exit 130
}
trap on_exit EXIT
trap on_signal INT TERM HUP

bind() {     # bind SOURCE TARGET [ro]
    mkdir -p "$2"
    mount --bind "$1" "$2"
    MOUNTED+=("$2")
    if [[ ${3:-} == ro ]]; then
        mount -o remount,bind,ro "$2"
    fi
}

mount_system() {     # mount_system ROOT
    local r=$1
    mkdir -p "$r/proc" "$r/dev"
    mount -t proc proc "$r/proc"
    MOUNTED+=("$r/proc")
    bind /dev "$r/dev"
    if [[ -d /dev/pts ]]; then bind /dev/pts "$r/dev/pts"; fi
    if [[ -d /dev/shm ]]; then bind /dev/shm "$r/dev/shm"; fi
}

in_chroot() {    # in_chroot COMMAND... : clean environment, root's HOME
    chroot "$CHROOT" /usr/bin/env -i \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        HOME=/root LANG=C.UTF-8 TERM="${TERM:-dumb}" DEBIAN_FRONTEND=noninteractive \
        "$@"
}

# ---------------------------------------------------------------------------
# One run at a time per chroot.

mkdir -p "$(dirname "$CHROOT")"
exec 9>"$CHROOT.lock"
if ! flock -n 9; then
    log "another run holds $CHROOT.lock; waiting for it"
    flock 9
fi

MIRROR=$(debian_mirror)

# ---------------------------------------------------------------------------
# Creation (only when the chroot is not there yet).

T0=$SECONDS
if [[ ! -f $CHROOT/.kovrin-chroot ]]; then
    command -v debootstrap >/dev/null || die "debootstrap is not installed (apt-get install debootstrap)"
    [[ -e $CHROOT ]] && die "$CHROOT exists but is not a finished chroot; remove it and run again"
    log "creating the $SUITE chroot in $CHROOT (takes a few minutes, about 1.5 GB)"
    rm -rf "$CHROOT.partial"
    debootstrap --variant=minbase "$SUITE" "$CHROOT.partial" "$MIRROR" /usr/share/debootstrap/scripts/sid
    undo_mounts   # debootstrap's own, should it have left any
    mv "$CHROOT.partial" "$CHROOT"
    date -u +%FT%TZ >"$CHROOT/.kovrin-chroot"
    log "chroot created in $((SECONDS - T0)) s"
fi

# Services never start inside the chroot.
printf '#!/bin/sh\nexit 101\n' >"$CHROOT/usr/sbin/policy-rc.d"
chmod 755 "$CHROOT/usr/sbin/policy-rc.d"
rm -f "$CHROOT/etc/resolv.conf"    # never write through a link to the host
cp -L /etc/resolv.conf "$CHROOT/etc/resolv.conf" 2>/dev/null || true
# Always the machine's current mirror.
printf 'deb %s %s main\n' "$MIRROR" "$SUITE" >"$CHROOT/etc/apt/sources.list"

mount_system "$CHROOT"

missing=()
for p in "${PACKAGES[@]}"; do
    # shellcheck disable=SC2016  # ${...} is dpkg-query's own field syntax
    if ! in_chroot dpkg-query -W -f='${db:Status-Abbrev}' "$p" 2>/dev/null | grep -q '^ii'; then
        missing+=("$p")
    fi
done
if [[ ${#missing[@]} -gt 0 || ${KOVRIN_CHROOT_UPDATE:-0} == 1 ]]; then
    T1=$SECONDS
    log "installing in the chroot: ${missing[*]:-(upgrade only)}"
    in_chroot apt-get "${APT_OPTS[@]}" update
    if [[ ${KOVRIN_CHROOT_UPDATE:-0} == 1 ]]; then
        in_chroot apt-get "${APT_OPTS[@]}" -y dist-upgrade
    fi
    in_chroot apt-get "${APT_OPTS[@]}" -y install "${PACKAGES[@]}"
    in_chroot apt-get clean
    log "packages installed in $((SECONDS - T1)) s"
fi
want=()
for l in "${LOCALES[@]}"; do
    in_chroot locale -a 2>/dev/null | grep -qix "${l%.UTF-8}.utf8" || want+=("$l")
done
if [[ ${#want[@]} -gt 0 ]]; then
    for l in "${want[@]}"; do
        grep -qx "$l UTF-8" "$CHROOT/etc/locale.gen" 2>/dev/null || echo "$l UTF-8" >>"$CHROOT/etc/locale.gen"
    done
    in_chroot locale-gen
fi
log "chroot ready after $((SECONDS - T0)) s"

# ---------------------------------------------------------------------------
# The Qt that will be used.

QT_VERSION=$(in_chroot /usr/lib/qt6/bin/qtpaths --qt-version 2>/dev/null || true)
[[ -n $QT_VERSION ]] || QT_VERSION=$(in_chroot qtpaths6 --qt-version 2>/dev/null || true)
[[ -n $QT_VERSION ]] || die "cannot tell the chroot's Qt version (qtpaths missing?)"
# shellcheck disable=SC2016  # ${...} is dpkg-query's own field syntax
QT_PACKAGE=$(in_chroot dpkg-query -W -f='${Version}' qt6-base-dev)
log "Qt in the chroot: $QT_VERSION (qt6-base-dev $QT_PACKAGE)"
if [[ $(printf '%s\n%s\n' "$QT_MIN" "$QT_VERSION" | sort -V | head -n1) != "$QT_MIN" ]]; then
    die "the chroot's Qt $QT_VERSION is older than $QT_MIN (try KOVRIN_CHROOT_UPDATE=1)"
fi

# ---------------------------------------------------------------------------
# Build and test.

bind "$SRC" "$CHROOT$SRC_IN"
if [[ $CLEAN == 1 ]]; then rm -rf "${CHROOT:?}$BUILD_IN"; fi
mkdir -p "$CHROOT$BUILD_IN"

T2=$SECONDS
set +e
in_chroot cmake -S "$SRC_IN" -B "$BUILD_IN" -G Ninja \
    -DKOVRIN_WERROR=ON
rc=$?
if [[ $rc -eq 0 ]]; then
    # Check again with the Qt that CMake actually picked.
    core_dir=$(sed -n 's/^Qt6Core_DIR:[A-Z]*=//p' "$CHROOT$BUILD_IN/CMakeCache.txt")
    cmake_qt=$(sed -n 's/^set(PACKAGE_VERSION "\(.*\)")$/\1/p' \
        "$CHROOT$core_dir"/Qt6CoreConfigVersionImpl.cmake "$CHROOT$core_dir"/Qt6CoreConfigVersion.cmake 2>/dev/null | head -n1)
    log "CMake found Qt ${cmake_qt:-?} in ${core_dir:-?}"
    if [[ -n $cmake_qt && $(printf '%s\n%s\n' "$QT_MIN" "$cmake_qt" | sort -V | head -n1) != "$QT_MIN" ]]; then
        log "error: CMake picked Qt $cmake_qt, older than $QT_MIN"
        rc=2
    fi
fi
if [[ $rc -eq 0 ]]; then
    in_chroot cmake --build "$BUILD_IN" --parallel "$JOBS"
    rc=$?
fi
T3=$SECONDS
if [[ $rc -eq 0 ]]; then
    in_chroot env QT_QPA_PLATFORM=offscreen CTEST_OUTPUT_ON_FAILURE=1 \
        ctest --test-dir "$BUILD_IN" --output-on-failure --parallel "$JOBS"
    rc=$?
else
    log "build failed (exit $rc); tests not run"
fi
set -e
T4=$SECONDS

log "Qt $QT_VERSION: configure+build $((T3 - T2)) s, tests $((T4 - T3)) s, whole run $((T4 - T0)) s; exit $rc"
exit "$rc"
