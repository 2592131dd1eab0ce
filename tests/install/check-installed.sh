#!/usr/bin/env bash
# Checks of the installed tree, run by CTest (tests/install/CMakeLists.txt):
#
#   check-installed.sh install  BUILD_DIR PREFIX    cmake --install into a fresh PREFIX
#   check-installed.sh desktop  PREFIX              desktop-file-validate on the entry
#   check-installed.sh metainfo PREFIX              appstreamcli validate --no-net
#   check-installed.sh mime     PREFIX              the vault type in a MIME database made from it
#   check-installed.sh program  PREFIX VERSION      the program moved elsewhere still runs on its own libraries
#   check-installed.sh consumer PREFIX SOURCE WORK [FLAGS]  an outside CMake project builds against the packages
set -Eeuo pipefail

fail() { echo "FAIL: $*" >&2; exit 1; }
APP_ID=org.kovrin.Kovrin
MIME=application/x-kovrin-vault

mode=$1
shift
case $mode in
install)
    build=$1 prefix=$2
    rm -rf "$prefix"
    cmake --install "$build" --prefix "$prefix"
    ;;

desktop)
    prefix=$1
    entry=$prefix/share/applications/$APP_ID.desktop
    out=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate: $out"
    # Hints are fine; warnings and errors are not.
    if grep -E ': (warning|error):' <<<"$out"; then fail "desktop-file-validate reported the lines above"; fi
    for line in 'Exec=kovrin %f' 'Categories=Utility;Security;Qt;' "MimeType=$MIME;" 'StartupWMClass=kovrin' \
                "Icon=$APP_ID"; do
        grep -qxF "$line" "$entry" || fail "$entry lacks '$line'"
    done
    { grep -q '^Name\[fr\]=' "$entry" && grep -q '^Comment\[fr\]=' "$entry"; } || fail "no French name or comment"
    ;;

metainfo)
    prefix=$1
    file=$prefix/share/metainfo/$APP_ID.metainfo.xml
    appstreamcli validate --no-net "$file" || fail "appstreamcli validate --no-net $file"
    grep -q "<mediatype>$MIME</mediatype>" "$file" || fail "the metainfo does not provide $MIME"
    ;;

mime)
    prefix=$1
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    mkdir -p "$work/mime/packages"
    cp "$prefix/share/mime/packages/$APP_ID.xml" "$work/mime/packages/"
    out=$(update-mime-database "$work/mime" 2>&1) || fail "update-mime-database refused the type: $out"
    for glob in '*.kovrin' '*.cph'; do
        grep -qF "$MIME:$glob" "$work/mime/globs2" || fail "$glob is not mapped to $MIME"
    done
    grep -qxF "$MIME:application-x-kovrin-vault" "$work/mime/icons" || fail "no icon for $MIME"
    xml=$work/mime/${MIME}.xml
    grep -q 'xml:lang="fr"' "$xml" || fail "no French comment in $xml"
    for size in 16x16 22x22 24x24 32x32 48x48 64x64 128x128 256x256; do
        for icon in "apps/$APP_ID.png" "mimetypes/application-x-kovrin-vault.png"; do
            f=$prefix/share/icons/hicolor/$size/$icon
            [[ -s $f ]] || fail "missing icon $f"
            file "$f" | grep -q "PNG image data, ${size/x/ x }," || fail "$f is not a ${size} PNG: $(file "$f")"
        done
    done
    [[ -s $prefix/share/icons/hicolor/scalable/apps/$APP_ID.svg ]] || fail "no scalable application icon"
    ;;

program)
    prefix=$1 version=$2
    # Under another prefix than the one installed into.
    moved=$(mktemp -d)
    trap 'rm -rf "$moved"' EXIT
    cp -a "$prefix/." "$moved/"
    program=$moved/bin/kovrin
    libs=$(env -u LD_LIBRARY_PATH ldd "$program")
    for lib in libzemb1.so.1 libvelk2.so.2; do
        grep -q "$lib => $moved/bin/../lib[^ ]*/$lib " <<<"$libs" \
            || fail "$lib is not taken from the moved prefix: $(grep "$lib" <<<"$libs")"
    done
    out=$(env -u LD_LIBRARY_PATH -u DISPLAY -u WAYLAND_DISPLAY "$program" --version 2>/dev/null) \
        || fail "kovrin --version exited with $?"
    [[ $out == "kovrin $version" ]] || fail "kovrin --version printed '$out'"
    help=$(env -u DISPLAY LANG=fr_FR.UTF-8 "$program" --help 2>/dev/null) || fail "kovrin --help exited with $?"
    grep -q '^Utilisation : kovrin' <<<"$help" || fail "French help expected: $help"
    grep -q -- '--clipboard-timeout=SECONDS' <<<"$help" || fail "--clipboard-timeout missing from the help"
    grep -q -- '--filter-as-you-type' <<<"$help" || fail "--filter-as-you-type missing from the help"
    grep -q -- '--lock ' <<<"$help" || fail "--lock missing from the help"
    gzip -t "$moved/share/man/man1/kovrin.1.gz" || fail "the manual page is not a valid gzip file"
    zcat "$moved/share/man/man1/kovrin.1.gz" | grep -q "Kovrin ${version%% *}" || fail "manual page of another version"
    ;;

consumer)
    prefix=$1 source=$2 work=$3 flags=${4:-}
    rm -rf "$work"
    cmake -S "$source" -B "$work" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" \
        -DCMAKE_CXX_COMPILER_LAUNCHER="${CMAKE_CXX_COMPILER_LAUNCHER:-}" >"$work.log" 2>&1 \
        || { cat "$work.log"; fail "configuring the consumer project failed"; }
    grep -q "zemb1_DIR:PATH=$prefix/lib.*/cmake/zemb1" "$work/CMakeCache.txt" || fail "zemb1 not found in $prefix"
    cmake --build "$work" || fail "building the consumer project failed"
    env -u LD_LIBRARY_PATH "$work/consumer" || fail "the consumer program failed"
    ;;

*)
    fail "unknown mode $mode"
    ;;
esac
