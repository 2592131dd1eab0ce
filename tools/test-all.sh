#!/usr/bin/env bash
# The whole check of Kovrin, as CI runs it (.ci/run calls this script):
#
#   sudo bash tools/test-all.sh [--no-install] [build] [package] [asan] [qt-next]
#
#   install  the Debian packages the build and the tests need, when missing
#            (skipped with --no-install), and the en_US/fr_FR UTF-8 locales
#   build    configure + build in Release with warnings as errors in build-ci/, then ctest
#   package  install the stage-1 build into a prefix, validate the desktop files, start
#            the installed program offscreen, build the .deb with CPack and install it
#            into a clean Debian root (tools/deb-root-check.sh), where it must start
#   asan     the same with AddressSanitizer + UndefinedBehaviorSanitizer
#            (-DKOVRIN_SANITIZE=ON) in build-ci-asan/, then ctest
#   qt-next  tools/qt-next-chroot.sh: build and ctest against Qt 6.11 or newer in a
#            Debian testing chroot
#
# With no stage named, all four run, in that order; a failing stage does not stop
# the next ones. The script ends with the ctest summary line of each stage and the
# time each took, and exits non-zero when any stage failed.
#
# Environment:
#   KOVRIN_CI_BUILD_DIR       build directory of stage "build" (default build-ci)
#   KOVRIN_CI_ASAN_BUILD_DIR  build directory of stage "asan" (default build-ci-asan)
#   KOVRIN_CI_LOG_DIR         where each stage's full output is kept (default build-ci-logs)
#   KOVRIN_CI_JOBS            parallel build and test jobs (default: number of cores)
#   KOVRIN_CHROOT...          see tools/qt-next-chroot.sh
#   KOVRIN_DEB_ROOT...        see tools/deb-root-check.sh

# shellcheck disable=SC2317  # the stage functions are called by name
set -uo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd -P)
cd "$ROOT" || exit 2

BUILD_DIR=${KOVRIN_CI_BUILD_DIR:-build-ci}
ASAN_BUILD_DIR=${KOVRIN_CI_ASAN_BUILD_DIR:-build-ci-asan}
LOG_DIR=${KOVRIN_CI_LOG_DIR:-build-ci-logs}
JOBS=${KOVRIN_CI_JOBS:-$(nproc)}

PACKAGES=(
    cmake ninja-build g++
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-translations-l10n
    libgl-dev libssl-dev libzxcvbn-dev
    debootstrap util-linux dpkg-dev
    desktop-file-utils appstream shared-mime-info file
    clang-14 libclang-rt-14-dev
    xvfb xauth shellcheck
    locales fonts-dejavu-core
    dbus
)
LOCALES=(en_US.UTF-8 fr_FR.UTF-8)

install=1
stages=()
for arg in "$@"; do
    case $arg in
        --no-install) install=0 ;;
        build|package|asan|qt-next) stages+=("$arg") ;;
        -h|--help) sed -n '2,/^$/s/^# \{0,1\}//p' "${BASH_SOURCE[0]}"; exit 0 ;;
        *) echo "test-all.sh: unknown argument '$arg' (--help tells)" >&2; exit 2 ;;
    esac
