#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders Kestrel's hand-drawn SVG icons (src/desktop/icons/*.svg) to the PNG
# files the program and the installed icon theme use. The PNGs are committed,
# so this only runs after an SVG changed. Needs rsvg-convert (librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/.."
icons=src/desktop/icons
mkdir -p "$icons/png"

# Window, toolbar and button icons at 32 px.
for svg in "$icons"/*.svg; do
    name=$(basename "$svg" .svg)
    rsvg-convert -w 32 -h 32 "$svg" -o "$icons/png/$name.png"
done

# The three frames of the open-port animation: one bit of the mark lit at a
# time, the other two dimmed.
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for lit in 1 2 3; do
    sed_args=()
    for bit in 1 2 3; do
        [ "$bit" = "$lit" ] && continue
        sed_args+=(-e "/id=\"bit$bit\"/s/fill=\"[^\"]*\"/fill=\"#35607f\"/")
    done
    sed "${sed_args[@]}" "$icons/kestrel.svg" > "$tmp/frame$lit.svg"
    rsvg-convert -w 32 -h 32 "$tmp/frame$lit.svg" -o "$icons/png/kestrel-$lit.png"
done

# The program's icon in the hicolor theme.
for size in 16 32 48 64 128 256; do
    mkdir -p "data/icons/hicolor/${size}x${size}/apps"
    rsvg-convert -w "$size" -h "$size" "$icons/kestrel.svg" \
        -o "data/icons/hicolor/${size}x${size}/apps/kestrel.png"
done
mkdir -p data/icons/hicolor/scalable/apps
cp "$icons/kestrel.svg" data/icons/hicolor/scalable/apps/kestrel.svg
