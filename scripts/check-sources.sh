#!/usr/bin/env bash
# Checks that need no build: formatting, and a core free of Qt.
set -euo pipefail
cd "$(dirname "$0")/.."
files=$(git ls-files -co --exclude-standard -- '*.cpp' '*.hpp' '*.h')
if [ -n "$files" ]; then
  # shellcheck disable=SC2086
  clang-format --dry-run -Werror $files
fi
if grep -rlE '#include *[<"](Q[A-Z]|Qt)' src/core; then
  echo "Qt headers under src/core: the core is standard C++ only" >&2
  exit 1
fi
echo "sources ok"