done
[[ ${#stages[@]} -gt 0 ]] || stages=(build package asan qt-next)

SUDO=()
if [[ $(id -u) -ne 0 ]]; then
    if command -v sudo >/dev/null; then SUDO=(sudo); fi
fi

banner() { printf '\n==== %s ====\n' "$*"; }

# ---------------------------------------------------------------------------
# Dependencies

install_dependencies() {
    local missing=() p
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${db:Status-Abbrev}' "$p" 2>/dev/null | grep -q '^ii' || missing+=("$p")
    done
    if [[ ${#missing[@]} -gt 0 ]]; then
        banner "installing: ${missing[*]}"
        "${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o Acquire::Check-Valid-Until=false update || return 1
        "${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive \
            apt-get install -y --no-install-recommends "${missing[@]}" </dev/null || return 1
    fi
    # The tests run under LANG=en_US.UTF-8; French is the program's other language.
    local want=() l
    for l in "${LOCALES[@]}"; do
        locale -a 2>/dev/null | grep -qix "${l%.UTF-8}.utf8" || want+=("$l")
    done
    if [[ ${#want[@]} -gt 0 ]]; then
        banner "generating locales: ${want[*]}"
        for l in "${want[@]}"; do
            "${SUDO[@]}" sed -i "s/^# *\($l UTF-8\)$/\1/" /etc/locale.gen
            grep -qx "$l UTF-8" /etc/locale.gen || echo "$l UTF-8" | "${SUDO[@]}" tee -a /etc/locale.gen >/dev/null
        done
        "${SUDO[@]}" locale-gen || return 1
    fi
}

# ---------------------------------------------------------------------------
# Stages

# configure_build_test DIR CMAKE-ARGS...
configure_build_test() {
    local dir=$1
    shift
    cmake -S "$ROOT" -B "$dir" -G Ninja -DKOVRIN_WERROR=ON "$@" || return $?
    cmake --build "$dir" --parallel "$JOBS" || return $?
    ctest --test-dir "$dir" --output-on-failure --parallel "$JOBS"
}

stage_build() {
    # Optimised, as the benchmarks are built: a Release-only compile error cannot
    # come back unnoticed. The ASan stage keeps the unoptimised build.
    configure_build_test "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release
}

stage_package() {
    # The stage-1 build when there is one (its tests already checked the installed
    # tree); otherwise the README's release build of the program alone.
    local dir=$BUILD_DIR
    if [[ ! -f $dir/CMakeCache.txt ]]; then
        dir=build-deb
        cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKOVRIN_TESTS=OFF -DKOVRIN_BENCH=OFF \
            || return $?
    fi
    cmake --build "$dir" --parallel "$JOBS" || return $?

    local prefix=$ROOT/$dir/stage-install app=org.kovrin.Kovrin
    rm -rf "$prefix"
    cmake --install "$dir" --prefix "$prefix" >/dev/null || return $?
    echo "installed into $prefix:"
    (cd "$prefix" && find . -type f -o -type l | sort | sed 's/^\./  /')
    desktop-file-validate "$prefix/share/applications/$app.desktop" || return $?
    appstreamcli validate --no-net "$prefix/share/metainfo/$app.metainfo.xml" || return $?
    env -u LD_LIBRARY_PATH "$prefix/bin/kovrin" --version || return $?
    # A short offscreen start with the sample vault: still running after 5 s.
    local rc=0
    env -u LD_LIBRARY_PATH QT_QPA_PLATFORM=offscreen timeout 5 "$prefix/bin/kovrin" "$ROOT/examples/demo.kovrin" || rc=$?
    if [[ $rc -ne 124 ]]; then
        echo "the installed program ended by itself (exit $rc) instead of running" >&2
        return 1
    fi

    rm -f "$dir"/kovrin_*.deb
    (cd "$dir" && cpack -G DEB) || return $?
    local deb
    deb=$(ls "$dir"/kovrin_*.deb) || return 1
    dpkg-deb --info "$deb" | sed -n '/Package:/,$p'
    "${SUDO[@]}" bash "$ROOT/tools/deb-root-check.sh" "$deb"
}

stage_asan() {
    # Leaks, bad memory accesses and undefined behaviour all fail the test.
    # The suppressions cover third-party libraries only (Qt's plugins, fontconfig...).
    export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:abort_on_error=0:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:print_summary=1
    export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1:print_summary=1
    export LSAN_OPTIONS=suppressions=$ROOT/.ci/lsan.supp:print_suppressions=0
    configure_build_test "$ASAN_BUILD_DIR" -DKOVRIN_SANITIZE=ON
}

stage_qt_next() {
    "${SUDO[@]}" bash "$ROOT/tools/qt-next-chroot.sh"
}

declare -A TITLE=(
    [build]="stage 1: build and tests, warnings as errors ($BUILD_DIR)"
    [package]="stage 2: install, validate, .deb installed into a clean Debian root"
    [asan]="stage 3: build and tests with ASan + UBSan ($ASAN_BUILD_DIR)"
    [qt-next]="stage 4: build and tests against Qt 6.11+ in a Debian testing chroot"
)
declare -A RESULT TIME

mkdir -p "$LOG_DIR"
T_ALL=$SECONDS
failed=0

if [[ $install == 1 ]]; then
    t=$SECONDS
    if ! install_dependencies; then
        echo "test-all.sh: installing the dependencies failed" >&2
        exit 2
    fi
    TIME[install]=$((SECONDS - t))
fi

for s in "${stages[@]}"; do
    banner "${TITLE[$s]}"
    t=$SECONDS
    ( "stage_${s//-/_}" ) 2>&1 | tee "$LOG_DIR/$s.log"
    rc=${PIPESTATUS[0]}
    TIME[$s]=$((SECONDS - t))
    if [[ $rc -eq 0 ]]; then RESULT[$s]=passed; else RESULT[$s]="FAILED (exit $rc)"; failed=1; fi
done

# ---------------------------------------------------------------------------
# Summary: ctest's own closing line per stage, then the times.

banner "summary"
for s in "${stages[@]}"; do
    echo "${TITLE[$s]}: ${RESULT[$s]}"
    line=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$LOG_DIR/$s.log" | tail -n1)
    if [[ $s == package ]]; then
        # No ctest here: the clean-root check's own verdict.
        grep -E '^\[deb-root-check\] (all checks passed|FAIL|error)' "$LOG_DIR/$s.log" \
            || echo "(the stage stopped before the clean-root check; see $LOG_DIR/$s.log)"
    elif [[ -n $line ]]; then
        echo "$line"
    else
        echo "(no test ran: the stage stopped before ctest; see $LOG_DIR/$s.log)"
    fi
done
echo
echo "timing:"
[[ -n ${TIME[install]:-} ]] && printf '  %-8s %5d s\n' install "${TIME[install]}"
for s in "${stages[@]}"; do
    printf '  %-8s %5d s  %s\n' "$s" "${TIME[$s]}" "${RESULT[$s]}"
done
printf '  %-8s %5d s\n' total $((SECONDS - T_ALL))
exit "$failed"
