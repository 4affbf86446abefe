#!/usr/bin/env bash
# Renders every window and dialog of the desktop program offscreen into PNG files
# (default folder build/gallery) and fails when an image comes out blank.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build/gallery}
mkdir -p "$out"
export QT_QPA_PLATFORM=offscreen
# The gallery's settings stay out of the user's own.
export XDG_CONFIG_HOME="$out/.config"
build/bin/kova-gallery "$out"
# The problem-definition dialogs again at twice the scale on a 1920×1080 screen.
mkdir -p "$out/scale-200/problems"
QT_SCALE_FACTOR=2 \
QT_QPA_PLATFORM="offscreen:configfile=$PWD/tests/ui/offscreen_1920x1080.json" \
    build/bin/kova-gallery "$out/scale-200" --dialogs
