#!/usr/bin/env bash
# Takes the screenshot shown by the README and the AppStream metainfo from the real
# program, in a virtual X server: the sample vault opened with its password.
#
#   bash tools/screenshot.sh [PROGRAM] [OUTPUT]
#
# PROGRAM defaults to build/app/kovrin, OUTPUT to resources/desktop/screenshot.png.
# Needs Xvfb (xvfb), xdotool, xwininfo (x11-utils) and import (imagemagick).
#
# Environment: KOVRIN_SCREENSHOT_LANG (default en_US) chooses the interface language.
set -Eeuo pipefail
SRC=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd -P)
PROGRAM=${1:-$SRC/build/app/kovrin}
OUTPUT=${2:-$SRC/resources/desktop/screenshot.png}
VAULT=$SRC/examples/demo.kovrin
PASSWORD=Kovrin-Demo-1     # the sample vault's published password (README)
LANGUAGE=${KOVRIN_SCREENSHOT_LANG:-en_US}

for tool in Xvfb xdotool xwininfo import; do
    command -v "$tool" >/dev/null || { echo "screenshot.sh: $tool missing (apt-get install xvfb xdotool x11-utils imagemagick)" >&2; exit 2; }
done
[[ -x $PROGRAM ]] || { echo "screenshot.sh: no program at $PROGRAM (build it first)" >&2; exit 2; }

display=:$((90 + RANDOM % 100))
work=$(mktemp -d)
pids=()
cleanup() {
    local p
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb "$display" -screen 0 1000x640x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [[ -S /tmp/.X11-unix/X${display#:} ]] && break; sleep 0.1; done
export DISPLAY=$display

# Its own home: no trace of the user's settings, and none left behind.
install -d -m 700 "$work/home" "$work/runtime"
HOME=$work/home XDG_RUNTIME_DIR=$work/runtime XDG_CONFIG_HOME=$work/home/.config \
    QT_QPA_PLATFORM=xcb LANG=$LANGUAGE.UTF-8 "$PROGRAM" --lang="$LANGUAGE" "$VAULT" >"$work/kovrin.log" 2>&1 &
pids+=($!)

window=""
for _ in $(seq 100); do
    window=$(xdotool search --name '^Kovrin v' 2>/dev/null | head -n1 || true)
    [[ -n $window ]] && break
    sleep 0.1
done
[[ -n $window ]] || { cat "$work/kovrin.log" >&2; echo "screenshot.sh: the window did not appear" >&2; exit 1; }
sleep 1
# The file is given on the command line and the focus is in the password field.
xdotool type --delay 20 "$PASSWORD"
xdotool key Return
sleep 2
import -window "$window" "$OUTPUT"
echo "screenshot.sh: $(identify "$OUTPUT" 2>/dev/null || echo "$OUTPUT")"
