#!/usr/bin/env bash
# Installs a Kovrin .deb into a clean Debian root, as a user's apt would, and
# checks the result: the dependencies resolve, the program starts the way the
# menu starts it, the vault file type reaches the MIME and desktop databases, and
# purging leaves nothing behind. Needs root.
#
#   sudo bash tools/deb-root-check.sh build/kovrin_4.0.1+202605131553-1_amd64.deb
#
# A minimal root of this machine's Debian release is made once with debootstrap
# (about 2 minutes) and kept as a pristine copy; every run starts from a fresh
# copy of it, so nothing of an earlier run remains. Downloaded packages are kept
# in a cache beside it.
#
# Environment:
#   KOVRIN_DEB_ROOT       where the pristine root, the run root and the cache live
#                         (default /var/cache/kovrin/deb-root)
#   KOVRIN_DEB_SUITE      Debian suite of the root (default: this machine's codename)
#   KOVRIN_DEBIAN_MIRROR  Debian archive to use (default: this machine's apt sources)
#
# Exit code: 0 when every check passes.

set -Eeuo pipefail

DEB=${1:?usage: deb-root-check.sh PACKAGE.deb}
[[ -f $DEB ]] || { echo "deb-root-check.sh: no such file: $DEB" >&2; exit 2; }
DEB=$(cd "$(dirname "$DEB")" && pwd -P)/$(basename "$DEB")
SRC=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd -P)
BASE=${KOVRIN_DEB_ROOT:-/var/cache/kovrin/deb-root}
# shellcheck source=/dev/null  # the running system's own release file
SUITE=${KOVRIN_DEB_SUITE:-$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")}
PRISTINE=$BASE/$SUITE-pristine
ROOT=$BASE/$SUITE-run
CACHE=$BASE/apt-archives
APP_ID=org.kovrin.Kovrin
MIME=application/x-kovrin-vault

log() { printf '[deb-root-check] %s\n' "$*" >&2; }
die() { log "error: $*"; exit 2; }
fail() { log "FAIL: $*"; FAILED=1; }
FAILED=0

[[ $(id -u) -eq 0 ]] || die "must run as root (debootstrap, chroot and mount need it)"

# Mounts made in a private namespace vanish with the script.
if [[ -z ${KOVRIN_DEB_ROOT_NS:-} ]] && command -v unshare >/dev/null \
        && unshare --mount --propagation private true 2>/dev/null; then
    export KOVRIN_DEB_ROOT_NS=1
    exec unshare --mount --propagation private bash "${BASH_SOURCE[0]}" "$@"
fi

. "$SRC/tools/debian-mirror.sh"

MOUNTED=()
undo_mounts() {
    local i
    for ((i = ${#MOUNTED[@]} - 1; i >= 0; i--)); do
        umount "${MOUNTED[i]}" 2>/dev/null || umount -l "${MOUNTED[i]}" 2>/dev/null || true
    done
    MOUNTED=()
}
trap undo_mounts EXIT
trap 'log interrupted; exit 130' INT TERM HUP

mkdir -p "$BASE" "$CACHE/partial"
exec 9>"$BASE.lock"
flock 9

T0=$SECONDS
if [[ ! -f $PRISTINE/.kovrin-root ]]; then
    command -v debootstrap >/dev/null || die "debootstrap is not installed (apt-get install debootstrap)"
    MIRROR=$(debian_mirror)
    log "creating a minimal $SUITE root in $PRISTINE"
    rm -rf "$PRISTINE.partial"
    debootstrap --variant=minbase "$SUITE" "$PRISTINE.partial" "$MIRROR"
    printf 'deb %s %s main\n' "$MIRROR" "$SUITE" >"$PRISTINE.partial/etc/apt/sources.list"
    printf '#!/bin/sh\nexit 101\n' >"$PRISTINE.partial/usr/sbin/policy-rc.d"
    chmod 755 "$PRISTINE.partial/usr/sbin/policy-rc.d"
    date -u +%FT%TZ >"$PRISTINE.partial/.kovrin-root"
    mv "$PRISTINE.partial" "$PRISTINE"
    log "root created in $((SECONDS - T0)) s"
fi

rm -rf "$ROOT"
cp -a "$PRISTINE" "$ROOT"
cp -L /etc/resolv.conf "$ROOT/etc/resolv.conf" 2>/dev/null || true
mkdir -p "$ROOT/proc" "$ROOT/dev" "$ROOT/var/cache/apt/archives" "$ROOT/tmp/pkg"
mount -t proc proc "$ROOT/proc"; MOUNTED+=("$ROOT/proc")
mount --bind /dev "$ROOT/dev"; MOUNTED+=("$ROOT/dev")
if [[ -d /dev/pts ]]; then mount --bind /dev/pts "$ROOT/dev/pts"; MOUNTED+=("$ROOT/dev/pts"); fi
mount --bind "$CACHE" "$ROOT/var/cache/apt/archives"; MOUNTED+=("$ROOT/var/cache/apt/archives")
cp "$DEB" "$ROOT/tmp/pkg/"
PKG=/tmp/pkg/$(basename "$DEB")

in_root() {
    chroot "$ROOT" /usr/bin/env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        HOME=/root LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive "$@"
}

# As a user would: apt resolves the dependencies and brings the recommended packages.
log "installing $(basename "$DEB") into a fresh copy of the $SUITE root"
in_root apt-get -o Acquire::Retries=3 -o Acquire::Check-Valid-Until=false update -q
in_root apt-get -o Acquire::Retries=3 install -y -q "$PKG"

# shellcheck disable=SC2016  # ${...} is dpkg-query's own field syntax
status=$(in_root dpkg-query -W -f='${db:Status-Abbrev}' kovrin)
[[ $status == "ii " ]] || fail "kovrin is not installed cleanly (status '$status')"
in_root dpkg --audit | grep . && fail "dpkg --audit reports broken packages"

# The menu runs the entry's Exec line, found through PATH.
entry=/usr/share/applications/$APP_ID.desktop
exec_line=$(sed -n 's/^Exec=//p' "$ROOT$entry")
[[ $exec_line == "kovrin %f" ]] || fail "Exec line of $entry: '$exec_line'"
[[ $(in_root sh -c 'command -v kovrin') == /usr/bin/kovrin ]] || fail "kovrin is not on PATH"
version=$(in_root kovrin --version 2>/dev/null) || fail "kovrin --version exited with $?"
log "installed: $version"
[[ $version == kovrin\ * ]] || fail "kovrin --version printed '$version'"
in_root kovrin --help >/dev/null 2>&1 || fail "kovrin --help exited with $?"

# Started as from the menu with a vault file (%f), offscreen: still running after
# a few seconds, with no error on its way.
cp "$SRC/examples/demo.kovrin" "$ROOT/tmp/demo.kovrin"
install -d -m 700 "$ROOT/tmp/runtime"
cmd=${exec_line//%f//tmp/demo.kovrin}
set +e
# shellcheck disable=SC2086  # the desktop entry's Exec line, split into its words
in_root env QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=/tmp/runtime timeout 5 $cmd >"$ROOT/tmp/kovrin.out" 2>&1
rc=$?
set -e
if [[ $rc -ne 124 ]]; then
    fail "'$cmd' ended by itself (exit $rc) instead of running: $(cat "$ROOT/tmp/kovrin.out")"
fi
if grep -iE 'error|cannot|could not|failed' "$ROOT/tmp/kovrin.out"; then
    fail "the program reported the lines above at start-up"
fi

# The triggers of shared-mime-info and desktop-file-utils took the vault type in.
grep -qF "$MIME:*.kovrin" "$ROOT/usr/share/mime/globs2" || fail "*.kovrin is not in the MIME database"
grep -qF "$MIME:*.cph" "$ROOT/usr/share/mime/globs2" || fail "*.cph is not in the MIME database"
grep -qE "^$MIME=.*$APP_ID.desktop" "$ROOT/usr/share/applications/mimeinfo.cache" \
    || fail "$APP_ID.desktop is not registered for $MIME"
[[ -s $ROOT/usr/share/icons/hicolor/48x48/apps/$APP_ID.png ]] || fail "application icon missing"
zcat "$ROOT/usr/share/man/man1/kovrin.1.gz" | grep -q '^\.TH KOVRIN 1' || fail "manual page missing"

# Purging leaves none of the package's files.
mapfile -t files < <(in_root dpkg -L kovrin | while read -r f; do [[ -d $ROOT$f ]] || echo "$f"; done)
in_root apt-get purge -y -q kovrin >/dev/null
for f in "${files[@]}"; do
    [[ -e $ROOT$f || -L $ROOT$f ]] && fail "$f remains after purge"
done
# shellcheck disable=SC2016  # ${...} is dpkg-query's own field syntax
[[ -n $(in_root dpkg-query -W -f='${db:Status-Abbrev}' kovrin 2>/dev/null) ]] && \
    [[ $(in_root dpkg-query -W -f='${db:Status-Abbrev}' kovrin 2>/dev/null) != "un " ]] && \
    fail "kovrin still known to dpkg after purge"
grep -qF "$MIME" "$ROOT/usr/share/mime/globs2" && fail "the vault type stays in the MIME database after purge"

undo_mounts
rm -rf "$ROOT"
if [[ $FAILED -eq 0 ]]; then
    log "all checks passed ($(( ${#files[@]} )) files installed and removed) in $((SECONDS - T0)) s"
else
    log "some checks failed"
fi
exit "$FAILED"
