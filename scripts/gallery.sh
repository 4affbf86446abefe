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
