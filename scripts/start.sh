#!/usr/bin/env bash
# Builds KOVA (installing what is missing) and starts the desktop program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build
if [ -x build/bin/kova ]; then
  exec build/bin/kova "$@"
fi
echo "The desktop program is not built yet. Built programs:"
ls -1 build/bin
