#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders Kestrel's hand-drawn SVG icons (src/desktop/icons/*.svg) to the PNG
# files the program and the installed icon theme use. The PNGs are committed,
# so this only runs after an SVG changed. Needs rsvg-convert (librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/.."
icons=src/desktop/icons
# Each picture at 16 px (toolbar and tray at the small size, menus) and 32 px
# (window, toolbar, buttons): drawn at each size, not scaled down from one.
sizes=(16 32)
for size in "${sizes[@]}"; do
    mkdir -p "$icons/png/$size"
done

for svg in "$icons"/*.svg; do
    name=$(basename "$svg" .svg)
    for size in "${sizes[@]}"; do
        rsvg-convert -w "$size" -h "$size" "$svg" -o "$icons/png/$size/$name.png"
    done
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
    for size in "${sizes[@]}"; do
        rsvg-convert -w "$size" -h "$size" "$tmp/frame$lit.svg" -o "$icons/png/$size/kestrel-$lit.png"
    done
done

# The program's icon in the hicolor theme.
for size in 16 32 48 64 128 256; do
    mkdir -p "data/icons/hicolor/${size}x${size}/apps"
    rsvg-convert -w "$size" -h "$size" "$icons/kestrel.svg" \
        -o "data/icons/hicolor/${size}x${size}/apps/kestrel.png"
done
mkdir -p data/icons/hicolor/scalable/apps
cp "$icons/kestrel.svg" data/icons/hicolor/scalable/apps/kestrel.svg
