#!/usr/bin/env bash
# The Debian archive, read from this machine's apt sources (one-line .list files
# and deb822 .sources files). Security, updates and backports entries are skipped;
# an entry whose downloaded Release file says "Origin: Debian" wins.
# KOVRIN_DEBIAN_MIRROR overrides it.
#
# Sourced by tools/qt-next-chroot.sh and tools/deb-root-check.sh (function
# debian_mirror); run on its own it prints the archive's address.

apt_source_entries() {    # prints "URI SUITE" per enabled deb entry
    local f
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [[ -r $f ]] || continue
        awk '
            { sub(/#.*/, "") }
            $1 == "deb" {
                i = 2
                if ($i ~ /^\[/) { while (i <= NF && $i !~ /\]$/) i++; i++ }
                if (i + 1 <= NF) print $i, $(i + 1)
            }' "$f"
    done
    for f in /etc/apt/sources.list.d/*.sources; do
        [[ -r $f ]] || continue
        awk '
            function flush(   n, m, a, b, x, y) {
                if (types ~ /(^| )deb( |$)/ && enabled !~ /^(no|false)$/ && uris != "" && suites != "") {
                    n = split(uris, a, " "); m = split(suites, b, " ")
                    for (x = 1; x <= n; x++) for (y = 1; y <= m; y++) print a[x], b[y]
                }
                types = uris = suites = enabled = ""; key = ""
            }
            /^[ \t]*#/ { next }
            /^[ \t]*$/ { flush(); next }
            /^[^ \t][^:]*:/ {
                key = tolower(substr($0, 1, index($0, ":") - 1))
                val = substr($0, index($0, ":") + 1)
            }
            /^[ \t]/ { val = $0 }      # continuation line
            {
                gsub(/^[ \t]+|[ \t]+$/, "", val); gsub(/[ \t]+/, " ", val)
                if (key == "types") types = types " " val
                else if (key == "uris") uris = uris " " val
                else if (key == "suites") suites = suites " " val
                else if (key == "enabled") enabled = tolower(val)
                sub(/^ /, "", uris); sub(/^ /, "", suites); sub(/^ /, "", types)
            }
            END { flush() }' "$f"
    done
}

debian_mirror() {
    if [[ -n ${KOVRIN_DEBIAN_MIRROR:-} ]]; then
        printf '%s\n' "${KOVRIN_DEBIAN_MIRROR%/}"
        return
    fi
    local uri suite list best="" fallback=""
    while read -r uri suite; do
        [[ $uri =~ ^https?:// ]] || continue
        [[ $uri == *security* ]] && continue
        [[ $suite =~ -(security|updates|backports|proposed-updates)$|/updates$ ]] && continue
        uri=${uri%/}
        list=/var/lib/apt/lists/$(sed -e 's,^[a-z]*://,,' -e 's,/,_,g' <<<"$uri")_dists_${suite//\//_}
        if grep -qs '^Origin: Debian$' "${list}_InRelease" "${list}_Release"; then
            best=$uri
            break
        fi
        [[ -z $fallback && $uri == */debian ]] && fallback=$uri
    done < <(apt_source_entries)
    best=${best:-$fallback}
    [[ -n $best ]] || die "no Debian archive found in /etc/apt/sources.list{,.d}; set KOVRIN_DEBIAN_MIRROR"
    printf '%s\n' "$best"
}

if [[ ${BASH_SOURCE[0]} == "$0" ]]; then
    set -Eeuo pipefail
    die() { echo "debian-mirror.sh: $*" >&2; exit 2; }
    debian_mirror
fi
