#!/usr/bin/env bash
# Installs what is missing (Debian 12, as root), builds Kovrin in build-run/ and
# starts it. Arguments are passed to the program, e.g. --lang=fr_FR.
set -Eeuo pipefail
SRC=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd -P)

packages=(cmake ninja-build g++ qt6-base-dev qt6-base-dev-tools qt6-translations-l10n qt6-qpa-plugins libgl-dev libssl-dev)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    apt-get update -q
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

cmake -S "$SRC" -B "$SRC/build-run" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKOVRIN_TESTS=OFF -DKOVRIN_BENCH=OFF
cmake --build "$SRC/build-run" --target kovrin
exec "$SRC/build-run/app/kovrin" "$@"
