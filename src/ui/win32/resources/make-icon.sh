#!/usr/bin/env bash
# Makes reflasher.ico, the Windows program's icon, from the picture the
# desktop shows (packaging/org.reflasher.Reflasher.svg), at the sizes the
# shell asks for. The result is kept in the repository, so a build needs no
# image converter; run this again when the picture changes (needs ImageMagick
# and, for its SVG reader, rsvg-convert from librsvg2-bin).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
svg=$here/../../../../packaging/org.reflasher.Reflasher.svg
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
frames=()
for size in 16 24 32 48 64; do
    convert -background none -density 384 "$svg" -resize "${size}x${size}" "PNG32:$tmp/$size.png"
    frames+=("$tmp/$size.png")
done
convert "${frames[@]}" "$here/reflasher.ico"
