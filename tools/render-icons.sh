#!/usr/bin/env bash
# Renders the application and vault-file icons (resources/desktop/icons/*.svg) to
# the PNG sizes of the hicolor theme. The PNGs are committed; run this again after
# changing an SVG. Needs rsvg-convert (Debian package librsvg2-bin).
set -Eeuo pipefail
DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")/../resources/desktop/icons" && pwd -P)
command -v rsvg-convert >/dev/null || { echo "render-icons.sh: rsvg-convert missing (apt-get install librsvg2-bin)" >&2; exit 2; }
for size in 16 22 24 32 48 64 128 256; do
    mkdir -p "$DIR/hicolor/${size}x${size}/apps" "$DIR/hicolor/${size}x${size}/mimetypes"
    rsvg-convert -w "$size" -h "$size" -o "$DIR/hicolor/${size}x${size}/apps/org.kovrin.Kovrin.png" \
        "$DIR/org.kovrin.Kovrin.svg"
    rsvg-convert -w "$size" -h "$size" -o "$DIR/hicolor/${size}x${size}/mimetypes/application-x-kovrin-vault.png" \
        "$DIR/application-x-kovrin-vault.svg"
done
echo "rendered into $DIR/hicolor"
