#!/usr/bin/env bash
# Builds KOVA and runs every test: once in a normal build, once under
# AddressSanitizer and UndefinedBehaviorSanitizer, plus the source checks.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

echo "== source checks"
bash scripts/check-sources.sh

echo "== build and test"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== gallery of the desktop program"
bash scripts/gallery.sh build/gallery

echo "== build and test under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKOVA_SANITIZE=ON \
      -DKOVA_BUILD_BENCH=OFF
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  LSAN_OPTIONS=suppressions="$PWD/tests/lsan.supp" \
  ctest --test-dir build-asan --output-on-failure -j "$jobs"

echo "== fuzz the readers, the expression compiler and the geometry, repeatably"
# Every committed input is replayed, then a fixed number of mutations from a fixed seed:
# the same commit passes or fails the same way everywhere. Open-ended fuzzing is
# scripts/fuzz.sh SECONDS, run by hand.
bash scripts/fuzz.sh --repeatable
